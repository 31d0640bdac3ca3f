#include "eventlog.h"
#include "propertybag.h"
#include "slider.h"

#include <QTest>

#include <limits>

namespace {

constexpr qint32 kIntMax = std::numeric_limits<qint32>::max();
constexpr qint32 kIntMin = std::numeric_limits<qint32>::min();

// Brings a fresh slider to min..max; a range at a 32-bit edge needs Min first.
void setRange(Slider &s, qint32 min, qint32 max)
{
    if (!s.SetMax(max))
        QVERIFY(s.SetMin(min) && s.SetMax(max));
    QVERIFY(s.SetMin(min));
    s.SetValue(min);
}

// op: 'v' SetValue, 'x' SetMax, 'n' SetMin. Returns what the setter reported.
bool apply(Slider &s, char op, qint32 arg)
{
    if (op == 'x')
        return s.SetMax(arg);
    if (op == 'n')
        return s.SetMin(arg);
    s.SetValue(arg);
    return true;
}

} // namespace

class TestSliderModel final : public QObject
{
    Q_OBJECT

private slots:
    void newControl();
    void settersClamp_data();
    void settersClamp();
    void selectionIsStoredAsGiven();
    void quietSetters_data();
    void quietSetters();
    void loadAppliesKeysInOrder();
    void loadKeepsRangeAtThe32BitEdge_data();
    void loadKeepsRangeAtThe32BitEdge();
    void saveAndLoadRoundTrip();
};

void TestSliderModel::newControl()
{
    Slider s;
    QCOMPARE(QList<qint32>({s.Value(), s.Max(), s.Min(), s.SelectStart(), s.SelectEnd(), s.Style()}),
             QList<qint32>({50, 100, -100, 0, 0, 0}));
    QVERIFY(s.Enabled() && !s.Snap());
    QVERIFY(s.skin().isComplete());
}

void TestSliderModel::settersClamp_data()
{
    QTest::addColumn<qint32>("min");
    QTest::addColumn<qint32>("max");
    QTest::addColumn<qint32>("value");
    QTest::addColumn<char>("op");
    QTest::addColumn<qint32>("arg");
    QTest::addColumn<QList<qint32>>("expected"); // Min, Max, Value; unchanged when refused
    QTest::newRow("Max 5 while Min is 10 becomes 11") << 10 << 100 << 50 << 'x' << 5 << QList<qint32>{10, 11, 11};
    QTest::newRow("Min 500 while Max is 100 becomes 99") << -100 << 100 << 50 << 'n' << 500
                                                         << QList<qint32>{99, 100, 99};
    QTest::newRow("Value 1000 stops at Max") << -100 << 100 << 50 << 'v' << 1000 << QList<qint32>{-100, 100, 100};
    QTest::newRow("Value below Min stops at Min") << 0 << 100 << 50 << 'v' << -1000 << QList<qint32>{0, 100, 0};
    QTest::newRow("Max to the bottom edge") << kIntMin << -1 << -1 << 'x' << kIntMin
                                            << QList<qint32>{kIntMin, kIntMin + 1, kIntMin + 1};
    QTest::newRow("Min to the top edge") << 0 << kIntMax << 0 << 'n' << kIntMax
                                         << QList<qint32>{kIntMax - 1, kIntMax, kIntMax - 1};
    QTest::newRow("refused: Max one past the widest range") << -1 << 100 << 0 << 'x' << kIntMax
                                                            << QList<qint32>{-1, 100, 0};
    QTest::newRow("refused: Min one past the widest range") << kIntMin + 1 << 0 << 0 << 'n' << kIntMin
                                                            << QList<qint32>{kIntMin + 1, 0, 0};
    QTest::newRow("refused: whole 32-bit span") << kIntMin << -1 << -1 << 'x' << kIntMax
                                                << QList<qint32>{kIntMin, -1, -1};
}

// A refused set changes nothing: no state, no picture, no event.
void TestSliderModel::settersClamp()
{
    QFETCH(qint32, min);
    QFETCH(qint32, max);
    QFETCH(qint32, value);
    QFETCH(char, op);
    QFETCH(qint32, arg);
    const bool refused = QByteArray(QTest::currentDataTag()).startsWith("refused");
    Slider s;
    setRange(s, min, max);
    s.SetValue(value);
    const QImage before = s.surface();
    EventLog log(s);
    QCOMPARE(apply(s, op, arg), !refused);
    QCOMPARE(s.lastError(), refused ? SliderError::Overflow : SliderError::None);
    QTEST(QList<qint32>({s.Min(), s.Max(), s.Value()}), "expected");
    QCOMPARE(log.events, refused ? QString() : QStringLiteral("Change"));
    if (refused) {
        QCOMPARE(s.surface(), before);
        QVERIFY(s.SetMax(max));
        QCOMPARE(s.lastError(), SliderError::None);
    }
}

void TestSliderModel::selectionIsStoredAsGiven()
{
    Slider s;
    EventLog log(s);
    s.SetSelectStart(kIntMax);
    s.SetSelectEnd(-5000);
    QVERIFY(s.SetMax(30) && s.SetMin(20));
    QCOMPARE(s.SelectStart(), kIntMax);
    QCOMPARE(s.SelectEnd(), -5000);
    QCOMPARE(log.events, QStringLiteral("Change Change Change Change"));
}

void TestSliderModel::quietSetters_data()
{
    QTest::addColumn<char>("which");
    QTest::addColumn<bool>("repaints");
    QTest::newRow("Enabled: no event, no repaint") << 'e' << false;
    QTest::newRow("Snap: no event, no repaint") << 's' << false;
    QTest::newRow("Style: no event, repaints turned") << 't' << true;
}

void TestSliderModel::quietSetters()
{
    QFETCH(char, which);
    Slider s;
    s.resize(300, 20);
    const qint64 before = s.surface().cacheKey();
    EventLog log(s);
    if (which == 'e')
        s.SetEnabled(false);
    else if (which == 's')
        s.SetSnap(true);
    else
        s.SetStyle(1);
    QCOMPARE(log.events, QString());
    QTEST(s.surface().cacheKey() != before, "repaints");
}

// Each setter raises Change after its own key, so the owner sees the keys
// arrive in the fixed order; Value is clamped before Max is read; the
// selection arrives without an event but is in the final picture.
void TestSliderModel::loadAppliesKeysInOrder()
{
    PropertyBag bag;
    const QList<std::pair<const char *, QVariant>> stored{
        {"Value", 500}, {"Max", 1000}, {"Min", 0}, {"BackColor", 0x102030}, {"ForeColor", 0x405060},
        {"ForeColor2", 0x708090}, {"Enabled", false}, {"Snap", true}, {"StartSelect", 250}, {"EndSelect", 500}};
    for (const auto &[key, value] : stored)
        bag.setRaw(QLatin1String(key), value);

    Slider s;
    s.resize(300, 20);
    QStringList states;
    connect(&s, &Slider::Change, &s, [&] {
        states << QStringLiteral("%1 %2 %3 %4 %5 %6").arg(s.Value()).arg(s.Max()).arg(s.Min())
                      .arg(s.BackColor(), 0, 16).arg(s.ForeColor(), 0, 16).arg(s.ForeColor2(), 0, 16);
    });
    QVERIFY(s.ReadProperties(bag));
    QCOMPARE(states, QStringList({QStringLiteral("100 100 -100 0 c8c8 c8"),
                                  QStringLiteral("100 1000 -100 0 c8c8 c8"),
                                  QStringLiteral("100 1000 0 0 c8c8 c8"),
                                  QStringLiteral("100 1000 0 102030 c8c8 c8"),
                                  QStringLiteral("100 1000 0 102030 405060 c8"),
                                  QStringLiteral("100 1000 0 102030 405060 708090")}));
    QVERIFY(!s.Enabled() && s.Snap());
    QCOMPARE(s.SelectStart(), 250);
    QCOMPARE(s.surface().pixel(100, 9), s.skin().PicFullFill.pixel(0, 9));
}

void TestSliderModel::loadKeepsRangeAtThe32BitEdge_data()
{
    QTest::addColumn<qint32>("min");
    QTest::newRow("Min 0") << 0;
    QTest::newRow("Min above the initial Max") << 1000;
}

// Min .. Max largest is valid, but loading sets Max while Min is still -100,
// which alone would be too wide; it must still load whole.
void TestSliderModel::loadKeepsRangeAtThe32BitEdge()
{
    QFETCH(qint32, min);
    Slider wide;
    setRange(wide, min, kIntMax);
    PropertyBag bag;
    wide.WriteProperties(bag);
    Slider loaded;
    QVERIFY(loaded.ReadProperties(bag));
    QCOMPARE(QList<qint32>({loaded.Min(), loaded.Max(), loaded.Value()}), QList<qint32>({min, kIntMax, min}));
}

void TestSliderModel::saveAndLoadRoundTrip()
{
    Slider original;
    QVERIFY(original.SetMax(90) && original.SetMin(-20));
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
    QCOMPARE(bag.writeOrder().join(QLatin1Char(' ')),
             QStringLiteral("Value Max Min BackColor ForeColor ForeColor2 Enabled Snap Style StartSelect EndSelect"));

    Slider copy;
    QVERIFY(copy.ReadProperties(bag));
    QCOMPARE(QList<qint32>({copy.Value(), copy.Max(), copy.Min(), copy.BackColor(), copy.ForeColor(),
                            copy.ForeColor2(), copy.Style(), copy.SelectStart(), copy.SelectEnd()}),
             QList<qint32>({33, 90, -20, 0x0000FF, 0x00FF00, 0xFF0000, 2, -7, 44}));
    QVERIFY(!copy.Enabled() && copy.Snap());

    // Defaults are left out; unreadable values fall back to them.
    PropertyBag fresh;
    Slider().WriteProperties(fresh);
    QVERIFY(!fresh.contains(QStringLiteral("Value")) && !fresh.contains(QStringLiteral("Enabled")));
    fresh.setRaw(QStringLiteral("Max"), QStringLiteral("abc"));
    QCOMPARE(fresh.readInt(QStringLiteral("Max"), 100), 100);
}

QTEST_MAIN(TestSliderModel)
#include "tst_slidermodel.moc"
