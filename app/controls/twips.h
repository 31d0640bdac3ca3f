#pragma once

// Window lengths are kept in twips, as the layout gives them, and turned into
// logical pixels only where a widget is placed. Colours arrive as Windows
// colour values, 0x00BBGGRR with red in the low byte.
//
// kTwipsPerPixel and roundHalfEven come from the slider's arithmetic, which
// uses the same units; one definition keeps the two from drifting apart.
#include "slidermath.h"

#include <QColor>

#include <algorithm>
#include <limits>

// Twips to logical pixels, nearest pixel, an exact half to the even one
// (7.5 px gives 8, 8.5 px gives 8).
inline int twipsToPixels(int twips)
{
    return int(roundHalfEven(double(twips) / kTwipsPerPixel));
}

// Logical pixels to twips; saturates instead of overflowing.
inline int pixelsToTwips(int pixels)
{
    const qint64 twips = qint64(pixels) * kTwipsPerPixel;
    return int(std::clamp<qint64>(twips, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The high byte of a Windows colour value (system colour flags) is ignored.
inline QColor colorFromWin(qint32 value)
{
    const auto bits = quint32(value);
    return QColor(int(bits & 0xFFu), int((bits >> 8) & 0xFFu), int((bits >> 16) & 0xFFu));
}

// Alpha is dropped: a Windows colour value is always opaque.
inline qint32 winFromColor(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return qint32(quint32(rgb.red()) | (quint32(rgb.green()) << 8) | (quint32(rgb.blue()) << 16));
}
