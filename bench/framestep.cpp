// Frame step and seek benchmark: prints figures, asserts nothing.
// Steps: a 20 s 1080p H.264 clip loaded paused into an output that drops the pictures, 20 StepFrames(+1) from
// the first frame and 20 from the middle of a group of pictures (each step there decodes from
// the group's key frame); median and max from the call to the new frame's delivery.
// Seeks: |shown frame time - asked position| over off-second positions in an MPEG program
// stream and an H.264 MP4, plain player seeks and the engine's own side by side.
// Run headless: QT_QPA_PLATFORM=offscreen build/bench/bench_framestep
#include "qtpreviewengine.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSteps = 20;

bool makeClip(const QString &path, const QString &codec, int seconds)
{
    QStringList args{QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                     QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                     QStringLiteral("testsrc2=size=1920x1080:rate=25:duration=%1").arg(seconds),
                     QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                     QStringLiteral("sine=duration=%1").arg(seconds), QStringLiteral("-c:v"), codec};
    if (codec == QLatin1String("libx264"))
        args << QStringLiteral("-preset") << QStringLiteral("fast") << QStringLiteral("-c:a") << QStringLiteral("aac");
    else
        args << QStringLiteral("-b:v") << QStringLiteral("8M") << QStringLiteral("-c:a") << QStringLiteral("mp2");
    args << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p") << QStringLiteral("-shortest") << path;
    QProcess ffmpeg;
    ffmpeg.start(TestSupport::systemFfmpeg(), args);
    return ffmpeg.waitForFinished(600000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

struct Spread
{
    double median = 0;
    double max = 0;
};

Spread spread(std::vector<double> values)
{
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.back()};
}

// Milliseconds each of kSteps single forward steps took, starting from `from` seconds.
std::vector<double> stepTimes(QtPreviewEngine &engine, double from)
{
    std::vector<double> times;
    engine.SetCurrentPosition(from);
    for (int i = 0; i < kSteps; ++i) {
        const double before = engine.ShownFramePosition().value_or(-1);
        QElapsedTimer clock;
        clock.start();
        const PreviewStatus status = engine.StepFrames(1);
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (status != PreviewStatus::Ok || engine.ShownFramePosition().value_or(-1) <= before) {
            std::fprintf(stderr, "step %d from %.3f s did not move\n", i + 1, before);
            return {};
        }
        times.push_back(ms);
    }
    return times;
}

// Seek errors in milliseconds at off-second positions across the clip.
std::vector<double> seekErrors(QtPreviewEngine &engine, double duration, bool plain)
{
    engine.setPlainSeeks(plain);
    std::vector<double> errors;
    for (double asked = 1.23; asked < duration - 1.0; asked += 1.37) {
        QElapsedTimer clock;
        clock.start();
        bool delivered = false;
        const QMetaObject::Connection connection =
            QObject::connect(&engine, &QtPreviewEngine::frameShown, [&delivered] { delivered = true; });
        engine.SetCurrentPosition(asked);
        const double seekMs = double(clock.nsecsElapsed()) / 1e6;
        // A plain seek does not wait: let its frame arrive.
        while (plain && !delivered && clock.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        QObject::disconnect(connection);
        if (const std::optional<double> shown = engine.ShownFramePosition()) {
            errors.push_back(std::abs(*shown - asked) * 1000.0);
            if (qEnvironmentVariableIsSet("FRAMESTEP_VERBOSE"))
                std::printf("  %s asked %.3f shown %.3f reported %.3f (%.0f ms)\n", plain ? "plain" : "exact", asked,
                            *shown, engine.CurrentPosition().value_or(-1), seekMs);
        }
    }
    engine.setPlainSeeks(false);
    return errors;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    // An optional folder argument keeps the clips between runs.
    QTemporaryDir temporary;
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path());
    const QString mp4 = dir.filePath(QStringLiteral("fullhd.mp4"));
    const QString mpg = dir.filePath(QStringLiteral("fullhd.mpg"));
    const auto have = [](const QString &path, const QString &codec) {
        return QFileInfo::exists(path) || makeClip(path, codec, 20);
    };
    if (!temporary.isValid() || !have(mp4, QStringLiteral("libx264")) || !have(mpg, QStringLiteral("mpeg2video"))) {
        std::fprintf(stderr, "could not generate the 1080p clips\n");
        return 1;
    }

    QtPreviewEngine engine;
    engine.SetVideoOutput([](const PreviewPicture &) {});
    if (engine.RenderFile(mp4) != PreviewStatus::Ok) {
        std::fprintf(stderr, "could not load the clip\n");
        return 1;
    }
    engine.Pause();
    const Spread fromStart = spread(stepTimes(engine, 0.0));
    const Spread midGroup = spread(stepTimes(engine, 5.0));
    std::printf("1080p H.264 25 fps, StepFrames(+1) to delivery, %d steps from the first frame: median %.1f ms, max %.1f ms\n",
                kSteps, fromStart.median, fromStart.max);
    std::printf("1080p H.264 25 fps, StepFrames(+1) to delivery, %d steps from 5 s (mid-GOP): median %.1f ms, max %.1f ms\n",
                kSteps, midGroup.median, midGroup.max);

    for (const QString &path : {mpg, mp4}) {
        if (engine.RenderFile(path) != PreviewStatus::Ok) {
            std::fprintf(stderr, "could not load %s\n", qPrintable(path));
            return 1;
        }
        const double duration = engine.Duration().value_or(0);
        const Spread plain = spread(seekErrors(engine, duration, true));
        const Spread exact = spread(seekErrors(engine, duration, false));
        std::printf("%s seek error |shown - asked|: plain seeks median %.0f ms, max %.0f ms; engine median %.0f ms, max %.0f ms\n",
                    path.endsWith(QLatin1String(".mpg")) ? "1080p MPEG-PS (.mpg)" : "1080p H.264 MP4    ",
                    plain.median, plain.max, exact.median, exact.max);
    }
    return 0;
}
