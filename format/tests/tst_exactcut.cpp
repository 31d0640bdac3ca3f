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

// Every picture of the first video stream, in presentation order.
QList<QByteArray> pictures(const QString &path)
{
    const QByteArray raw = TestSupport::runTool({TestSupport::systemFfmpeg(), "-v", "error", "-i", path, "-map", "0:v:0", "-fps_mode",
                                "passthrough", "-f", "rawvideo", "-pix_fmt", "gray", "-"});
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
    for (const auto &[name, rate, codecs] :
         {std::tuple{"25.mp4", "25", x264}, {"ntsc.mp4", "30000/1001", x264},
          {"ntsc.mpg", "30000/1001", "-c:v mpeg2video -g 15 -bf 2 -q:v 4 -c:a mp2"}}) {
        const QString path = m_dir.filePath(name);
        QVERIFY(TestSupport::makeMovingClip(path, QString::fromLatin1(rate), 15, QString(codecs)));
        m_times[name] = TestSupport::frameTimes(path);
        m_pictures[name] = pictures(path);
        QCOMPARE(m_pictures[name].size(), m_times[name].size());
    }
}

void TestExactCut::cutHoldsTheMarkedFrames_data()
{
    QTest::addColumn<QString>("clip");
    QTest::addColumn<bool>("fastSeek");
    QTest::addColumn<int>("first"); // the frame at the start mark
    QTest::addColumn<int>("end");   // the frame at the end mark, the first not in the cut

    // At 30000/1001 fps frame k lies at k x 33.3667 ms: 365 and 425 lie 0.2 ms
    // before their marks, and 361 to 422 spans 0.6 ms less than its marks.
    for (const bool fast : {false, true}) {
        const char *seek = fast ? "fast seek" : "seek after the input";
        QTest::addRow("25 fps, %s", seek) << "25.mp4" << fast << 312 << 363;
        QTest::addRow("29.97 fps, marks after their frames, %s", seek) << "ntsc.mp4" << fast << 365 << 425;
        QTest::addRow("29.97 fps, marks a hair longer, %s", seek) << "ntsc.mp4" << fast << 361 << 422;
        QTest::addRow("29.97 fps MPEG-PS, mid-GOP, %s", seek) << "ntsc.mpg" << fast << 373 << 431;
    }
}

void TestExactCut::cutHoldsTheMarkedFrames()
{
    QFETCH(QString, clip);
    QFETCH(bool, fastSeek);
    QFETCH(int, first);
    QFETCH(int, end);
    const auto mark = [&](int frame) { return std::round(m_times[clip].at(frame) * 1000) / 1000; };

    FormatPanelSnapshot panel;
    panel.cmbCategory = panel.cmbOutVCodec = panel.cmbOutFormat = QStringLiteral("x");
    const QList<PresetEntry> presets{{"x", "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac", "x", "x"}};
    const auto options = AssembleParamaters(panel, presets, 1, {}, 0, ExactSelection{mark(first), mark(end)});
    const QString output = m_dir.filePath(QStringLiteral("cut.mp4"));
    QVERIFY(!TestSupport::runTool(QProcess::splitCommand(EncoderCommand::exactConversionCommandLine(
                     m_dir.path(), m_dir.filePath(clip), std::get<QString>(options) + " -y -v error", output,
                     fastSeek)))
                 .isEmpty());

    const QList<QByteArray> cut = pictures(output);
    QCOMPARE(cut.size(), end - first);
    QCOMPARE(bestMatch(m_pictures[clip], first, cut.first()), 0);
    QCOMPARE(bestMatch(m_pictures[clip], end - 1, cut.last()), 0);
    // The sound lasts as long, to within a frame.
    const QByteArray sound =
        TestSupport::ffprobe({"-select_streams", "a", "-show_entries", "stream=duration", "-of", "csv=p=0"}, output);
    QVERIFY2(qAbs(sound.toDouble() - (mark(end) - mark(first))) < 0.03, sound.constData());
}

QTEST_APPLESS_MAIN(TestExactCut)
#include "tst_exactcut.moc"
