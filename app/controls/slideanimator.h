#pragma once

#include <QString>
#include <QtGlobal>

// The sliding panels' motion, one timer tick at a time, without widgets or
// real time: the window owns the timer and the panel, calls OnTick on each
// timeout and applies what it returns. Lengths are twips measured from the top
// of the window's client area; intervals are milliseconds.
//
// Upwards the panel moves 300 twips every 10 ms; below Top 3100 the step
// halves and the interval doubles while the step is above 100, and once Top
// is under 2650 the panel is put at its resting place, 2715. Downwards it moves
// 500 twips every 5 ms until it reaches the window's height, where it parks.
class SlideAnimator
{
public:
    static constexpr qint32 kUpStep = 300;
    static constexpr qint32 kUpInterval = 10;
    static constexpr int kDecelerationTop = 3100;
    static constexpr qint32 kMinHalvingStep = 100;
    static constexpr int kStopTop = 2650;
    static constexpr int kOpenTop = 2715;
    static constexpr qint32 kDownStep = 500;
    static constexpr qint32 kDownInterval = 5;
    // The layout gives the timer no interval of its own, so the first tick of
    // the very first slide comes after this one.
    static constexpr int kInitialInterval = 10;

    static inline const QString kModeUp = QStringLiteral("Edit Frame 2 Up");
    static inline const QString kModeDown = QStringLiteral("Edit Frame 2 Down");

    // "EDIT_FRAME_UP" starts an upward slide with step 300 and interval 10,
    // "EDIT_FRAME_DOWN" a downward one with step 500 and interval 5; other
    // text keeps the previous mode, step and interval. Always enables the
    // timer. The timer's interval is left as it was: the first tick comes
    // after the interval that the timer last had.
    void AnimatePanel(const QString &sMoveObject);

    // What one tick did.
    struct Tick
    {
        int top;           // the panel's new Top in twips
        int interval;      // the interval the timer must use from now on (ms)
        bool timerEnabled; // false once the slide has ended
        bool arrivedDown;  // the downward slide ended: enable frMain, repaint
                           // picVideoWindow, hide and show Slider
    };

    // One tick of the timer for a panel at panelTop in a window windowHeight
    // twips high. A tick while the timer is disabled (a timeout already
    // queued when the slide ended) changes nothing. A tick with no mode yet,
    // which only an unknown command before any slide can cause, stops the
    // timer: left running it would move nothing and keep the openers, which
    // wait for a stopped timer, locked out for good.
    Tick OnTick(int panelTop, int windowHeight);

    bool timerEnabled() const { return m_timerEnabled; }
    int interval() const { return m_interval; }
    qint32 lAnimateStep() const { return m_lAnimateStep; }
    qint32 lAnimateInterval() const { return m_lAnimateInterval; }
    QString sAnimateMode() const { return m_sAnimateMode; }

    // For the window's layout state (disabled) and for a window that stops
    // the timer itself.
    void setTimerEnabled(bool enabled) { m_timerEnabled = enabled; }

private:
    Tick slideUp(int panelTop);
    Tick slideDown(int panelTop, int windowHeight);

    qint32 m_lAnimateStep = 0;
    qint32 m_lAnimateInterval = 0;
    QString m_sAnimateMode;
    bool m_timerEnabled = false;
    int m_interval = kInitialInterval;
};
