#include "controls.h"

#include "twips.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QTimer>

#include <algorithm>

namespace {

constexpr qreal kPanelRadius = 6.0;
constexpr qreal kButtonRadius = 4.0;

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

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);

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

// Button and mouse state as the MouseDown notification reports them.
int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
        | (modifiers & Qt::AltModifier ? 4 : 0);
}

// The mark of an option button or check box: its square or circle, centred
// vertically at the left, at most 16 pixels across.
int indicatorSize(const QWidget *w)
{
    return std::min(16, w->fontMetrics().height() + 1);
}

constexpr int kIndicatorGap = 6;

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

} // namespace

// ---------------------------------------------------------------- FramePanel

FramePanel::FramePanel(QWidget *parent)
    : QWidget(parent)
{
    connect(this, &FramePanel::colorsChanged, this, qOverload<>(&QWidget::update));
}

void FramePanel::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    update();
}

void FramePanel::setLeft(int twips)
{
    m_left = twips;
    placeFromTwips();
}

void FramePanel::setTop(int twips)
{
    m_top = twips;
    placeFromTwips();
}

void FramePanel::setTwipsGeometry(int left, int top, int width, int height)
{
    m_left = left;
    m_top = top;
    m_width = std::max(0, width);
    m_height = std::max(0, height);
    placeFromTwips();
}

void FramePanel::placeFromTwips()
{
    setGeometry(twipsToPixels(m_left), twipsToPixels(m_top), twipsToPixels(m_width), twipsToPixels(m_height));
}

int FramePanel::headerHeight() const
{
    if (m_caption.isEmpty())
        return 0;
    QFont bold = font();
    bold.setBold(true);
    return QFontMetrics(bold).height() + 8;
}

QSize FramePanel::sizeHint() const
{
    return QSize(twipsToPixels(m_width), twipsToPixels(m_height)).expandedTo(QSize(40, headerHeight() + 16));
}

void FramePanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outline = outlineRect(rect());
    QPainterPath body;
    body.addRoundedRect(outline, kPanelRadius, kPanelRadius);

    // Bottom edge runs from BottomLeft to BottomRight; the top edge is
    // TopLeft all along, fading into the bottom colours downwards.
    const QColor topLeft = colorFromWin(m_bodyColorTopLeft);
    QLinearGradient bottom(outline.topLeft(), outline.topRight());
    bottom.setColorAt(0, colorFromWin(m_bodyColorBottomLeft));
    bottom.setColorAt(1, colorFromWin(m_bodyColorBottomRight));
    p.fillPath(body, bottom);
    QLinearGradient fade(outline.topLeft(), outline.bottomLeft());
    fade.setColorAt(0, topLeft);
    fade.setColorAt(1, withAlpha(topLeft, 0));
    p.fillPath(body, fade);

    const int strip = headerHeight();
    if (strip > 0) {
        const QColor headerTop = colorFromWin(m_headerColorTopLeft);
        const QColor headerBottom = colorFromWin(m_headerColorBottomLeft);
        QPainterPath header;
        header.addRect(QRectF(0, 0, width(), strip));
        header = header.intersected(body);
        QLinearGradient shade(0, 0, 0, strip);
        shade.setColorAt(0, mix(headerTop, kWhite, 0.35));
        shade.setColorAt(0.5, headerTop);
        shade.setColorAt(1, mix(headerTop, headerBottom, 0.45));
        p.fillPath(header, shade);
        p.setPen(QPen(headerBottom, 1));
        p.drawLine(QPointF(outline.left(), strip - 0.5), QPointF(outline.right(), strip - 0.5));

        QFont bold = font();
        bold.setBold(true);
        p.setFont(bold);
        const QRect textRect(10, 0, width() - 20, strip);
        const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
        const QString shown = QFontMetrics(bold).elidedText(m_caption, Qt::ElideRight, textRect.width());
        p.setPen(withAlpha(mix(headerTop, kWhite, 0.6), isEnabled() ? 0.8 : 0.4));
        p.drawText(textRect.translated(0, 1), flags, shown);
        const QColor fore = colorFromWin(m_foreColor);
        p.setPen(isEnabled() ? fore : withAlpha(fore, 0.55));
        p.drawText(textRect, flags, shown);
    }

    // A faint inner highlight, then the border itself.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(withAlpha(kWhite, 0.35), 1));
    p.drawRoundedRect(outline.adjusted(1, 1, -1, -1), kPanelRadius - 1, kPanelRadius - 1);
    p.setPen(QPen(colorFromWin(m_borderColor), 1));
    p.drawRoundedRect(outline, kPanelRadius, kPanelRadius);
}

void FramePanel::mousePressEvent(QMouseEvent *event)
{
    // Presses that a child left unhandled (a label, a disabled control)
    // arrive here too; they are not on the panel's own area.
    const QPointF pos = event->position();
    if (childAt(pos.toPoint())) {
        event->ignore();
        return;
    }
    event->accept();
    emit MouseDown(buttonCode(event->button()), shiftCode(event->modifiers()),
                   float(pos.x() * kTwipsPerPixel), float(pos.y() * kTwipsPerPixel));
}

void FramePanel::moveEvent(QMoveEvent *event)
{
    // Keep the twips that were set unless the pixels now say otherwise.
    if (pos().x() != twipsToPixels(m_left))
        m_left = pixelsToTwips(pos().x());
    if (pos().y() != twipsToPixels(m_top))
        m_top = pixelsToTwips(pos().y());
    QWidget::moveEvent(event);
}

void FramePanel::resizeEvent(QResizeEvent *event)
{
    if (width() != twipsToPixels(m_width))
        m_width = pixelsToTwips(width());
    if (height() != twipsToPixels(m_height))
        m_height = pixelsToTwips(height());
    QWidget::resizeEvent(event);
}

void FramePanel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange)
        update();
    QWidget::changeEvent(event);
}

// ------------------------------------------------------------- PictureButton

PictureButton::PictureButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    connect(this, &PictureButton::colorsChanged, this, &PictureButton::applyToolTipColors);
    connect(this, &PictureButton::colorsChanged, this, qOverload<>(&QWidget::update));
    applyToolTipColors();
}

PictureButton::PictureButton(const QString &caption, QWidget *parent)
    : PictureButton(parent)
{
    setCaption(caption);
}

void PictureButton::setCaption(const QString &caption)
{
    setText(caption);
    updateGeometry();
}

void PictureButton::applyToolTipColors()
{
    // A tool tip takes its colours from the style sheet of the widget it is
    // shown for; the widget's palette does not reach it.
    // Only when its colours changed: every new style sheet re-polishes.
    if (m_appliedToolTipColors == std::pair(m_toolTipBackColor, m_foreColor))
        return;
    m_appliedToolTipColors = {m_toolTipBackColor, m_foreColor};
    const QColor back = colorFromWin(m_toolTipBackColor);
    const QColor fore = colorFromWin(m_foreColor);
    setStyleSheet(QStringLiteral("QToolTip { background-color: %1; color: %2; border: 1px solid %3; padding: 2px; }")
                      .arg(back.name(), fore.name(), mix(back, kBlack, 0.45).name()));
}

QSize PictureButton::sizeHint() const
{
    const QSize text = fontMetrics().size(Qt::TextShowMnemonic, this->text());
    return QSize(std::max(text.width() + 24, 64), std::max(text.height() + 10, 23));
}

QSize PictureButton::minimumSizeHint() const
{
    const QSize text = fontMetrics().size(Qt::TextShowMnemonic, this->text());
    return QSize(text.width() + 8, text.height() + 4);
}

bool PictureButton::event(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
    return QAbstractButton::event(event);
}

void PictureButton::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (!event->isAutoRepeat())
            click();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void PictureButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outline = outlineRect(rect());
    const bool enabled = isEnabled();
    const bool pressed = isDown() && enabled;
    const bool hovered = underMouse() && enabled;
    const bool focused = hasFocus() && enabled;

    const QColor base = colorFromWin(!enabled ? m_backColorDisabled : focused ? m_backColorFocus : m_backColor);
    const QColor fore = colorFromWin(m_foreColor);
    // The border colour is darkened so the button stands out even when the
    // scheme gives the border the same colour as the face.
    const QColor border = mix(colorFromWin(m_borderColor), kBlack, enabled ? 0.42 : 0.22);

    QLinearGradient face(outline.topLeft(), outline.bottomLeft());
    if (!enabled) {
        face.setColorAt(0, mix(base, kWhite, 0.25));
        face.setColorAt(1, base);
    } else if (pressed) {
        face.setColorAt(0, mix(base, kBlack, 0.14));
        face.setColorAt(1, mix(base, kWhite, 0.10));
    } else {
        const QColor lit = hovered ? mix(base, kWhite, 0.18) : base;
        face.setColorAt(0, mix(lit, kWhite, 0.55));
        face.setColorAt(0.48, mix(lit, kWhite, 0.18));
        face.setColorAt(0.52, lit);
        face.setColorAt(1, mix(lit, kBlack, 0.08));
    }
    p.setPen(QPen(enabled ? border : withAlpha(border, 0.75), 1));
    p.setBrush(face);
    p.drawRoundedRect(outline, kButtonRadius, kButtonRadius);

    if (enabled && !pressed) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(withAlpha(kWhite, 0.55), 1));
        p.drawRoundedRect(outline.adjusted(1, 1, -1, -1), kButtonRadius - 1, kButtonRadius - 1);
    }
    if (focused) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(withAlpha(mix(fore, base, 0.25), 0.85), 1.5));
        p.drawRoundedRect(outline.adjusted(2.25, 2.25, -2.25, -2.25), kButtonRadius - 1.5, kButtonRadius - 1.5);
    }

    const QRect textRect = rect().adjusted(4, 0, -4, 0).translated(pressed ? 1 : 0, pressed ? 1 : 0);
    const int flags = Qt::AlignCenter | Qt::TextSingleLine | mnemonicFlag(this);
    p.setFont(fittingFont(font(), text(), textRect.width()));
    if (enabled) {
        p.setPen(withAlpha(kWhite, 0.5));
        p.drawText(textRect.translated(0, 1), flags, text());
        p.setPen(fore);
    } else {
        p.setPen(mix(fore, base, 0.55));
    }
    p.drawText(textRect, flags, text());
}

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
    const bool enabled = isEnabled();
    const QColor accent = colorFromWin(m_accentColor);
    const QColor fore = colorFromWin(m_foreColor);
    const QRectF ring = outlineRect(indicatorRect(this));
    const qreal fade = enabled ? 1.0 : 0.45;

    QLinearGradient well(ring.topLeft(), ring.bottomLeft());
    const QColor paper = isDown() ? mix(accent, kWhite, 0.7) : mix(accent, kWhite, underMouse() && enabled ? 0.86 : 0.93);
    well.setColorAt(0, withAlpha(mix(paper, accent, 0.12), fade));
    well.setColorAt(1, withAlpha(paper, fade));
    p.setBrush(well);
    p.setPen(QPen(withAlpha(mix(accent, kBlack, 0.2), fade), 1));
    p.drawEllipse(ring);

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
    const bool enabled = isEnabled();
    const QColor accent = colorFromWin(m_accentColor);
    const QColor fore = colorFromWin(m_foreColor);
    const QRectF box = outlineRect(indicatorRect(this));
    const qreal fade = enabled ? 1.0 : 0.45;

    QLinearGradient well(box.topLeft(), box.bottomLeft());
    const QColor paper = isDown() ? mix(accent, kWhite, 0.7) : mix(accent, kWhite, underMouse() && enabled ? 0.86 : 0.93);
    well.setColorAt(0, withAlpha(mix(paper, accent, 0.12), fade));
    well.setColorAt(1, withAlpha(paper, fade));
    p.setBrush(well);
    p.setPen(QPen(withAlpha(mix(accent, kBlack, 0.2), fade), 1));
    p.drawRoundedRect(box, 3, 3);

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
    m_value = value;
    m_busy = false;
    updateAnimation();
    update();
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
