#include "exacttime.h"

#include <algorithm>
#include <cmath>
#include <limits>

qint64 RoundMilliseconds(double seconds)
{
    if (std::isnan(seconds))
        return 0;
    // 2^62 microseconds: the division below then still fits.
    constexpr double limit = 4.611686018427387904e18;
    const double micro = std::clamp(std::round(seconds * 1e6), -limit, limit);
    return std::llround(micro / 1000.0);
}

QString FormatExactTime(double seconds)
{
    const qint64 milliseconds = RoundMilliseconds(seconds);
    const quint64 size = milliseconds < 0 ? 0 - quint64(milliseconds) : quint64(milliseconds);
    const auto twoDigits = [](quint64 part) { return QString::number(part).rightJustified(2, QLatin1Char('0')); };
    return (milliseconds < 0 ? QStringLiteral("-") : QString()) + twoDigits(size / 3600000) + QLatin1Char(':')
           + twoDigits(size / 60000 % 60) + QLatin1Char(':') + twoDigits(size / 1000 % 60) + QLatin1Char('.')
           + QString::number(size % 1000).rightJustified(3, QLatin1Char('0'));
}
