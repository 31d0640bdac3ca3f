// Smart cuts of generated clips through the real encoder: exact frames, copied
// frames bit for bit, re-encoded frames in their places, sound as long as the
// picture, clean decoding, and nothing left behind by a Stop.
#include "smartcutjob.h"
#include "recordingmessagesink.h"
#include "testsupport.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

constexpr int kFps = 25;
constexpr int kGop = 25;     // a keyframe every second
constexpr int kFrames = 100; // 4 s
constexpr int kWidth = 160;
constexpr int kHeight = 90;
constexpr qsizetype kFrameBytes = kWidth * kHeight * 3 / 2;

QByteArray run(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(120000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAll();
}

// Every decoded picture, as yuv420p, one after another.
QByteArray decodedFrames(const QString &path)
{
    QProcess process;
    process.start(TestSupport::systemFfmpeg(), {"-v", "error", "-i", path, "-map", "0:v:0", "-fps_mode",
                                                "passthrough", "-f", "rawvideo", "-pix_fmt", "yuv420p", "-"});
    process.waitForFinished(120000);
    return process.readAllStandardOutput();
}

double lumaError(const QByteArray &a, qsizetype i, const QByteArray &b, qsizetype j)
{
    const char *p = a.constData() + i * kFrameBytes;
    const char *q = b.constData() + j * kFrameBytes;
    double sum = 0;
    for (int k = 0; k < kWidth * kHeight; ++k) {
        const double d = double(uchar(p[k])) - double(uchar(q[k]));
        sum += d * d;
    }
    return sum;
}

// The decoded sound's length: what a player hears, the encoder delay and
// padding that the container marks already taken off.
double soundSeconds(const QString &path)
{
    QProcess process;
    process.start(TestSupport::systemFfmpeg(), {"-v", "error", "-i", path, "-map", "0:a:0", "-f", "s16le", "-ac", "1",
                                                "-ar", "48000", "-"});
    process.waitForFinished(120000);
    return process.readAllStandardOutput().size() / 2 / 48000.0;
}

} // namespace

class TestSmartCut final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cut_data();
    void cut();

private:
    QTemporaryDir m_dir;
    QHash<QString, QByteArray> m_sourceFrames;
};

void TestSmartCut::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QStringList picture{"-f", "lavfi", "-i",
                              QStringLiteral("testsrc2=size=%1x%2:rate=%3").arg(kWidth).arg(kHeight).arg(kFps),
                              "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100", "-frames:v",
                              QString::number(kFrames), "-t", QString::number(kFrames / kFps), "-pix_fmt", "yuv420p"};
    const QString x265 = QStringLiteral("keyint=%1:min-keyint=%1:scenecut=0:log-level=error").arg(kGop);
    const QList<std::pair<QString, QStringList>> sources{
        {"h264 b-frames.mp4",
         {"-c:v", "libx264", "-g", "25", "-keyint_min", "25", "-sc_threshold", "0", "-c:a", "aac"}},
        {"h264 no b-frames.mkv",
         {"-c:v", "libx264", "-bf", "0", "-g", "25", "-keyint_min", "25", "-sc_threshold", "0", "-c:a", "aac"}},
        {"hevc.mp4", {"-c:v", "libx265", "-x265-params", x265 + ":open-gop=0", "-c:a", "aac"}},
        {"hevc open.mkv", {"-c:v", "libx265", "-x265-params", x265, "-c:a", "aac"}},
        {"mpeg2.mpg", {"-c:v", "mpeg2video", "-g", "25", "-bf", "2", "-q:v", "4", "-c:a", "mp2"}}};
    for (const auto &[name, options] : sources) {
        const QString path = m_dir.filePath(name);
        int code = 0;
        const QByteArray log =
            run(TestSupport::systemFfmpeg(), QStringList{"-v", "error", "-y"} + picture + options + QStringList{path},
                &code);
        QVERIFY2(code == 0, log.constData());
        m_sourceFrames.insert(name, decodedFrames(path));
        QCOMPARE(m_sourceFrames.value(name).size(), kFrames * kFrameBytes);
    }
}

void TestSmartCut::cut_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("first");    // the range in frames; times are frames / 25
    QTest::addColumn<int>("frames");
    QTest::addColumn<bool>("fallback");
    QTest::addColumn<QString>("stopAt"); // the status of the step to stop in

    const QString b = "h264 b-frames.mp4";
    const QString noB = "h264 no b-frames.mkv";
    QTest::newRow("B-frames, on a keyframe") << b << 25 << 35 << false << "";
    QTest::newRow("B-frames, a frame before a keyframe") << b << 24 << 52 << false << "";
    QTest::newRow("B-frames, a frame after a keyframe") << b << 26 << 50 << false << "";
    QTest::newRow("B-frames, from 0") << b << 0 << 37 << false << "";
    QTest::newRow("B-frames, to the end") << b << 70 << 30 << false << "";
    QTest::newRow("B-frames, inside one group") << b << 30 << 10 << true << "";
    QTest::newRow("no B-frames, a frame before a keyframe") << noB << 49 << 27 << false << "";
    QTest::newRow("no B-frames, whole seconds") << noB << 25 << 50 << false << "";
    QTest::newRow("HEVC, a frame before a keyframe") << "hevc.mp4" << 24 << 52 << false << "";
    QTest::newRow("HEVC, a frame after a keyframe to the end") << "hevc.mp4" << 26 << 74 << false << "";
    QTest::newRow("HEVC with open GOPs") << "hevc open.mkv" << 10 << 60 << true << "";
    QTest::newRow("MPEG-2") << "mpeg2.mpg" << 10 << 60 << true << "";
    for (const char *step : {"Reading keyframes", "Re-encoding up to", "Copying between", "Re-encoding after",
                             "Joining", "Exact cut by re-encoding"}) {
        const bool whole = QByteArray(step).startsWith("Exact");
        QTest::addRow("Stop: %s", step) << b << (whole ? 30 : 24) << (whole ? 10 : 52) << whole << step;
    }
}

void TestSmartCut::cut()
{
    QFETCH(QString, source);
    QFETCH(int, first);
    QFETCH(int, frames);
    QFETCH(bool, fallback);
    QFETCH(QString, stopAt);

    const QString folder = m_dir.filePath(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(folder));
    const QString output = folder + "/cut." + SmartCut::OutputExtension(source);
    RecordingMessageSink sink;
    SmartCutJob job(&sink, TestSupport::programDir());
    job.setInputFile(m_dir.filePath(source));
    job.setOutputFile(output);
    job.setStart(double(first) / kFps);
    job.setLength(double(frames) / kFps);
    QStringList statuses;
    QList<int> percents;
    connect(&job, &SmartCutJob::Progress, this, [&percents](int p) { percents << p; });
    connect(&job, &SmartCutJob::CurrentStatus, this, [&](const QString &status) {
        statuses << status;
        // Stopped from the event passes the step runs, as a Stop click is.
        if (!stopAt.isEmpty() && status.startsWith(stopAt))
            QTimer::singleShot(0, &job, &SmartCutJob::StopConversion);
    });
    job.StartConversion();
    QVERIFY2(sink.messages.isEmpty(), qPrintable(sink.messages.value(0).text));

    if (!stopAt.isEmpty()) {
        QCOMPARE(job.LastResult().outcome, SmartCutJob::Outcome::Stopped);
        QCOMPARE(statuses.last(), QStringLiteral("Cancelled"));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
        return;
    }
    QCOMPARE(job.LastResult().outcome, SmartCutJob::Outcome::Completed);
    QCOMPARE(job.LastResult().fellBack, fallback);
    QCOMPARE(statuses.filter(SmartCut::kReEncodeStatus).size(), fallback ? 1 : 0);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList("cut." + SmartCut::OutputExtension(source)));
    QVERIFY(std::is_sorted(percents.begin(), percents.end()) && percents.last() == 100);

    // The copied groups are the ones between the keyframes inside the range.
    const SmartCut::Plan plan = job.LastPlan();
    const int copyFrom = (first + kGop - 1) / kGop * kGop;
    const int copyTo = (first + frames) / kGop * kGop;
    const int head = fallback ? frames : copyFrom - first;
    const int middle = fallback ? 0 : copyTo - copyFrom;
    QCOMPARE(plan.frames, frames);
    QCOMPARE(plan.head.frames, head);
    QCOMPARE(plan.middle.frames, middle);

    int code = 0;
    QCOMPARE(run(TestSupport::systemFfmpeg(), {"-v", "error", "-xerror", "-i", output, "-f", "null", "-"}, &code),
             QByteArray());
    QCOMPARE(code, 0);

    const QByteArray cut = decodedFrames(output);
    const QByteArray &original = m_sourceFrames[source];
    QCOMPARE(cut.size(), frames * kFrameBytes);
    for (int i = 0; i < frames; ++i) {
        const qsizetype at = first + i;
        if (i >= head && i < head + middle) {
            QVERIFY2(cut.mid(i * kFrameBytes, kFrameBytes) == original.mid(at * kFrameBytes, kFrameBytes),
                     qPrintable(QStringLiteral("copied frame %1 differs").arg(i)));
            continue;
        }
        // A re-encoded picture is closest to the source's picture in its place.
        const double own = lumaError(cut, i, original, at);
        for (const qsizetype other : {at - 1, at + 1})
            if (other >= 0 && other < kFrames)
                QVERIFY2(own < lumaError(cut, i, original, other), qPrintable(QStringLiteral("frame %1").arg(i)));
    }
    // Sound and picture end together, to within one sound frame.
    const double sound = soundSeconds(output);
    QVERIFY2(qAbs(sound - double(frames) / kFps) <= 1024.0 / 44100, qPrintable(QString::number(sound)));
}

QTEST_GUILESS_MAIN(TestSmartCut)
#include "tst_smartcut.moc"
