#pragma once

// Painting helpers shared by the control kit's widgets: colour blends, crisp
// outlines, the mark and label of option buttons and check boxes, and captions
// that shrink to fit.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QRectF>
#include <QSize>

class QAbstractButton;
class QPainter;
class QWidget;

namespace ControlPaint {

inline constexpr qreal kPanelRadius = 6.0;
inline constexpr qreal kButtonRadius = 4.0;
inline constexpr int kIndicatorGap = 6;
inline const QColor kWhite(255, 255, 255);
inline const QColor kBlack(0, 0, 0);

// a moved towards b by t (0 gives a, 1 gives b).
QColor mix(const QColor &a, const QColor &b, qreal t);
QColor withAlpha(QColor c, qreal alpha);

// A rectangle whose 1-pixel outline falls on whole device pixels at scale 1.
QRectF outlineRect(const QRect &r);

int mnemonicFlag(const QWidget *w);

// The mark of an option button or check box: its square or circle, centred
// vertically at the left, at most 16 pixels across.
int indicatorSize(const QWidget *w);
QRect indicatorRect(const QWidget *w);
QSize indicatorControlSize(const QAbstractButton *b);

// The well of an option button's circle (round) or a check box's square, in
// the button's state: pressed, hovered, disabled.
void paintIndicatorWell(QPainter &p, const QAbstractButton *b, const QColor &accent, const QRectF &shape, bool round);

// Text and focus of an option button or check box, beside its mark.
void paintIndicatorLabel(QPainter &p, const QAbstractButton *b, const QColor &fore, const QColor &accent);

// The font, made smaller (to three quarters at most) until text fits width:
// a caption cut off at both ends reads worse than a slightly smaller one.
QFont fittingFont(QFont font, const QString &text, int width);

} // namespace ControlPaint
