// Cut checker: prints figures, asserts nothing.
// Cuts frames [first, first + frames) of a source with the smart-cut job, as
// the window marks them (each frame's time to the millisecond), and judges
// the output by its frames: how many, which source frame each matches best
// (luma PSNR at full size against its neighbours), the lowest PSNR of the
// re-encoded frames, a decode with -xerror, the sound's length, the colour
// flags and HDR mastering data of the first re-encoded and copied frames,
// and the re-encoded parts' bitrate against the source's over the same
// frames. Full range is compared as full range: squeezed on both sides, a
// part's squeezed levels would hide. For footage nobody here made, where the tests' tables hold
// only what can be generated.
//
//     bench_cutcheck SOURCE FIRST FRAMES [OUTPUT-FOLDER]
//     bench_cutcheck --remove [--options OPTIONS] SOURCE FIRST FRAMES [OUTPUT-FOLDER]
//
// With --remove, the frames are removed instead ("Remove Listed Parts"), and
// the join of what is left is judged frame by frame the same way; with
// --options, by a preset's options (one re-encoding run) instead of the
// smart preset.
//
// SNIPORA_PROGRAM_DIR names another program folder than the build's.
#include "recordingmessagesink.h"
#include "joinjob.h"
#include "smartcutjob.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

namespace {

// Below this luma PSNR against its own source frame a frame is another
// one, from further away than its near neighbours ("N?" in the list).
constexpr double kFarBelow = 25;

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

QSize shownSize(const QString &path)
{
    const QList<QByteArray> fields = TestSupport::ffprobe({"-select_streams", "v:0", "-show_entries",
                                                           "stream=width,height:stream_side_data=rotation", "-of",
                                                           "default=nw=1"},
                                                          path)
                                         .split('\n');
    int width = 0;
    int height = 0;
    int rotation = 0;
    for (const QByteArray &field : fields) {
        if (field.startsWith("width="))
            width = field.mid(6).toInt();
        else if (field.startsWith("height="))
            height = field.mid(7).toInt();
        else if (field.startsWith("rotation="))
            rotation = field.mid(9).toInt();
    }
    return std::abs(rotation) % 180 == 90 ? QSize(height, width) : QSize(width, height);
}

QByteArray colourFlags(const QString &path)
{
    return TestSupport::ffprobe({"-select_streams", "v:0", "-show_entries",
                                 "stream=pix_fmt,color_range,color_space,color_transfer,color_primaries,"
                                 "chroma_location",
                                 "-of", "compact=p=0:nk=0"},
                                path)
        .trimmed();
}

// The colour flags and HDR mastering data of the first `count` frames, one
// line each in the order shown.
QStringList frameColours(const QString &path, int count)
{
    const QString listing = QString::fromUtf8(TestSupport::ffprobe(
        {"-select_streams", "v:0", "-read_intervals", QStringLiteral("%+#%1").arg(count + 8), "-show_entries",
         "frame=color_range,color_space,color_primaries,color_transfer,chroma_location:frame_side_data=red_x,green_x,"
         "blue_x,white_point_x,max_luminance,min_luminance,max_content,max_average",
         "-of", "compact"},
        path));
    QStringList frames;
    for (const QString &frame : listing.split(QStringLiteral("frame|"), Qt::SkipEmptyParts)) {
        QStringList fields = frame.simplified().split(QRegularExpression(QStringLiteral("[| ]")), Qt::SkipEmptyParts);
        fields.removeAll(QStringLiteral("side_data"));
        frames << fields.join(u'|');
    }
    return frames.mid(0, count);
}

// Each frame's packet size in presentation order.
QList<qint64> frameSizes(const QString &path)
{
    QList<std::pair<double, qint64>> packets;
    const QList<QByteArray> lines = TestSupport::ffprobe({"-select_streams", "v:0", "-show_entries",
                                                          "packet=pts_time,size", "-of", "csv=p=0"},
                                                         path)
                                        .split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() >= 2)
            packets.append({fields.at(0).toDouble(), fields.at(1).toLongLong()});
    }
    std::stable_sort(packets.begin(), packets.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QList<qint64> sizes;
    for (const auto &packet : std::as_const(packets))
        sizes.append(packet.second);
    return sizes;
}

double psnr(double squaredError, const QSize &size)
{
    const double mse = squaredError / (double(size.width()) * size.height());
    return mse <= 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

// "Remove Listed Parts" of frames [first, first + frames): the join of what
// is left, each output frame against the source frame it should be.
int checkRemoval(const QString &source, int first, int frames, const QString &folder, const QString &programDir,
                 const QString &options)
{
    const QList<double> times = TestSupport::frameTimes(source);
    const auto mark = [&times](int frame) {
        return frame < times.size() ? std::round(times.at(frame) * 1000) / 1000 : times.last() + 1.0;
    };
    const QString output = folder + QStringLiteral("/joined.") + QFileInfo(source).suffix();
    RecordingMessageSink sink;
    JoinJob job(&sink, programDir);
    job.setMode(JoinJob::Mode::Remove);
    job.setOutputFile(output);
    job.setEncoderOptions(options);
    job.setParts({{source, mark(first), mark(first + frames) - mark(first)}});
    QObject::connect(&job, &JoinJob::CurrentStatus, [](const QString &status) { say(QStringLiteral("status: ") + status); });
    QElapsedTimer clock;
    clock.start();
    job.StartConversion();
    for (const auto &message : std::as_const(sink.messages))
        say(QStringLiteral("message: ") + message.text.right(400));
    QStringList parts;
    for (const Join::Part &part : job.LastParts())
        parts << QStringLiteral("%1+%2+%3").arg(part.plan.head.frames).arg(part.plan.middle.frames).arg(part.plan.tail.frames);
    const JoinJob::Result result = job.LastResult();
    say(QStringLiteral("took %1 s; %2; %3; parts (head+middle+tail) %4")
            .arg(clock.nsecsElapsed() / 1e9, 0, 'f', 1)
            .arg(result.outcome == JoinJob::Outcome::Completed ? QStringLiteral("completed") : QStringLiteral("failed"))
            .arg(result.fellBack ? QStringLiteral("fell back: ") + SmartCut::reasonText(result.fallbackReason) : QStringLiteral("smart"))
            .arg(parts.join(u' ')));
    // A failed join leaves its work folder's output behind: judge that too.
    QString judged = output;
    if (!QFileInfo::exists(judged)) {
        const QStringList left = QDir(folder).entryList({QStringLiteral(".snipora-join-*")}, QDir::Dirs | QDir::Hidden);
        for (const QString &work : left)
            for (const QString &file : QDir(folder + u'/' + work).entryList({QStringLiteral("joined.*")}, QDir::Files))
                judged = folder + u'/' + work + u'/' + file;
    }
    if (!QFileInfo::exists(judged))
        return 1;
    const QSize size = shownSize(source);
    const qsizetype frameBytes = qsizetype(size.width()) * size.height() * 3 / 2;
    const QByteArray original = TestSupport::decodedFrames(source);
    const QByteArray joined = TestSupport::decodedFrames(judged);
    const int sourceFrames = int(original.size() / frameBytes);
    const int joinedFrames = int(joined.size() / frameBytes);
    say(QStringLiteral("frames: %1 of %2 kept").arg(joinedFrames).arg(sourceFrames - frames));
    QStringList misplaced;
    for (int i = 0; i < joinedFrames; ++i) {
        const int at = std::min(i < first ? i : i + frames, sourceFrames - 1);
        const int offset = TestSupport::bestMatchOffset(sourceFrames, at, [&](int j) {
            return TestSupport::lumaError(joined, i, original, j, size.width(), size.height());
        });
        // A frame from elsewhere may still be closest to its own among near ones.
        const bool far = psnr(TestSupport::lumaError(joined, i, original, at, size.width(), size.height()), size) < kFarBelow;
        if (offset != 0 || far)
            misplaced << (far ? QStringLiteral("%1?").arg(i) : QStringLiteral("%1%2%3").arg(i).arg(offset > 0 ? "+" : "").arg(offset));
    }
    say(QStringLiteral("misplaced frames: %1 %2").arg(misplaced.size()).arg(misplaced.mid(0, 20).join(u' ')));
    return result.outcome == JoinJob::Outcome::Completed ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    const bool removal = args.removeAll(QStringLiteral("--remove")) > 0;
    QString options;
    if (const qsizetype at = args.indexOf(QStringLiteral("--options")); at > 0 && at + 1 < args.size()) {
        options = args.at(at + 1);
        args.remove(at, 2);
    }
    if (args.size() < 4) {
        say(QStringLiteral("usage: bench_cutcheck [--remove [--options OPTIONS]] SOURCE FIRST FRAMES [OUTPUT-FOLDER]"));
        return 2;
    }
    const QString source = QFileInfo(args.at(1)).absoluteFilePath();
    const int first = args.at(2).toInt();
    const int frames = args.at(3).toInt();
    QTemporaryDir scratch;
    const QString folder = args.size() > 4 ? args.at(4) : scratch.path();
    QDir().mkpath(folder);
    const QString output = folder + QStringLiteral("/cut.") + SmartCut::OutputExtension(source);
    // Another program folder (say, with an encoder that logs its command
    // lines) through SNIPORA_PROGRAM_DIR.
    const QString programDir = qEnvironmentVariableIsSet("SNIPORA_PROGRAM_DIR") ? qEnvironmentVariable("SNIPORA_PROGRAM_DIR")
                                                                                 : TestSupport::programDir();
    if (removal)
        return checkRemoval(source, first, frames, folder, programDir, options);

    const QList<double> times = TestSupport::frameTimes(source);
    const auto mark = [&times](int frame) {
        return frame < times.size() ? std::round(times.at(frame) * 1000) / 1000 : times.last() + 1.0;
    };
    if (first + frames > times.size()) {
        say(QStringLiteral("the source has %1 frames").arg(times.size()));
        return 2;
    }
    RecordingMessageSink sink;
    SmartCutJob job(&sink, programDir);
    job.setInputFile(source);
    job.setOutputFile(output);
    job.setStart(mark(first));
    job.setLength(mark(first + frames) - mark(first));
    QObject::connect(&job, &SmartCutJob::CurrentStatus, [](const QString &status) { say(QStringLiteral("status: ") + status); });
    QElapsedTimer clock;
    clock.start();
    job.StartConversion();
    const double took = clock.nsecsElapsed() / 1e9;
    for (const auto &message : std::as_const(sink.messages))
        say(QStringLiteral("message: ") + message.text);
    const SmartCut::Plan plan = job.LastPlan();
    say(QStringLiteral("took %1 s; %2; head %3, middle %4, tail %5 frames")
            .arg(took, 0, 'f', 1)
            .arg(job.LastResult().fellBack ? QStringLiteral("fell back: ") + SmartCut::reasonText(job.LastResult().fallbackReason)
                                           : QStringLiteral("smart"))
            .arg(plan.head.frames)
            .arg(plan.middle.frames)
            .arg(plan.tail.frames));
    if (job.LastResult().outcome != SmartCutJob::Outcome::Completed)
        return 1;

    const QByteArray decodeErrors = TestSupport::runTool({TestSupport::systemFfmpeg(), "-v", "error", "-xerror", "-i",
                                                         output, "-map", "0:v", "-map", "0:a?", "-fps_mode", "passthrough",
                                                         "-enc_time_base:v", "-1", "-f", "null", "-"});
    say(QStringLiteral("-xerror decode: ") + (decodeErrors.trimmed().isEmpty() ? QStringLiteral("clean")
                                                                               : QString::fromUtf8(decodeErrors.trimmed())));
    const QSize size = shownSize(source);
    const qsizetype frameBytes = qsizetype(size.width()) * size.height() * 3 / 2;
    const QByteArray flags = colourFlags(source);
    const QString range = flags.contains("color_range=pc") || flags.contains("yuvj") ? QStringLiteral("scale=out_range=pc")
                                                                                      : QString();
    const QByteArray original = TestSupport::decodedFrames(source, range);
    const QByteArray cut = TestSupport::decodedFrames(output, range);
    const int cutFrames = int(cut.size() / frameBytes);
    say(QStringLiteral("frames: %1 of %2 marked").arg(cutFrames).arg(frames));
    const int sourceFrames = int(original.size() / frameBytes);
    QStringList misplaced;
    double worst = 99;
    int worstAt = -1;
    const bool fellBack = job.LastResult().fellBack;
    for (int i = 0; i < cutFrames; ++i) {
        const int at = first + i;
        const auto errorAt = [&](int j) { return TestSupport::lumaError(cut, i, original, j, size.width(), size.height()); };
        const int offset = TestSupport::bestMatchOffset(sourceFrames, std::min(at, sourceFrames - 1), errorAt);
        const bool far = at < sourceFrames && psnr(errorAt(at), size) < kFarBelow;
        if (offset != 0 || at >= sourceFrames || far)
            misplaced << (far ? QStringLiteral("%1?").arg(i) : QStringLiteral("%1%2%3").arg(i).arg(offset > 0 ? "+" : "").arg(offset));
        const bool copied = !fellBack && i >= plan.head.frames && i < plan.head.frames + plan.middle.frames;
        if (!copied && at < sourceFrames) {
            const double value = psnr(errorAt(at), size);
            if (value < worst) {
                worst = value;
                worstAt = i;
            }
        }
    }
    say(QStringLiteral("misplaced frames: %1 %2").arg(misplaced.size()).arg(misplaced.mid(0, 20).join(u' ')));
    if (worstAt >= 0)
        say(QStringLiteral("lowest re-encoded luma PSNR: %1 dB (frame %2)").arg(worst, 0, 'f', 2).arg(worstAt));

    const QList<double> cutTimes = TestSupport::frameTimes(output);
    double drift = 0;
    for (int i = 0; i < std::min<int>(cutTimes.size(), frames); ++i)
        drift = std::max(drift, std::abs(cutTimes.at(i) - cutTimes.at(0) - (times.at(first + i) - times.at(first))));
    say(QStringLiteral("largest frame time error: %1 ms").arg(drift * 1000, 0, 'f', 2));
    say(QStringLiteral("picture %1 s, sound %2 s")
            .arg(plan.length, 0, 'f', 3)
            .arg(TestSupport::soundSeconds(output), 0, 'f', 3));
    say(QStringLiteral("source colour: ") + QString::fromUtf8(colourFlags(source)));
    say(QStringLiteral("output colour: ") + QString::fromUtf8(colourFlags(output)));
    // Frame by frame: the head's first, the middle's first, the tail's first.
    const QStringList sourceColours = frameColours(source, 1);
    const QStringList cutColours = frameColours(output, plan.head.frames + plan.middle.frames + 1);
    say(QStringLiteral("source frame 0: ") + sourceColours.value(0));
    for (const int at : {0, plan.head.frames, plan.head.frames + plan.middle.frames})
        if (at < cutColours.size() && (at == 0 || !fellBack))
            say(QStringLiteral("output frame %1: %2%3")
                    .arg(at)
                    .arg(cutColours.at(at))
                    .arg(cutColours.at(at) == sourceColours.value(0) ? QStringLiteral(" (same)") : QStringLiteral(" (DIFFERS)")));

    // The re-encoded ends' bits against the source's over the same frames.
    const QList<qint64> sourceSizes = frameSizes(source);
    const QList<qint64> cutSizes = frameSizes(output);
    const auto ratio = [&](int from, int count) {
        qint64 ours = 0;
        qint64 theirs = 0;
        for (int i = from; i < from + count && i < cutSizes.size() && first + i < sourceSizes.size(); ++i) {
            ours += cutSizes.at(i);
            theirs += sourceSizes.at(first + i);
        }
        return theirs > 0 ? double(ours) / theirs : 0.0;
    };
    if (fellBack) {
        say(QStringLiteral("bitrate against the source's: %1").arg(ratio(0, cutFrames), 0, 'f', 2));
    } else {
        say(QStringLiteral("bitrate against the source's: head %1, tail %2")
                .arg(ratio(0, plan.head.frames), 0, 'f', 2)
                .arg(ratio(plan.head.frames + plan.middle.frames, plan.tail.frames), 0, 'f', 2));
    }
    return 0;
}
