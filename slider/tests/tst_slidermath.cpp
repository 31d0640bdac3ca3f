#include "slidermath.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

constexpr qint32 kIntMax = std::numeric_limits<qint32>::max();
constexpr qint32 kIntMin = std::numeric_limits<qint32>::min();

// The sizes of the built-in skin, written out so a change of skin shows here.
SkinMetrics builtInMetrics()
{
    SkinMetrics m;
    m.lw = 11;
    m.lh = 20;
    m.rw = 14;
    m.hw = 19;
    m.hhw = 10;
    m.uw = 20;
    m.uh = 14;
    m.dw = 20;
    m.dh = 11;
    m.vw = 10;
    m.hh = 19;
    return m;
}

} // namespace

class TestSliderMath final : public QObject
{
    Q_OBJECT

private slots:
    void roundsHalfToEven_data();
    void roundsHalfToEven();
    void spanFitsIn32Bits_data();
    void spanFitsIn32Bits();
    void valueToPixel_data();
    void valueToPixel();
    void placement_data();
    void placement();
    void sizeRule_data();
    void sizeRule();
    void blend_data();
    void blend();
};

void TestSliderMath::roundsHalfToEven_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("expected");
    QTest::newRow("0.5 down to 0") << 0.5 << 0.0;
    QTest::newRow("1.5 up to 2") << 1.5 << 2.0;
    QTest::newRow("2.5 down to 2") << 2.5 << 2.0;
    QTest::newRow("10.5 down to 10") << 10.5 << 10.0;
    QTest::newRow("266.5 down to 266") << 266.5 << 266.0;
    QTest::newRow("-117.5 down to -118") << -117.5 << -118.0;
    QTest::newRow("2.51 up") << 2.51 << 3.0;
}

void TestSliderMath::roundsHalfToEven()
{
    QFETCH(double, x);
    QFETCH(double, expected);
    QCOMPARE(roundHalfEven(x), expected);
}

void TestSliderMath::spanFitsIn32Bits_data()
{
    QTest::addColumn<qint32>("min");
    QTest::addColumn<qint32>("max");
    QTest::addColumn<bool>("fits");
    QTest::newRow("default") << -100 << 100 << true;
    QTest::newRow("0 to largest") << 0 << kIntMax << true;
    QTest::newRow("smallest to -1") << kIntMin << -1 << true;
    QTest::newRow("-1 to largest") << -1 << kIntMax << false;
    QTest::newRow("smallest to 0") << kIntMin << 0 << false;
    QTest::newRow("whole 32-bit range") << kIntMin << kIntMax << false;
}

void TestSliderMath::spanFitsIn32Bits()
{
    QFETCH(qint32, min);
    QFETCH(qint32, max);
    QFETCH(bool, fits);
    const auto span = rangeSpan(min, max);
    QCOMPARE(span.has_value(), fits);
    if (fits)
        QCOMPARE(qint64(*span), qint64(max) - qint64(min));
}

void TestSliderMath::valueToPixel_data()
{
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<QSize>("control");
    QTest::addColumn<qint32>("min");
    QTest::addColumn<qint32>("max");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<int>("pixel");

    const QSize bar(300, 20);
    QTest::newRow("h: Min at 10 (10.5 to even)") << true << bar << 0 << 1000 << qint64(0) << 10;
    QTest::newRow("h: Max at 266 (266.5 to even)") << true << bar << 0 << 1000 << qint64(1000) << 266;
    QTest::newRow("h: 250 at 74") << true << bar << 0 << 1000 << qint64(250) << 74;
    QTest::newRow("h: 500 at 138") << true << bar << 0 << 1000 << qint64(500) << 138;
    QTest::newRow("h: negative Min lands at 10") << true << bar << -100 << 100 << qint64(-100) << 10;
    QTest::newRow("h: positive Max lands at 266") << true << bar << -100 << 100 << qint64(100) << 266;
    QTest::newRow("h: mark below range maps left") << true << bar << 0 << 1000 << qint64(-1000) << -246;
    QTest::newRow("h: far mark kept within reach")
        << true << bar << 0 << 1 << qint64(kIntMax) << kFarPixel;
    QTest::newRow("h: far negative mark") << true << bar << 0 << 1 << qint64(kIntMin) << -kFarPixel;
    const QSize column(20, 300);
    QTest::newRow("v: Min 30 above the bottom") << false << column << 0 << 1000 << qint64(0) << 30;
    QTest::newRow("v: Max 286 above the bottom") << false << column << 0 << 1000 << qint64(1000) << 286;
    QTest::newRow("v: half at 158") << false << column << 0 << 1000 << qint64(500) << 158;
}

void TestSliderMath::valueToPixel()
{
    QFETCH(bool, horizontal);
    QFETCH(QSize, control);
    QFETCH(qint32, min);
    QFETCH(qint32, max);
    QFETCH(qint64, value);
    QFETCH(int, pixel);
    QCOMPARE(::valueToPixel(horizontal, value, min, max, control, builtInMetrics()), pixel);
}

void TestSliderMath::placement_data()
{
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<QSize>("control");
    QTest::addColumn<qint32>("min");
    QTest::addColumn<qint32>("max");
    QTest::addColumn<float>("pointer");
    QTest::addColumn<qint32>("value");
    QTest::addColumn<float>("limited");
    QTest::addColumn<float>("freeHandle");

    const QSize bar(300, 20);
    QTest::newRow("h: 1000 twips gives 186") << true << bar << 0 << 1000 << 1000.0f << 186 << 1000.0f
                                             << float(1000.0 / 15 - 9.5);
    QTest::newRow("h: left of the track is Min, limited to 19.5 px")
        << true << bar << 0 << 1000 << 0.0f << 0 << 292.5f << 10.0f;
    QTest::newRow("h: beyond the right end is Max, limited to 23.5 px from it")
        << true << bar << 0 << 1000 << 9000.0f << 1000 << 4147.5f << 267.0f;
    QTest::newRow("h: Min is added to the step") << true << bar << -100 << 100 << 1000.0f << -63
                                                 << 1000.0f << float(1000.0 / 15 - 9.5);
    QTest::newRow("h: far pointer on the widest range stays in range")
        << true << bar << 0 << kIntMax << 1.0e9f << kIntMax << 4147.5f << 267.0f;
    QTest::newRow("h: far left on a range ending at the smallest value")
        << true << bar << kIntMin << -1 << -1.0e9f << kIntMin << 292.5f << 10.0f;

    const QSize column(20, 300);
    QTest::newRow("v: top of the track is Max") << false << column << 0 << 1000 << 0.0f << 1000 << 292.5f
                                                << 286.0f;
    QTest::newRow("v: below the bottom is Min") << false << column << 0 << 1000 << 9000.0f << 0 << 4147.5f
                                                << 29.0f;
    QTest::newRow("v: Min + Max beyond 32 bits")
        << false << column << (1 << 30) << kIntMax << 2220.0f << qint32(1606418432) << 2220.0f
        << float(300 - (2220.0 / 15 - 9.5) - 4);
    QTest::newRow("v: no track at all gives Max")
        << false << QSize(20, 44) << 0 << 10 << 300.0f << 10 << 300.0f << float(44 - (20 - 9.5) - 4);
}

void TestSliderMath::placement()
{
    QFETCH(bool, horizontal);
    QFETCH(QSize, control);
    QFETCH(qint32, min);
    QFETCH(qint32, max);
    QFETCH(float, pointer);
    QFETCH(qint32, value);
    QFETCH(float, limited);
    QFETCH(float, freeHandle);
    const Placement p = placeFromPointer(horizontal, pointer, min, max, control, builtInMetrics());
    QCOMPARE(p.value, value);
    QCOMPARE(p.limitedPos, limited);
    QCOMPARE(p.freeHandlePos, freeHandle);
}

void TestSliderMath::sizeRule_data()
{
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("h: too short grows to 63") << true << QSize(40, 20) << QSize(63, 20);
    QTest::newRow("h: too thick goes back to 20") << true << QSize(300, 50) << QSize(300, 20);
    QTest::newRow("h: exactly 63 stays") << true << QSize(63, 20) << QSize(63, 20);
    QTest::newRow("v: too short grows to 63") << false << QSize(20, 40) << QSize(20, 63);
    QTest::newRow("v: too thick goes back to 20") << false << QSize(50, 300) << QSize(20, 300);
}

void TestSliderMath::sizeRule()
{
    QFETCH(bool, horizontal);
    QFETCH(QSize, size);
    QFETCH(QSize, expected);
    QCOMPARE(::sizeRule(horizontal, size, builtInMetrics()), expected);
}

void TestSliderMath::blend_data()
{
    QTest::addColumn<qint32>("first");
    QTest::addColumn<qint32>("second");
    QTest::addColumn<double>("t");
    QTest::addColumn<qint32>("expected");
    const qint32 yellowish = 0x00C8C8;
    const qint32 red = 0x0000C8;
    QTest::newRow("at Min: first colour") << yellowish << red << 0.0 << yellowish;
    QTest::newRow("at Max: second colour") << yellowish << red << 1.0 << red;
    QTest::newRow("half: red 200, green 100") << yellowish << red << 0.5 << qint32(200 + 256 * 100);
    QTest::newRow("green 12.5 rounds to even 12") << 0x001900 << 0 << 0.5 << qint32(256 * 12);
    QTest::newRow("beyond Max: negative green becomes 0") << yellowish << red << 2.0 << red;
    QTest::newRow("below Min: green above 255 becomes 255")
        << yellowish << red << -1.0 << qint32(200 + 256 * 255);
    QTest::newRow("blue sits in bits 16-23") << 0xFF0000 << 0 << 0.0 << 0xFF0000;
    QTest::newRow("no weight at all: black") << yellowish << red << std::nan("") << 0;
}

void TestSliderMath::blend()
{
    QFETCH(qint32, first);
    QFETCH(qint32, second);
    QFETCH(double, t);
    QFETCH(qint32, expected);
    QCOMPARE(blendColour(componentsOf(first), componentsOf(second), t), expected);
}

QTEST_APPLESS_MAIN(TestSliderMath)
#include "tst_slidermath.moc"
