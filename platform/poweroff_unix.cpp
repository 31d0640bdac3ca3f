#include "poweroff_unix.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString kLogindService = QStringLiteral("org.freedesktop.login1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/login1");
const QString kManagerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSessionInterface = QStringLiteral("org.freedesktop.login1.Session");

// Sends without waiting for the answer: the session may be gone before one comes.
void sendToManager(const QDBusConnection &bus, const QString &service, const QString &method,
                   const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, kManagerPath, kManagerInterface, method);
    message.setArguments(arguments);
    bus.send(message);
}

// Without a session id: ask which session our process is in, then end that one.
void terminateOwnSession(const QDBusConnection &bus, const QString &service)
{
    QDBusMessage query = QDBusMessage::createMethodCall(service, kManagerPath, kManagerInterface,
                                                        QStringLiteral("GetSessionByPID"));
    query.setArguments({QVariant::fromValue(uint(QCoreApplication::applicationPid()))});
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(query, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [bus, service](QDBusPendingCallWatcher *call) {
                         const QDBusPendingReply<QDBusObjectPath> reply = *call;
                         if (reply.isValid() && !reply.value().path().isEmpty()) {
                             bus.send(QDBusMessage::createMethodCall(service, reply.value().path(),
                                                                     kSessionInterface,
                                                                     QStringLiteral("Terminate")));
                         }
                         call->deleteLater();
                     });
}

} // namespace

SystemPowerControl::SystemPowerControl()
    : m_bus(QString())
    , m_service(kLogindService)
    , m_sessionId(qEnvironmentVariable("XDG_SESSION_ID"))
{
}

SystemPowerControl::SystemPowerControl(const QDBusConnection &bus, const QString &service,
                                       const QString &sessionId)
    : m_useSystemBus(false)
    , m_bus(bus)
    , m_service(service)
    , m_sessionId(sessionId)
{
}

void SystemPowerControl::ShutdownWindows(int nMode)
{
    const PowerAction action = powerActionForMode(nMode);
    if (action == PowerAction::None)
        return;
    const QDBusConnection bus = m_useSystemBus ? QDBusConnection::systemBus() : m_bus;
    if (!bus.isConnected())
        return;

    // interactive = false: nobody is there to answer an authentication prompt after a task.
    switch (action) {
    case PowerAction::ShutDown:
    case PowerAction::PowerOff:
        sendToManager(bus, m_service, QStringLiteral("PowerOff"), {false});
        break;
    case PowerAction::Restart:
        sendToManager(bus, m_service, QStringLiteral("Reboot"), {false});
        break;
    case PowerAction::LogOff:
        if (!m_sessionId.isEmpty())
            sendToManager(bus, m_service, QStringLiteral("TerminateSession"), {m_sessionId});
        else
            terminateOwnSession(bus, m_service);
        break;
    case PowerAction::None:
        break;
    }
}

std::unique_ptr<PowerControl> makeSystemPowerControl()
{
    return std::make_unique<SystemPowerControl>();
}
