#include "slidermath.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>

namespace {

// Steps beyond this many values are out of reach of any 32-bit range anyway;
// limiting them keeps the conversion to an integer defined.
constexpr double kFarStep = 1099511627776.0; // 2^40

double limitedComponent(double c)
{
    if (!(c >= 0)) // also catches NaN
        return 0;
    return std::min(c, 255.0);
}

} // namespace

double roundHalfEven(double x)
{
    // nearbyint follows the current rounding mode; pin it so a caller that
    // changed the mode cannot change the control's arithmetic.
    const int previous = std::fegetround();
    if (previous == FE_TONEAREST)
        return std::nearbyint(x);
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(x);
    std::fesetround(previous);
    return r;
}

std::optional<qint32> rangeSpan(qint32 min, qint32 max)
{
    return checked32(qint64(max) - qint64(min));
}

std::optional<qint32> checked32(qint64 v)
{
    if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(v);
}

qint32 clampToRange(qint64 v, qint32 min, qint32 max)
{
    if (v < min)
        v = min;
    if (v > max)
        v = max;
    return static_cast<qint32>(v);
}

int valueToPixel(bool horizontal, qint64 v, qint32 min, qint32 max, QSize control,
                 const SkinMetrics &m)
{
    const double span = double(qint64(max) - qint64(min));
    double result = 0;
    if (horizontal) {
        const double track = control.width() - m.lw - m.rw - m.hw;
        const double a = roundHalfEven(double(v) / span * track);
        const double b = roundHalfEven(m.hw / 2.0 + a + 1);
        result = roundHalfEven(b - double(min) / span * track);
    } else {
        const double track = control.height() - m.dh - m.uh - m.hh;
        const double a = roundHalfEven(double(v) / span * track);
        const double b = roundHalfEven(m.hh / 2.0 + a + 1 + m.hh);
        result = roundHalfEven(b - double(min) / span * track);
    }
    if (!std::isfinite(result))
        return 0;
    return int(std::clamp(result, double(-kFarPixel), double(kFarPixel)));
}

Placement placeFromPointer(bool horizontal, float posTwips, qint32 min, qint32 max,
                           QSize control, const SkinMetrics &m)
{
    const double tpp = kTwipsPerPixel;
    const double span = double(qint64(max) - qint64(min));
    Placement out;

    const double length = horizontal ? control.width() : control.height();
    const double track = horizontal ? length - m.lw - m.rw - m.hw : length - m.dh - m.uh - m.hh;
    const double lead = horizontal ? m.hw : m.hh;
    double fraction = (posTwips / tpp - lead) / track;
    if (!std::isfinite(fraction)) // a control too short to have a track
        fraction = 0;
    const double step = std::clamp(roundHalfEven(fraction * span), -kFarStep, kFarStep);
    // Horizontal: Min + step. Vertical (top is Max): (Min + Max) - (Min + step).
    const qint64 raw = horizontal ? qint64(min) + qint64(step) : qint64(max) - qint64(step);
    out.value = clampToRange(raw, min, max);

    // Limit the pointer to the track. The limit near the origin uses the
    // first cap (left / bottom), the far one the second cap (right / top).
    const double halfHandle = lead / 2.0;
    const double nearCap = horizontal ? m.lw : m.dh;
    const double farCap = horizontal ? m.rw : m.uh;
    const float low = float((halfHandle + nearCap - 1) * tpp);
    const float high = float(length * tpp - (halfHandle + farCap) * tpp);
    float pos = posTwips;
    if (!(pos >= low)) // a NaN position counts as below the track
        pos = low;
    if (high < pos)
        pos = high;
    out.limitedPos = pos;
    if (horizontal)
        out.freeHandlePos = float(pos / tpp - halfHandle);
    else
        out.freeHandlePos = float(length - (pos / tpp - halfHandle) - 4);
    return out;
}

QSize sizeRule(bool horizontal, QSize current, const SkinMetrics &m)
{
    QSize out = current;
    if (horizontal) {
        const int least = m.lw + m.rw + 2 * m.hw;
        if (least > out.width())
            out.setWidth(least);
        out.setHeight(m.lh);
    } else {
        const int least = m.uh + m.dh + 2 * m.hh;
        if (least > out.height())
            out.setHeight(least);
        out.setWidth(m.dw);
    }
    return out;
}

QSize turnedSize(bool wasHorizontal, bool horizontal, QSize current)
{
    if (wasHorizontal == horizontal)
        return current;
    if (horizontal)
        return QSize(current.height(), current.height());
    return QSize(current.width(), current.width());
}

ColourComponents componentsOf(qint32 colour)
{
    const auto bits = quint32(colour);
    return {float(bits & 0xFFu), float((bits >> 8) & 0xFFu), float((bits >> 16) & 0xFFu)};
}

qint32 blendColour(const ColourComponents &first, const ColourComponents &second, double t)
{
    const double red = limitedComponent((1 - t) * first.red + t * second.red);
    const double green = limitedComponent((1 - t) * first.green + t * second.green);
    const double blue = limitedComponent((1 - t) * first.blue + t * second.blue);
    return qint32(roundHalfEven(red)) + 256 * qint32(roundHalfEven(green))
        + 65536 * qint32(roundHalfEven(blue));
}

int buttonMask(Qt::MouseButtons buttons)
{
    int mask = 0;
    if (buttons & Qt::LeftButton)
        mask |= 1;
    if (buttons & Qt::RightButton)
        mask |= 2;
    if (buttons & Qt::MiddleButton)
        mask |= 4;
    return mask;
}

int shiftMask(Qt::KeyboardModifiers modifiers)
{
    int mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= 1;
    if (modifiers & Qt::ControlModifier)
        mask |= 2;
    if (modifiers & Qt::AltModifier)
        mask |= 4;
    return mask;
}
