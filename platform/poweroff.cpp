#include "poweroff.h"

PowerAction powerActionForMode(int nMode)
{
    switch (nMode) {
    case 0:
        return PowerAction::LogOff;
    case 1:
        return PowerAction::ShutDown;
    case 2:
        return PowerAction::Restart;
    case 8:
        return PowerAction::PowerOff;
    default:
        return PowerAction::None;
    }
}
