#include "poweroff_unix.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kSessionPath = QStringLiteral("/org/freedesktop/login1/session/_3142");

// What the stand-in logind was asked, one text per call.
QStringList g_calls;

QString yesNo(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

class FakeLogindManager final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public slots:
    void PowerOff(bool interactive) { g_calls << QStringLiteral("PowerOff(%1)").arg(yesNo(interactive)); }
    void Reboot(bool interactive) { g_calls << QStringLiteral("Reboot(%1)").arg(yesNo(interactive)); }
    void TerminateSession(const QString &id) { g_calls << QStringLiteral("TerminateSession(%1)").arg(id); }
    QDBusObjectPath GetSessionByPID(uint pid)
    {
        const bool ours = pid == uint(QCoreApplication::applicationPid());
        g_calls << QStringLiteral("GetSessionByPID(%1)").arg(ours ? QStringLiteral("ours") : QString::number(pid));
        return QDBusObjectPath(kSessionPath);
    }
    // Answered after everything the caller sent before it.
    void Ping() {}
};

class FakeLogindSession final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")

public slots:
    void Terminate() { g_calls << QStringLiteral("Terminate(%1)").arg(kSessionPath); }
};

} // namespace

class TestPowerOff final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void asksLogind_data();
    void asksLogind();

private:
    QTemporaryDir m_dir;
    QProcess m_bus;
    QString m_address;
    FakeLogindManager m_manager;
    FakeLogindSession m_session;
};

// A bus of our own, so that nothing here ever reaches the machine's real logind.
void TestPowerOff::initTestCase()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        QSKIP("dbus-daemon is not installed");
    QVERIFY(m_dir.isValid());
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>unix:dir=");
    file.write(m_dir.path().toUtf8());
    file.write("</listen><auth>EXTERNAL</auth><policy context=\"default\">"
               "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/><allow own=\"*\"/>"
               "</policy></busconfig>\n");
    file.close();

    m_bus.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                         QStringLiteral("--print-address")});
    QVERIFY(m_bus.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(m_bus.canReadLine() || m_bus.state() != QProcess::Running, 10000);
    m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
    QVERIFY2(!m_address.isEmpty(), m_bus.readAllStandardError().constData());

    QDBusConnection service = QDBusConnection::connectToBus(m_address, QStringLiteral("fake-logind"));
    QVERIFY2(service.isConnected(), qPrintable(service.lastError().message()));
    QVERIFY(service.registerService(kService));
    QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/login1"), &m_manager,
                                   QDBusConnection::ExportAllSlots));
    QVERIFY(service.registerObject(kSessionPath, &m_session, QDBusConnection::ExportAllSlots));
}

void TestPowerOff::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus(QStringLiteral("caller"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-logind"));
    if (m_bus.state() != QProcess::NotRunning) {
        m_bus.terminate();
        m_bus.waitForFinished(5000);
    }
}

void TestPowerOff::asksLogind_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("sessionId");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("8 power-off, not interactive") << 8 << "c2" << QStringList{"PowerOff(false)"};
    QTest::newRow("1 shut-down powers off too") << 1 << "c2" << QStringList{"PowerOff(false)"};
    QTest::newRow("2 restart") << 2 << "c2" << QStringList{"Reboot(false)"};
    QTest::newRow("0 log-off ends the given session") << 0 << "c2" << QStringList{"TerminateSession(c2)"};
    QTest::newRow("0 log-off without a session id ends our own")
        << 0 << "" << QStringList{"GetSessionByPID(ours)", "Terminate(" + kSessionPath + ")"};
    QTest::newRow("5 nothing at all") << 5 << "c2" << QStringList{};
    QTest::newRow("12 (power-off's Windows flags) nothing") << 12 << "" << QStringList{};
    QTest::newRow("-1 nothing") << -1 << "" << QStringList{};
}

void TestPowerOff::asksLogind()
{
    QFETCH(int, mode);
    QFETCH(QString, sessionId);
    QFETCH(QStringList, calls);
    g_calls.clear();
    QDBusConnection caller = QDBusConnection::connectToBus(m_address, QStringLiteral("caller"));
    QVERIFY(caller.isConnected());

    SystemPowerControl control(caller, kService, sessionId);
    control.ShutdownWindows(mode);
    QTRY_COMPARE_WITH_TIMEOUT(g_calls.size() >= calls.size(), true, 10000);
    // A ping after the request comes back only once logind has seen all that came before it.
    const QDBusMessage ping = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/login1"),
                                                             QStringLiteral("org.freedesktop.login1.Manager"),
                                                             QStringLiteral("Ping"));
    QCOMPARE(caller.call(ping, QDBus::BlockWithGui, 10000).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(g_calls, calls);
}

QTEST_GUILESS_MAIN(TestPowerOff)
#include "tst_poweroff.moc"
