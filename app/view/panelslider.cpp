#include "panelslider.h"

#include "controls.h"

using namespace Qt::StringLiterals;

PanelSlider::PanelSlider(FramePanel &mainPanel, QObject *parent)
    : QObject(parent)
    , m_frMain(mainPanel)
{
    m_tmrAnimate.setObjectName(u"tmrAnimate"_s);
    connect(&m_tmrAnimate, &QTimer::timeout, this, &PanelSlider::tmrAnimate_Timer);
}

void PanelSlider::open(FramePanel *panel)
{
    if (m_animator.timerEnabled())
        return;
    m_objMovePanel = panel;
    m_frMain.setEnabled(false);
    AnimatePanel(u"EDIT_FRAME_UP"_s);
}

void PanelSlider::close()
{
    AnimatePanel(u"EDIT_FRAME_DOWN"_s);
}

void PanelSlider::AnimatePanel(const QString &sMoveObject)
{
    m_animator.AnimatePanel(sMoveObject);
    m_tmrAnimate.start(m_animator.interval());
}

void PanelSlider::tmrAnimate_Timer()
{
    if (!m_objMovePanel || !m_animator.timerEnabled()) {
        m_tmrAnimate.stop();
        return;
    }
    const SlideAnimator::Tick tick = m_animator.OnTick(m_objMovePanel->Top(), m_frMain.Height());
    m_objMovePanel->setTop(tick.top);
    if (tick.timerEnabled)
        m_tmrAnimate.setInterval(tick.interval);
    else
        m_tmrAnimate.stop();
    if (tick.arrivedDown) {
        m_frMain.setEnabled(true);
        emit arrivedDown();
    }
}
