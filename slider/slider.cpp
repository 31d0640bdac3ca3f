#include "slider.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

namespace {

const QString kKeyValue = QStringLiteral("Value");
const QString kKeyMax = QStringLiteral("Max");
const QString kKeyMin = QStringLiteral("Min");
const QString kKeyBackColor = QStringLiteral("BackColor");
const QString kKeyForeColor = QStringLiteral("ForeColor");
const QString kKeyForeColor2 = QStringLiteral("ForeColor2");
const QString kKeyEnabled = QStringLiteral("Enabled");
const QString kKeySnap = QStringLiteral("Snap");
const QString kKeyStyle = QStringLiteral("Style");
const QString kKeyStartSelect = QStringLiteral("StartSelect");
const QString kKeyEndSelect = QStringLiteral("EndSelect");

constexpr qint32 kDefaultValue = 50;
constexpr qint32 kDefaultMax = 100;
constexpr qint32 kDefaultMin = -100;
constexpr qint32 kDefaultForeColor = 0x00C8C8;
constexpr qint32 kDefaultForeColor2 = 0x0000C8;

// The grooves that BackColor and the vertical fill colour are written into.
constexpr int kGrooveFirst = 6;
constexpr int kGrooveLast = 12;
// Handles sit this many pixels in from the bar's top (or left) edge.
constexpr int kHandleInset = 4;

QRgb rgbOf(qint32 colour)
{
    const auto bits = quint32(colour);
    return qRgb(int(bits & 0xFFu), int((bits >> 8) & 0xFFu), int((bits >> 16) & 0xFFu));
}

void setPixelIfInside(QImage &img, int x, int y, QRgb rgb)
{
    if (img.valid(x, y))
        img.setPixel(x, y, rgb);
}

// Stretches the whole image into the rectangle; nothing for an empty one.
// Without smooth transformation QPainter samples nearest-neighbour.
void stretch(QPainter &p, const QRect &target, const QImage &img)
{
    if (target.width() > 0 && target.height() > 0)
        p.drawImage(target, img);
}

// Classic virtual-key codes for the keys that have one in the same place;
// the control only acts on 37 and 39.
int virtualKeyCode(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Left:
        return Slider::kKeyLeft;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return Slider::kKeyRight;
    case Qt::Key_Down:
        return 40;
    default:
        break;
    }
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        || qtKey == Qt::Key_Space)
        return qtKey;
    return 0;
}

float twips(qreal pixels)
{
    return float(pixels * kTwipsPerPixel);
}

} // namespace

Slider::Slider(QWidget *parent)
    : Slider(SliderSkin::builtIn(), parent)
{
}

Slider::Slider(SliderSkin skin, QWidget *parent)
    : QWidget(parent)
    , m_skin(std::move(skin))
    , m_metrics(m_skin.metrics())
    // The fill blend uses the initial colours from the start, so a slider that
    // is never loaded from design data paints what ForeColor reports.
    , m_fore(componentsOf(m_foreColor))
    , m_fore2(componentsOf(m_foreColor2))
{
    setObjectName(QStringLiteral("Slider"));
    setMouseTracking(true); // the last pointer position is kept without a button
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    if (m_skin.isComplete())
        resize(sizeRule(true, size(), m_metrics));
    m_dragging = false;
    Redraw();
}

bool Slider::refuse()
{
    m_lastError = SliderError::Overflow;
    return false;
}

void Slider::repaintAndChange()
{
    m_dragging = false;
    Redraw();
    announceValue();
    emit Change();
}

void Slider::announceValue()
{
    if (m_value == m_announcedValue)
        return;
    m_announcedValue = m_value;
    QAccessibleValueChangeEvent event(this, m_value);
    QAccessible::updateAccessibility(&event);
}

void Slider::SetValue(qint32 intValue)
{
    m_value = clampToRange(intValue, m_min, m_max);
    repaintAndChange();
}

bool Slider::SetMax(qint32 intMax)
{
    const auto newMax = checked32(intMax <= m_min ? qint64(m_min) + 1 : intMax);
    if (!newMax || !rangeSpan(m_min, *newMax))
        return refuse();
    m_lastError = SliderError::None;
    m_max = *newMax;
    if (m_value > m_max)
        m_value = m_max;
    repaintAndChange();
    return true;
}

bool Slider::SetMin(qint32 intMin)
{
    const auto newMin = checked32(intMin >= m_max ? qint64(m_max) - 1 : intMin);
    if (!newMin || !rangeSpan(*newMin, m_max))
        return refuse();
    m_lastError = SliderError::None;
    m_min = *newMin;
    if (m_value < m_min)
        m_value = m_min;
    repaintAndChange();
    return true;
}

// The selection is stored as given: never clamped, never ordered.
void Slider::SetSelectStart(qint32 iValue)
{
    m_selectStart = iValue;
    repaintAndChange();
}

void Slider::SetSelectEnd(qint32 iValue)
{
    m_selectEnd = iValue;
    repaintAndChange();
}

void Slider::SetBackColor(qint32 lColor)
{
    m_backColor = lColor;
    PaintBackColor();
    repaintAndChange();
}

void Slider::SetForeColor(qint32 lColor)
{
    m_foreColor = lColor;
    m_fore = componentsOf(lColor);
    repaintAndChange();
}

void Slider::SetForeColor2(qint32 lColor)
{
    m_foreColor2 = lColor;
    m_fore2 = componentsOf(lColor);
    repaintAndChange();
}

void Slider::SetStyle(qint32 eStyle)
{
    const bool wasHorizontal = horizontal();
    m_style = eStyle;
    if (horizontal())
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    else
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    updateGeometry();
    const QSize turned = turnedSize(wasHorizontal, horizontal(), size());
    if (turned != size())
        resize(turned);
    ApplySizeRule();
}

void Slider::SetEnabled(bool BolEnabled)
{
    m_enabled = BolEnabled;
}

void Slider::SetSnap(bool BolSnap)
{
    m_snap = BolSnap;
}

bool Slider::ReadProperties(const PropertyBag &bag)
{
    SetValue(bag.readInt(kKeyValue, kDefaultValue));
    const qint32 storedMax = bag.readInt(kKeyMax, kDefaultMax);
    const qint32 storedMin = bag.readInt(kKeyMin, kDefaultMin);
    bool maxOk = SetMax(storedMax);
    bool minOk = SetMin(storedMin);
    // A range reaching towards a 32-bit limit may only fit once the stored
    // Min is in place; without this second try it would load as the default.
    if (!maxOk) {
        maxOk = SetMax(storedMax);
        // With Max held back, a stored Min at or above it was pulled below it.
        if (maxOk && m_min != storedMin)
            minOk = SetMin(storedMin);
    }
    SetBackColor(bag.readInt(kKeyBackColor, 0));
    SetForeColor(bag.readInt(kKeyForeColor, kDefaultForeColor));
    SetForeColor2(bag.readInt(kKeyForeColor2, kDefaultForeColor2));
    SetEnabled(bag.readBool(kKeyEnabled, true));
    SetSnap(bag.readBool(kKeySnap, false));
    SetStyle(bag.readInt(kKeyStyle, 0));
    m_selectStart = bag.readInt(kKeyStartSelect, 0);
    m_selectEnd = bag.readInt(kKeyEndSelect, 0);
    m_dragging = false;
    Redraw();
    m_lastError = maxOk && minOk ? SliderError::None : SliderError::Overflow;
    return maxOk && minOk;
}

void Slider::WriteProperties(PropertyBag &bag) const
{
    bag.writeInt(kKeyValue, m_value, kDefaultValue);
    bag.writeInt(kKeyMax, m_max, kDefaultMax);
    bag.writeInt(kKeyMin, m_min, kDefaultMin);
    bag.writeInt(kKeyBackColor, m_backColor, 0);
    bag.writeInt(kKeyForeColor, m_foreColor, kDefaultForeColor);
    bag.writeInt(kKeyForeColor2, m_foreColor2, kDefaultForeColor2);
    bag.writeBool(kKeyEnabled, m_enabled, true);
    bag.writeBool(kKeySnap, m_snap, false);
    bag.writeInt(kKeyStyle, m_style, 0);
    bag.writeInt(kKeyStartSelect, m_selectStart, 0);
    bag.writeInt(kKeyEndSelect, m_selectEnd, 0);
}

int Slider::ValueToPixel(qint32 v) const
{
    return valueToPixel(horizontal(), v, m_min, m_max, size(), m_metrics);
}

int Slider::handlePosition() const
{
    if (!m_snap && m_dragging)
        return int(std::clamp(roundHalfEven(m_freeHandlePos), double(-kFarPixel), double(kFarPixel)));
    return ValueToPixel(m_value);
}

void Slider::Redraw()
{
    if (m_max == m_min)
        return;
    const QSize area = size();
    if (area.isEmpty())
        return;
    const int handle = handlePosition();
    if (m_surface.size() != area)
        m_surface = QImage(area, QImage::Format_RGB32);
    m_surface.fill(palette().color(QPalette::Window));

    const int w = area.width();
    const int h = area.height();
    const SkinMetrics &m = m_metrics;
    QPainter p(&m_surface);
    if (horizontal()) {
        // Marks far outside the range are brought to just beyond the surface;
        // what is visible stays the same.
        const int s = std::clamp(ValueToPixel(m_selectStart), -1, w + 1);
        const int e = std::clamp(ValueToPixel(m_selectEnd), -1, w + 1);
        stretch(p, QRect(s, 0, e - s, m.lh), m_skin.PicFullFill);
        // The empty strips go on top, so a reversed selection never shows.
        stretch(p, QRect(e, 0, w - e, m.lh), m_skin.PicEmptyFill);
        stretch(p, QRect(0, 0, s, m.lh), m_skin.PicEmptyFill);
        p.drawImage(QPoint(0, 0), m_skin.PicLeft, QRect(0, 0, m.lw, m.lh));
        p.drawImage(QPoint(w - m.rw, 0), m_skin.PicRight, QRect(0, 0, m.rw, m.lh));
        p.drawImage(QPoint(handle, kHandleInset), m_skin.PicHandle);
    } else {
        PaintFillGradient();
        const int y = h - handle;
        stretch(p, QRect(0, 0, m.dw, y), m_skin.PicEmptyFill2);
        stretch(p, QRect(0, y, m.uw, h), m_skin.PicFullFill2);
        p.drawImage(QPoint(0, 0), m_skin.PicUp);
        p.drawImage(QPoint(0, h - m.dh), m_skin.PicDown);
        p.drawImage(QPoint(kHandleInset, y), m_skin.PicHandle2);
    }
    p.end();
    // Shown at once, not at the next pass of the event loop: a Change handler,
    // or a long task started from a click, must find the new picture already
    // on the screen.
    if (isVisible())
        repaint();
    else
        update();
}

void Slider::PaintBackColor()
{
    const QRgb rgb = rgbOf(m_backColor);
    for (int i = kGrooveFirst; i <= kGrooveLast; ++i) {
        setPixelIfInside(m_skin.PicEmptyFill, 0, i, rgb);
        setPixelIfInside(m_skin.PicEmptyFill2, i, 0, rgb);
    }
}

void Slider::PaintFillGradient()
{
    double t = 0;
    if (!m_snap && m_dragging)
        t = m_freeHandlePos / double(height() - m_metrics.dh - m_metrics.uh);
    else
        t = double(qint64(m_value) - m_min) / double(qint64(m_max) - m_min);
    const QRgb rgb = rgbOf(blendColour(m_fore, m_fore2, t));
    for (int i = kGrooveFirst; i <= kGrooveLast; ++i)
        setPixelIfInside(m_skin.PicFullFill2, i, 0, rgb);
}

void Slider::ApplySizeRule()
{
    const QSize target = sizeRule(horizontal(), size(), m_metrics);
    // A size set here is a resize of its own: when visible, it runs the rule
    // again from resizeEvent, which then finds nothing to change.
    if (target != size() && !target.isEmpty())
        resize(target);
    m_dragging = false;
    Redraw();
}

void Slider::placeFromPointer(float &coordinate)
{
    const Placement placed =
        ::placeFromPointer(horizontal(), coordinate, m_min, m_max, size(), m_metrics);
    coordinate = placed.limitedPos;
    m_freeHandlePos = placed.freeHandlePos;
    m_dragging = true;
    m_value = placed.value;
    Redraw();
    announceValue();
    emit Scroll();
    emit Change();
}

void Slider::HostMouseMove(int button, int shift, float x, float y)
{
    Q_UNUSED(shift)
    if (button == 1 && m_enabled)
        placeFromPointer(horizontal() ? x : y);
    m_lastMouseX = x;
    m_lastMouseY = y;
}

void Slider::HostMouseUp(int button, int shift, float x, float y)
{
    emit MouseUp(button, shift, x, y);
}

void Slider::HostClick()
{
    emit Click();
    PickPosition();
}

void Slider::HostDblClick()
{
    PickPosition();
}

void Slider::PickPosition()
{
    // The stored coordinate is limited in place, like the one a drag stores.
    if (m_enabled)
        placeFromPointer(horizontal() ? m_lastMouseX : m_lastMouseY);
    // The handler gets the control's own value, so a setter it calls and the
    // reference it holds stay one and the same.
    const qint32 placed = m_value;
    emit DblClick(m_value);
    // A write through the reference must not leave the value outside the
    // range, which the drawing and the arrow keys rely on.
    if (m_value != placed) {
        // The handle now shows the handler's value, not the pointer.
        m_value = clampToRange(m_value, m_min, m_max);
        m_dragging = false;
        Redraw();
        announceValue();
    }
}

void Slider::PlaceValue(qint32 value)
{
    if (!m_enabled)
        return;
    m_value = clampToRange(value, m_min, m_max);
    m_dragging = false;
    Redraw();
    announceValue();
    emit Scroll();
    emit Change();
    const int handle = ValueToPixel(m_value);
    if (horizontal())
        emit MouseUp(0, 0, twips(handle), twips(height() / 2.0));
    else
        emit MouseUp(0, 0, twips(width() / 2.0), twips(height() - handle));
}

void Slider::HostKeyDown(int keyCode, int shift)
{
    Q_UNUSED(shift)
    qint64 v = m_value;
    if (keyCode == kKeyLeft)
        --v;
    else if (keyCode == kKeyRight)
        ++v;
    m_value = clampToRange(v, m_min, m_max);
    m_dragging = false;
    Redraw();
    announceValue();
    emit Change();
    emit Scroll();
}

QSize Slider::minimumSizeHint() const
{
    return sizeRule(horizontal(), QSize(0, 0), m_metrics);
}

QSize Slider::sizeHint() const
{
    const QSize least = minimumSizeHint();
    return horizontal() ? QSize(least.width() * 4, least.height())
                        : QSize(least.width(), least.height() * 4);
}

void Slider::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter p(this);
    p.drawImage(QPoint(0, 0), m_surface);
}

void Slider::resizeEvent(QResizeEvent *event)
{
    Q_UNUSED(event)
    ApplySizeRule();
}

void Slider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_leftPressed = true;
    event->accept();
}

void Slider::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF pos = event->position();
    HostMouseMove(buttonMask(event->buttons()), shiftMask(event->modifiers()), twips(pos.x()),
                  twips(pos.y()));
    event->accept();
}

void Slider::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF pos = event->position();
    // The release reaches the owner before the click it completes.
    HostMouseUp(buttonMask(event->button()), shiftMask(event->modifiers()), twips(pos.x()),
                twips(pos.y()));
    if (event->button() == Qt::LeftButton && std::exchange(m_leftPressed, false)
        && rect().contains(pos.toPoint()))
        HostClick();
    event->accept();
}

void Slider::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        // The release that follows a double click is no click of its own.
        m_leftPressed = false;
        HostDblClick();
    }
    event->accept();
}

void Slider::keyPressEvent(QKeyEvent *event)
{
    HostKeyDown(virtualKeyCode(event->key()), shiftMask(event->modifiers()));
    event->accept();
}
