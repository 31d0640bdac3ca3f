#include "controls.h"

#include "controlpaint.h"
#include "twips.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QToolTip>

#include <algorithm>

using namespace ControlPaint;

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
    emit MouseDown(buttonMask(event->button()), shiftMask(event->modifiers()),
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
    connect(this, &PictureButton::colorsChanged, this, qOverload<>(&QWidget::update));
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

QPalette PictureButton::toolTipPalette() const
{
    QPalette tip = QToolTip::palette();
    tip.setColor(QPalette::ToolTipBase, colorFromWin(m_toolTipBackColor));
    tip.setColor(QPalette::ToolTipText, colorFromWin(m_foreColor));
    return tip;
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
    if (event->type() == QEvent::ToolTip && !toolTip().isEmpty()) {
        // The tip label takes QToolTip's palette, not the button's, and a
        // label already up is reused: colour it once it shows. (A style sheet
        // per button would do it too, at a cost to every start-up.)
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), toolTip(), this, QRect(),
                           toolTipDuration());
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QLatin1StringView("qtooltip_label") && top->isVisible())
                top->setPalette(toolTipPalette());
        }
        return true;
    }
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
