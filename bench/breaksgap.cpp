// Find Breaks responsiveness benchmark: prints figures against their target, asserts nothing.
// Loads a video in the FFmpeg preview engine with an empty cache folder, starts the break scan
// and ticks the main thread's event loop every millisecond until the scan ends: the largest gap
// between two ticks is how long the window could not answer. Target: under 50 ms.
// Run headless: QT_QPA_PLATFORM=offscreen build/bench/bench_breaksgap VIDEO
#include "avpreviewengine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    QTemporaryDir work;
    if (path.isEmpty() || !QFileInfo::exists(path) || !work.isValid()) {
        std::fprintf(stderr, "usage: bench_breaksgap VIDEO\n");
        return 1;
    }
    AvPreviewEngine engine(work.filePath(QStringLiteral("cache/frame-index")));
    if (engine.RenderFile(path) != PreviewStatus::Ok) {
        std::fprintf(stderr, "RenderFile failed on %s\n", qPrintable(path));
        return 1;
    }

    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    double largestGap = 0;
    double largestGapAt = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, &app, [&] {
        const qint64 at = clock.nsecsElapsed();
        const double gap = double(at - lastTick) / 1e6;
        if (gap > largestGap) {
            largestGap = gap;
            largestGapAt = double(at) / 1e6;
        }
        lastTick = at;
    });
    QEventLoop loop;
    int progressReports = 0;
    BreakScan found;
    BreakOutput output;
    output.progress = [&](double, double) { ++progressReports; };
    output.finished = [&](const BreakScan &scan, BreakScanEnd) {
        found = scan;
        loop.quit();
    };
    lastTick = clock.nsecsElapsed();
    ticker.start();
    engine.FindBreaks(BreakThresholds{}, std::move(output));
    loop.exec();
    ticker.stop();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;

    std::printf("%s: scan %.1f s, %d progress reports\n", qPrintable(QFileInfo(path).fileName()), seconds, progressReports);
    std::printf("largest event-loop gap while scanning: %.1f ms at %.0f ms (target < 50 ms: %s)\n", largestGap,
                largestGapAt, largestGap < 50 ? "met" : "missed");
    return 0;
}
