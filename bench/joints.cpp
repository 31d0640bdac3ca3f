// Quality at the smart cut's joints: prints figures, asserts nothing.
// Three grainy sources of low, middle and high bitrate (H.264 with B-frames,
// a keyframe every 2 s) are smart-cut from mid-group to mid-group. For the
// re-encoded head and tail it prints their PSNR against their own source
// frames and their bitrate against the source's over the same frames.
// Targets: at least 40 dB, and a bitrate within half to twice the source's.
//
//     bench_joints
#include "recordingmessagesink.h"
#include "smartcutjob.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#include <algorithm>

namespace {

[[noreturn]] void fail(const QString &what)
{
    std::fprintf(stderr, "%s\n", qPrintable(what));
    std::exit(1);
}

// The average PSNR of the cut's frames [from, to) against the source's frames
// from sourceStart on, over all three planes.
double psnr(const QString &cut, const QString &source, double sourceStart, int from, int to)
{
    // The filter reports on standard error.
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.start(TestSupport::systemFfmpeg(),
                 {"-v", "info", "-nostats", "-i", cut, "-ss", QString::number(sourceStart, 'f', 6), "-i", source,
                  "-lavfi",
                  QStringLiteral("[0:v]trim=start_frame=%1:end_frame=%2,setpts=PTS-STARTPTS[a];"
                                 "[1:v]trim=start_frame=%1:end_frame=%2,setpts=PTS-STARTPTS[b];[a][b]psnr")
                      .arg(from)
                      .arg(to),
                  "-f", "null", "-"});
    ffmpeg.waitForFinished(-1);
    static const QRegularExpression average(QStringLiteral("average:([0-9.]+)"));
    return average.match(QString::fromUtf8(ffmpeg.readAll())).captured(1).toDouble();
}

// The bits per second of the video packets shown in [from, to) frames of path.
double bitrate(const QString &path, int from, int to, double frameDuration)
{
    const QList<QByteArray> lines =
        TestSupport::ffprobe({"-select_streams", "v:0", "-show_entries", "packet=pts_time,size", "-of", "csv=p=0"}, path)
            .split('\n');
    QList<std::pair<double, qint64>> packets;
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() >= 2)
            packets.append({fields.at(0).toDouble(), fields.at(1).toLongLong()});
    }
    std::sort(packets.begin(), packets.end());
    qint64 bytes = 0;
    for (int i = from; i < to && i < packets.size(); ++i)
        bytes += packets.at(i).second;
    return bytes * 8.0 / ((to - from) * frameDuration);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        fail(QStringLiteral("no temporary folder"));
    std::printf("%-8s %5s %9s %9s %6s %9s %9s %6s\n", "source", "crf", "head dB", "tail dB", "", "head x", "tail x",
                "");
    for (const int crf : {32, 24, 17}) {
        const QString source = dir.filePath(QStringLiteral("source%1.mp4").arg(crf));
        const QByteArray made = TestSupport::runTool(
            {TestSupport::systemFfmpeg(), "-v", "error", "-y", "-f", "lavfi", "-i",
             "testsrc2=size=640x360:rate=25,noise=alls=12:allf=t", "-t", "10", "-c:v", "libx264", "-preset", "medium",
             "-crf", QString::number(crf), "-g", "50", "-keyint_min", "50", "-sc_threshold", "0", "-pix_fmt",
             "yuv420p", source});
        if (made.isEmpty())
            fail(QStringLiteral("could not make the source clip"));
        RecordingMessageSink sink;
        SmartCutJob job(&sink, TestSupport::programDir());
        job.setInputFile(source);
        job.setOutputFile(dir.filePath(QStringLiteral("cut%1.mp4").arg(crf)));
        job.setStart(0.6);   // frame 15: 35 frames before the keyframe at 2 s
        job.setLength(7.6);  // to frame 205: 5 frames after the keyframe at 8 s
        job.StartConversion();
        if (!sink.messages.isEmpty() || job.LastResult().outcome != SmartCutJob::Outcome::Completed)
            fail(QStringLiteral("the cut failed: ") + sink.messages.value(0).text);
        const SmartCut::Plan plan = job.LastPlan();
        const int head = plan.head.frames;
        const int tailFrom = head + plan.middle.frames;
        const double d = plan.frameDuration;
        const QString cut = job.OutputFile();
        const double headDb = psnr(cut, source, plan.start, 0, head);
        const double tailDb = psnr(cut, source, plan.start, tailFrom, plan.frames);
        const double headRatio = bitrate(cut, 0, head, d) / plan.head.bitrate;
        const double tailRatio = bitrate(cut, tailFrom, plan.frames, d) / plan.tail.bitrate;
        std::printf("%-8s %5d %9.1f %9.1f %6s %9.2f %9.2f %6s   (source %.0f kbit/s over the head)\n",
                    crf == 32 ? "low" : crf == 24 ? "middle" : "high", crf, headDb, tailDb,
                    headDb >= 40 && tailDb >= 40 ? "ok" : "LOW", headRatio, tailRatio,
                    headRatio >= 0.5 && headRatio <= 2 && tailRatio >= 0.5 && tailRatio <= 2 ? "ok" : "OUT",
                    plan.head.bitrate / 1000);
    }
    return 0;
}
