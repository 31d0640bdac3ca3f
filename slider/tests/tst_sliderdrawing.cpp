#include "slider.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The worked example: built-in skin, horizontal, 300 x 20, Min 0, Max 1000.
void setUpExample(Slider &s, qint32 value)
{
    s.resize(300, 20);
    QVERIFY(s.SetMax(1000) && s.SetMin(0));
    s.SetValue(value);
}

bool regionIs(const QImage &surface, QPoint at, const QImage &img)
{
    return surface.copy(QRect(at, img.size())) == img.convertToFormat(surface.format());
}

QRgb rgbOf(qint32 colour)
{
    return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

} // namespace

class TestSliderDrawing final : public QObject
{
    Q_OBJECT

private slots:
    void handleSitsAtValue_data();
    void handleSitsAtValue();
    void selectionFill_data();
    void selectionFill();
    void backColorFillsBothGrooves();
    void verticalFillBlendsColours_data();
    void verticalFillBlendsColours();
    void sizeRuleOnResize_data();
    void sizeRuleOnResize();
    void styleTurnsTheControl();
    void paintsBeforeChange_data();
    void paintsBeforeChange();
};

void TestSliderDrawing::handleSitsAtValue_data()
{
    QTest::addColumn<qint32>("value");
    QTest::addColumn<int>("x");
    QTest::newRow("Min: x 10") << 0 << 10;
    QTest::newRow("Max: x 266, left of the right cap") << 1000 << 266;
}

void TestSliderDrawing::handleSitsAtValue()
{
    QFETCH(qint32, value);
    QFETCH(int, x);
    Slider s;
    setUpExample(s, value);
    const QImage &handle = s.skin().PicHandle;
    QVERIFY(regionIs(s.surface(), QPoint(x, 4), handle));
    QVERIFY(!regionIs(s.surface(), QPoint(x - 1, 4), handle));
    QVERIFY(!regionIs(s.surface(), QPoint(x + 1, 4), handle));
    // The handle is drawn last: at Min it covers the left cap's last column.
    QVERIFY(regionIs(s.surface(), QPoint(0, 0), s.skin().PicLeft.copy(0, 0, 10, 20)));
    QVERIFY(regionIs(s.surface(), QPoint(286, 0), s.skin().PicRight));
}

void TestSliderDrawing::selectionFill_data()
{
    QTest::addColumn<qint32>("start");
    QTest::addColumn<qint32>("end");
    QTest::addColumn<int>("first"); // -1: nothing of the selection shows
    QTest::addColumn<int>("last");
    QTest::newRow("250..500 fills x 74 to 137") << 250 << 500 << 74 << 137;
    QTest::newRow("initial 0..0 shows nothing") << 0 << 0 << -1 << -1;
    QTest::newRow("reversed shows nothing") << 500 << 250 << -1 << -1;
    QTest::newRow("32-bit marks run under the caps") << std::numeric_limits<qint32>::min()
                                                     << std::numeric_limits<qint32>::max() << 11 << 265;
}

void TestSliderDrawing::selectionFill()
{
    QFETCH(qint32, start);
    QFETCH(qint32, end);
    QFETCH(int, first);
    QFETCH(int, last);
    Slider s;
    setUpExample(s, 1000); // handle out of the way at the right
    s.SetSelectStart(start);
    s.SetSelectEnd(end);
    const QRgb full = s.skin().PicFullFill.pixel(0, 9);
    const QRgb empty = s.skin().PicEmptyFill.pixel(0, 9);
    QVERIFY(full != empty);
    for (int x = 11; x < 266; ++x)
        QCOMPARE(s.surface().pixel(x, 9), x >= first && x <= last ? full : empty);
}

void TestSliderDrawing::backColorFillsBothGrooves()
{
    Slider s;
    setUpExample(s, 0);
    const QRgb colour = rgbOf(0x336699);
    s.SetBackColor(0x336699);
    for (int y = 6; y <= 12; ++y)
        QCOMPARE(s.surface().pixel(150, y), colour);
    QVERIFY(s.surface().pixel(150, 5) != colour && s.surface().pixel(150, 13) != colour);
    // The strip of the style not in use was recoloured too.
    s.SetStyle(1);
    for (int x = 6; x <= 12; ++x)
        QCOMPARE(s.surface().pixel(x, 100), colour);
}

void TestSliderDrawing::verticalFillBlendsColours_data()
{
    QTest::addColumn<bool>("setColours");
    QTest::addColumn<qint32>("value");
    QTest::addColumn<qint32>("expected");
    QTest::newRow("half way: red 200, green 100") << true << 500 << 0x0064C8;
    QTest::newRow("at Max: ForeColor2") << true << 1000 << 0x0000C8;
    QTest::newRow("at Min: ForeColor") << true << 0 << 0x00C8C8;
    QTest::newRow("never loaded: initial colours apply") << false << 500 << 0x0064C8;
}

void TestSliderDrawing::verticalFillBlendsColours()
{
    QFETCH(bool, setColours);
    QFETCH(qint32, value);
    QFETCH(qint32, expected);
    Slider s;
    setUpExample(s, value);
    if (setColours) {
        s.SetForeColor(0x00C8C8);
        s.SetForeColor2(0x0000C8);
    }
    s.SetStyle(1);
    QCOMPARE(s.size(), QSize(20, 300));
    // 500 of 0..1000 puts the handle's top 158 above the bottom edge.
    if (value == 500)
        QVERIFY(regionIs(s.surface(), QPoint(4, 300 - 158), s.skin().PicHandle2));
    // The fill groove carries the blend; at Min the handle hides the fill.
    for (int x = 6; x <= 12; ++x) {
        QCOMPARE(s.skin().PicFullFill2.pixel(x, 0), rgbOf(expected));
        if (value > 0)
            QCOMPARE(s.surface().pixel(x, 280), rgbOf(expected));
    }
}

void TestSliderDrawing::sizeRuleOnResize_data()
{
    QTest::addColumn<qint32>("style");
    QTest::addColumn<QSize>("requested");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("h: 40 wide becomes 63") << 0 << QSize(40, 20) << QSize(63, 20);
    QTest::newRow("h: 50 high goes back to 20") << 0 << QSize(300, 50) << QSize(300, 20);
    QTest::newRow("v: 50 wide goes back to 20") << 1 << QSize(50, 300) << QSize(20, 300);
}

// Through real resize events of a shown control, as a layout causes them;
// the paint event shows the kept picture.
void TestSliderDrawing::sizeRuleOnResize()
{
    QFETCH(qint32, style);
    QFETCH(QSize, requested);
    QFETCH(QSize, expected);
    QWidget window;
    window.resize(400, 400);
    auto *s = new Slider(&window);
    s->SetStyle(style);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    s->resize(requested);
    QCOMPARE(s->size(), expected);
    QCOMPARE(s->grab().toImage().convertToFormat(QImage::Format_RGB32), s->surface());
}

void TestSliderDrawing::styleTurnsTheControl()
{
    Slider s;
    s.resize(300, 20);
    const QList<std::pair<qint32, QSize>> steps{
        {1, QSize(20, 300)}, {5, QSize(20, 300)}, {0, QSize(300, 20)}, {0, QSize(300, 20)}};
    for (const auto &[style, size] : steps) {
        s.SetStyle(style);
        QCOMPARE(s.size(), size);
    }
}

void TestSliderDrawing::paintsBeforeChange_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("Value set by the program") << u"value"_s;
    QTest::newRow("selection mark") << u"selection"_s;
    QTest::newRow("right arrow key") << u"key"_s;
    QTest::newRow("click on the track") << u"click"_s;
}

void TestSliderDrawing::paintsBeforeChange()
{
    QFETCH(QString, action);
    QWidget window;
    window.resize(400, 100);
    auto *s = new Slider(&window);
    s->resize(300, 20);
    QVERIFY(s->SetMax(1000) && s->SetMin(0));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();

    // Counts the paints that reach the screen; the handler runs before the
    // event loop gets another turn, like a blocking task started from it.
    struct PaintCounter final : QObject
    {
        int paints = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    s->installEventFilter(&counter);
    QList<int> paintsAtChange;
    connect(s, &Slider::Change, this, [&] { paintsAtChange << counter.paints; });

    if (action == u"value")
        s->SetValue(700);
    else if (action == u"selection")
        s->SetSelectEnd(500);
    else if (action == u"key")
        QTest::keyClick(s, Qt::Key_Right);
    else
        QTest::mouseClick(s, Qt::LeftButton, Qt::NoModifier, QPoint(150, 10));
    QVERIFY(!paintsAtChange.isEmpty());
    QVERIFY2(paintsAtChange.first() > 0, "Change was raised before the new picture was painted");
}

QTEST_MAIN(TestSliderDrawing)
#include "tst_sliderdrawing.moc"
