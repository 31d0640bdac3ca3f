#include "slidermath.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

constexpr qint32 kIntMax = std::numeric_limits<qint32>::max();
constexpr qint32 kIntMin = std::numeric_limits<qint32>::min();

// The built-in skin's sizes, written out so a change of skin shows here.
const SkinMetrics kSkin{11, 20, 14, 19, 10, 20, 14, 20, 11, 10, 19};
const QSize kBar(300, 20);
const QSize kColumn(20, 300);

} // namespace

class TestSliderMath final : public QObject
{
    Q_OBJECT

private slots:
    void valueToPixel_data();
    void valueToPixel();
    void placement_data();
    void placement();
    void blend_data();
    void blend();
};

void TestSliderMath::valueToPixel_data()
{
    QTest::addColumn<QSize>("control");
    QTest::addColumn<qint32>("min");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<int>("pixel");
    // Max is 1000 unless Min is negative (then 100).
    QTest::newRow("h: Min at 10 (10.5 to even)") << kBar << 0 << qint64(0) << 10;
    QTest::newRow("h: Max at 266 (266.5 to even)") << kBar << 0 << qint64(1000) << 266;
    QTest::newRow("h: negative Min also at 10") << kBar << -100 << qint64(-100) << 10;
    QTest::newRow("h: mark below the range (-245.5 to even)") << kBar << 0 << qint64(-1000) << -246;
    QTest::newRow("h: 32-bit mark kept within reach") << kBar << 0 << qint64(kIntMax) << kFarPixel;
    QTest::newRow("v: Min 30 above the bottom") << kColumn << 0 << qint64(0) << 30;
    QTest::newRow("v: Max 286 above the bottom") << kColumn << 0 << qint64(1000) << 286;
    QTest::newRow("v: half at 158") << kColumn << 0 << qint64(500) << 158;
}

void TestSliderMath::valueToPixel()
{
    QFETCH(QSize, control);
    QFETCH(qint32, min);
    QFETCH(qint64, value);
    const qint32 max = min < 0 ? 100 : 1000;
    QTEST(::valueToPixel(control == kBar, value, min, max, control, kSkin), "pixel");
}

void TestSliderMath::placement_data()
{
    QTest::addColumn<QSize>("control");
    QTest::addColumn<qint32>("min");
    QTest::addColumn<qint32>("max");
    QTest::addColumn<float>("pointer");
    QTest::addColumn<qint32>("value");
    QTest::addColumn<float>("limited");
    QTest::addColumn<float>("freeHandle");
    const float at1000 = float(1000.0 / 15 - 9.5);
    QTest::newRow("h: 1000 twips gives 186") << kBar << 0 << 1000 << 1000.0f << 186 << 1000.0f << at1000;
    QTest::newRow("h: Min is added to the step") << kBar << -100 << 100 << 1000.0f << -63 << 1000.0f << at1000;
    QTest::newRow("h: far left is Min, held 19.5 px in") << kBar << 0 << 1000 << 0.0f << 0 << 292.5f << 10.0f;
    QTest::newRow("h: far right is Max, held 23.5 px in") << kBar << 0 << 1000 << 9000.0f << 1000 << 4147.5f << 267.0f;
    QTest::newRow("h: NaN pointer is held at the left")
        << kBar << 0 << 1000 << std::numeric_limits<float>::quiet_NaN() << 0 << 292.5f << 10.0f;
    QTest::newRow("h: widest range, far pointer") << kBar << 0 << kIntMax << 1.0e9f << kIntMax << 4147.5f << 267.0f;
    QTest::newRow("h: range at the bottom, far left") << kBar << kIntMin << -1 << -1.0e9f << kIntMin << 292.5f << 10.0f;
    QTest::newRow("v: top is Max") << kColumn << 0 << 1000 << 0.0f << 1000 << 292.5f << 286.0f;
    QTest::newRow("v: below the bottom is Min") << kColumn << 0 << 1000 << 9000.0f << 0 << 4147.5f << 29.0f;
    QTest::newRow("v: Min + Max beyond 32 bits") << kColumn << (1 << 30) << kIntMax << 2220.0f << 1606418432
                                                 << 2220.0f << float(300 - (2220.0 / 15 - 9.5) - 4);
    QTest::newRow("v: no track at all gives Max") << QSize(20, 44) << 0 << 10 << 300.0f << 10 << 300.0f << 29.5f;
}

void TestSliderMath::placement()
{
    QFETCH(QSize, control);
    QFETCH(qint32, min);
    QFETCH(qint32, max);
    QFETCH(float, pointer);
    const Placement p = placeFromPointer(control.width() > 20, pointer, min, max, control, kSkin);
    QTEST(p.value, "value");
    QTEST(p.limitedPos, "limited");
    QTEST(p.freeHandlePos, "freeHandle");
}

void TestSliderMath::blend_data()
{
    QTest::addColumn<qint32>("first");
    QTest::addColumn<double>("t");
    QTest::addColumn<qint32>("expected");
    // The second colour is always red 200 (0x0000C8).
    QTest::newRow("green 12.5 rounds to even 12") << 0x0019C8 << 0.5 << 0x000CC8;
    QTest::newRow("beyond Max: negative green becomes 0") << 0x00C8C8 << 2.0 << 0x0000C8;
    QTest::newRow("below Min: green above 255 becomes 255") << 0x00C8C8 << -1.0 << 0x00FFC8;
    QTest::newRow("blue from bits 16-23") << 0xFF00C8 << 0.0 << 0xFF00C8;
    QTest::newRow("no weight at all: black") << 0x00C8C8 << std::nan("") << 0;
}

void TestSliderMath::blend()
{
    QFETCH(qint32, first);
    QFETCH(double, t);
    QTEST(blendColour(componentsOf(first), componentsOf(0x0000C8), t), "expected");
}

QTEST_APPLESS_MAIN(TestSliderMath)
#include "tst_slidermath.moc"
