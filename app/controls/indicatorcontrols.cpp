// The control kit's option button, check box, progress bar and separator line.

#include "controls.h"

#include "controlpaint.h"
#include "twips.h"

#include <QAccessible>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <algorithm>

using namespace ControlPaint;

// -------------------------------------------------------------- OptionButton

OptionButton::OptionButton(QWidget *parent)
    : QRadioButton(parent)
{
    setAttribute(Qt::WA_Hover);
    connect(this, &OptionButton::colorsChanged, this, qOverload<>(&QWidget::update));
}

OptionButton::OptionButton(const QString &caption, QWidget *parent)
    : OptionButton(parent)
{
    setText(caption);
}

QSize OptionButton::sizeHint() const
{
    return indicatorControlSize(this);
}

bool OptionButton::hitButton(const QPoint &pos) const
{
    return rect().contains(pos);
}

void OptionButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor accent = colorFromWin(m_accentColor);
    const QColor fore = colorFromWin(m_foreColor);
    const QRectF ring = outlineRect(indicatorRect(this));
    const qreal fade = isEnabled() ? 1.0 : 0.45;
    paintIndicatorWell(p, this, accent, ring, true);

    if (isChecked()) {
        const qreal inset = ring.width() * 0.28;
        const QRectF dot = ring.adjusted(inset, inset, -inset, -inset);
        QLinearGradient shine(dot.topLeft(), dot.bottomLeft());
        shine.setColorAt(0, withAlpha(mix(accent, kWhite, 0.35), fade));
        shine.setColorAt(1, withAlpha(accent, fade));
        p.setPen(Qt::NoPen);
        p.setBrush(shine);
        p.drawEllipse(dot);
    }
    paintIndicatorLabel(p, this, fore, accent);
}

// ------------------------------------------------------------------ CheckBox

CheckBox::CheckBox(QWidget *parent)
    : QCheckBox(parent)
{
    setAttribute(Qt::WA_Hover);
    connect(this, &CheckBox::colorsChanged, this, qOverload<>(&QWidget::update));
}

CheckBox::CheckBox(const QString &caption, QWidget *parent)
    : CheckBox(parent)
{
    setText(caption);
}

QSize CheckBox::sizeHint() const
{
    return indicatorControlSize(this);
}

bool CheckBox::hitButton(const QPoint &pos) const
{
    return rect().contains(pos);
}

void CheckBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor accent = colorFromWin(m_accentColor);
    const QColor fore = colorFromWin(m_foreColor);
    const QRectF box = outlineRect(indicatorRect(this));
    const qreal fade = isEnabled() ? 1.0 : 0.45;
    paintIndicatorWell(p, this, accent, box, false);

    if (checkState() != Qt::Unchecked) {
        const qreal w = box.width();
        QPen pen(withAlpha(accent, fade), std::max(1.5, w / 7.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        if (checkState() == Qt::PartiallyChecked) {
            p.drawLine(QPointF(box.left() + w * 0.25, box.center().y()), QPointF(box.right() - w * 0.25, box.center().y()));
        } else {
            QPainterPath tick;
            tick.moveTo(box.left() + w * 0.22, box.top() + w * 0.52);
            tick.lineTo(box.left() + w * 0.42, box.top() + w * 0.72);
            tick.lineTo(box.left() + w * 0.78, box.top() + w * 0.28);
            p.drawPath(tick);
        }
    }
    paintIndicatorLabel(p, this, fore, accent);
}

// --------------------------------------------------------------- ProgressBar

int progressFillWidth(int value, int trackWidth)
{
    if (trackWidth <= 0 || value <= 0)
        return 0;
    if (value >= 100)
        return trackWidth;
    return int(roundHalfEven(double(value) * trackWidth / 100.0));
}

int busyBlockLeft(int phase, int blockWidth, int trackWidth)
{
    const int travel = trackWidth - blockWidth;
    if (travel <= 0)
        return 0;
    const qint64 period = 2 * qint64(travel);
    const qint64 at = ((qint64(phase) % period) + period) % period;
    return int(at <= travel ? at : period - at);
}

namespace {

constexpr int kBusyFrameMs = 25;
constexpr int kBusyStepPixels = 3;

int busyBlockWidth(int trackWidth)
{
    return std::clamp(trackWidth / 4, 12, std::max(12, trackWidth));
}

} // namespace

ProgressBar::ProgressBar(QWidget *parent)
    : QWidget(parent)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(kBusyFrameMs);
    connect(m_timer, &QTimer::timeout, this, &ProgressBar::advance);
    connect(this, &ProgressBar::colorsChanged, this, qOverload<>(&QWidget::update));
}

void ProgressBar::setValue(int value)
{
    const bool changed = value != m_value;
    m_value = value;
    m_busy = false;
    updateAnimation();
    update();
    if (changed) {
        QAccessibleValueChangeEvent event(this, value);
        QAccessible::updateAccessibility(&event);
    }
}

void ProgressBar::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    m_phase = 0;
    updateAnimation();
    update();
}

bool ProgressBar::isAnimating() const
{
    return m_timer->isActive();
}

void ProgressBar::updateAnimation()
{
    if (m_busy && isVisible())
        m_timer->start();
    else
        m_timer->stop();
}

void ProgressBar::advance()
{
    m_phase += kBusyStepPixels;
    // Wrap well before overflow; busyBlockLeft repeats anyway.
    if (m_phase > (1 << 28))
        m_phase = 0;
    update();
}

void ProgressBar::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateAnimation();
}

void ProgressBar::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_timer->stop();
}

QSize ProgressBar::sizeHint() const
{
    return {160, 18};
}

void ProgressBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outline = outlineRect(rect());
    const qreal radius = std::min(4.0, outline.height() / 2);
    const QColor back = colorFromWin(m_backColor);
    const QColor bar = colorFromWin(m_barColor);
    const qreal fade = isEnabled() ? 1.0 : 0.5;

    QLinearGradient trough(outline.topLeft(), outline.bottomLeft());
    trough.setColorAt(0, withAlpha(mix(back, kBlack, 0.10), fade));
    trough.setColorAt(1, withAlpha(mix(back, kWhite, 0.45), fade));
    p.setPen(QPen(withAlpha(colorFromWin(m_borderColor), 0.8 * fade), 1));
    p.setBrush(trough);
    p.drawRoundedRect(outline, radius, radius);

    const QRect track = rect().adjusted(2, 2, -2, -2);
    if (track.width() <= 0 || track.height() <= 0)
        return;
    QRect fill;
    if (m_busy) {
        const int block = busyBlockWidth(track.width());
        fill = QRect(track.left() + busyBlockLeft(m_phase, block, track.width()), track.top(),
                     std::min(block, track.width()), track.height());
    } else {
        fill = QRect(track.topLeft(), QSize(progressFillWidth(m_value, track.width()), track.height()));
    }
    if (fill.width() <= 0)
        return;
    QLinearGradient glow(fill.topLeft(), fill.bottomLeft());
    glow.setColorAt(0, withAlpha(mix(bar, kWhite, 0.55), fade));
    glow.setColorAt(0.5, withAlpha(mix(bar, kWhite, 0.15), fade));
    glow.setColorAt(0.51, withAlpha(bar, fade));
    glow.setColorAt(1, withAlpha(mix(bar, kWhite, 0.25), fade));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    const qreal inner = std::max(0.0, radius - 1.5);
    p.drawRoundedRect(QRectF(fill), inner, inner);
}

// --------------------------------------------------------------- LineControl

LineControl::LineControl(QWidget *parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
    connect(this, &LineControl::colorsChanged, this, qOverload<>(&QWidget::update));
}

void LineControl::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QColor line = colorFromWin(m_borderColor);
    // An etched look: the line, and a light one beside it.
    if (width() >= height()) {
        const int y = (height() - 1) / 2;
        p.fillRect(QRect(0, y, width(), 1), line);
        p.fillRect(QRect(0, y + 1, width(), 1), withAlpha(kWhite, 0.45));
    } else {
        const int x = (width() - 1) / 2;
        p.fillRect(QRect(x, 0, 1, height()), line);
        p.fillRect(QRect(x + 1, 0, 1, height()), withAlpha(kWhite, 0.45));
    }
}
