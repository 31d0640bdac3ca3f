#pragma once

#include "messagesink.h"

// The weights the jobs of several encoder steps (the smart cut, the join) share out their
// progress bar by: the listing of the source takes a sliver, and each step its estimated cost,
// re-encoding a frame costing far more than copying it.
namespace StepCosts {
inline constexpr double kProbeShare = 0.02;
inline constexpr double kEncodeCost = 1.0;
inline constexpr double kCopyCost = 0.02;
inline constexpr double kJoinCost = 0.04;
} // namespace StepCosts

// Passes a step's messages on, except once the job is being stopped: a step ended by Stop is no
// error to report. Counts what it passed on, so that a step that failed silently can say so.
class StepMessages final : public MessageSink
{
public:
    StepMessages(MessageSink *target, const bool &stopping)
        : m_target(target)
        , m_stopping(stopping)
    {
    }

    void showMessage(const QString &text, MessageIcon icon, const QString &title) override
    {
        if (m_stopping)
            return;
        ++shown;
        if (m_target)
            m_target->showMessage(text, icon, title);
    }

    int shown = 0;

private:
    MessageSink *m_target;
    const bool &m_stopping;
};
