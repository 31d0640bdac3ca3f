#include "timetext.h"

#include "slidermath.h"

#include <cmath>
#include <limits>

namespace {

QString twoDigits(qint32 part)
{
    if (part < 0)
        return QLatin1Char('-') + QString::number(-qint64(part)).rightJustified(2, QLatin1Char('0'));
    return QString::number(part).rightJustified(2, QLatin1Char('0'));
}

} // namespace

QString FormatTime(qint32 seconds)
{
    // Remainder first, then truncating divisions of what is left, so the
    // subtraction can never overflow (s has the sign of seconds).
    const qint32 s = seconds % 60;
    const qint32 m = ((seconds - s) / 60) % 60;
    const qint32 h = (seconds - s) / 3600;
    return twoDigits(h) + QLatin1Char(':') + twoDigits(m) + QLatin1Char(':') + twoDigits(s);
}

qint32 RoundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    const double rounded = roundHalfEven(value);
    if (rounded <= double(std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    if (rounded >= double(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    return qint32(rounded);
}
