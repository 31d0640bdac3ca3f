#pragma once

#include "slideanimator.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class FramePanel;

// Slides the About and format panels up over the main panel and back down,
// on the slide timer; the main panel is disabled while a panel is up.
class PanelSlider final : public QObject
{
    Q_OBJECT

public:
    explicit PanelSlider(FramePanel &mainPanel, QObject *parent = nullptr);

    // Slides panel up; ignored while a panel is moving.
    void open(FramePanel *panel);
    // Slides the open panel back down.
    void close();

    QTimer &tmrAnimate() { return m_tmrAnimate; }
    const SlideAnimator &animator() const { return m_animator; }
    // One tick of the slide timer, for tests that step it without real time.
    void tmrAnimate_Timer();

signals:
    // The panel is back down and the main panel usable again.
    void arrivedDown();

private:
    void AnimatePanel(const QString &sMoveObject);

    FramePanel &m_frMain;
    SlideAnimator m_animator;
    QTimer m_tmrAnimate;
    QPointer<FramePanel> m_objMovePanel;
};
