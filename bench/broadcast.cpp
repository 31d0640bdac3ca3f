// Broadcast benchmark: prints figures, asserts nothing.
// Takes the adverts out of a TV recording: "Remove Listed Parts" with six
// breaks on a long 1080i H.264 transport stream (top field first, groups of
// a second, B-frames, 5.1 AC-3), made by looping a one-minute clip. Side by
// side in one run:
//   - the smart removal (heads and tails re-encoded, the rest copied);
//   - a plain stream copy of the same kept parts, one copy a part, which is
//     the least any removal can take;
//   - the whole kept recording re-encoded, timed on its first minutes and
//     scaled to its length (an hour takes an hour here);
//   - reading the recording for the plan: the prober's listing of every
//     packet against the frame index the preview keeps (built first, as the
//     preview builds it in the background). The removal plans from the index.
// Target: the smart removal takes at most 1.3 times the plain copy plus the
// time of re-encoding its joints.
//
//     bench_broadcast [minutes] [re-encoded minutes]   (default 60 2)
//
// The recording is made once into bench-cache/ in the build folder.
#include "dosoutputs.h"
#include "frameindex.h"
#include "joinjob.h"
#include "keptindex.h"
#include "recordingmessagesink.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

// Six breaks of two to four minutes in an hour, scaled to the recording.
const QList<std::pair<double, double>> kBreaksPerHour{{431.52, 187.4}, {1102.04, 215.0}, {1733.6, 171.84},
                                                     {2390.12, 240.2}, {2985.0, 133.36}, {3380.48, 160.0}};

[[noreturn]] void fail(const QString &what)
{
    std::fprintf(stderr, "%s\n", qPrintable(what));
    std::exit(1);
}

void run(const QStringList &arguments, const QString &what)
{
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start(TestSupport::systemFfmpeg(), QStringList{"-v", "error", "-y"} + arguments);
    if (!ffmpeg.waitForFinished(-1) || ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0)
        fail(QStringLiteral("could not ") + what);
}

QString cachedRecording(int minutes)
{
    const QString cache = QDir(TestSupport::programDir()).filePath(QStringLiteral("bench-cache"));
    QDir().mkpath(cache);
    const QString clip = QDir(cache).filePath(QStringLiteral("broadcast-1080i-1min.ts"));
    if (!QFile::exists(clip)) {
        std::printf("making a one-minute 1080i clip (once)...\n");
        std::fflush(stdout);
        run({"-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=50,interlace=scan=tff", "-f", "lavfi", "-i",
             "sine=frequency=440:sample_rate=48000", "-t", "60", "-map", "0:v", "-map", "1:a", "-c:v", "libx264",
             "-preset", "ultrafast", "-flags", "+ilme+ildct", "-top", "1", "-g", "25", "-bf", "2", "-b:v", "6M",
             "-c:a", "ac3", "-ac", "6", "-metadata:s:a:0", "language=deu", "-f", "mpegts", clip + ".part"},
            QStringLiteral("make the clip"));
        QFile::rename(clip + ".part", clip);
    }
    const QString path = QDir(cache).filePath(QStringLiteral("broadcast-1080i-%1min.ts").arg(minutes));
    if (!QFile::exists(path)) {
        std::printf("looping it to %d minutes (once)...\n", minutes);
        std::fflush(stdout);
        run({"-stream_loop", QString::number(minutes - 1), "-i", clip, "-map", "0", "-c", "copy", "-f", "mpegts",
             path + ".part"},
            QStringLiteral("loop the clip"));
        QFile::rename(path + ".part", path);
    }
    return path;
}

struct Planning
{
    double indexing = 0;  // the preview's scan and save, once
    double listed = 0;    // the source read through the prober's packet listing, then planned
    double fromIndex = 0; // the same from the kept index
    double loading = 0;   // of which the index's file read and its packets made the prober's
    bool same = true;     // both give the same plans
};

// Reads the source and plans each kept part, twice each way in turn; the
// faster of each pair counts.
Planning measurePlanning(const QString &source, const QString &indexFolder, const QList<std::pair<double, double>> &kept)
{
    Planning planning;
    QElapsedTimer clock;
    clock.start();
    {
        const std::optional<FrameIndex> index = FrameIndex::scan(source);
        if (!index || !index->save(indexFolder, QFileInfo(source)))
            fail(QStringLiteral("could not keep the recording's frame index"));
    }
    planning.indexing = clock.nsecsElapsed() / 1e9;

    DOSOutputs prober(nullptr);
    const auto plan = [&](const QString &folder, QList<SmartCut::Plan> *plans) {
        clock.restart();
        const std::optional<SmartCut::SourceRead> read = SmartCut::readSource(
            TestSupport::programDir(), source, folder,
            [&prober](const QString &commandLine) -> std::optional<QString> { return prober.ExecuteCommand(commandLine); });
        if (!read || read->fromIndex != !folder.isEmpty())
            fail(QStringLiteral("could not read the recording for its plan"));
        plans->clear();
        for (const auto &[start, seconds] : kept)
            plans->append(SmartCut::planCut(read->probe, start, seconds));
        return clock.nsecsElapsed() / 1e9;
    };
    QList<SmartCut::Plan> listedPlans, indexPlans;
    planning.listed = planning.fromIndex = 1e9;
    for (int round = 0; round < 2; ++round) {
        planning.listed = std::min(planning.listed, plan(QString(), &listedPlans));
        planning.fromIndex = std::min(planning.fromIndex, plan(indexFolder, &indexPlans));
    }
    clock.restart();
    const std::optional<KeptIndex::Contents> index = KeptIndex::load(indexFolder, QFileInfo(source));
    if (!index || SmartCut::packetsOf(*index).size() != qsizetype(index->packets.size()))
        fail(QStringLiteral("could not read the kept frame index"));
    planning.loading = clock.nsecsElapsed() / 1e9;
    for (qsizetype i = 0; i < listedPlans.size(); ++i) {
        const SmartCut::Plan &a = listedPlans.at(i), &b = indexPlans.at(i);
        planning.same = planning.same && a.smart == b.smart && a.frames == b.frames && a.start == b.start
                        && a.head.frames == b.head.frames && a.middle.frames == b.middle.frames
                        && a.tail.frames == b.tail.frames && a.copyFirst == b.copyFirst && a.copyEnd == b.copyEnd;
    }
    return planning;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int minutes = args.size() > 1 ? std::max(2, args.at(1).toInt()) : 60;
    const int sampled = args.size() > 2 ? std::max(1, args.at(2).toInt()) : 2;
    const QString source = cachedRecording(minutes);
    const double scale = minutes / 60.0;
    const double length = TestSupport::ffprobe({"-show_entries", "format=duration", "-of", "csv=p=0"}, source).toDouble();
    QTemporaryDir dir(QDir(TestSupport::programDir()).filePath(QStringLiteral("bench-broadcast-XXXXXX")));

    // The breaks, and the parts kept between them.
    QList<JoinJob::Source> breaks;
    QList<std::pair<double, double>> kept;
    double from = 0;
    for (const auto &[start, seconds] : kBreaksPerHour) {
        breaks.append({source, start * scale, seconds * scale});
        kept.append({from, start * scale - from});
        from = (start + seconds) * scale;
    }
    kept.append({from, length - from});
    double keptSeconds = 0;
    for (const auto &part : std::as_const(kept))
        keptSeconds += part.second;

    const QString indexFolder = dir.filePath(QStringLiteral("frame-index"));
    const Planning planning = measurePlanning(source, indexFolder, kept);

    RecordingMessageSink sink;
    JoinJob job(&sink, TestSupport::programDir());
    job.setIndexFolder(indexFolder);
    job.setMode(JoinJob::Mode::Remove);
    job.setParts(breaks);
    job.setOutputFile(dir.filePath(QStringLiteral("without adverts.mkv")));
    // Each kind of step timed on its own: its status up to the first "(" or "...".
    QMap<QString, double> stepSeconds;
    QString current;
    QElapsedTimer step;
    QObject::connect(&job, &JoinJob::CurrentStatus, &job, [&](const QString &status) {
        if (!current.isEmpty())
            stepSeconds[current] += step.nsecsElapsed() / 1e9;
        current = status.section(QLatin1String(" ("), 0, 0).section(QLatin1String("..."), 0, 0);
        step.start();
    });
    QElapsedTimer clock;
    clock.start();
    job.StartConversion();
    const double smart = clock.nsecsElapsed() / 1e9;
    if (!current.isEmpty())
        stepSeconds[current] += step.nsecsElapsed() / 1e9;
    double encodeSeconds = 0;
    for (auto it = stepSeconds.cbegin(); it != stepSeconds.cend(); ++it)
        if (it.key().startsWith(QLatin1String("Re-encoding")))
            encodeSeconds += it.value();
    if (job.LastResult().outcome != JoinJob::Outcome::Completed)
        fail(QStringLiteral("the removal failed: ") + sink.messages.value(0).text.right(800));
    if (job.LastResult().fellBack)
        fail(QStringLiteral("the removal fell back to re-encoding"));

    clock.restart();
    for (qsizetype k = 0; k < kept.size(); ++k)
        run({"-ss", QString::number(kept.at(k).first, 'f', 3), "-i", source, "-t", QString::number(kept.at(k).second, 'f', 3),
             "-map", "0", "-c", "copy", dir.filePath(QStringLiteral("copy-%1.mkv").arg(k))},
            QStringLiteral("copy a part"));
    const double copy = clock.nsecsElapsed() / 1e9;

    // The whole-range re-encode a smart cut falls back to, on the first minutes.
    clock.restart();
    run({"-i", source, "-t", QString::number(sampled * 60), "-map", "0:v", "-map", "0:a", "-c:v", "libx264", "-preset",
         "superfast", "-crf", "18", "-flags", "+ilme+ildct", "-af", "aformat=channel_layouts=5.1", "-c:a", "libopus", "-b:a", "480k",
         dir.filePath(QStringLiteral("reencoded.mkv"))},
        QStringLiteral("re-encode"));
    const double reencode = clock.nsecsElapsed() / 1e9 * keptSeconds / (sampled * 60);

    std::printf("six breaks out of a %d-minute 1080i H.264 recording, %.0f s kept\n", minutes, keptSeconds);
    std::printf("%-46s %10s %12s\n", "", "wall (s)", "x copy");
    std::printf("%-46s %10.1f %12.3f\n", "smart removal", smart, smart / copy);
    for (auto it = stepSeconds.cbegin(); it != stepSeconds.cend(); ++it)
        std::printf("%-46s %10.1f %12.3f\n", qPrintable(QStringLiteral("  ") + it.key()), it.value(), it.value() / copy);
    std::printf("%-46s %10.1f %12.3f\n", "plain stream copy of the kept parts", copy, 1.0);
    std::printf("%-46s %10.1f %12.3f\n", qPrintable(QStringLiteral("whole re-encode (from %1 min, scaled)").arg(sampled)),
                reencode, reencode / copy);
    std::printf("smart removal / (copy + joints) = %.3f (target <= 1.300)\n", smart / (copy + encodeSeconds));
    std::printf("\nreading the recording and planning its %d kept parts%s\n", int(kept.size()),
                planning.same ? "" : " (THE PLANS DIFFER)");
    std::printf("%-46s %10s %12s\n", "", "wall (s)", "x index");
    std::printf("%-46s %10.2f %12.1f\n", "from the prober's listing of every packet", planning.listed,
                planning.listed / planning.fromIndex);
    std::printf("%-46s %10.2f %12.1f\n", "from the preview's kept frame index", planning.fromIndex, 1.0);
    std::printf("%-46s %10.2f %12.1f\n", "  of which the index read", planning.loading, planning.loading / planning.fromIndex);
    std::printf("%-46s %10.2f %12.1f\n", "the index built once by the preview", planning.indexing,
                planning.indexing / planning.fromIndex);
    return 0;
}
