#pragma once

#include <QObject>

class PreviewSession;
class QWidget;
class Slider;

// The keys that press the window's buttons: Space (Play), I and O (the
// marks), Ctrl+O (open), Ctrl+Return (Start), A (Add to List). Each presses
// its button, so a disabled button (a task running, a panel up) ignores its
// key as well.
void AddButtonKeys(QWidget &window);

// The preview's keys: Left and Right seek a second, Ctrl+Left and Ctrl+Right
// go to the keyframe before and after, Alt+Left and Alt+Right to the break before and after
// (the first frame after its black), Alt+Shift+Left and Alt+Shift+Right to the scene change
// before and after, comma and period step a frame, Home
// and End go to the first and last frame. They reach the window
// when the control with the focus has no use for them, and the slider's own
// arrows go the same way. guard is a control whose enabled state they follow
// (Play: nothing while a panel is up or a task runs).
class PreviewKeys final : public QObject
{
    Q_OBJECT

public:
    PreviewKeys(QWidget &window, Slider &slider, const QWidget &guard, PreviewSession &session);

    // Acts on key; false when it is no preview key or the guard is off.
    bool press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Slider &m_slider;
    const QWidget &m_guard;
    PreviewSession &m_session;
};
