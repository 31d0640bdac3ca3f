// The yardstick for the start-up benchmark: a bare Qt Widgets window of the
// main window's size, frameless and shown, and nothing else. With
// SNIPORA_READY_REPORT=<file> set it writes shown_ms (from the process's start
// to the window up, measured as the program measures it) and quits.
#include "processstart.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QTimer>
#include <QWidget>



int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.resize(728, 538);
    window.show();
    const QString report = qEnvironmentVariable("SNIPORA_READY_REPORT");
    // Queued behind the show, as the program queues its report.
    QTimer::singleShot(0, &window, [report] {
        const qint64 shownAtUs = WallClockMicroseconds();
        const qint64 shownMs = QDateTime::currentMSecsSinceEpoch() - ProcessStartMSecsSinceEpoch();
        QFile file(report);
        if (!report.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write("shown_ms=" + QByteArray::number(shownMs) + "\nshown_at_us=" + QByteArray::number(shownAtUs)
                       + '\n');
        QCoreApplication::quit();
    });
    return QApplication::exec();
}
