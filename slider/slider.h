#pragma once

#include "propertybag.h"
#include "slidermath.h"
#include "sliderskin.h"

#include <QImage>
#include <QWidget>

// Why the last property set was refused.
enum class SliderError {
    None,
    Overflow, // the set would need a value or a range (Max - Min) beyond 32 bits
};

// The skinned range slider: a value in Min..Max, a selected range painted on
// the track (horizontal style), or a level bar filled in a colour blend
// (vertical style). The owner sets state through the setters and hears what
// the user did through the signals, which are emitted synchronously.
//
// Every setter that repaints emits Change after the new picture is in place.
// SetMax and SetMin refuse a range wider than 32 bits: they change nothing,
// emit nothing, return false and leave SliderError::Overflow in lastError().
// Mouse and key placement work in 64 bits and clamp, so they cannot overflow.
// Every change of Value is announced to screen readers as a value change.
//
// Pointer positions handed to the Host* notifications are in twips (15 per
// logical pixel) relative to the control's top-left corner; the Qt mouse and
// key events are translated into those notifications.
class Slider final : public QWidget
{
    Q_OBJECT

public:
    explicit Slider(QWidget *parent = nullptr);
    explicit Slider(SliderSkin skin, QWidget *parent = nullptr);

    qint32 Value() const { return m_value; }
    qint32 Max() const { return m_max; }
    qint32 Min() const { return m_min; }
    qint32 SelectStart() const { return m_selectStart; }
    qint32 SelectEnd() const { return m_selectEnd; }
    qint32 BackColor() const { return m_backColor; }
    qint32 ForeColor() const { return m_foreColor; }
    qint32 ForeColor2() const { return m_foreColor2; }
    qint32 Style() const { return m_style; }
    // Gates mouse placement only; unrelated to QWidget::isEnabled().
    bool Enabled() const { return m_enabled; }
    bool Snap() const { return m_snap; }

    void SetValue(qint32 intValue);
    // Only these two can be refused: Max - Min must stay within 32 bits.
    bool SetMax(qint32 intMax);
    bool SetMin(qint32 intMin);
    void SetSelectStart(qint32 iValue);
    void SetSelectEnd(qint32 iValue);
    void SetBackColor(qint32 lColor);
    void SetForeColor(qint32 lColor);
    void SetForeColor2(qint32 lColor);
    // 0 is the horizontal bar, anything else the vertical level bar. Turning
    // between the two moves the length to the other axis; emits nothing.
    void SetStyle(qint32 eStyle);
    void SetEnabled(bool BolEnabled);
    void SetSnap(bool BolSnap);

    // The outcome of the last SetMax, SetMin or ReadProperties.
    SliderError lastError() const { return m_lastError; }

    // True from a mouse placement until the next repainting set, key or resize.
    bool Dragging() const { return m_dragging; }
    // The left button went down on the control and is still held.
    bool Pressed() const { return m_leftPressed; }

    // Design data. ReadProperties sets every key through its setter in the
    // fixed order (so a load emits Change six times, more when a range at the
    // 32-bit edge needs Max and Min a second time) and returns false if a
    // stored value was refused; the other keys still load.
    bool ReadProperties(const PropertyBag &bag);
    void WriteProperties(PropertyBag &bag) const;

    // Painting. Redraw repaints the kept surface completely; the paint event
    // only shows it.
    void Redraw();
    int ValueToPixel(qint32 v) const;
    void PaintBackColor();
    void PaintFillGradient();
    void ApplySizeRule();
    const QImage &surface() const { return m_surface; }
    const SliderSkin &skin() const { return m_skin; }

    // Host notifications. Button and shift use the classic masks:
    // buttons left 1, right 2, middle 4; shift 1, control 2, alt 4.
    void HostMouseMove(int button, int shift, float x, float y);
    void HostMouseUp(int button, int shift, float x, float y);
    void HostClick();
    void HostDblClick();
    void HostKeyDown(int keyCode, int shift);
    void PickPosition();
    // A placement without the pointer, as a screen reader makes it: moves the
    // handle to value kept within Min..Max, emits Scroll and Change, then
    // MouseUp with button 0 (no button) at the handle, since owners act on a
    // placement when it is released. Refused, like the mouse, while
    // Enabled() is false.
    void PlaceValue(qint32 value);

    static constexpr int kKeyLeft = 37;
    static constexpr int kKeyRight = 39;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Raised last by every click and double click. Value is the control's own
    // value by reference: a handler may change it, and the control takes the
    // change back, kept within Min..Max, without further events.
    void DblClick(qint32 &Value);
    void Scroll();
    void Change();
    void Click();
    void MouseUp(int Button, int Shift, float X, float Y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool horizontal() const { return m_style == 0; }
    int handlePosition() const;
    bool refuse();
    void placeFromPointer(float &coordinate);
    void repaintAndChange();
    void announceValue();

    SliderSkin m_skin;
    SkinMetrics m_metrics;
    QImage m_surface;

    qint32 m_value = 50;
    qint32 m_announcedValue = 50; // the value a screen reader last heard of
    qint32 m_max = 100;
    qint32 m_min = -100;
    qint32 m_selectStart = 0;
    qint32 m_selectEnd = 0;
    bool m_enabled = true;
    bool m_snap = false;
    qint32 m_style = 0;
    qint32 m_backColor = 0;
    qint32 m_foreColor = 0x00C8C8;
    qint32 m_foreColor2 = 0x0000C8;
    ColourComponents m_fore;
    ColourComponents m_fore2;

    float m_lastMouseX = 0;
    float m_lastMouseY = 0;
    bool m_dragging = false;
    float m_freeHandlePos = 0;

    SliderError m_lastError = SliderError::None;
    bool m_leftPressed = false; // a left press on the control awaits its release
};
