#pragma once

#include <memory>

// Ends the user's session or the machine's run after a task. Tests replace it with a fake.
class PowerControl
{
public:
    virtual ~PowerControl() = default;
    // nMode 0 forced log-off, 1 forced shut-down, 2 forced restart, 8 forced power-off, others nothing.
    virtual void ShutdownWindows(int nMode) = 0;
};

enum class PowerAction { None, LogOff, ShutDown, Restart, PowerOff };

// What ShutdownWindows does for nMode.
PowerAction powerActionForMode(int nMode);

// The operating system's own way (SystemPowerControl): ExitWindowsEx on
// Windows, systemd-logind elsewhere. Requests are fired and not followed up;
// when the system refuses, the program simply goes on. Lives in
// snipora_platform_desktop.
std::unique_ptr<PowerControl> makeSystemPowerControl();
