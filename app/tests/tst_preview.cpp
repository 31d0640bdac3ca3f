#include "previewmodule.h"
#include "qtpreviewengine.h"
#include "recordingmessagesink.h"
#include "testsupport.h"
#include "litshare.h"
#include "videoarea.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

constexpr int kFrameTimeoutMs = 10000;
constexpr double kClipSeconds = 2.5;

// A 160x120 test pattern with a tone, in the container path's extension names, with the given
// codecs; `picture` replaces the pattern (a lavfi source given its duration). Empty on failure.
QString makeContainerClip(const QTemporaryDir &dir, const QString &name, const QString &videoCodec,
                          const QString &audioCodec, double seconds = kClipSeconds, const QString &picture = {})
{
    const QString path = dir.filePath(name);
    const QString length = QString::number(seconds);
    QProcess ffmpeg;
    ffmpeg.start(TestSupport::systemFfmpeg(),
                 {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                  QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  picture.isEmpty() ? QStringLiteral("testsrc=size=160x120:rate=25:duration=") + length
                                    : picture.arg(length),
                  QStringLiteral("-f"),
                  QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("sine=frequency=440:sample_rate=44100:duration=") + length,
                  QStringLiteral("-c:v"), videoCodec, QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"),
                  QStringLiteral("-c:a"), audioCodec, QStringLiteral("-shortest"), path});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0)
        return {};
    return path;
}

PreviewPictureOutput outputTo(VideoArea &area)
{
    return [&area](const PreviewPicture &picture) { area.showPicture(picture); };
}

// Frames that show their own number: the left half's grey is the number / 16 and the right
// half's the number % 16, in steps of 12 from black, which survive any codec's rounding.
QString numberedFrames(const QString &rate)
{
    return QStringLiteral("color=black:size=160x120:rate=%1:duration=%2,format=yuv420p,"
                          "geq=lum='if(lt(X,W/2),16+12*floor(N/16),16+12*mod(N,16))':cb=128:cr=128")
        .arg(rate, QStringLiteral("%1"));
}

int frameNumber(const PreviewPicture &picture)
{
    const QImage image = picture.toImage();
    if (image.isNull())
        return -1;
    // Grey is full range here: video black 16 is 0, and a step of 12 is 12 * 255 / 219.
    const auto digit = [&](int x) { return qRound(qGray(image.pixel(x, image.height() / 2)) * 219.0 / 255.0 / 12.0); };
    return digit(image.width() / 4) * 16 + digit(image.width() * 3 / 4);
}

// The video frames' presentation times, counted from the first. MPEG program streams leave most
// frames without one; the decoder's best guess fills in.
QList<double> frameTimes(const QString &path)
{
    const QByteArray out = TestSupport::ffprobe({QStringLiteral("-select_streams"), QStringLiteral("v:0"),
                                                 QStringLiteral("-show_entries"), QStringLiteral("frame=pts_time,best_effort_timestamp_time"),
                                                 QStringLiteral("-of"), QStringLiteral("csv=p=0")},
                                                path);
    QList<double> times;
    for (const QByteArray &line : out.split('\n')) {
        const QList<QByteArray> fields = line.split(',');
        bool ok = false;
        double time = fields.constFirst().toDouble(&ok);
        if (!ok)
            time = fields.value(1).toDouble(&ok);
        if (ok)
            times.append(time);
    }
    for (qsizetype i = times.size() - 1; i >= 0; --i)
        times[i] -= times.constFirst();
    return times;
}

bool near(std::optional<double> value, double expected, double tolerance)
{
    return value && std::abs(*value - expected) <= tolerance;
}

} // namespace

class TestPreview final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void playsEveryContainer_data();
    void playsEveryContainer();
    void seekFromEveryState_data();
    void seekFromEveryState();
    void showsTheFrameItReports_data();
    void showsTheFrameItReports();
    void refusesWhatIsNotVideo_data();
    void refusesWhatIsNotVideo();
    void newLoadTakesOverAPendingOne();
    void volumeInHundredthsOfADecibel_data();
    void volumeInHundredthsOfADecibel();
    void loadsTheModule_data();
    void loadsTheModule();

private:
    QTemporaryDir m_dir;
    QString m_mp4;
};

void TestPreview::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_mp4 = makeContainerClip(m_dir, QStringLiteral("clip.mp4"), QStringLiteral("libx264"), QStringLiteral("aac"));
    QVERIFY(!m_mp4.isEmpty());
}

void TestPreview::playsEveryContainer_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("videoCodec");
    QTest::addColumn<QString>("audioCodec");
    QTest::addColumn<double>("seconds");
    QTest::newRow("mp4: H.264, AAC") << "c.mp4" << "libx264" << "aac" << kClipSeconds;
    QTest::newRow("mkv: H.264, Vorbis") << "c.mkv" << "libx264" << "libvorbis" << kClipSeconds;
    QTest::newRow("avi: MPEG-4, MP3") << "c.avi" << "mpeg4" << "libmp3lame" << kClipSeconds;
    QTest::newRow("mov: H.264, AAC") << "c.mov" << "libx264" << "aac" << kClipSeconds;
    QTest::newRow("webm: VP8, Vorbis") << "c.webm" << "libvpx" << "libvorbis" << kClipSeconds;
    QTest::newRow("flv: Sorenson, MP3") << "c.flv" << "flv" << "libmp3lame" << kClipSeconds;
    // GStreamer's MPEG program stream seeks go astray in very short files.
    QTest::newRow("mpg: MPEG-2, MP2") << "c.mpg" << "mpeg2video" << "mp2" << 5.0;
    QTest::newRow("ts: MPEG-2, MP2") << "c.ts" << "mpeg2video" << "mp2" << kClipSeconds;
    // Under about 3.5 s GStreamer finds no duration in an H.264 transport stream.
    QTest::newRow("ts: H.264, AAC") << "h.ts" << "libx264" << "aac" << 4.5;
    QTest::newRow("wmv: WMV8, WMA2") << "c.wmv" << "wmv2" << "wmav2" << kClipSeconds;
    QTest::newRow("asf: WMV7, WMA1") << "c.asf" << "wmv1" << "wmav1" << kClipSeconds;
    QTest::newRow("upper-case name CLIP.AVI") << "CLIP.AVI" << "mpeg4" << "libmp3lame" << kClipSeconds;
    QTest::newRow("space and # in the name") << "my clip #1.mp4" << "libx264" << "aac" << kClipSeconds;
}

void TestPreview::playsEveryContainer()
{
    QFETCH(QString, name);
    QFETCH(QString, videoCodec);
    QFETCH(QString, audioCodec);
    QFETCH(double, seconds);
    const QString path = makeContainerClip(m_dir, name, videoCodec, audioCodec, seconds);
    QVERIFY2(!path.isEmpty(), "the encoder could not write the clip");

    VideoArea area;
    area.resize(318, 189);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    QtPreviewEngine engine;
    QCOMPARE(engine.SetVideoOutput(outputTo(area)), PreviewStatus::Ok);

    QCOMPARE(engine.RenderFile(path), PreviewStatus::Ok);
    QVERIFY(engine.HasMedia());
    QVERIFY2(near(engine.Duration(), seconds, 0.5), qPrintable(QString::number(engine.Duration().value_or(-1))));
    QVERIFY(near(engine.CurrentPosition(), 0.0, 0.05));
    QCOMPARE(engine.Run(), PreviewStatus::Ok);
    QTRY_VERIFY_WITH_TIMEOUT(area.hasFrame() && area.framesPainted() > 0, kFrameTimeoutMs);
    QVERIFY(litShare(area.grab().toImage()) > 0.5);

    // Paused, a seek brings the picture of the new place, and the position is that picture's.
    // MPEG program and transport streams land on few frames: within a group of pictures
    // (MPEG-2's 12 frames).
    QTRY_VERIFY_WITH_TIMEOUT(engine.CurrentPosition().value_or(0) > 0.2, kFrameTimeoutMs);
    QCOMPARE(engine.Pause(), PreviewStatus::Ok);
    const qint64 painted = area.framesPainted();
    QCOMPARE(engine.SetCurrentPosition(1.0), PreviewStatus::Ok);
    QCOMPARE(engine.CurrentPosition(), engine.ShownFramePosition());
    QVERIFY(near(engine.CurrentPosition(), 1.0, 0.55));
    QTRY_VERIFY_WITH_TIMEOUT(area.framesPainted() > painted, kFrameTimeoutMs);
}

void TestPreview::seekFromEveryState_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<double>("target");
    QTest::addColumn<bool>("newPicture"); // a seek outside playback brings the picture of its place
    QTest::newRow("playing, to 1.2 s") << "playing" << 1.2 << false;
    QTest::newRow("paused, to 1.2 s") << "paused" << 1.2 << true;
    QTest::newRow("paused, back to 0") << "paused" << 0.0 << true;
    QTest::newRow("stopped, to 0 (the Stop button's own seek)") << "stopped" << 0.0 << true;
    QTest::newRow("stopped, to 1.2 s") << "stopped" << 1.2 << true;
    QTest::newRow("ended, to 0") << "ended" << 0.0 << true;
    QTest::newRow("ended, to 1.2 s") << "ended" << 1.2 << true;
    // A slider's whole-second Max may lie past the end (2.5 s gives 3 when rounded up).
    QTest::newRow("paused, past the end: held at the end") << "paused" << 3.0 << false;
}

// Run after any seek continues from the sought place, whatever state the seek was made in;
// a seek outside playback shows its picture without starting playback.
void TestPreview::seekFromEveryState()
{
    QFETCH(QString, state);
    QFETCH(double, target);
    QFETCH(bool, newPicture);
    VideoArea area;
    area.resize(160, 120);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    QtPreviewEngine engine;
    engine.SetVideoOutput(outputTo(area));
    QCOMPARE(engine.RenderFile(m_mp4), PreviewStatus::Ok);
    const double duration = engine.Duration().value_or(0);
    QVERIFY(duration > 2.0);

    QCOMPARE(engine.Run(), PreviewStatus::Ok);
    QTRY_VERIFY_WITH_TIMEOUT(engine.CurrentPosition().value_or(0) > 0.3, kFrameTimeoutMs);
    if (state == QLatin1String("paused")) {
        QCOMPARE(engine.Pause(), PreviewStatus::Ok);
    } else if (state == QLatin1String("stopped")) {
        QCOMPARE(engine.Stop(), PreviewStatus::Ok);
        QVERIFY(near(engine.CurrentPosition(), 0.0, 0.01));
    } else if (state == QLatin1String("ended")) {
        // Ended means the player has reported the end, not only reached its last frame: a
        // seek in between races with the end of the stream.
        QTRY_VERIFY_WITH_TIMEOUT(engine.AtEnd(), kFrameTimeoutMs);
        QVERIFY(near(engine.CurrentPosition(), duration, 0.05));
    }

    const double expected = std::min(target, duration);
    const qint64 painted = area.framesPainted();
    QCOMPARE(engine.SetCurrentPosition(target), PreviewStatus::Ok);
    QVERIFY(near(engine.CurrentPosition(), expected, 0.05));
    if (newPicture)
        QTRY_VERIFY_WITH_TIMEOUT(area.framesPainted() > painted, kFrameTimeoutMs);
    if (state != QLatin1String("playing")) {
        QVERIFY(near(engine.CurrentPosition(), expected, 0.05));
        if (expected >= duration)
            return;
        QCOMPARE(engine.Run(), PreviewStatus::Ok);
    }
    QVERIFY(engine.CurrentPosition().value_or(-1) >= expected - 0.05);
    QTRY_VERIFY_WITH_TIMEOUT(engine.CurrentPosition().value_or(0) > expected + 0.3, kFrameTimeoutMs);
}

void TestPreview::showsTheFrameItReports_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("videoCodec");
    QTest::addColumn<QString>("audioCodec");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<bool>("exact");  // the demuxer seeks to any frame (MPEG program streams land on few)
    QTest::addColumn<double>("start"); // seek here first; negative: stay on the first frame
    QTest::addColumn<int>("steps");    // then step this far; 0: the seek alone
    const struct
    {
        const char *row;
        const char *name;
        const char *videoCodec;
        const char *audioCodec;
        const char *rate;
        bool exact;
    } clips[] = {
        {"mp4 H.264 25 fps", "n25.mp4", "libx264", "aac", "25", true},
        {"mpg MPEG-2 25 fps", "n25.mpg", "mpeg2video", "mp2", "25", false},
        {"mp4 H.264 30000/1001 fps", "n2997.mp4", "libx264", "aac", "30000/1001", true},
    };
    for (const auto &clip : clips) {
        const auto row = [&](const char *what, double start, int steps) {
            QTest::addRow("%s, %s", clip.row, what) << clip.name << clip.videoCodec << clip.audioCodec << clip.rate
                                                    << clip.exact << start << steps;
        };
        row("seek to 1.23 s", 1.23, 0);
        row("step +1", 1.23, 1);
        row("step -1", 1.23, -1);
        row("step -1 at the first frame", -1.0, -1);
        row("step +1 at the last frame", 99.0, 1);
    }
}

// Whatever the engine reports as shown is the picture it last delivered: its number's time in the source.
void TestPreview::showsTheFrameItReports()
{
    QFETCH(QString, name);
    QFETCH(QString, videoCodec);
    QFETCH(QString, audioCodec);
    QFETCH(QString, rate);
    QFETCH(bool, exact);
    QFETCH(double, start);
    QFETCH(int, steps);
    // The MPEG program stream needs length for its seeks.
    QString path = m_dir.filePath(name);
    if (!QFile::exists(path))
        path = makeContainerClip(m_dir, name, videoCodec, audioCodec, 5.0, numberedFrames(rate));
    QVERIFY(!path.isEmpty());
    const QList<double> times = frameTimes(path);
    QVERIFY(times.size() > 100);

    PreviewPicture picture;
    QtPreviewEngine engine;
    engine.SetVideoOutput([&picture](const PreviewPicture &delivered) {
        if (!delivered.isNull())
            picture = delivered;
    });
    QCOMPARE(engine.RenderFile(path), PreviewStatus::Ok);
    QVERIFY(engine.FrameRate());
    QVERIFY(std::abs(1.0 / *engine.FrameRate() - times[1]) < 0.001);
    const auto shown = [&]() -> int {
        const int number = frameNumber(picture);
        const std::optional<double> position = engine.ShownFramePosition();
        if (number < 0 || number >= times.size() || !position || std::abs(*position - times[number]) > 0.001) {
            qWarning("frame %d shown, reported at %.4f s", number, position.value_or(-1));
            return -1;
        }
        return number;
    };
    // Loaded, a stream that seeks exactly shows its first frame.
    const int first = shown();
    QVERIFY(first >= 0);
    QVERIFY(!exact || first == 0);
    if (start >= 0) {
        QCOMPARE(engine.SetCurrentPosition(start), PreviewStatus::Ok);
        QCOMPARE(engine.CurrentPosition(), engine.ShownFramePosition());
    }
    const int before = shown();
    QVERIFY(before >= 0);
    if (exact && start >= 0 && start < times.last())
        QVERIFY(times[before] <= start && start < times[before + 1]);
    if (exact && start > times.last())
        QCOMPARE(before, times.size() - 1);
    if (steps == 0)
        return;

    QCOMPARE(engine.StepFrames(steps), PreviewStatus::Ok);
    const int after = shown();
    QVERIFY(after >= 0);
    QCOMPARE(engine.CurrentPosition(), engine.ShownFramePosition());
    // An MPEG program stream reaches only some frames, none near its end: a step there moves
    // at least (away from the ends).
    if (exact)
        QCOMPARE(after, std::clamp<int>(before + steps, 0, times.size() - 1));
    else if (start > 0 && start < times.last())
        QVERIFY2(steps > 0 ? after > before : after < before, qPrintable(QStringLiteral("%1 to %2").arg(before).arg(after)));
}

void TestPreview::refusesWhatIsNotVideo_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::newRow("text renamed .avi") << "notes.avi" << QByteArray("just some words\n");
    QTest::newRow("empty .mp4") << "empty.mp4" << QByteArray("");
    QTest::newRow("missing file") << "nowhere.mkv" << QByteArray();
    QTest::newRow("empty path") << "" << QByteArray();
}

void TestPreview::refusesWhatIsNotVideo()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QString path;
    if (!name.isEmpty()) {
        path = m_dir.filePath(name);
        if (!content.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
    }
    QtPreviewEngine engine;
    // A loaded file first: a failed load must not leave the earlier one half in place.
    QCOMPARE(engine.RenderFile(m_mp4), PreviewStatus::Ok);
    QCOMPARE(engine.RenderFile(path), PreviewStatus::Failed);
    QVERIFY(!engine.HasMedia());
    QVERIFY(!engine.Duration());
    QVERIFY(!engine.CurrentPosition());
    QCOMPARE(engine.Run(), PreviewStatus::Failed);
    QCOMPARE(engine.Pause(), PreviewStatus::Failed);
    QCOMPARE(engine.Stop(), PreviewStatus::Failed);
    QCOMPARE(engine.SetCurrentPosition(1.0), PreviewStatus::Failed);
    QCOMPARE(engine.SetVolume(0), PreviewStatus::Failed);
    QCOMPARE(engine.SetRate(1.0), PreviewStatus::Failed);
    QCOMPARE(engine.SetBalance(0), PreviewStatus::NotSupported);
}

// A file dropped while another is still loading: the first load gives up, the second wins.
void TestPreview::newLoadTakesOverAPendingOne()
{
    const QString longer = makeContainerClip(m_dir, QStringLiteral("longer.mkv"), QStringLiteral("libx264"),
                                             QStringLiteral("libvorbis"), 4.0);
    QVERIFY(!longer.isEmpty());
    QtPreviewEngine engine;
    PreviewStatus inner = PreviewStatus::Failed;
    QTimer::singleShot(0, &engine, [&] { inner = engine.RenderFile(longer); });
    QCOMPARE(engine.RenderFile(m_mp4), PreviewStatus::Failed);
    QCOMPARE(inner, PreviewStatus::Ok);
    QVERIFY(engine.HasMedia());
    QVERIFY(near(engine.Duration(), 4.0, 0.5));
}

void TestPreview::volumeInHundredthsOfADecibel_data()
{
    QTest::addColumn<int>("volume");
    QTest::addColumn<PreviewStatus>("status");
    QTest::addColumn<float>("gain");
    QTest::newRow("0: full") << 0 << PreviewStatus::Ok << 1.0f;
    QTest::newRow("-2000: a tenth") << -2000 << PreviewStatus::Ok << 0.1f;
    QTest::newRow("-10000: silent") << -10000 << PreviewStatus::Ok << 0.0f;
    QTest::newRow("-10001: out of range, unchanged") << -10001 << PreviewStatus::Failed << 1.0f;
    QTest::newRow("1: out of range, unchanged") << 1 << PreviewStatus::Failed << 1.0f;
}

void TestPreview::volumeInHundredthsOfADecibel()
{
    QFETCH(int, volume);
    QFETCH(PreviewStatus, status);
    QFETCH(float, gain);
    QtPreviewEngine engine;
    QCOMPARE(engine.RenderFile(m_mp4), PreviewStatus::Ok);
    QCOMPARE(engine.SetVolume(volume), status);
    QVERIFY(engine.linearVolume());
    QVERIFY2(std::abs(*engine.linearVolume() - gain) < 0.001f, qPrintable(QString::number(*engine.linearVolume())));
}

// The program gets its engine from the module in its folder; without a
// loadable module it says why once, and has no engine.
void TestPreview::loadsTheModule_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QByteArray>("moduleContent"); // null: no file of the module's name
    QTest::newRow("the program folder") << TestSupport::programDir() << QByteArray();
    QTest::newRow("no module") << QString() << QByteArray();
    QTest::newRow("not a library") << QString() << QByteArray("not a library");
}

void TestPreview::loadsTheModule()
{
    QFETCH(QString, folder);
    QFETCH(QByteArray, moduleContent);
    QTemporaryDir empty;
    if (folder.isEmpty()) {
        folder = empty.path();
#ifdef Q_OS_WIN
        QFile file(empty.filePath(QLatin1StringView(kPreviewModuleName) + QStringLiteral(".dll")));
#else
        QFile file(empty.filePath(QLatin1StringView(kPreviewModuleName) + QStringLiteral(".so")));
#endif
        QVERIFY(moduleContent.isNull() || (file.open(QIODevice::WriteOnly) && file.write(moduleContent) > 0));
    }
    const bool expected = folder == TestSupport::programDir();
    RecordingMessageSink messages;
    const std::unique_ptr<PreviewEngine> engine = PreviewModuleFactory(folder, messages)();
    QCOMPARE(engine != nullptr, expected);
    QCOMPARE(messages.messages.size(), expected ? 0 : 1);
    if (expected) {
        QCOMPARE(engine->RenderFile(m_mp4), PreviewStatus::Ok);
        QVERIFY(near(engine->Duration(), kClipSeconds, 0.5));
    } else {
        QVERIFY2(messages.messages.constFirst().text.contains(folder), qPrintable(messages.messages.constFirst().text));
    }
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
