// Break finder benchmark: prints figures against their targets, asserts nothing.
// Makes a minute at 25 fps with four black-and-silent breaks of 8, 20, 35 and 50 frames (0.32 to
// 2 s) at known frames, a cross-fade, and a dark scene with sound; loops it MINUTES times (stream
// copy) as a 1080p H.264 file with AAC and as a 576i MPEG-2 TS with MP2; then, side by side in one
// run, scans each with the break finder and with FFmpeg's own filters (blackdetect, silencedetect
// and scdet through the ffmpeg program, decoding every frame at full size), and checks that every
// break is found on its exact first and last frame and that nothing else is called a break.
// Run: build/bench/bench_breaks [MINUTES [FOLDER]]   (MINUTES 60 by default; FOLDER keeps the files)
#include "breakfinder.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>
#include <set>

namespace {

constexpr int kFps = 25;
constexpr int kMinuteFrames = 60 * kFps;
// The picture segments of the minute in frames: src (moving pattern), xfade (one pattern
// cross-fading into another over a second), dark (a dim picture, with the tone going on), black.
struct Segment
{
    const char *kind;
    int frames;
};
constexpr Segment kMinute[] = {
    {"src", 250},  {"black", 8},  {"xfade", 200}, {"black", 20}, {"src", 100}, {"dark", 75},
    {"src", 150},  {"black", 35}, {"src", 250},   {"black", 50}, {"src", 362},
};
// Silence reaches this far either side of a break's black, as sound fades before a cut.
constexpr double kSilenceMargin = 0.12;

struct Expected
{
    int first;
    int last;
};

std::vector<Expected> minuteBreaks()
{
    std::vector<Expected> breaks;
    int at = 0;
    for (const Segment &segment : kMinute) {
        if (QByteArrayView(segment.kind) == "black")
            breaks.push_back({at, at + segment.frames - 1});
        at += segment.frames;
    }
    return breaks;
}

bool run(const QStringList &arguments)
{
    const QStringList quiet{QStringLiteral("-hide_banner"), QStringLiteral("-v"), QStringLiteral("error"),
                            QStringLiteral("-y")};
    return !TestSupport::runTool(QStringList{TestSupport::systemFfmpeg()} + quiet + arguments).isEmpty();
}

// The minute's filter graph for a picture size.
QString minuteGraph(const QString &size, bool mpegAudio)
{
    QString graph, labels;
    int i = 0;
    for (const Segment &segment : kMinute) {
        const QString d = QString::number(double(segment.frames) / kFps, 'f', 2);
        const QString label = QStringLiteral("[p%1]").arg(i++);
        const QByteArrayView kind(segment.kind);
        if (kind == "black")
            graph += QStringLiteral("color=c=black:s=%1:r=25:d=%2%3;").arg(size, d, label);
        else if (kind == "dark")
            graph += QStringLiteral("color=c=0x101010:s=%1:r=25:d=%2%3;").arg(size, d, label);
        else if (kind == "xfade")
            graph += QStringLiteral("testsrc2=s=%1:r=25:d=4[xa%2];smptehdbars=s=%1:r=25:d=5[xb%2];"
                                    "[xa%2][xb%2]xfade=transition=fade:duration=1:offset=3,trim=duration=%3%4;")
                         .arg(size).arg(i).arg(d, label);
        else
            graph += QStringLiteral("testsrc2=s=%1:r=25:d=%2%3;").arg(size, d, label);
        labels += label;
    }
    graph += labels + QStringLiteral("concat=n=%1:v=1:a=0,format=yuv420p[v];").arg(i);
    // A tone with silence over each break and its margins.
    QString quiet;
    for (const Expected &b : minuteBreaks())
        quiet += QStringLiteral("*not(between(t\\,%1\\,%2))")
                     .arg(double(b.first) / kFps - kSilenceMargin)
                     .arg(double(b.last + 1) / kFps + kSilenceMargin);
    // MP2 takes whole frames only.
    graph += QStringLiteral("aevalsrc=0.5*sin(2*PI*440*t)%1:s=48000:d=60%2[a]")
                 .arg(quiet, mpegAudio ? QStringLiteral(",asetnsamples=n=1152:p=0") : QString());
    return graph;
}

bool makeFile(const QString &dir, const QString &name, const QString &size, const QStringList &codecs, int minutes)
{
    const QString minute = QDir(dir).filePath(QStringLiteral("minute-") + name);
    if (!run(QStringList{QStringLiteral("-filter_complex"), minuteGraph(size, codecs.contains(QStringLiteral("mp2"))), QStringLiteral("-map"),
                         QStringLiteral("[v]"), QStringLiteral("-map"), QStringLiteral("[a]")}
             + codecs + QStringList{minute}))
        return false;
    const QString list = QDir(dir).filePath(name + QStringLiteral(".txt"));
    QFile file(list);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (int i = 0; i < minutes; ++i)
        file.write("file '" + QFile::encodeName(minute) + "'\n");
    file.close();
    return run({QStringLiteral("-f"), QStringLiteral("concat"), QStringLiteral("-safe"), QStringLiteral("0"),
                QStringLiteral("-i"), list, QStringLiteral("-c"), QStringLiteral("copy"), QDir(dir).filePath(name)});
}

struct Scanned
{
    BreakScan scan;
    double seconds = 0.0;
    double cpuSeconds = 0.0;
};

// Processor seconds of this process, or of its ended children.
double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Scanned scan(const QString &path)
{
    QElapsedTimer clock;
    clock.start();
    const double cpu = cpuSeconds(RUSAGE_SELF);
    auto opened = BreakFinder::open(path, {});
    if (!std::holds_alternative<std::unique_ptr<BreakFinder>>(opened))
        return {};
    BreakFinder &finder = *std::get<std::unique_ptr<BreakFinder>>(opened);
    while (finder.readMore(200)) {
    }
    Scanned out{finder.result(), 0.0};
    out.seconds = clock.nsecsElapsed() / 1e9;
    out.cpuSeconds = cpuSeconds(RUSAGE_SELF) - cpu;
    return out;
}

Scanned filterScan(const QString &path)
{
    QElapsedTimer clock;
    clock.start();
    const double cpu = cpuSeconds(RUSAGE_CHILDREN);
    // Without the test helpers' two-minute bound: an hour at 1080p takes longer.
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.setStandardOutputFile(QProcess::nullDevice());
    ffmpeg.start(TestSupport::systemFfmpeg(),
                 {QStringLiteral("-hide_banner"), QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                  QStringLiteral("-vf"), QStringLiteral("blackdetect=d=0.1:pix_th=0.10:pic_th=0.98,scdet=threshold=10"),
                  QStringLiteral("-af"), QStringLiteral("silencedetect=n=-50dB:d=0.3"), QStringLiteral("-f"),
                  QStringLiteral("null"), QStringLiteral("-")});
    ffmpeg.waitForFinished(-1);
    Scanned out;
    out.seconds = clock.nsecsElapsed() / 1e9;
    out.cpuSeconds = cpuSeconds(RUSAGE_CHILDREN) - cpu;
    return out;
}

void report(const char *title, const QString &path, int minutes, double targetSeconds)
{
    const Scanned found = scan(path);
    const Scanned filters = filterScan(path);
    std::set<std::pair<int, int>> expected;
    for (int m = 0; m < minutes; ++m) {
        for (const Expected &b : minuteBreaks())
            expected.insert({m * kMinuteFrames + b.first, m * kMinuteFrames + b.last});
    }
    int exact = 0, extra = 0;
    for (const FrameSpan &b : found.scan.breaks) {
        if (expected.count({b.first, b.last})) {
            ++exact;
        } else {
            ++extra;
            if (extra <= 5)
                std::printf("  not a generated break: frames %d..%d\n", b.first, b.last);
        }
    }
    // Scene changes on a break's edges (the first black frame or the first after it).
    std::set<int> edges;
    for (const auto &[first, last] : expected) {
        edges.insert(first);
        edges.insert(last + 1);
    }
    int atEdges = 0;
    for (const SceneChange &s : found.scan.scenes)
        atEdges += edges.count(s.frame) ? 1 : 0;
    const double perHour = found.seconds * 60.0 / minutes;
    std::printf("%s, %d min, %d frames read\n", title, minutes, found.scan.frames);
    // On a machine shared with other work the processor time says what two free cores would take.
    const double cpuPerHour = found.cpuSeconds * 60.0 / minutes / 2.0;
    std::printf("  scan: %.1f s (%.1f s an hour; target %.0f s: %s), %.0f frames/s; %.1f processor seconds "
                "(%.1f s an hour on two free cores: %s)\n",
                found.seconds, perHour, targetSeconds, perHour <= targetSeconds ? "met" : "MISSED",
                found.scan.frames / found.seconds, found.cpuSeconds, cpuPerHour,
                cpuPerHour <= targetSeconds ? "met" : "MISSED");
    std::printf("  FFmpeg's filters on the same file: %.1f s, %.1f processor seconds: %.2f and %.2f times the break "
                "finder's\n",
                filters.seconds, filters.cpuSeconds, filters.seconds / found.seconds,
                filters.cpuSeconds / found.cpuSeconds);
    std::printf("  breaks: %d of %zu on their exact first and last frames, %d other places called breaks\n", exact,
                expected.size(), extra);
    std::printf("  black stretches %zu, silent stretches %zu; scene changes %zu, %d of them on the %zu break edges\n",
                found.scan.black.size(), found.scan.silence.size(), found.scan.scenes.size(), atEdges, edges.size());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    QTemporaryDir temp;
    const QString dir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temp.path();
    QDir().mkpath(dir);
    const QString h264 = QDir(dir).filePath(QStringLiteral("breaks-%1-1080p.mp4").arg(minutes));
    const QString mpeg2 = QDir(dir).filePath(QStringLiteral("breaks-%1-576i.ts").arg(minutes));
    QElapsedTimer clock;
    clock.start();
    if (!QFile::exists(mpeg2)
        && !makeFile(dir, QFileInfo(mpeg2).fileName(), QStringLiteral("720x576"),
                     {QStringLiteral("-c:v"), QStringLiteral("mpeg2video"), QStringLiteral("-b:v"), QStringLiteral("6M"),
                      QStringLiteral("-flags"), QStringLiteral("+ilme+ildct"), QStringLiteral("-top"), QStringLiteral("1"),
                      QStringLiteral("-c:a"), QStringLiteral("mp2"), QStringLiteral("-b:a"), QStringLiteral("192k"),
                      QStringLiteral("-f"), QStringLiteral("mpegts")},
                     minutes)) {
        std::fprintf(stderr, "the MPEG-2 file could not be made\n");
        return 1;
    }
    if (!QFile::exists(h264)
        && !makeFile(dir, QFileInfo(h264).fileName(), QStringLiteral("1920x1080"),
                     {QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"), QStringLiteral("ultrafast"),
                      QStringLiteral("-bf"), QStringLiteral("3"), QStringLiteral("-g"), QStringLiteral("250"),
                      QStringLiteral("-c:a"), QStringLiteral("aac")},
                     minutes)) {
        std::fprintf(stderr, "the H.264 file could not be made\n");
        return 1;
    }
    std::printf("files made in %.0f s\n", clock.elapsed() / 1000.0);
    report("576i MPEG-2 in TS", mpeg2, minutes, 90.0);
    report("1080p H.264 in MP4", h264, minutes, 360.0);
    return 0;
}
