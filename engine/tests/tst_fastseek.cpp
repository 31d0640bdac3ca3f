// Cuts with the start before and after the input, checked on what the real
// encoder makes of them.
#include "cvideoconv.h"
#include "recordingmessagesink.h"
#include "testsupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

constexpr double kFrameSeconds = 1.0 / 25;

// The encoder's framemd5 line of the first video frame at or after atSeconds
// of the decoded file, found by timestamps rather than by seeking; its hash of
// the picture is the last field. Empty when the file holds no such frame.
QByteArray pictureHash(const QString &path, double atSeconds)
{
    QProcess encoder;
    encoder.start(TestSupport::systemFfmpeg(),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path, QStringLiteral("-map"),
                   QStringLiteral("0:v:0"), QStringLiteral("-vf"),
                   QStringLiteral("select=gte(t\\,%1)").arg(atSeconds), QStringLiteral("-frames:v"),
                   QStringLiteral("1"), QStringLiteral("-f"), QStringLiteral("framemd5"), QStringLiteral("-")});
    if (!encoder.waitForFinished(60000) || encoder.exitCode() != 0)
        return {};
    const QList<QByteArray> lines = encoder.readAllStandardOutput().trimmed().split('\n');
    if (lines.isEmpty() || lines.last().startsWith('#'))
        return {};
    return lines.last().split(',').last().trimmed();
}

struct Cut
{
    QString output;
    QList<int> percents;
    QStringList messages;
};

} // namespace

class TestFastSeek final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sameFirstFrame_data();
    void sameFirstFrame();
    void copyKeepsItsOpening_data();
    void copyKeepsItsOpening();
    void progressCountsFromTheStart_data();
    void progressCountsFromTheStart();

private:
    Cut cut(const QString &parametrs, bool fastSeek, float length, const QString &name);

    QTemporaryDir m_dir;
    QString m_clip;
};

void TestFastSeek::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(!TestSupport::linkRealEncoder(m_dir.path()).isEmpty());
    // 20 s with keyframes only at 0 and 10 s, and no reordered frames, so that
    // a start between them is a real test and a copy's frames stay in order.
    m_clip = m_dir.filePath(QStringLiteral("gop250.mp4"));
    QProcess encoder;
    encoder.start(TestSupport::systemFfmpeg(),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                   QStringLiteral("-i"), QStringLiteral("testsrc=size=160x120:rate=25:duration=20"),
                   QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                   QStringLiteral("sine=frequency=440:sample_rate=44100:duration=20"), QStringLiteral("-c:v"),
                   QStringLiteral("mpeg4"), QStringLiteral("-q:v"), QStringLiteral("5"), QStringLiteral("-g"),
                   QStringLiteral("250"), QStringLiteral("-bf"), QStringLiteral("0"), QStringLiteral("-c:a"),
                   QStringLiteral("aac"), QStringLiteral("-shortest"), m_clip});
    QVERIFY(encoder.waitForFinished(120000) && encoder.exitCode() == 0);
    const QByteArray keyframes =
        TestSupport::ffprobe({QStringLiteral("-select_streams"), QStringLiteral("v"), QStringLiteral("-skip_frame"),
                              QStringLiteral("nokey"), QStringLiteral("-show_entries"),
                              QStringLiteral("frame=pts_time"), QStringLiteral("-of"), QStringLiteral("csv=p=0")},
                             m_clip);
    QCOMPARE(keyframes.simplified(), QByteArray("0.000000 10.000000"));
}

Cut TestFastSeek::cut(const QString &parametrs, bool fastSeek, float length, const QString &name)
{
    RecordingMessageSink sink;
    CVideoConv job(&sink, m_dir.path());
    Cut result;
    result.output = m_dir.filePath(name);
    job.setInputFile(m_clip);
    job.setOutputFile(result.output);
    job.setFileTimeLength(length);
    job.setParametrs(parametrs);
    job.setFastSeek(fastSeek);
    connect(&job, &CVideoConv::Progress, this, [&result](int p) { result.percents << p; });
    job.StartConversion();
    for (const auto &message : sink.messages)
        result.messages << message.text;
    return result;
}

void TestFastSeek::sameFirstFrame_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<int>("start");

    const QString custom = QStringLiteral("-ar 44100 -ab 64000 -ac 2 -b 196000 -s qvga -aspect 4:3 -r 25");
    const QString h264 = QStringLiteral("-vf crop=trunc(iw/2)*2:trunc(ih/2)*2 -c:v libx264 -preset fast -crf 23 "
                                        "-pix_fmt yuv420p -c:a aac -b:a 160k");
    QTest::newRow("custom line, from the first keyframe") << custom << "avi" << 0;
    QTest::newRow("custom line, between keyframes") << custom << "avi" << 7;
    QTest::newRow("custom line, on the second keyframe") << custom << "avi" << 10;
    QTest::newRow("H.264 preset, between keyframes") << h264 << "mp4" << 3;
    QTest::newRow("H.264 preset, after the last keyframe") << h264 << "mp4" << 16;
}

void TestFastSeek::sameFirstFrame()
{
    QFETCH(QString, options);
    QFETCH(QString, extension);
    QFETCH(int, start);
    const QString parametrs = options + QStringLiteral(" -ss %1 -t 2 -y").arg(start);

    const Cut slow = cut(parametrs, false, 2.f, QStringLiteral("after.") + extension);
    const Cut fast = cut(parametrs, true, 2.f, QStringLiteral("before.") + extension);
    QVERIFY2(slow.messages.isEmpty() && fast.messages.isEmpty(),
             qPrintable((slow.messages + fast.messages).join(u'\n')));
    const QByteArray slowFirst = pictureHash(slow.output, 0);
    QVERIFY(!slowFirst.isEmpty());
    QCOMPARE(pictureHash(fast.output, 0), slowFirst);
    const double slowLength = TestSupport::probeDuration(slow.output);
    QVERIFY(qAbs(TestSupport::probeDuration(fast.output) - slowLength) < 2 * kFrameSeconds);
}

void TestFastSeek::copyKeepsItsOpening_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    // Where the picture at the start lies in the cut, and so how much longer
    // than marked the cut is: Matroska has no edit list to hide the frames
    // from the keyframe before the start, so they stay in the cut.
    QTest::addColumn<int>("leadIn");

    const QString preset = QStringLiteral("-map 0:v? -map 0:a? -c copy");
    QTest::newRow("copy preset, MP4, between keyframes") << preset << "mp4" << 7 << 5 << 0;
    QTest::newRow("copy preset, MP4, after the last keyframe") << preset << "mp4" << 13 << 4 << 0;
    QTest::newRow("copy preset, MOV, between keyframes") << preset << "mov" << 3 << 3 << 0;
    QTest::newRow("copy preset, Matroska, between keyframes") << preset << "mkv" << 7 << 5 << 7;
    QTest::newRow("custom Copy codec, MP4") << QStringLiteral("-ar 44100 -ab 64000 -acodec aac -ac 2 -vcodec copy "
                                                              "-b 196000 -r 25")
                                            << "mp4" << 13 << 4 << 0;
}

void TestFastSeek::copyKeepsItsOpening()
{
    QFETCH(QString, options);
    QFETCH(QString, extension);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(int, leadIn);

    // Fast seek off: a copy seeks before the input whatever the setting.
    const Cut copy = cut(options + QStringLiteral(" -ss %1 -t %2 -y").arg(start).arg(length), false, float(length),
                         QStringLiteral("copy-%1.%2").arg(start).arg(extension));
    QVERIFY2(copy.messages.isEmpty(), qPrintable(copy.messages.join(u'\n')));
    QVERIFY(qAbs(TestSupport::probeDuration(copy.output) - (length + leadIn)) <= kFrameSeconds);
    const QByteArray atStart = pictureHash(m_clip, start);
    QVERIFY(!atStart.isEmpty());
    QCOMPARE(pictureHash(copy.output, leadIn), atStart);
}

void TestFastSeek::progressCountsFromTheStart_data()
{
    QTest::addColumn<QString>("parametrs");
    QTest::addColumn<bool>("fastSeek");
    QTest::addColumn<bool>("reportAtZero"); // the encoder's first report says 0 s

    const QString reencode = QStringLiteral("-ar 44100 -ab 64000 -ac 2 -b 196000 -r 25 -ss 12 -t 6 -y");
    QTest::newRow("start after the input") << reencode << false << true;
    QTest::newRow("start before the input") << reencode << true << true;
    // The first report comes during the lead-in from the keyframe at 10 s,
    // which the encoder gives as negative time.
    QTest::newRow("video-only copy") << QStringLiteral("-map 0:v -c copy -ss 13 -t 6 -y") << false << false;
}

void TestFastSeek::progressCountsFromTheStart()
{
    QFETCH(QString, parametrs);
    QFETCH(bool, fastSeek);
    QFETCH(bool, reportAtZero);

    const Cut run = cut(parametrs, fastSeek, 6.f, QStringLiteral("progress.mp4"));
    QVERIFY2(run.messages.isEmpty(), qPrintable(run.messages.join(u'\n')));
    QStringList seen;
    for (int percent : run.percents)
        seen << QString::number(percent);
    // Which reports survive the 512-byte reads varies, but a time counted
    // from the file's start would give 200 % and more, and the lead-in less
    // than zero.
    QVERIFY2(!reportAtZero || !run.percents.isEmpty(), "no progress");
    QVERIFY2(std::is_sorted(run.percents.begin(), run.percents.end())
                 && std::all_of(run.percents.begin(), run.percents.end(), [](int p) { return p >= 0 && p <= 105; }),
             qPrintable(seen.join(u' ')));
}

QTEST_GUILESS_MAIN(TestFastSeek)
#include "tst_fastseek.moc"
