// The timeline band under the slider: it follows the handle and the marks, a click seeks, the
// keys reach the keyframes, a hidden band asks for nothing, the waveform is drawn in whole
// device pixels at every scale, and on the real engine a clip's keyframes, pictures and sound
// come out as made, and again from the cache.

#include "controls.h"
#include "fakeservices.h"
#include "previewsession.h"
#include "slider.h"
#include "testsupport.h"
#include "timelineband.h"
#include "windowdriver.h"

#include <QDirIterator>
#include <QLabel>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace WindowDriver;

namespace {

// On whole frames at 25 fps, where the fake engine's seeks land.
const std::vector<double> kUnevenKeyframes{0.0, 1.6, 4.0, 9.2, 20.0};

// A window on the fake engine with a 30 s video loaded and its timeline delivered.
std::unique_ptr<frmMain> loadedWindow(FakeServices &fakes, const QString &clip, bool timeline = true)
{
    fakes.previewScript.duration = 30.0;
    fakes.previewScript.keyframes = kUnevenKeyframes;
    fakes.previewScript.peaks = QByteArray(3000, '\0');
    auto window = fakes.makeWindow();
    child<CheckBox>(*window, u"chkTimeline"_s)->setValue(timeline ? 1 : 0);
    load(*window, fakes, clip);
    return window;
}

QColor pixel(const QImage &image, double x, int y)
{
    return image.pixelColor(int(std::floor(x)), y);
}

} // namespace

class TestTimeline final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void keysGoToKeyframes_data();
    void keysGoToKeyframes();
    void followsHandleAndMarksAndSeeks();
    void dragSeeksAsTheHandleMoves_data();
    void dragSeeksAsTheHandleMoves();
    void hiddenBandAsksForNothing();
    void waveformIsCrisp_data();
    void waveformIsCrisp();
    void realEngine_data();
    void realEngine();

private:
    QTemporaryDir m_dir;
    QString m_clip;
};

void TestTimeline::initTestCase()
{
    m_clip = m_dir.filePath(u"clip.mp4"_s);
    QVERIFY(TestSupport::makeClip(m_clip, 30.0));
}

void TestTimeline::keysGoToKeyframes_data()
{
    QTest::addColumn<double>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("panelUp");
    QTest::addColumn<double>("expected");
    QTest::newRow("next from the start") << 0.0 << int(Qt::Key_Right) << false << 1.6;
    QTest::newRow("next from a keyframe") << 4.0 << int(Qt::Key_Right) << false << 9.2;
    QTest::newRow("next from between") << 5.0 << int(Qt::Key_Right) << false << 9.2;
    QTest::newRow("previous from between") << 5.0 << int(Qt::Key_Left) << false << 4.0;
    QTest::newRow("previous from a keyframe") << 4.0 << int(Qt::Key_Left) << false << 1.6;
    QTest::newRow("previous just after one") << 1.64 << int(Qt::Key_Left) << false << 1.6;
    QTest::newRow("none before the first") << 0.0 << int(Qt::Key_Left) << false << 0.0;
    QTest::newRow("none after the last") << 25.0 << int(Qt::Key_Right) << false << 25.0;
    QTest::newRow("a panel is up") << 5.0 << int(Qt::Key_Right) << true << 5.0;
}

void TestTimeline::keysGoToKeyframes()
{
    QFETCH(double, from);
    QFETCH(int, key);
    QFETCH(bool, panelUp);
    QFETCH(double, expected);
    FakeServices fakes;
    auto window = loadedWindow(fakes, m_clip);
    PreviewSession &session = window->workflow().session();
    QTRY_COMPARE(session.keyframes().size(), kUnevenKeyframes.size());
    QVERIFY(session.playing());
    fakes.preview->SetCurrentPosition(from);
    if (panelUp)
        press(*window, "cmdChangeFormat");
    QTest::keyClick(window.get(), Qt::Key(key), Qt::ControlModifier);
    QVERIFY2(std::abs(*fakes.preview->ShownFramePosition() - expected) < 1e-6,
             qPrintable(QString::number(*fakes.preview->ShownFramePosition())));
    // Going to a keyframe pauses, as a frame step does; a guarded key does nothing.
    QCOMPARE(session.playing(), panelUp);
}

void TestTimeline::followsHandleAndMarksAndSeeks()
{
    FakeServices fakes;
    auto window = loadedWindow(fakes, m_clip);
    auto *band = child<TimelineBand>(*window, u"picTimeline"_s);
    auto *slider = child<Slider>(*window, u"Slider"_s);
    QTRY_COMPARE(band->keyframes().size(), kUnevenKeyframes.size());
    QTRY_VERIFY(band->waveformComplete());
    QCOMPARE(slider->accessibleDescription(), u"5 keyframes"_s);

    // One request per layout, a picture for every slot, enough at 40 pixels high to leave no gap.
    QTRY_COMPARE(band->thumbnailsShown(), band->thumbnailSlots());
    QCOMPARE(fakes.previewScript.thumbnailHeights.last(), 40);
    QCOMPARE(fakes.previewScript.thumbnailSlots.last(), band->thumbnailSlots());
    const double fit = (band->xOf(30) - band->xOf(0)) / (40 * 16.0 / 9);
    QCOMPARE_GE(band->thumbnailSlots(), fit - 0.05);
    QCOMPARE_LT(band->thumbnailSlots(), fit + 1);

    // The band spans the slider's range as its handle's centre does (the slider rounds each
    // place to a whole pixel).
    for (const int value : {0, 7, 15, 29, 30})
        QCOMPARE_LE(std::abs(band->xOf(value) + band->x()
                             - (slider->ValueToPixel(value) + slider->skin().metrics().hw / 2.0 + slider->x())),
                    1.0);

    slider->SetValue(6);
    press(*window, "cmdStartSelect");
    slider->SetValue(18);
    press(*window, "cmdEndSelect");
    slider->SetValue(12);
    const QImage ticks = band->grab().toImage();
    const QImage wave = band->waveformStrip().grab().toImage();
    const int top = 1; // above the silent waveform's centre line
    QCOMPARE(pixel(wave, band->xOf(12), top), QColor(Qt::white));
    QVERIFY(pixel(wave, band->xOf(9), top) != pixel(wave, band->xOf(24), top)); // marked, not marked
    QCOMPARE(pixel(wave, band->xOf(3), top), pixel(wave, band->xOf(24), top));
    for (const double keyframe : kUnevenKeyframes)
        QVERIFY2(pixel(ticks, band->xOf(keyframe), 2) != pixel(ticks, band->xOf(keyframe + 2.5), 2),
                 qPrintable(QString::number(keyframe)));

    // A click on the band seeks as one on the slider does.
    QTest::mouseClick(&band->waveformStrip(), Qt::LeftButton, {}, QPoint(int(band->xOf(24)), 5));
    QCOMPARE(slider->Value(), 24);
    QCOMPARE(fakes.previewScript.seeks.last(), 24.0);
}

void TestTimeline::dragSeeksAsTheHandleMoves_data()
{
    QTest::addColumn<bool>("playing");
    QTest::addColumn<QList<int>>("path"); // seconds the pointer passes, pressed at the first
    QTest::addColumn<QList<double>>("seeks"); // asked of the preview, the release's last
    QTest::newRow("paused: each new second") << false << QList<int>{3, 8, 8, 12, 20} << QList<double>{8, 12, 20};
    QTest::newRow("paused: back and forth") << false << QList<int>{10, 4, 10, 4} << QList<double>{4, 10, 4};
    QTest::newRow("playing: at the release only") << true << QList<int>{3, 8, 12} << QList<double>{12};
}

// While the slider's handle is dragged paused, each second it reaches is sought at once and the
// label follows, the handle staying under the pointer; the release seeks where it ends.
void TestTimeline::dragSeeksAsTheHandleMoves()
{
    QFETCH(bool, playing);
    QFETCH(QList<int>, path);
    QFETCH(QList<double>, seeks);
    FakeServices fakes;
    auto window = loadedWindow(fakes, m_clip);
    auto *slider = child<Slider>(*window, u"Slider"_s);
    PreviewSession &session = window->workflow().session();
    QVERIFY(session.playing());
    if (!playing)
        press(*window, "cmdPlay"); // pauses
    const auto at = [&](int value) { return QPoint(slider->ValueToPixel(value) + slider->skin().metrics().hw / 2, slider->height() / 2); };
    QTest::mousePress(slider, Qt::LeftButton, {}, at(path.first()));
    fakes.previewScript.seeks.clear();
    for (const int value : path.mid(1)) {
        QTest::mouseMove(slider, at(value));
        QCOMPARE(slider->Value(), value);
        if (!playing)
            QCOMPARE(child<QLabel>(*window, u"lblTime"_s)->text(), QStringLiteral("00:00:%1/00:00:30").arg(value, 2, 10, QLatin1Char('0')));
    }
    QCOMPARE(fakes.previewScript.seeks, playing ? QList<double>{} : seeks);
    // The release seeks where the handle ends, unless the drag has just done so.
    QTest::mouseRelease(slider, Qt::LeftButton, {}, at(path.last()));
    QTRY_COMPARE(fakes.previewScript.seeks, seeks);
    QCoreApplication::processEvents();
    QCOMPARE(fakes.previewScript.seeks, seeks);
    QCOMPARE(slider->Value(), path.last());
}

void TestTimeline::hiddenBandAsksForNothing()
{
    FakeServices fakes;
    auto window = loadedWindow(fakes, m_clip, false);
    PreviewSession &session = window->workflow().session();
    QTRY_COMPARE(session.keyframes().size(), kUnevenKeyframes.size());
    QCoreApplication::processEvents();
    QVERIFY(fakes.previewScript.thumbnailSlots.isEmpty());
    QCOMPARE(fakes.previewScript.waveformRequests, 0);
    // The keys work without the band.
    QTest::keyClick(window.get(), Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(*fakes.preview->ShownFramePosition(), 1.6);

    child<CheckBox>(*window, u"chkTimeline"_s)->setValue(1);
    auto *band = child<TimelineBand>(*window, u"picTimeline"_s);
    QTRY_VERIFY(band->waveformComplete());
    QTRY_COMPARE(band->thumbnailsShown(), band->thumbnailSlots());
    QCOMPARE(fakes.previewScript.waveformRequests, 1);
}

void TestTimeline::waveformIsCrisp_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<int>("width");
    QTest::newRow("1x") << 1.0 << 314;
    QTest::newRow("1.5x") << 1.5 << 314;
    QTest::newRow("2x") << 2.0 << 314;
    QTest::newRow("2x, narrow") << 2.0 << 57;
}

void TestTimeline::waveformIsCrisp()
{
    QFETCH(qreal, dpr);
    QFETCH(int, width);
    QWidget parent;
    Slider slider(&parent);
    slider.SetMin(0);
    slider.SetMax(10);
    slider.setGeometry(0, 0, width, slider.sizeHint().height());
    TimelineBand band(slider, &parent);
    band.setGeometry(0, 30, width, 70);
    band.start();
    // Silence for 5 s, full scale for 2.5 s, half scale after.
    QByteArray peaks(1000, '\0');
    peaks.replace(500, 250, QByteArray(250, char(255)));
    peaks.replace(750, 250, QByteArray(250, char(128)));
    band.addWaveform(WaveformPiece{0, peaks, 100, true, true});

    const QImage image = band.waveformImage(QSize(width, 22), dpr);
    QCOMPARE(image.size(), (QSizeF(width, 22) * dpr).toSize());
    const QRgb background = image.pixel(0, 0);
    const int middle = image.height() / 2;
    const int reach = std::min(middle, image.height() - 1 - middle);
    const auto barHeight = [&](int column) {
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y) {
            const QRgb colour = image.pixel(column, y);
            // Two colours only: a bar's edge blended with the background would be blur.
            if (colour != background && colour != image.pixel(column, middle))
                return -1;
            drawn += colour != background;
        }
        return drawn;
    };
    const auto columnAt = [&](double seconds) { return int(std::floor(band.xOf(seconds) * dpr)); };
    for (const auto &[seconds, expected] : {std::pair{1.0, 1}, {4.8, 1}, {5.6, 2 * reach + 1}, {7.2, 2 * reach + 1},
                                           {8.0, 2 * ((128 * reach + 127) / 255) + 1}, {9.5, 2 * ((128 * reach + 127) / 255) + 1}})
        QCOMPARE(barHeight(columnAt(seconds)), expected);
    for (int column = 0; column < image.width(); ++column)
        QVERIFY2(barHeight(column) >= 0, qPrintable(QString::number(column)));
}

void TestTimeline::realEngine_data()
{
    QTest::addColumn<bool>("sound");
    QTest::newRow("silent 5 s, then a tone") << true;
    QTest::newRow("no sound") << false;
}

void TestTimeline::realEngine()
{
    QFETCH(bool, sound);
    const QString clip = m_dir.filePath(sound ? u"tone.mp4"_s : u"mute.mp4"_s);
    QStringList command{TestSupport::systemFfmpeg(), u"-v"_s, u"error"_s, u"-y"_s, u"-f"_s, u"lavfi"_s,
                        u"-i"_s, u"testsrc2=size=320x180:rate=25:duration=10"_s};
    if (sound)
        command << u"-f"_s << u"lavfi"_s << u"-i"_s
                << u"aevalsrc=if(gte(t\\,5)\\,0.9*sin(2*PI*440*t)\\,0):s=48000:d=10"_s << u"-c:a"_s << u"aac"_s;
    command << u"-c:v"_s << u"libx264"_s << u"-g"_s << u"50"_s << u"-keyint_min"_s << u"50"_s << u"-sc_threshold"_s
            << u"0"_s << u"-pix_fmt"_s << u"yuv420p"_s << clip;
    QVERIFY(!TestSupport::runTool(command).isEmpty());

    FakeServices fakes;
    fakes.useRealPreview();
    const auto keptSuffixes = [&] {
        QStringList kept;
        for (QDirIterator it(fakes.temp.filePath(u"cache"_s), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            kept << QFileInfo(it.next()).suffix();
        return kept;
    };
    QByteArray firstPeaks;
    for (const bool cached : {false, true}) {
        auto window = fakes.makeWindow();
        load(*window, fakes, clip);
        auto *band = child<TimelineBand>(*window, u"picTimeline"_s);
        QTRY_VERIFY_WITH_TIMEOUT(band->waveformComplete(), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(band->keyframes().size(), size_t(5), 10000);
        for (int i = 0; i < 5; ++i)
            QCOMPARE_LE(std::abs(band->keyframes()[size_t(i)] - 2.0 * i), 0.001);
        QCOMPARE(child(*window, u"Slider"_s)->accessibleDescription(), u"Keyframes every 2 s"_s);
        QTRY_COMPARE_WITH_TIMEOUT(band->thumbnailsShown(), band->thumbnailSlots(), 10000);
        QCOMPARE(band->hasSound(), sound);
        QCOMPARE(band->waveformStrip().toolTip().contains(u"no sound"_s), !sound);
        // The frame index is read on a thread of its own and may end after all of the above.
        QTRY_VERIFY_WITH_TIMEOUT(keptSuffixes().contains(u"idx"_s), 30000);
        if (!sound)
            continue;
        const QByteArray &peaks = band->peaks();
        QCOMPARE_GE(peaks.size(), 990);
        const auto loudest = [&](int from, int to) {
            return int(quint8(*std::max_element(peaks.begin() + from, peaks.begin() + to, [](char a, char b) {
                return quint8(a) < quint8(b);
            })));
        };
        const auto quietest = [&](int from, int to) {
            return int(quint8(*std::min_element(peaks.begin() + from, peaks.begin() + to, [](char a, char b) {
                return quint8(a) < quint8(b);
            })));
        };
        QCOMPARE_LE(loudest(0, 490), 2);      // the first half is flat
        QCOMPARE_GE(quietest(510, 980), 200); // the second is full
        if (cached)
            QCOMPARE(peaks, firstPeaks);
        firstPeaks = peaks;
    }
    // What the second load took is kept in the cache folder.
    const QStringList kept = keptSuffixes();
    QVERIFY2(kept.contains(u"thumbs"_s) && kept.contains(u"idx"_s), qPrintable(kept.join(u' ')));
    QCOMPARE(kept.contains(u"wave"_s), sound);
}

QTEST_MAIN(TestTimeline)
#include "tst_timeline.moc"
