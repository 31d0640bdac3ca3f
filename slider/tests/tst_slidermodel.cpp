#include "eventlog.h"
#include "propertybag.h"
#include "slider.h"

#include <QSignalSpy>
#include <QTest>

#include <limits>

namespace {

constexpr qint32 kIntMax = std::numeric_limits<qint32>::max();
constexpr qint32 kIntMin = std::numeric_limits<qint32>::min();

enum class Op { Value, Max, Min };

bool apply(Slider &s, Op op, qint32 arg)
{
    switch (op) {
    case Op::Value:
        s.SetValue(arg);
        return true;
    case Op::Max:
        return s.SetMax(arg);
    case Op::Min:
        return s.SetMin(arg);
    }
    return false;
}

// Puts a fresh slider into the given range without tripping its own rules.
void setRange(Slider &s, qint32 min, qint32 max, qint32 value)
{
    // A range reaching a 32-bit edge only fits once Min has moved first.
    if (!s.SetMax(max)) {
        QVERIFY(s.SetMin(min));
        QVERIFY(s.SetMax(max));
    }
    QVERIFY(s.SetMin(min));
    s.SetValue(value);
    QCOMPARE(s.Min(), min);
    QCOMPARE(s.Max(), max);
    QCOMPARE(s.Value(), value);
}

} // namespace

Q_DECLARE_METATYPE(Op)

class TestSliderModel final : public QObject
{
    Q_OBJECT

private slots:
    void newControl();
    void settersClamp_data();
    void settersClamp();
    void overflowIsRefused_data();
    void overflowIsRefused();
    void selectionIsStoredAsGiven_data();
    void selectionIsStoredAsGiven();
    void quietSetters_data();
    void quietSetters();
    void nestedSetRunsToCompletion();
    void loadAppliesKeysInOrder();
    void loadClampsValueBeforeMax();
    void loadReadsSelectionWithoutEvents();
    void loadKeepsRangeAtThe32BitEdge();
    void saveAndLoadRoundTrip();
    void bagFallsBackToDefaults_data();
    void bagFallsBackToDefaults();
};

void TestSliderModel::newControl()
{
    Slider s;
    QCOMPARE(s.Value(), 50);
    QCOMPARE(s.Max(), 100);
    QCOMPARE(s.Min(), -100);
    QCOMPARE(s.SelectStart(), 0);
    QCOMPARE(s.SelectEnd(), 0);
    QCOMPARE(s.Enabled(), true);
    QCOMPARE(s.Snap(), false);
    QCOMPARE(s.Style(), 0);
    QCOMPARE(s.BackColor(), 0);
    QCOMPARE(s.ForeColor(), 0x00C8C8);
    QCOMPARE(s.ForeColor2(), 0x0000C8);
    QCOMPARE(s.objectName(), QStringLiteral("Slider"));
    QVERIFY(s.skin().isComplete());
    QVERIFY(!s.surface().isNull());
}

void TestSliderModel::settersClamp_data()
{
    QTest::addColumn<qint32>("min");
    QTest::addColumn<qint32>("max");
    QTest::addColumn<qint32>("value");
    QTest::addColumn<Op>("op");
    QTest::addColumn<qint32>("arg");
    QTest::addColumn<qint32>("expMin");
    QTest::addColumn<qint32>("expMax");
    QTest::addColumn<qint32>("expValue");

    QTest::newRow("Max 5 while Min is 10 becomes 11") << 10 << 100 << 50 << Op::Max << 5 << 10 << 11 << 11;
    QTest::newRow("Max equal to Min becomes Min + 1") << 10 << 100 << 50 << Op::Max << 10 << 10 << 11 << 11;
    QTest::newRow("Max above Value keeps Value") << 0 << 100 << 50 << Op::Max << 60 << 0 << 60 << 50;
    QTest::newRow("Min 500 while Max is 100 becomes 99") << -100 << 100 << 50 << Op::Min << 500 << 99 << 100
                                                         << 99;
    QTest::newRow("Min below Value keeps Value") << -100 << 100 << 50 << Op::Min << 0 << 0 << 100 << 50;
    QTest::newRow("Value 1000 stops at Max") << -100 << 100 << 50 << Op::Value << 1000 << -100 << 100 << 100;
    QTest::newRow("Value below Min stops at Min") << -100 << 100 << 50 << Op::Value << -1000 << -100 << 100
                                                  << -100;
    QTest::newRow("Max down to the smallest range") << kIntMin << -1 << 0 << Op::Max << kIntMin << kIntMin
                                                    << kIntMin + 1 << kIntMin + 1;
    QTest::newRow("Min up to the largest range") << 0 << kIntMax << 5 << Op::Min << kIntMax << kIntMax - 1
                                                 << kIntMax << kIntMax - 1;
}

void TestSliderModel::settersClamp()
{
    QFETCH(qint32, min);
    QFETCH(qint32, max);
    QFETCH(qint32, value);
    QFETCH(Op, op);
    QFETCH(qint32, arg);
    Slider s;
    setRange(s, min, max, qBound(min, value, max));
    QSignalSpy change(&s, &Slider::Change);
    QVERIFY(apply(s, op, arg));
    QCOMPARE(s.lastError(), SliderError::None);
    QTEST(s.Min(), "expMin");
    QTEST(s.Max(), "expMax");
    QTEST(s.Value(), "expValue");
    QCOMPARE(change.count(), 1);
}

void TestSliderModel::overflowIsRefused_data()
{
    QTest::addColumn<qint32>("min");
    QTest::addColumn<qint32>("max");
    QTest::addColumn<Op>("op");
    QTest::addColumn<qint32>("arg");
    QTest::newRow("Max leaves a range wider than 32 bits") << -100 << 100 << Op::Max << kIntMax;
    QTest::newRow("Min leaves a range wider than 32 bits") << -100 << 100 << Op::Min << kIntMin;
    QTest::newRow("Max one past the widest range") << -1 << 100 << Op::Max << kIntMax;
    QTest::newRow("Min one past the widest range") << kIntMin + 1 << 0 << Op::Min << kIntMin;
}

void TestSliderModel::overflowIsRefused()
{
    QFETCH(qint32, min);
    QFETCH(qint32, max);
    QFETCH(Op, op);
    QFETCH(qint32, arg);
    Slider s;
    setRange(s, min, max, min);
    s.SetSelectStart(min);
    const QImage before = s.surface();
    EventLog log(s);

    QVERIFY(!apply(s, op, arg));
    QCOMPARE(s.lastError(), SliderError::Overflow);
    QCOMPARE(s.Min(), min);
    QCOMPARE(s.Max(), max);
    QCOMPARE(s.Value(), min);
    QCOMPARE(log.events, QStringList());
    QCOMPARE(s.surface(), before);

    // The next accepted set clears the refusal.
    QVERIFY(s.SetMax(max));
    QCOMPARE(s.lastError(), SliderError::None);
}

void TestSliderModel::selectionIsStoredAsGiven_data()
{
    QTest::addColumn<qint32>("start");
    QTest::addColumn<qint32>("end");
    QTest::newRow("start below Min") << -5000 << 10;
    QTest::newRow("end beyond Max") << 10 << 5000;
    QTest::newRow("reversed") << 80 << 20;
    QTest::newRow("32-bit extremes") << kIntMax << kIntMin;
}

void TestSliderModel::selectionIsStoredAsGiven()
{
    QFETCH(qint32, start);
    QFETCH(qint32, end);
    Slider s;
    QSignalSpy change(&s, &Slider::Change);
    s.SetSelectStart(start);
    s.SetSelectEnd(end);
    QCOMPARE(change.count(), 2);
    // A later change of the range leaves the marks alone.
    QVERIFY(s.SetMax(30));
    QVERIFY(s.SetMin(20));
    QCOMPARE(s.SelectStart(), start);
    QCOMPARE(s.SelectEnd(), end);
}

void TestSliderModel::quietSetters_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<bool>("repaints");
    QTest::newRow("Enabled") << QStringLiteral("Enabled") << false;
    QTest::newRow("Snap") << QStringLiteral("Snap") << false;
    QTest::newRow("Style") << QStringLiteral("Style") << true;
}

// Enabled and Snap neither repaint nor raise; Style repaints (it turns the
// control) but raises nothing.
void TestSliderModel::quietSetters()
{
    QFETCH(QString, which);
    QFETCH(bool, repaints);
    Slider s;
    s.resize(300, 20);
    s.SetValue(10);
    const qint64 before = s.surface().cacheKey();
    EventLog log(s);
    if (which == QLatin1String("Enabled"))
        s.SetEnabled(false);
    else if (which == QLatin1String("Snap"))
        s.SetSnap(true);
    else
        s.SetStyle(1);
    QCOMPARE(log.events, QStringList());
    QCOMPARE(s.surface().cacheKey() != before, repaints);
}

void TestSliderModel::nestedSetRunsToCompletion()
{
    Slider s;
    QStringList seen;
    connect(&s, &Slider::Change, &s, [&] {
        seen << QString::number(s.Value());
        if (s.Value() == 70)
            s.SetValue(20); // the owner answers with a set of its own
    });
    s.SetValue(70);
    QCOMPARE(seen, QStringList({QStringLiteral("70"), QStringLiteral("20")}));
    QCOMPARE(s.Value(), 20);
}

// Each setter raises Change after its own key is applied, so the owner sees
// the keys arrive one by one in the fixed order.
void TestSliderModel::loadAppliesKeysInOrder()
{
    PropertyBag bag;
    bag.setRaw(QStringLiteral("Value"), 7);
    bag.setRaw(QStringLiteral("Max"), 60);
    bag.setRaw(QStringLiteral("Min"), 5);
    bag.setRaw(QStringLiteral("BackColor"), 0x102030);
    bag.setRaw(QStringLiteral("ForeColor"), 0x405060);
    bag.setRaw(QStringLiteral("ForeColor2"), 0x708090);
    bag.setRaw(QStringLiteral("Enabled"), false);
    bag.setRaw(QStringLiteral("Snap"), true);

    Slider s;
    QStringList states;
    connect(&s, &Slider::Change, &s, [&] {
        states << QStringLiteral("%1 %2 %3 %4 %5 %6")
                      .arg(s.Value())
                      .arg(s.Max())
                      .arg(s.Min())
                      .arg(s.BackColor(), 0, 16)
                      .arg(s.ForeColor(), 0, 16)
                      .arg(s.ForeColor2(), 0, 16);
    });
    QVERIFY(s.ReadProperties(bag));
    QCOMPARE(states, QStringList({
                         QStringLiteral("7 100 -100 0 c8c8 c8"),
                         QStringLiteral("7 60 -100 0 c8c8 c8"),
                         QStringLiteral("7 60 5 0 c8c8 c8"),
                         QStringLiteral("7 60 5 102030 c8c8 c8"),
                         QStringLiteral("7 60 5 102030 405060 c8"),
                         QStringLiteral("7 60 5 102030 405060 708090"),
                     }));
    QCOMPARE(s.Enabled(), false);
    QCOMPARE(s.Snap(), true);
    QCOMPARE(s.Dragging(), false);
}

void TestSliderModel::loadClampsValueBeforeMax()
{
    PropertyBag bag;
    bag.setRaw(QStringLiteral("Value"), 500);
    bag.setRaw(QStringLiteral("Max"), 1000);
    Slider s;
    QVERIFY(s.ReadProperties(bag));
    QCOMPARE(s.Max(), 1000);
    QCOMPARE(s.Value(), 100);
}

void TestSliderModel::loadReadsSelectionWithoutEvents()
{
    PropertyBag bag;
    bag.setRaw(QStringLiteral("Max"), 1000);
    bag.setRaw(QStringLiteral("Min"), 0);
    bag.setRaw(QStringLiteral("StartSelect"), 250);
    bag.setRaw(QStringLiteral("EndSelect"), 500);
    bag.setRaw(QStringLiteral("Style"), 0);
    Slider s;
    s.resize(300, 20);
    QSignalSpy change(&s, &Slider::Change);
    QVERIFY(s.ReadProperties(bag));
    QCOMPARE(change.count(), 6);
    QCOMPARE(s.SelectStart(), 250);
    QCOMPARE(s.SelectEnd(), 500);
    // The final repaint shows the loaded selection.
    QCOMPARE(s.surface().pixel(100, 9), s.skin().PicFullFill.pixel(0, 9));
}

void TestSliderModel::loadKeepsRangeAtThe32BitEdge()
{
    // Min 0 .. Max largest is a valid range, but loading sets Max while Min
    // is still -100, which alone would be too wide.
    Slider wide;
    QVERIFY(wide.SetMin(0));
    QVERIFY(wide.SetMax(kIntMax));
    PropertyBag bag;
    wide.WriteProperties(bag);

    Slider loaded;
    QVERIFY(loaded.ReadProperties(bag));
    QCOMPARE(loaded.Min(), 0);
    QCOMPARE(loaded.Max(), kIntMax);
    QCOMPARE(loaded.lastError(), SliderError::None);
}

void TestSliderModel::saveAndLoadRoundTrip()
{
    Slider original;
    QVERIFY(original.SetMax(90));
    QVERIFY(original.SetMin(-20));
    original.SetValue(33);
    original.SetBackColor(0x0000FF);
    original.SetForeColor(0x00FF00);
    original.SetForeColor2(0xFF0000);
    original.SetEnabled(false);
    original.SetSnap(true);
    original.SetStyle(2);
    original.SetSelectStart(-7);
    original.SetSelectEnd(44);
    PropertyBag bag;
    original.WriteProperties(bag);
    QCOMPARE(bag.writeOrder(),
             QStringList({QStringLiteral("Value"), QStringLiteral("Max"), QStringLiteral("Min"),
                          QStringLiteral("BackColor"), QStringLiteral("ForeColor"),
                          QStringLiteral("ForeColor2"), QStringLiteral("Enabled"), QStringLiteral("Snap"),
                          QStringLiteral("Style"), QStringLiteral("StartSelect"),
                          QStringLiteral("EndSelect")}));

    Slider copy;
    QVERIFY(copy.ReadProperties(bag));
    QCOMPARE(copy.Max(), 90);
    QCOMPARE(copy.Min(), -20);
    // Value was read while the range was still -100..100; 33 fits.
    QCOMPARE(copy.Value(), 33);
    QCOMPARE(copy.BackColor(), 0x0000FF);
    QCOMPARE(copy.ForeColor(), 0x00FF00);
    QCOMPARE(copy.ForeColor2(), 0xFF0000);
    QCOMPARE(copy.Enabled(), false);
    QCOMPARE(copy.Snap(), true);
    QCOMPARE(copy.Style(), 2);
    QCOMPARE(copy.SelectStart(), -7);
    QCOMPARE(copy.SelectEnd(), 44);

    // Defaults are not stored.
    PropertyBag fresh;
    Slider().WriteProperties(fresh);
    for (const QString &key : fresh.writeOrder())
        QVERIFY2(!fresh.contains(key), qPrintable(key));
}

void TestSliderModel::bagFallsBackToDefaults_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<qint32>("expected");
    QTest::newRow("missing") << QVariant() << 42;
    QTest::newRow("number") << QVariant(7) << 7;
    QTest::newRow("number as text") << QVariant(QStringLiteral("-12")) << -12;
    QTest::newRow("not a number") << QVariant(QStringLiteral("abc")) << 42;
    QTest::newRow("beyond 32 bits") << QVariant(qlonglong(1) << 40) << 42;
}

void TestSliderModel::bagFallsBackToDefaults()
{
    QFETCH(QVariant, stored);
    PropertyBag bag;
    if (stored.isValid())
        bag.setRaw(QStringLiteral("Max"), stored);
    QTEST(bag.readInt(QStringLiteral("Max"), 42), "expected");
}

QTEST_MAIN(TestSliderModel)
#include "tst_slidermodel.moc"
