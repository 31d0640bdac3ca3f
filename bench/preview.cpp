// Preview benchmark: prints figures, asserts nothing.
// From RenderFile on a 1080p H.264 file to its first frame painted in a shown
// VideoArea, with the window's loading steps in between (volume, balance,
// video output, rate, Run). One cold load first, then the median of 7.
// Run headless: QT_QPA_PLATFORM=offscreen build/bench/bench_preview
#include "avpreviewengine.h"
#include "testsupport.h"
#include "videoarea.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 7;

bool makeFullHdClip(const QString &path)
{
    QProcess ffmpeg;
    ffmpeg.start(TestSupport::systemFfmpeg(),
                 {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                  QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("testsrc2=size=1920x1080:rate=25:duration=4"), QStringLiteral("-f"),
                  QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=duration=4"),
                  QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"),
                  QStringLiteral("veryfast"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"),
                  QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-shortest"), path});
    return ffmpeg.waitForFinished(300000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

// Milliseconds from RenderFile to the first painted frame, split at the end of RenderFile;
// negative when no frame came within 10 s.
struct Load
{
    double renderMs = -1;
    double firstFrameMs = -1;
};

Load loadOnce(AvPreviewEngine &engine, VideoArea &area, const QString &path)
{
    engine.Release();
    area.clearFrame();
    const qint64 before = area.framesPainted();
    Load load;
    QElapsedTimer clock;
    clock.start();
    if (engine.RenderFile(path) != PreviewStatus::Ok)
        return load;
    load.renderMs = double(clock.nsecsElapsed()) / 1e6;
    engine.SetVolume(0);
    engine.SetBalance(0);
    engine.SetVideoOutput([&area](const PreviewPicture &picture) { area.showPicture(picture); });
    engine.SetRate(1.0);
    engine.Run();

    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (area.framesPainted() > before || clock.elapsed() > 10000)
            loop.quit();
    });
    poll.start(1);
    loop.exec();
    if (area.framesPainted() > before)
        load.firstFrameMs = double(clock.nsecsElapsed()) / 1e6;
    engine.Stop();
    return load;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fullhd.mp4"));
    if (!dir.isValid() || !makeFullHdClip(path)) {
        std::fprintf(stderr, "could not generate the 1080p clip\n");
        return 1;
    }

    VideoArea area;
    area.resize(318, 189);
    area.show();
    QTemporaryDir indexes;
    AvPreviewEngine engine(indexes.path());
    engine.SetPictureSize(area.size() * area.devicePixelRatio());

    const Load cold = loadOnce(engine, area, path);
    std::vector<double> render;
    std::vector<double> firstFrame;
    for (int i = 0; i < kRuns; ++i) {
        const Load load = loadOnce(engine, area, path);
        if (load.firstFrameMs < 0) {
            std::fprintf(stderr, "run %d: no frame within 10 s\n", i + 1);
            return 1;
        }
        render.push_back(load.renderMs);
        firstFrame.push_back(load.firstFrameMs);
    }
    std::printf("1080p H.264, RenderFile to first painted frame (cold): %.1f ms (RenderFile %.1f ms)\n",
                cold.firstFrameMs, cold.renderMs);
    std::printf("1080p H.264, RenderFile to first painted frame, median of %d: %.1f ms (RenderFile %.1f ms)\n",
                kRuns, median(firstFrame), median(render));
    return 0;
}
