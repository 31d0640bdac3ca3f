#include "poweroff.h"

#include <windows.h>

namespace {

// Lets ExitWindowsEx end the session of a user who holds the right but has it disabled.
// Results are not examined: without the privilege the request below simply fails.
void EnableShutdownPrivilege()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
        TOKEN_PRIVILEGES previous{};
        DWORD previousLength = 0;
        AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(previous), &previous, &previousLength);
    }
    CloseHandle(token);
}

class SystemPowerControl final : public PowerControl
{
public:
    void ShutdownWindows(int nMode) override;
};

void SystemPowerControl::ShutdownWindows(int nMode)
{
    EnableShutdownPrivilege();
    UINT flags = 0;
    switch (powerActionForMode(nMode)) {
    case PowerAction::LogOff:
        flags = EWX_LOGOFF | EWX_FORCE;
        break;
    case PowerAction::ShutDown:
        flags = EWX_SHUTDOWN | EWX_FORCE;
        break;
    case PowerAction::Restart:
        flags = EWX_REBOOT | EWX_SHUTDOWN | EWX_FORCE;
        break;
    case PowerAction::PowerOff:
        flags = EWX_POWEROFF | EWX_FORCE;
        break;
    case PowerAction::None:
        return;
    }
    ExitWindowsEx(flags, 0xFFFFFFFF);
}

} // namespace

std::unique_ptr<PowerControl> makeSystemPowerControl()
{
    return std::make_unique<SystemPowerControl>();
}
