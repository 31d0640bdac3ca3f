// Smart cut benchmark: prints figures, asserts nothing.
// A long H.264 clip with 10-second groups of pictures is cut from an
// off-keyframe start to an off-keyframe end three ways, one after another in
// one run: the smart cut, a full re-encode with the "H.264 1080p" preset of
// "Web video (MP4)" (its options read from presets.xml), and a plain stream
// copy. Then a range inside one group, which the smart cut must re-encode
// whole. Targets: the smart cut takes at most a quarter of the re-encode, and
// the whole-range fallback keeps up with the source's frame rate.
// The clip is grainy, as a camera's is, unless "plain": the grain costs the
// re-encoded ends more than it costs the preset's lower quality.
//
//     bench_smartcut [height] [minutes] [grain|plain]   (default 1080 10 grain; 1080 2 is quicker)
#include "cvideoconv.h"
#include "recordingmessagesink.h"
#include "smartcutjob.h"
#include "smartcutoptions.h"
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

[[noreturn]] void fail(const QString &what)
{
    std::fprintf(stderr, "%s\n", qPrintable(what));
    std::exit(1);
}

QString makeSource(const QString &dir, int height, int minutes, bool grain)
{
    const QString path = dir + QStringLiteral("/source.mp4");
    const int seconds = minutes * 60;
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start(TestSupport::systemFfmpeg(),
                 {"-v", "error", "-y", "-f", "lavfi", "-i",
                  QStringLiteral("testsrc2=size=%1x%2:rate=25").arg(height * 16 / 9 / 2 * 2).arg(height)
                      + (grain ? QStringLiteral(",noise=alls=8:allf=t") : QString()),
                  "-f",
                  "lavfi", "-i", "sine=frequency=440:sample_rate=48000", "-t", QString::number(seconds), "-c:v",
                  "libx264", "-preset", "veryfast", "-g", "250", "-keyint_min", "250", "-sc_threshold", "0",
                  "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "128k", path});
    if (!ffmpeg.waitForFinished(-1) || ffmpeg.exitCode() != 0)
        fail(QStringLiteral("could not make the source clip"));
    return path;
}

double timeCut(CVideoConv &job, RecordingMessageSink &sink)
{
    QElapsedTimer clock;
    clock.start();
    job.StartConversion();
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (!sink.messages.isEmpty())
        fail(sink.messages.first().text);
    return seconds;
}

// A preset's options from the shipped catalogue.
QString presetParams(const QString &category, const QString &label)
{
    QFile file(TestSupport::sourceDir() + QStringLiteral("/format/catalogue/presets.xml"));
    if (!file.open(QIODevice::ReadOnly))
        fail(file.fileName() + QStringLiteral(": ") + file.errorString());
    static const QRegularExpression block(
        QStringLiteral("<label>(.*)</label>\\s*<params>(.*)</params>\\s*<extension>.*</extension>\\s*"
                       "<category>(.*)</category>"));
    auto matches = block.globalMatch(QString::fromUtf8(file.readAll()));
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        if (match.captured(1) == label && match.captured(3) == category)
            return match.captured(2);
    }
    fail(QStringLiteral("no preset ") + label);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int height = args.size() > 1 ? args.at(1).toInt() : 1080;
    const int minutes = args.size() > 2 ? args.at(2).toInt() : 10;
    const bool grain = args.size() <= 3 || args.at(3) != u"plain";
    if (height < 90 || minutes < 2)
        fail(QStringLiteral("usage: bench_smartcut [height >= 90] [minutes >= 2]"));
    // Off the 10-second keyframes at both ends; half the clip.
    const double start = minutes * 6.0 + 1.32;
    const double length = minutes * 30.0;

    QTemporaryDir dir;
    const QString programDir = TestSupport::programDir();
    std::printf("making a %d-minute %dp %s clip with 10 s groups of pictures...\n", minutes, height,
                grain ? "grainy" : "plain");
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    const QString source = makeSource(dir.path(), height, minutes, grain);
    std::printf("  made in %.1f s\n", clock.nsecsElapsed() / 1e9);

    const QString cut = QStringLiteral(" -ss %1 -t %2 -y").arg(start).arg(length);

    RecordingMessageSink smartSink;
    SmartCutJob smart(&smartSink, programDir);
    smart.setInputFile(source);
    smart.setOutputFile(dir.path() + QStringLiteral("/smart.mp4"));
    smart.setStart(start);
    smart.setLength(length);
    // Where the smart cut's time goes: each status starts a step.
    QStringList steps;
    QList<double> stepStarts;
    QObject::connect(&smart, &SmartCutJob::CurrentStatus, &smart, [&](const QString &status) {
        steps << status;
        stepStarts << clock.nsecsElapsed() / 1e9;
    });
    clock.start();
    smart.StartConversion();
    const double smartSeconds = clock.nsecsElapsed() / 1e9;
    if (smart.LastResult().outcome != SmartCutJob::Outcome::Completed || smart.LastResult().fellBack)
        fail(QStringLiteral("the smart cut did not complete as a smart cut: ") + smart.LastResult().fallbackReason
             + smartSink.messages.value(0).text);
    const SmartCut::Plan plan = smart.LastPlan();
    for (qsizetype i = 0; i < steps.size(); ++i)
        std::printf("  %-40s %7.2f s\n", qPrintable(steps.at(i)),
                    (i + 1 < steps.size() ? stepStarts.at(i + 1) : smartSeconds) - stepStarts.at(i));

    RecordingMessageSink encodeSink;
    CVideoConv encode(&encodeSink, programDir);
    encode.setInputFile(source);
    encode.setOutputFile(dir.path() + QStringLiteral("/reencoded.mp4"));
    encode.setFileTimeLength(float(length));
    encode.setParametrs(presetParams(QStringLiteral("Web video (MP4)"), QStringLiteral("H.264 1080p")) + cut);
    encode.setFastSeek(true); // the re-encode's fastest form: no decoding up to the start
    const double encodeSeconds = timeCut(encode, encodeSink);

    RecordingMessageSink copySink;
    CVideoConv copy(&copySink, programDir);
    copy.setInputFile(source);
    copy.setOutputFile(dir.path() + QStringLiteral("/copied.mkv"));
    copy.setFileTimeLength(float(length));
    copy.setParametrs(presetParams(QStringLiteral("Keep original"), QStringLiteral("Original quality (no re-encoding)"))
                      + cut);
    const double copySeconds = timeCut(copy, copySink);

    std::printf("cut %.2f s to %.2f s (%d frames: %d re-encoded at the start, %d copied, %d re-encoded at the end)\n",
                start, start + length, plan.frames, plan.head.frames, plan.middle.frames, plan.tail.frames);
    std::printf("%-34s %10s %18s %14s\n", "", "wall (s)", "x smart cut", "x stream copy");
    std::printf("%-34s %10.2f %18.3f %14.2f\n", "smart cut", smartSeconds, 1.0, smartSeconds / copySeconds);
    std::printf("%-34s %10.2f %18.3f %14.2f\n", "re-encode (H.264 1080p preset)", encodeSeconds,
                encodeSeconds / smartSeconds, encodeSeconds / copySeconds);
    std::printf("%-34s %10.2f %18.3f %14.2f\n", "stream copy (keyframe-bound)", copySeconds,
                copySeconds / smartSeconds, 1.0);
    std::printf("smart cut / re-encode = %.3f (target <= 0.25)\n", smartSeconds / encodeSeconds);

    // Eight seconds inside one group of pictures: no keyframe to copy from,
    // so the whole range is re-encoded with the encoder matching the source's.
    RecordingMessageSink wholeSink;
    SmartCutJob whole(&wholeSink, programDir);
    whole.setInputFile(source);
    whole.setOutputFile(dir.path() + QStringLiteral("/whole.mp4"));
    whole.setStart(minutes * 6.0 + 11.32);
    whole.setLength(8.0);
    clock.start();
    whole.StartConversion();
    const double wholeSeconds = clock.nsecsElapsed() / 1e9;
    if (whole.LastResult().outcome != SmartCutJob::Outcome::Completed || !whole.LastResult().fellBack)
        fail(QStringLiteral("the range inside one group was not re-encoded whole: ") + wholeSink.messages.value(0).text);
    const int wholeFrames = whole.LastPlan().frames;
    std::printf("whole-range fallback: %d frames in %.2f s = %.1f fps, %.2f x the source's 25 fps\n"
                "  (with the decoding of the group before the range, which the fallback trims by frame times)\n",
                wholeFrames, wholeSeconds, wholeFrames / wholeSeconds, wholeFrames / wholeSeconds / 25);
    // The fallback's encoder alone on the same frames, from the keyframe.
    const QString probe = QString::fromUtf8(TestSupport::runTool(
        {TestSupport::systemFfprobe(), "-v", "error", "-select_streams", "v:0", "-show_entries",
         "stream=codec_name,profile,pix_fmt,width,height,color_range,color_space,color_transfer,color_primaries,"
         "r_frame_rate,bit_rate", "-of", "compact", source}));
    SmartCut::VideoStream video = SmartCut::parseProbe(probe).video;
    video.bitrate = QRegularExpression(QStringLiteral("bit_rate=(\\d+)")).match(probe).captured(1).toDouble();
    const QStringList encoderAlone = QStringList{TestSupport::systemFfmpeg(), "-v", "error", "-ss", QString::number(minutes * 6.0 + 10),
                                           "-i", source, "-frames:v", QString::number(wholeFrames), "-an"}
                               + SmartCut::matchingVideoCodec(video).split(u' ', Qt::SkipEmptyParts)
                               + QStringList{"-f", "null", "-"};
    clock.start();
    const bool encoded = !TestSupport::runTool(encoderAlone).isEmpty();
    const double encodeOnly = clock.nsecsElapsed() / 1e9;
    std::printf("  its encoder alone (%s): %.1f fps, %.2f x the source's 25 fps (target >= 1)%s\n",
                qPrintable(SmartCut::matchingVideoCodec(video).trimmed()), wholeFrames / encodeOnly,
                wholeFrames / encodeOnly / 25, encoded ? "" : " (FAILED)");
    return 0;
}
