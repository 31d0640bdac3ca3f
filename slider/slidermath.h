#pragma once

#include <QSize>
#include <QtGlobal>
#include <qnamespace.h>

#include <optional>

// Pixel arithmetic of the range slider, kept free of widgets so it can be
// checked from tables. Values are 32-bit; every float-to-integer step rounds
// to the nearest integer with exact halves going to the even neighbour.

// Sizes of the skin images that the arithmetic needs, read from the images.
struct SkinMetrics
{
    int lw = 0;  // PicLeft width
    int lh = 0;  // PicLeft height: the horizontal bar's thickness
    int rw = 0;  // PicRight width
    int hw = 0;  // PicHandle width
    int hhw = 0; // PicHandle height
    int uw = 0;  // PicUp width
    int uh = 0;  // PicUp height
    int dw = 0;  // PicDown width: the vertical bar's thickness
    int dh = 0;  // PicDown height
    int vw = 0;  // PicHandle2 width
    int hh = 0;  // PicHandle2 height
};

// Twips per logical pixel, in both directions.
inline constexpr int kTwipsPerPixel = 15;

// Round half to even, as every conversion of the control does.
double roundHalfEven(double x);

// v, or nothing when it does not fit in 32 bits.
std::optional<qint32> checked32(qint64 v);

// Max - Min, or nothing when it does not fit in 32 bits.
std::optional<qint32> rangeSpan(qint32 min, qint32 max);

// v brought into min..max (below min first, then above max).
qint32 clampToRange(qint64 v, qint32 min, qint32 max);

// The handle's position for value v. Horizontal (style 0): x of the handle's
// left edge. Vertical: distance of the handle's top edge from the bottom edge.
// Values far outside the range (selection marks are never clamped) map far
// outside the control; the result is kept within +-kFarPixel so callers can
// clip it without overflow. Requires min < max with a 32-bit span.
inline constexpr int kFarPixel = 1 << 24;
int valueToPixel(bool horizontal, qint64 v, qint32 min, qint32 max, QSize control,
                 const SkinMetrics &m);

// Where a mouse placement puts the value and the freely drawn handle.
struct Placement
{
    qint32 value = 0;        // already clamped to min..max
    float limitedPos = 0;    // the pointer coordinate (twips), limited to the track
    float freeHandlePos = 0; // handle position in pixels for a free drag
};

// Placement for a pointer coordinate in twips: x for the horizontal style,
// y for the vertical one. The value comes from the unlimited coordinate; a
// pointer beyond the track gives min or max. Wide ranges are computed in 64
// bits, so no pointer position can overflow.
Placement placeFromPointer(bool horizontal, float posTwips, qint32 min, qint32 max,
                           QSize control, const SkinMetrics &m);

// The size the control must have: at least long enough for the handle to
// travel twice its length between the caps, and exactly as thick as its caps.
QSize sizeRule(bool horizontal, QSize current, const SkinMetrics &m);

// The size after turning the control to the given orientation: the length
// moves to the other axis. A control already in that orientation keeps its size.
QSize turnedSize(bool wasHorizontal, bool horizontal, QSize current);

// Fill colour of the vertical bar for weight t of the second colour, as a
// colour value (red in bits 0-7, green 8-15, blue 16-23). Components are
// limited to 0..255.
struct ColourComponents
{
    float red = 0;
    float green = 0;
    float blue = 0;
};
ColourComponents componentsOf(qint32 colour);
qint32 blendColour(const ColourComponents &first, const ColourComponents &second, double t);

// The classic masks of a mouse event: buttons left 1, right 2, middle 4;
// shift 1, control 2, alt 4.
int buttonMask(Qt::MouseButtons buttons);
int shiftMask(Qt::KeyboardModifiers modifiers);
