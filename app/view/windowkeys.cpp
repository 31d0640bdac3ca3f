#include "windowkeys.h"

#include "previewsession.h"
#include "slider.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QShortcut>

#include <algorithm>

void AddButtonKeys(QWidget &window)
{
    const auto bind = [&window](const QKeySequence &keys, const char *button) {
        auto *shortcut = new QShortcut(keys, &window);
        auto *target = window.findChild<QAbstractButton *>(QString::fromLatin1(button));
        Q_ASSERT_X(target, "AddButtonKeys", button);
        QObject::connect(shortcut, &QShortcut::activated, target, &QAbstractButton::click);
    };
    bind(QKeySequence(Qt::Key_Space), "cmdPlay");
    bind(QKeySequence(Qt::Key_I), "cmdStartSelect");
    bind(QKeySequence(Qt::Key_O), "cmdEndSelect");
    bind(QKeySequence(Qt::CTRL | Qt::Key_O), "cmdAddVideoFile");
    bind(QKeySequence(Qt::CTRL | Qt::Key_Return), "cmdConvert");
    bind(QKeySequence(Qt::CTRL | Qt::Key_Enter), "cmdConvert");
    bind(QKeySequence(Qt::Key_A), "cmdAddToList");
}

PreviewKeys::PreviewKeys(QWidget &window, Slider &slider, const QWidget &guard, PreviewSession &session)
    : QObject(&window)
    , m_slider(slider)
    , m_guard(guard)
    , m_session(session)
{
    window.installEventFilter(this);
    slider.installEventFilter(this);
    // The break keys as shortcuts as well, so that they reach the window from any control: a
    // button with the focus takes arrows for moving the focus, and a screen reader's user
    // moves the focus around the window.
    for (const Qt::KeyboardModifiers modifiers : {Qt::KeyboardModifiers(Qt::AltModifier), Qt::AltModifier | Qt::ShiftModifier}) {
        for (const Qt::Key key : {Qt::Key_Left, Qt::Key_Right}) {
            auto *shortcut = new QShortcut(QKeySequence(modifiers | key), &window);
            connect(shortcut, &QShortcut::activated, this, [this, key, modifiers] { press(key, modifiers); });
        }
    }
}

bool PreviewKeys::press(int key, Qt::KeyboardModifiers modifiers)
{
    if (!m_guard.isEnabled())
        return false;
    if (modifiers == Qt::AltModifier || modifiers == (Qt::AltModifier | Qt::ShiftModifier)) {
        if (key != Qt::Key_Left && key != Qt::Key_Right)
            return false;
        m_session.StepPlace(modifiers & Qt::ShiftModifier ? PreviewSession::Place::SceneChange
                                                          : PreviewSession::Place::Break,
                            key == Qt::Key_Left ? -1 : 1);
        return true;
    }
    if (modifiers == Qt::ControlModifier) {
        if (key != Qt::Key_Left && key != Qt::Key_Right)
            return false;
        m_session.StepKeyframe(key == Qt::Key_Left ? -1 : 1);
        return true;
    }
    if (modifiers != Qt::NoModifier)
        return false;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        m_slider.SetValue(std::clamp(m_slider.Value() + (key == Qt::Key_Left ? -1 : 1), m_slider.Min(), m_slider.Max()));
        m_session.SeekTo(m_slider.Value());
        return true;
    case Qt::Key_Comma: m_session.StepFrames(-1); return true;
    case Qt::Key_Period: m_session.StepFrames(1); return true;
    case Qt::Key_Home: m_session.SeekToEnd(false); return true;
    case Qt::Key_End: m_session.SeekToEnd(true); return true;
    default: return false;
    }
}

bool PreviewKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // The keypad's arrows carry KeypadModifier; they are the same keys.
        if (press(key->key(), key->modifiers() & ~Qt::KeypadModifier))
            return true;
    }
    return QObject::eventFilter(watched, event);
}
