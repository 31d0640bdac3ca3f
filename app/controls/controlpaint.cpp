#include "controlpaint.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QStyle>

#include <algorithm>

namespace ControlPaint {


// a moved towards b by t (0 gives a, 1 gives b).
QColor mix(const QColor &a, const QColor &b, qreal t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t),
                            float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

QColor withAlpha(QColor c, qreal alpha)
{
    c.setAlphaF(float(alpha));
    return c;
}



// A rectangle whose 1-pixel outline falls on whole device pixels at scale 1.
QRectF outlineRect(const QRect &r)
{
    return QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
}

int mnemonicFlag(const QWidget *w)
{
    return w->style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, w) ? Qt::TextShowMnemonic
                                                                           : Qt::TextHideMnemonic;
}

// The mark of an option button or check box: its square or circle, centred
// vertically at the left, at most 16 pixels across.
int indicatorSize(const QWidget *w)
{
    return std::min(16, w->fontMetrics().height() + 1);
}



QRect indicatorRect(const QWidget *w)
{
    const int size = indicatorSize(w);
    return QRect(1, (w->height() - size) / 2, size, size);
}

QSize indicatorControlSize(const QAbstractButton *b)
{
    const QSize text = b->fontMetrics().size(Qt::TextShowMnemonic, b->text());
    const int size = indicatorSize(b);
    return QSize(1 + size + kIndicatorGap + text.width() + 4, std::max(size + 2, text.height() + 4));
}

void paintIndicatorWell(QPainter &p, const QAbstractButton *b, const QColor &accent, const QRectF &shape, bool round)
{
    const bool enabled = b->isEnabled();
    const qreal fade = enabled ? 1.0 : 0.45;
    QLinearGradient well(shape.topLeft(), shape.bottomLeft());
    const QColor paper =
        b->isDown() ? mix(accent, kWhite, 0.7) : mix(accent, kWhite, b->underMouse() && enabled ? 0.86 : 0.93);
    well.setColorAt(0, withAlpha(mix(paper, accent, 0.12), fade));
    well.setColorAt(1, withAlpha(paper, fade));
    p.setBrush(well);
    p.setPen(QPen(withAlpha(mix(accent, kBlack, 0.2), fade), 1));
    if (round)
        p.drawEllipse(shape);
    else
        p.drawRoundedRect(shape, 3, 3);
}

// Text and focus of an option button or check box, beside its mark.
void paintIndicatorLabel(QPainter &p, const QAbstractButton *b, const QColor &fore, const QColor &accent)
{
    const QRect mark = indicatorRect(b);
    const QRect textRect = b->rect().adjusted(mark.right() + 1 + kIndicatorGap, 0, 0, 0);
    p.setPen(b->isEnabled() ? fore : withAlpha(fore, 0.45));
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | mnemonicFlag(b), b->text());
    if (b->hasFocus()) {
        const QRect used = p.boundingRect(textRect, Qt::AlignLeft | Qt::AlignVCenter | mnemonicFlag(b), b->text());
        QPen pen(withAlpha(accent, 0.7), 1.0, Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(outlineRect(used.adjusted(-2, 0, 2, 0)), 2, 2);
    }
}

// The font, made smaller (to three quarters at most) until text fits width:
// a caption cut off at both ends reads worse than a slightly smaller one.
QFont fittingFont(QFont font, const QString &text, int width)
{
    const bool points = font.pointSizeF() > 0;
    const qreal full = points ? font.pointSizeF() : qreal(font.pixelSize());
    for (qreal size = full; size >= full * 0.75; size -= full / 16) {
        if (points)
            font.setPointSizeF(size);
        else
            font.setPixelSize(int(size));
        if (QFontMetrics(font).size(Qt::TextShowMnemonic, text).width() <= width)
            break;
    }
    return font;
}

} // namespace ControlPaint
