// The yardstick for the start-up benchmark: a bare Qt Widgets window of the
// main window's size, frameless and shown, and nothing else. With
// SNIPORA_READY_REPORT=<file> set it writes shown_ms (from the process's start
// to the window up, measured as the program measures it) and quits.
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QTimer>
#include <QWidget>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

namespace {

// The same reading as the program's: the start time in /proc/self/stat.
qint64 processStartMSecsSinceEpoch()
{
#ifdef Q_OS_LINUX
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (stat.open(QIODevice::ReadOnly) && uptime.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        const double upSeconds = uptime.readAll().split(' ').value(0).toDouble();
        const long ticks = sysconf(_SC_CLK_TCK);
        if (fields.size() > 19 && ticks > 0)
            return QDateTime::currentMSecsSinceEpoch() - qint64((upSeconds - fields[19].toDouble() / double(ticks)) * 1000.0);
    }
#endif
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.resize(728, 538);
    window.show();
    const QString report = qEnvironmentVariable("SNIPORA_READY_REPORT");
    // Queued behind the show, as the program queues its report.
    QTimer::singleShot(0, &window, [report] {
        const qint64 shownMs = QDateTime::currentMSecsSinceEpoch() - processStartMSecsSinceEpoch();
        QFile file(report);
        if (!report.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write("shown_ms=" + QByteArray::number(shownMs) + '\n');
        QCoreApplication::quit();
    });
    return QApplication::exec();
}
