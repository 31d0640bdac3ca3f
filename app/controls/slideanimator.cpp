#include "slideanimator.h"

#include "twips.h"

#include <algorithm>
#include <limits>

namespace {

int saturated(qint64 value)
{
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

void SlideAnimator::AnimatePanel(const QString &sMoveObject)
{
    if (sMoveObject == QLatin1String("EDIT_FRAME_UP")) {
        m_lAnimateStep = kUpStep;
        m_lAnimateInterval = kUpInterval;
        m_sAnimateMode = kModeUp;
    } else if (sMoveObject == QLatin1String("EDIT_FRAME_DOWN")) {
        m_lAnimateStep = kDownStep;
        m_lAnimateInterval = kDownInterval;
        m_sAnimateMode = kModeDown;
    }
    m_timerEnabled = true;
}

SlideAnimator::Tick SlideAnimator::OnTick(int panelTop, int windowHeight)
{
    if (!m_timerEnabled)
        return {panelTop, m_interval, false, false};
    if (m_sAnimateMode == kModeUp)
        return slideUp(panelTop);
    if (m_sAnimateMode == kModeDown)
        return slideDown(panelTop, windowHeight);
    m_timerEnabled = false;
    return {panelTop, m_interval, false, false};
}

SlideAnimator::Tick SlideAnimator::slideUp(int panelTop)
{
    m_interval = m_lAnimateInterval;
    if (panelTop < kStopTop) {
        m_timerEnabled = false;
        return {kOpenTop, m_interval, false, false};
    }
    if (panelTop < kDecelerationTop && m_lAnimateStep > kMinHalvingStep) {
        m_lAnimateStep = qint32(roundHalfEven(m_lAnimateStep / 2.0));
        m_lAnimateInterval = saturated(qint64(m_lAnimateInterval) * 2);
    }
    return {saturated(qint64(panelTop) - m_lAnimateStep), m_interval, true, false};
}

SlideAnimator::Tick SlideAnimator::slideDown(int panelTop, int windowHeight)
{
    m_interval = m_lAnimateInterval;
    if (panelTop < windowHeight)
        return {saturated(qint64(panelTop) + m_lAnimateStep), m_interval, true, false};
    m_timerEnabled = false;
    return {windowHeight, m_interval, false, true};
}
