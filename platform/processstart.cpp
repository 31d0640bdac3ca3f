#include "processstart.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QList>

#include <chrono>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

qint64 ProcessStartMSecsSinceEpoch()
{
#ifdef Q_OS_LINUX
    // Field 22 of /proc/self/stat: the start time in clock ticks after boot.
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (stat.open(QIODevice::ReadOnly) && uptime.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        const double upSeconds = uptime.readAll().split(' ').value(0).toDouble();
        const long ticks = sysconf(_SC_CLK_TCK);
        if (fields.size() > 19 && ticks > 0) {
            const double startSeconds = fields[19].toDouble() / double(ticks);
            return QDateTime::currentMSecsSinceEpoch() - qint64((upSeconds - startSeconds) * 1000.0);
        }
    }
#endif
    return QDateTime::currentMSecsSinceEpoch();
}

qint64 WallClockMicroseconds()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}
