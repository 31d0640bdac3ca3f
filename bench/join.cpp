// Join benchmark: prints figures, asserts nothing.
// Five 20-second parts of a 10-minute 1080p H.264 clip (keyframes every 2 s,
// B-frames), each starting and ending off a keyframe, in one run: joined with
// the smart preset, the same five smart-cut one by one, and joined by
// re-encoding with a preset of "Web video (MP4)". Target: the smart join
// takes at most 1.2 times the five smart cuts.
//
//     bench_join [preset label] [rounds]   (default "H.264 1080p" 1)
//
// The clip is generated once into bench-cache/ in the build folder.
#include "joinjob.h"
#include "recordingmessagesink.h"
#include "smartcutjob.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kClipSeconds = 600;
constexpr double kPartSeconds = 20;
const QList<double> kStarts{31.32, 137.72, 250.52, 371.08, 489.96};

[[noreturn]] void fail(const QString &what)
{
    std::fprintf(stderr, "%s\n", qPrintable(what));
    std::exit(1);
}

QString cachedSource()
{
    const QString cache = QDir(TestSupport::programDir()).filePath(QStringLiteral("bench-cache"));
    const QString path = QDir(cache).filePath(QStringLiteral("join-1080p-10min.mp4"));
    if (QFile::exists(path))
        return path;
    QDir().mkpath(cache);
    std::printf("making a 10-minute 1080p clip (once)...\n");
    std::fflush(stdout);
    const QString partial = path + QStringLiteral(".part.mp4");
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start(TestSupport::systemFfmpeg(),
                 {"-v", "error", "-y", "-f", "lavfi", "-i",
                  QStringLiteral("testsrc2=size=1920x1080:rate=25:duration=%1").arg(kClipSeconds), "-f", "lavfi", "-i",
                  "sine=frequency=440:sample_rate=48000", "-t", QString::number(kClipSeconds), "-c:v", "libx264",
                  "-preset", "ultrafast", "-bf", "2", "-g", "50", "-keyint_min", "50", "-sc_threshold", "0", "-pix_fmt",
                  "yuv420p", "-c:a", "aac", "-b:a", "128k", partial});
    if (!ffmpeg.waitForFinished(-1) || ffmpeg.exitCode() != 0 || !QFile::rename(partial, path))
        fail(QStringLiteral("could not make the source clip"));
    return path;
}

QString presetParams(const QString &label)
{
    QFile file(TestSupport::sourceDir() + QStringLiteral("/format/catalogue/presets.xml"));
    if (!file.open(QIODevice::ReadOnly))
        fail(file.fileName() + QStringLiteral(": ") + file.errorString());
    static const QRegularExpression block(QStringLiteral(
        "<label>(.*)</label>\\s*<params>(.*)</params>\\s*<extension>.*</extension>\\s*<category>(.*)</category>"));
    auto matches = block.globalMatch(QString::fromUtf8(file.readAll()));
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        if (match.captured(1) == label && match.captured(3) == u"Web video (MP4)")
            return match.captured(2);
    }
    fail(QStringLiteral("no preset ") + label);
}

int frameCount(const QString &path)
{
    return TestSupport::ffprobe({"-select_streams", "v:0", "-count_packets", "-show_entries",
                                 "stream=nb_read_packets", "-of", "csv=p=0"},
                                path)
        .trimmed()
        .toInt();
}

double timeJoin(const QString &source, const QString &output, const QString &options, bool *fellBack)
{
    RecordingMessageSink sink;
    JoinJob job(&sink, TestSupport::programDir());
    QList<JoinJob::Source> parts;
    for (const double start : kStarts)
        parts.append({source, start, kPartSeconds});
    job.setParts(parts);
    job.setOutputFile(output);
    job.setEncoderOptions(options);
    QElapsedTimer clock;
    clock.start();
    job.StartConversion();
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (job.LastResult().outcome != JoinJob::Outcome::Completed)
        fail(QStringLiteral("the join failed: ") + sink.messages.value(0).text.right(800));
    *fellBack = job.LastResult().fellBack;
    return seconds;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString label = args.size() > 1 ? args.at(1) : QStringLiteral("H.264 1080p");
    const int rounds = args.size() > 2 ? std::max(1, args.at(2).toInt()) : 1;
    const QString source = cachedSource();
    QTemporaryDir dir(QDir(TestSupport::programDir()).filePath(QStringLiteral("bench-join-XXXXXX")));

    double joined = 0;
    double oneByOne = 0;
    bool fellBack = false;
    for (int round = 0; round < rounds; ++round) {
        const QString output = dir.filePath(QStringLiteral("joined-%1.mp4").arg(round));
        joined += timeJoin(source, output, {}, &fellBack);
        if (fellBack)
            fail(QStringLiteral("the smart join fell back to re-encoding"));
        std::printf("round %d: smart join %.2f s, %d frames\n", round + 1, joined, frameCount(output));
        std::fflush(stdout);
        QElapsedTimer clock;
        clock.start();
        int frames = 0;
        for (qsizetype k = 0; k < kStarts.size(); ++k) {
            RecordingMessageSink sink;
            SmartCutJob cut(&sink, TestSupport::programDir());
            const QString part = dir.filePath(QStringLiteral("part-%1-%2.mp4").arg(round).arg(k));
            cut.setInputFile(source);
            cut.setOutputFile(part);
            cut.setStart(kStarts.at(k));
            cut.setLength(kPartSeconds);
            cut.StartConversion();
            if (cut.LastResult().outcome != SmartCutJob::Outcome::Completed || cut.LastResult().fellBack)
                fail(QStringLiteral("a smart cut failed: ") + sink.messages.value(0).text.right(800));
            frames += cut.LastPlan().frames;
        }
        oneByOne += clock.nsecsElapsed() / 1e9;
        std::printf("round %d: five smart cuts %.2f s, %d frames\n", round + 1, oneByOne, frames);
        std::fflush(stdout);
    }
    const QString reencoded = dir.filePath(QStringLiteral("reencoded.mp4"));
    const double reencode = timeJoin(source, reencoded, presetParams(label), &fellBack);

    std::printf("five %.0f s parts of a %d-minute 1080p clip, %d round(s)\n", kPartSeconds, kClipSeconds / 60, rounds);
    std::printf("%-44s %10s %14s\n", "", "wall (s)", "x smart cuts");
    std::printf("%-44s %10.2f %14.3f\n", "smart join", joined / rounds, joined / oneByOne);
    std::printf("%-44s %10.2f %14.3f\n", "five smart cuts one by one", oneByOne / rounds, 1.0);
    std::printf("%-44s %10.2f %14.3f\n", qPrintable(QStringLiteral("re-encoding join (%1 preset)").arg(label)),
                reencode, reencode * rounds / oneByOne);
    std::printf("re-encoding join: %d frames\n", frameCount(reencoded));
    std::printf("smart join / smart cuts = %.3f (target <= 1.200)\n", joined / oneByOne);
    return 0;
}
