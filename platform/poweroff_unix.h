#pragma once

#include "poweroff.h"

#include <QDBusConnection>
#include <QString>

// Power requests to systemd-logind over D-Bus.
class SystemPowerControl final : public PowerControl
{
public:
    // logind on the system bus, for the session named by XDG_SESSION_ID.
    SystemPowerControl();
    // Talks to service on bus instead of logind on the system bus; sessionId is the session a
    // log-off ends (empty: the session our process belongs to).
    SystemPowerControl(const QDBusConnection &bus, const QString &service, const QString &sessionId);

    void ShutdownWindows(int nMode) override;

private:
    // The system bus is only connected when a request is actually made.
    bool m_useSystemBus = true;
    QDBusConnection m_bus;
    QString m_service;
    QString m_sessionId;
};
