// Seek benchmark: prints figures, asserts nothing.
// A 30 s cut at 95 % of a 10-minute 720p clip through CVideoConv, with the
// start after the input (the default) and before it (fast seek), side by side,
// against the same cut of a 30 s file that begins at the start mark. For each:
// the wall time of the whole run, the encoder's processor time (user and
// system; steadier than wall time on a busy machine) and the time to the
// first Progress event.
//
//   bench_seek [rounds]     (default 3; the runs of a round are interleaved)
//
// The clips are generated once into bench-cache/ in the build folder.
#include "cvideoconv.h"
#include "recordingmessagesink.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {

constexpr int kClipSeconds = 600;
constexpr int kStart = 570; // 95 %
constexpr int kLength = 30;
const QString kPreset = QStringLiteral("-vf scale=-2:720 -c:v libx264 -preset veryfast -crf 23 -pix_fmt yuv420p "
                                       "-c:a aac -b:a 128k -movflags +faststart");

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

// Processor seconds of all children ended and waited for so far; 0 where unknown.
double childCpuSeconds()
{
#ifdef Q_OS_UNIX
    rusage usage{};
    if (getrusage(RUSAGE_CHILDREN, &usage) != 0)
        return 0;
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
#else
    return 0;
#endif
}

bool runEncoder(const QStringList &arguments)
{
    QProcess encoder;
    encoder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    encoder.start(TestSupport::systemFfmpeg(), QStringList{QStringLiteral("-v"), QStringLiteral("error"),
                                                           QStringLiteral("-y")} + arguments);
    return encoder.waitForFinished(-1) && encoder.exitStatus() == QProcess::NormalExit && encoder.exitCode() == 0;
}

// Writes to a temporary name first, so an interrupted run leaves no half clip
// in the cache.
bool makeCached(const QString &path, const QStringList &arguments)
{
    if (QFileInfo::exists(path))
        return true;
    QElapsedTimer clock;
    clock.start();
    std::printf("generating %s ...\n", qPrintable(QFileInfo(path).fileName()));
    std::fflush(stdout);
    const QString partial = path + QStringLiteral(".part.mp4");
    if (!runEncoder(arguments + QStringList{partial}) || !QFile::rename(partial, path)) {
        QFile::remove(partial);
        return false;
    }
    std::printf("  done in %.1f s\n", clock.nsecsElapsed() / 1e9);
    return true;
}

struct Run
{
    double wall = 0;
    double cpu = 0;
    double firstProgress = -1; // seconds; negative when none came
};

Run cut(const QString &programDir, const QString &input, const QString &output, int start, bool fastSeek)
{
    RecordingMessageSink sink;
    CVideoConv job(&sink, programDir);
    job.setInputFile(input);
    job.setOutputFile(output);
    job.setFileTimeLength(float(kLength));
    job.setParametrs(kPreset + QStringLiteral(" -ss %1 -t %2 -y").arg(start).arg(kLength));
    job.setFastSeek(fastSeek);
    Run run;
    QElapsedTimer clock;
    QObject::connect(&job, &CVideoConv::Progress, &job, [&run, &clock](int) {
        if (run.firstProgress < 0)
            run.firstProgress = clock.nsecsElapsed() / 1e9;
    });
    const double cpuBefore = childCpuSeconds();
    clock.start();
    job.StartConversion();
    run.wall = clock.nsecsElapsed() / 1e9;
    run.cpu = childCpuSeconds() - cpuBefore;
    if (!sink.messages.isEmpty()) {
        std::fprintf(stderr, "conversion failed: %s\n", qPrintable(sink.messages.first().text));
        std::exit(1);
    }
    QFile::remove(output);
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = std::max(1, app.arguments().value(1, QStringLiteral("3")).toInt());

    const QString cache = QDir(TestSupport::programDir()).filePath(QStringLiteral("bench-cache"));
    QDir().mkpath(cache);
    const QString clip = QDir(cache).filePath(QStringLiteral("seek-600s-720p.mp4"));
    const QString tail = QDir(cache).filePath(QStringLiteral("seek-600s-720p-last30s.mp4"));
    // Low-complexity picture and the fastest preset: the clip is quick to make
    // and quick to decode, which makes the default seek's cost a lower bound.
    const QStringList encode{QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"),
                             QStringLiteral("ultrafast"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"),
                             QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-b:a"),
                             QStringLiteral("96k")};
    const bool ok =
        makeCached(clip, QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                     QStringLiteral("testsrc=size=1280x720:rate=25:duration=%1").arg(kClipSeconds),
                                     QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                     QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1")
                                         .arg(kClipSeconds)}
                             + encode)
        // The same picture and sound from the start mark on, encoded the same way.
        && makeCached(tail, QStringList{QStringLiteral("-ss"), QString::number(kStart), QStringLiteral("-i"), clip,
                                        QStringLiteral("-t"), QString::number(kLength)}
                                + encode);
    if (!ok) {
        std::fprintf(stderr, "could not generate the clips in %s\n", qPrintable(cache));
        return 1;
    }

    QTemporaryDir work;
    if (!work.isValid() || TestSupport::linkRealEncoder(work.path()).isEmpty()) {
        std::fprintf(stderr, "no work folder with the encoder\n");
        return 1;
    }
    const QString output = work.filePath(QStringLiteral("cut.mp4"));

    struct Mode
    {
        const char *name;
        const QString *input;
        int start;
        bool fastSeek;
        std::vector<double> wall;
        std::vector<double> cpu;
        std::vector<double> firstProgress;
    };
    std::vector<Mode> modes{{"default seek (after the input)", &clip, kStart, false, {}, {}, {}},
                            {"fast seek (before the input)", &clip, kStart, true, {}, {}, {}},
                            {"30 s file from the mark", &tail, 0, false, {}, {}, {}}};
    std::printf("%d rounds of a %d s cut at %d s of a %d s 720p clip\n", rounds, kLength, kStart, kClipSeconds);
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < modes.size(); ++i) {
            Mode &mode = modes[(i + size_t(round)) % modes.size()]; // rotate the order between rounds
            const Run run = cut(work.path(), *mode.input, output, mode.start, mode.fastSeek);
            mode.wall.push_back(run.wall);
            mode.cpu.push_back(run.cpu);
            if (run.firstProgress >= 0)
                mode.firstProgress.push_back(run.firstProgress);
            std::printf("  round %d  %-32s %7.2f s wall, %7.2f s cpu, first progress %s\n", round + 1, mode.name,
                        run.wall, run.cpu,
                        run.firstProgress >= 0 ? qPrintable(QString::number(run.firstProgress, 'f', 2) + u" s")
                                               : "none");
            std::fflush(stdout);
        }
    }

    std::printf("\nmedians                            wall        cpu      first progress\n");
    for (const Mode &mode : modes) {
        std::printf("  %-32s %7.2f s  %7.2f s   %s\n", mode.name, median(mode.wall), median(mode.cpu),
                    mode.firstProgress.empty()
                        ? "none"
                        : qPrintable(QString::number(median(mode.firstProgress), 'f', 2) + u" s"));
    }
    const double slow = median(modes[0].wall);
    const double fast = median(modes[1].wall);
    const double reference = median(modes[2].wall);
    std::printf("\n                               wall    cpu\n");
    std::printf("default / fast seek:          %5.2fx %5.2fx\n", slow / fast,
                median(modes[0].cpu) / median(modes[1].cpu));
    std::printf("fast seek / 30 s file:        %5.2fx %5.2fx (target: wall at most 1.2x)\n", fast / reference,
                median(modes[1].cpu) / median(modes[2].cpu));
    return 0;
}
