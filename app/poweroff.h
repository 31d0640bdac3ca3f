#pragma once

#include <QtGlobal>

#ifndef Q_OS_WIN
#include <QDBusConnection>
#include <QString>
#endif

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

// The operating system's own way: ExitWindowsEx on Windows, systemd-logind elsewhere. Requests are
// fired and not followed up; when the system refuses, the program simply goes on.
class SystemPowerControl final : public PowerControl
{
public:
    SystemPowerControl();
#ifndef Q_OS_WIN
    // Talks to service on bus instead of logind on the system bus; sessionId is the session a
    // log-off ends (empty: the session our process belongs to).
    SystemPowerControl(const QDBusConnection &bus, const QString &service, const QString &sessionId);
#endif

    void ShutdownWindows(int nMode) override;

private:
#ifndef Q_OS_WIN
    // The system bus is only connected when a request is actually made.
    bool m_useSystemBus = true;
    QDBusConnection m_bus;
    QString m_service;
    QString m_sessionId;
#endif
};
