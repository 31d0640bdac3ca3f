// Exact marks from the window to the file: pause, step to frames off the
// whole seconds with the keys, mark them, cut with the real preview and the
// real encoder, and find the marked frame first in the output.
#include "controls.h"
#include "exacttime.h"
#include "fakeservices.h"
#include "formatpanel.h"
#include "previewengine.h"
#include "videoarea.h"
#include "windowdriver.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <array>
#include <cmath>

using namespace Qt::StringLiterals;
using namespace WindowDriver;

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 90;

// A grey picture with its level and contrast taken out, so that the preview's
// rendering and the encoder's decode of one frame compare alike.
using Picture = QList<double>;

Picture normalised(const uchar *grey)
{
    Picture picture(grey, grey + kWidth * kHeight);
    double mean = 0, square = 0;
    for (double v : picture)
        mean += v / picture.size();
    for (double v : picture)
        square += (v - mean) * (v - mean) / picture.size();
    for (double &v : picture)
        v = (v - mean) / std::sqrt(std::max(square, 1e-9));
    return picture;
}

// Every picture of the first video stream, in presentation order.
QList<Picture> pictures(const QString &path)
{
    const QByteArray raw = TestSupport::runTool({TestSupport::systemFfmpeg(), "-v", "error", "-i", path, "-map", "0:v:0", "-fps_mode",
                                "passthrough", "-f", "rawvideo", "-pix_fmt", "gray", "-"});
    QList<Picture> frames;
    for (qsizetype at = 0; at + kWidth * kHeight < raw.size(); at += kWidth * kHeight)
        frames << normalised(reinterpret_cast<const uchar *>(raw.constData() + at));
    return frames;
}

Picture shownPicture(frmMain &window)
{
    const QImage image = child<VideoArea>(window, u"picVideoWindow"_s)->currentImage();
    const QImage grey = image.scaled(kWidth, kHeight).convertToFormat(QImage::Format_Grayscale8);
    QByteArray bytes;
    for (int y = 0; y < kHeight; ++y)
        bytes.append(reinterpret_cast<const char *>(grey.constScanLine(y)), kWidth);
    return normalised(reinterpret_cast<const uchar *>(bytes.constData()));
}

// Which source frame from frame - 2 to frame + 2 matches picture best (the
// least squared difference, so the highest PSNR), as an offset from frame.
int bestMatch(const QList<Picture> &source, int frame, const Picture &picture)
{
    const auto error = [&](int at) {
        double sum = 0;
        for (qsizetype i = 0; i < picture.size(); ++i)
            sum += std::pow(picture[i] - source[at][i], 2);
        return sum;
    };
    return TestSupport::bestMatchOffset(int(source.size()), frame, error);
}

} // namespace

class TestExactFlow final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void stepMarkAndCut_data();
    void stepMarkAndCut();

private:
    QTemporaryDir m_dir;
    QHash<QString, QList<double>> m_times; // each frame's time from the file's start
    QHash<QString, QList<Picture>> m_pictures;
};

void TestExactFlow::initTestCase()
{
    // Keyframes every 10 frames keep the preview's frame steps quick.
    const QString x264 = u"-c:v libx264 -g 10 -c:a aac"_s;
    for (const auto &[name, rate, codecs] :
         {std::tuple{u"25.mp4"_s, u"25"_s, x264}, {u"ntsc.mp4"_s, u"30000/1001"_s, x264},
          {u"ntsc.mpg"_s, u"30000/1001"_s, u"-c:v mpeg2video -g 15 -bf 2 -q:v 4 -c:a mp2"_s},
          {u"ntsc.ts"_s, u"30000/1001"_s, x264}, {u"ntsc.mkv"_s, u"30000/1001"_s, x264}}) {
        const QString path = m_dir.filePath(name);
        QVERIFY(TestSupport::makeMovingClip(path, rate, 6, codecs));
        m_times[name] = TestSupport::frameTimes(path);
        m_pictures[name] = pictures(path);
        QCOMPARE(m_pictures[name].size(), m_times[name].size());
    }
}

void TestExactFlow::stepMarkAndCut_data()
{
    QTest::addColumn<QString>("clip");
    QTest::addColumn<double>("fps");
    QTest::addColumn<bool>("fastSeek");
    // Keys from the first frame to the start mark, and on to the end mark:
    // R a second on, "." a frame on, "," a frame back.
    QTest::addColumn<QString>("toStart");
    QTest::addColumn<QString>("toEnd");

    // Two seconds and two frames on; then a second and five frames further.
    for (const bool fast : {false, true}) {
        const char *seek = fast ? "fast seek" : "seek after the input";
        QTest::addRow("25 fps, %s", seek) << u"25.mp4"_s << 25.0 << fast << u"RR...,"_s << u"R....."_s;
        QTest::addRow("29.97 fps, %s", seek) << u"ntsc.mp4"_s << 30000.0 / 1001 << fast << u"RR...,"_s
                                             << u"R....."_s;
    }
    // Containers without an index of their own, and one whose demuxer seeks by decode times.
    QTest::addRow("29.97 fps MPEG-PS, fast seek") << u"ntsc.mpg"_s << 30000.0 / 1001 << true << u"RR...,"_s << u"R....."_s;
    QTest::addRow("29.97 fps MPEG-TS, fast seek") << u"ntsc.ts"_s << 30000.0 / 1001 << true << u"RR...,"_s << u"R....."_s;
    QTest::addRow("29.97 fps MKV, seek after the input") << u"ntsc.mkv"_s << 30000.0 / 1001 << false << u"RR...,"_s
                                                          << u"R....."_s;
}

void TestExactFlow::stepMarkAndCut()
{
    QFETCH(QString, clip);
    QFETCH(double, fps);
    QFETCH(bool, fastSeek);
    QFETCH(QString, toStart);
    QFETCH(QString, toEnd);
    const QList<Picture> &source = m_pictures[clip];

    FakeServices fakes;
    fakes.useRealPreview();
    auto window = fakes.makeWindow();
    window->show();
    child<OptionButton>(*window, u"optOtherFolder"_s)->setValue(true);
    const QString outFolder = fakes.temp.filePath(u"out"_s);
    child<QLineEdit>(*window, u"txtOutPath"_s)->setText(outFolder);
    FormatPanel &format = window->formatPanel();
    format.selectMode(0);
    format.selectIndex(format.controls().cmbCategory, 0); // H.264: re-encodes
    format.controls().chkFastSeek->setValue(fastSeek);
    load(*window, fakes, m_dir.filePath(clip));
    QTRY_VERIFY2_WITH_TIMEOUT(child<VideoArea>(*window, u"picVideoWindow"_s)->hasFrame(),
                              qPrintable(fakes.messages.messages.value(0).text), 10000);
    press(*window, "chkExactMarks");
    press(*window, "cmdPlay"); // pauses
    QTest::keyClick(window.get(), Qt::Key_Home);
    const PreviewEngine &engine = *window->workflow().session().engine();

    const std::array<QString, 2> steps{toStart, toEnd};
    std::array<double, 2> marks{};
    std::array<int, 2> frames{};
    for (int i = 0; i < 2; ++i) {
        for (const QChar key : steps[i])
            QTest::keyClick(window.get(), key == u'R' ? Qt::Key_Right : key == u'.' ? Qt::Key_Period : Qt::Key_Comma);
        const std::optional<double> shown = engine.ShownFramePosition();
        QVERIFY(shown);
        press(*window, i == 0 ? "cmdStartSelect" : "cmdEndSelect");
        // The mark is the frame shown, to the millisecond, and that frame is the source's frame there.
        QCOMPARE(child<QLabel>(*window, i == 0 ? u"lblStartSelect"_s : u"lblEndSelect"_s)->text(),
                 FormatExactTime(*shown));
        marks[i] = double(RoundMilliseconds(*shown)) / 1000.0;
        const QList<double> &times = m_times[clip];
        frames[i] = int(std::min_element(times.begin(), times.end(),
                                         [&](double a, double b) { return qAbs(a - marks[i]) < qAbs(b - marks[i]); })
                        - times.begin());
        QCOMPARE(bestMatch(source, frames[i], shownPicture(*window)), 0);
    }
    QVERIFY2(qAbs(std::remainder(marks[0], 1.0)) > 0.5 / fps && frames[1] > frames[0], "marks off the second, in order");

    press(*window, "cmdConvert"); // returns when the task has ended
    QVERIFY2(fakes.messages.messages.isEmpty(), qPrintable(fakes.messages.messages.value(0).text));
    const QStringList outputs = QDir(outFolder).entryList(QDir::Files);
    QCOMPARE(outputs.size(), 1);
    const QList<Picture> cut = pictures(QDir(outFolder).filePath(outputs.first()));
    QVERIFY(!cut.isEmpty());
    const int expected = qRound((marks[1] - marks[0]) * fps);
    const int offset = bestMatch(source, frames[0], cut.first());
    qInfo("%s..%s (%+.1f ms from the frame's time in the file), frames %d of %d, first frame off by %d",
          qPrintable(FormatExactTime(marks[0])), qPrintable(FormatExactTime(marks[1])),
          (marks[0] - m_times[clip][frames[0]]) * 1000, int(cut.size()), expected, offset);
    QCOMPARE(cut.size(), expected);
    QCOMPARE(offset, 0);
}

QTEST_MAIN(TestExactFlow)
#include "tst_exactflow.moc"
