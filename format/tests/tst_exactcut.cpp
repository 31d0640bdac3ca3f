// Exact cuts through the real encoder, with the options and command the
// program builds, on clips whose every frame differs from its neighbours.
#include "encodercommand.h"
#include "encoderoptions.h"
#include "testsupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

constexpr int kFrameBytes = 160 * 90; // grey pictures

// "H.264 720p (fast)" of "Web video (MP4)", as shipped.
const QString k720p = QStringLiteral("-vf scale=-2:720 -c:v libx264 -preset veryfast -crf 23 -pix_fmt yuv420p "
                                     "-c:a aac -b:a 128k -movflags +faststart");

// Every picture of the first video stream, in presentation order, as a
// player shows it (rotated), at the given size.
QList<QByteArray> pictures(const QString &path, const QString &size = QStringLiteral("160:90"))
{
    const QByteArray raw = TestSupport::runTool({TestSupport::systemFfmpeg(), "-v", "error", "-i", path, "-map", "0:v:0", "-fps_mode",
                                "passthrough", "-vf", "scale=" + size, "-f", "rawvideo", "-pix_fmt", "gray", "-"});
    QList<QByteArray> frames;
    for (qsizetype at = 0; at + kFrameBytes < raw.size(); at += kFrameBytes)
        frames << raw.mid(at, kFrameBytes);
    return frames;
}

// Which source frame from frame - 2 to frame + 2 matches picture best (the
// least squared difference, so the highest PSNR), as an offset from frame.
int bestMatch(const QList<QByteArray> &source, int frame, const QByteArray &picture)
{
    const auto error = [&](int at) {
        double sum = 0;
        for (int i = 0; i < kFrameBytes; ++i)
            sum += std::pow(quint8(picture[i]) - quint8(source[at][i]), 2);
        return sum;
    };
    return TestSupport::bestMatchOffset(int(source.size()), frame, error);
}

// The size a player shows a test clip at: the rotated ones stand upright.
QString displaySize(const QString &clip)
{
    return clip.startsWith(u"rotated") ? QStringLiteral("90:160") : QStringLiteral("160:90");
}

} // namespace

class TestExactCut final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cutHoldsTheMarkedFrames_data();
    void cutHoldsTheMarkedFrames();

private:
    QTemporaryDir m_dir;
    QHash<QString, QList<double>> m_times; // each frame's time from the file's start, as the preview gives it
    QHash<QString, QList<QByteArray>> m_pictures;
};

void TestExactCut::initTestCase()
{
    QVERIFY(!TestSupport::linkRealEncoder(m_dir.path()).isEmpty());
    // 15 s, so that a fast seek to marks past 10 s really jumps. MPEG-PS has
    // no keyframe index to land the jump on, and B-frames in 15-frame GOPs.
    const QString x264 = "-c:v libx264 -g 50 -c:a aac";
    // Real recordings: a phone's rotation and jittering frame times, a
    // camera's B-frames at an odd rate in Matroska, a TV transport stream.
    const QString bFrames = "-c:v libx264 -bf 3 -sc_threshold 0 -c:a aac";
    for (const auto &[name, rate, codecs] :
         {std::tuple{"25.mp4", "25", x264}, {"ntsc.mp4", "30000/1001", x264},
          {"ntsc.mpg", "30000/1001", "-c:v mpeg2video -g 15 -bf 2 -q:v 4 -c:a mp2"},
          {"rotated.mp4", "25", x264 + " -metadata:s:v:0 rotate=90"},
          {"jitter.mp4", "25", "-vf setpts=(N*0.09+0.02*sin(N*1.3))/TB -fps_mode passthrough " + x264
                                   + " -metadata:s:v:0 rotate=180"},
          {"camera.mkv", "2983/100", bFrames + " -g 250"},
          {"tv.ts", "30000/1001", bFrames + " -g 30"}}) {
        const QString path = m_dir.filePath(name);
        QVERIFY(TestSupport::makeMovingClip(path, QString::fromLatin1(rate), 15, QString(codecs)));
        m_times[name] = TestSupport::frameTimes(path);
        m_pictures[name] = pictures(path, displaySize(name));
        QCOMPARE(m_pictures[name].size(), m_times[name].size());
    }
}

void TestExactCut::cutHoldsTheMarkedFrames_data()
{
    QTest::addColumn<QString>("clip");
    QTest::addColumn<bool>("fastSeek");
    QTest::addColumn<int>("first"); // the frame at the start mark
    QTest::addColumn<int>("end");   // the frame at the end mark, the first not in the cut
    QTest::addColumn<QString>("params");
    const QString ultrafast = "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac";

    // At 30000/1001 fps frame k lies at k x 33.3667 ms: 365 and 425 lie 0.2 ms
    // before their marks, and 361 to 422 spans 0.6 ms less than its marks.
    for (const bool fast : {false, true}) {
        const char *seek = fast ? "fast seek" : "seek after the input";
        QTest::addRow("25 fps, %s", seek) << "25.mp4" << fast << 312 << 363 << ultrafast;
        QTest::addRow("29.97 fps, marks after their frames, %s", seek) << "ntsc.mp4" << fast << 365 << 425 << ultrafast;
        QTest::addRow("29.97 fps, marks a hair longer, %s", seek) << "ntsc.mp4" << fast << 361 << 422 << ultrafast;
        QTest::addRow("29.97 fps MPEG-PS, mid-GOP, %s", seek) << "ntsc.mpg" << fast << 373 << 431 << ultrafast;
        QTest::addRow("720p, rotated 90 degrees, %s", seek) << "rotated.mp4" << fast << 262 << 313 << k720p;
        QTest::addRow("720p, varying frame times, %s", seek) << "jitter.mp4" << fast << 111 << 152 << k720p;
        QTest::addRow("720p, MKV B-frames at 29.83 fps, %s", seek) << "camera.mkv" << fast << 301 << 377 << k720p;
        QTest::addRow("720p, TS B-frames at 29.97 fps, %s", seek) << "tv.ts" << fast << 343 << 401 << k720p;
    }
}

void TestExactCut::cutHoldsTheMarkedFrames()
{
    QFETCH(QString, clip);
    QFETCH(bool, fastSeek);
    QFETCH(int, first);
    QFETCH(int, end);
    QFETCH(QString, params);
    const auto mark = [&](int frame) { return std::round(m_times[clip].at(frame) * 1000) / 1000; };

    FormatPanelSnapshot panel;
    panel.cmbCategory = panel.cmbOutVCodec = panel.cmbOutFormat = QStringLiteral("x");
    const QList<PresetEntry> presets{{"x", params, "x", "x"}};
    const auto options = AssembleParamaters(panel, presets, 1, {}, 0, ExactSelection{mark(first), mark(end)});
    const QString output = m_dir.filePath(QStringLiteral("cut.mp4"));
    QVERIFY(!TestSupport::runTool(QProcess::splitCommand(EncoderCommand::exactConversionCommandLine(
                     m_dir.path(), m_dir.filePath(clip), std::get<QString>(options) + " -y -v error", output,
                     fastSeek)))
                 .isEmpty());

    QCOMPARE(TestSupport::runTool({TestSupport::systemFfmpeg(), "-v", "error", "-xerror", "-i", output, "-f", "null", "-"}),
             QByteArray("\n"));
    // Every frame is its own source frame, as a player shows both.
    const QList<QByteArray> cut = pictures(output, displaySize(clip));
    QCOMPARE(cut.size(), end - first);
    for (int i = 0; i < cut.size(); ++i)
        QVERIFY2(bestMatch(m_pictures[clip], first + i, cut.at(i)) == 0, qPrintable(QStringLiteral("frame %1").arg(i)));
    // The sound lasts as long, to within a frame.
    const QByteArray sound =
        TestSupport::ffprobe({"-select_streams", "a", "-show_entries", "stream=duration", "-of", "csv=p=0"}, output);
    QVERIFY2(qAbs(sound.toDouble() - (mark(end) - mark(first))) < 0.03, sound.constData());
}

QTEST_APPLESS_MAIN(TestExactCut)
#include "tst_exactcut.moc"
