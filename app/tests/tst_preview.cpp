#include "previewmodule.h"
#include "avpreviewengine.h"
#include "cvideoconv.h"
#include "exacttime.h"
#include "frameindex.h"
#include "recordingmessagesink.h"
#include "testsupport.h"
#include "litshare.h"
#include "videoarea.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
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

// A clip of numbered frames (numberedFrames) at 160x120 with a tone; extra: the encoder's options
// after the inputs. Empty on failure.
QString makeNumberedClip(const QTemporaryDir &dir, const QString &name, const QString &rate, double seconds,
                         const QString &extra)
{
    const QString path = dir.filePath(name);
    const QStringList command = QStringList{TestSupport::systemFfmpeg(), QStringLiteral("-v"), QStringLiteral("error"),
                                            QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                                            QStringLiteral("-i"), numberedFrames(rate).arg(seconds),
                                            QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                            QStringLiteral("sine=sample_rate=44100:duration=%1").arg(seconds)}
                                + extra.split(u' ', Qt::SkipEmptyParts) + QStringList{path};
    return TestSupport::runTool(command).isEmpty() ? QString() : path;
}

// The number of the first frame of a cut from the mark at seconds, made as the window makes an
// exact cut (with fast seek, the start a millisecond early) with the sound kept: without it the
// encoder counts its times from the first video frame rather than the file's start. -1 when the
// cut gives none.
int firstFrameOfCut(const QTemporaryDir &dir, const QString &path, double seconds)
{
    const QString output = dir.filePath(QStringLiteral("first.mkv"));
    QFile::remove(output);
    CVideoConv cut(nullptr, TestSupport::programDir());
    cut.setInputFile(path);
    cut.setOutputFile(output);
    cut.setParametrs(QStringLiteral("-ss %1 -t 0.2 -c:v ffv1 -c:a pcm_s16le")
                         .arg(FormatExactTime(std::max(0.0, seconds - 0.001))));
    cut.setExactMarks(true);
    cut.setFastSeek(true);
    cut.StartConversion();
    if (cut.LastResult() != CVideoConv::Result::Completed)
        return -1;
    const QByteArray grey = TestSupport::runTool({TestSupport::systemFfmpeg(), QStringLiteral("-v"), QStringLiteral("error"),
                                                  QStringLiteral("-i"), output, QStringLiteral("-frames:v"),
                                                  QStringLiteral("1"), QStringLiteral("-f"), QStringLiteral("rawvideo"),
                                                  QStringLiteral("-pix_fmt"), QStringLiteral("gray"), QStringLiteral("-")});
    if (grey.size() < 160 * 120)
        return -1;
    // Full-range grey, as frameNumber reads it.
    const auto digit = [&](int x) { return qRound(uchar(grey[60 * 160 + x]) * 219.0 / 255.0 / 12.0); };
    return digit(40) * 16 + digit(120);
}

// The frame showing at seconds: the last one starting at or before it. Marks are kept to the
// millisecond, so a time up to half a millisecond before a frame's start means that frame.
int frameAt(const QList<double> &times, double seconds)
{
    return int(std::upper_bound(times.begin(), times.end(), seconds + 0.0005) - times.begin()) - 1;
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
    void paintsTheFrameItReports_data();
    void paintsTheFrameItReports();
    void dragShowsKeyframesThenTheFrame_data();
    void dragShowsKeyframesThenTheFrame();
    void refusesWhatIsNotVideo_data();
    void refusesWhatIsNotVideo();
    void newLoadTakesOverAPendingOne();
    void timelineAfterAClose_data();
    void timelineAfterAClose();
    void volumeInHundredthsOfADecibel_data();
    void volumeInHundredthsOfADecibel();
    void loadsTheModule_data();
    void loadsTheModule();

private:
    QTemporaryDir m_dir;
    QString m_indexes; // where the engines keep frame indexes
    QString m_mp4;
};

void TestPreview::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_indexes = m_dir.filePath(QStringLiteral("indexes"));
    // The module's engine keeps them in the user's cache folder: here, a temporary one.
    qputenv("XDG_CACHE_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("cache"))));
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
    QTest::newRow("mpg: MPEG-2, MP2") << "c.mpg" << "mpeg2video" << "mp2" << kClipSeconds;
    QTest::newRow("ts: MPEG-2, MP2") << "c.ts" << "mpeg2video" << "mp2" << kClipSeconds;
    QTest::newRow("ts: H.264, AAC") << "h.ts" << "libx264" << "aac" << kClipSeconds;
    QTest::newRow("m2ts: H.264, AC-3") << "c.m2ts" << "libx264" << "ac3" << kClipSeconds;
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
    AvPreviewEngine engine(m_indexes);
    QCOMPARE(engine.SetVideoOutput(outputTo(area)), PreviewStatus::Ok);

    QCOMPARE(engine.RenderFile(path), PreviewStatus::Ok);
    QVERIFY(engine.HasMedia());
    QVERIFY2(near(engine.Duration(), seconds, 0.5), qPrintable(QString::number(engine.Duration().value_or(-1))));
    QVERIFY(near(engine.CurrentPosition(), 0.0, 0.05));
    QCOMPARE(engine.Run(), PreviewStatus::Ok);
    QTRY_VERIFY_WITH_TIMEOUT(area.hasFrame() && area.framesPainted() > 0, kFrameTimeoutMs);
    QVERIFY(litShare(area.grab().toImage()) > 0.5);

    // Paused, a seek brings the picture of the new place, and the position is that picture's:
    // the frame showing at 1 s, in every container.
    QTRY_VERIFY_WITH_TIMEOUT(engine.CurrentPosition().value_or(0) > 0.2, kFrameTimeoutMs);
    QCOMPARE(engine.Pause(), PreviewStatus::Ok);
    const qint64 painted = area.framesPainted();
    QCOMPARE(engine.SetCurrentPosition(1.0), PreviewStatus::Ok);
    QCOMPARE(engine.CurrentPosition(), engine.ShownFramePosition());
    QVERIFY2(engine.CurrentPosition().value_or(-1) <= 1.0 && near(engine.CurrentPosition(), 1.0, 0.041),
             qPrintable(QString::number(engine.CurrentPosition().value_or(-1))));
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
    AvPreviewEngine engine(m_indexes);
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

void TestPreview::paintsTheFrameItReports_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("options");
    // Groups of two seconds; x264 puts B-frames in by default.
    const QString h264 = QStringLiteral("-c:v libx264 -g 50 -pix_fmt yuv420p");
    // A few frames of a lossy codec's grey may drift; a low quantiser keeps the number readable.
    const QString crisp = QStringLiteral("-g 50 -q:v 2 -pix_fmt yuv420p");
    QTest::newRow("mp4: H.264") << "n.mp4" << "25" << h264 + " -c:a aac";
    QTest::newRow("mp4: H.264 at 30000/1001") << "ntsc.mp4" << "30000/1001" << h264 + " -c:a aac";
    QTest::newRow("mkv: H.264 at 30000/1001") << "ntsc.mkv" << "30000/1001" << h264 + " -c:a libvorbis";
    QTest::newRow("mov: H.264") << "n.mov" << "25" << h264 + " -c:a aac";
    QTest::newRow("avi: MPEG-4") << "n.avi" << "25" << "-c:v mpeg4 " + crisp + " -c:a libmp3lame";
    QTest::newRow("webm: VP9") << "n.webm" << "25" << "-c:v libvpx-vp9 -crf 20 -b:v 0 -deadline realtime -g 50 -c:a libopus";
    QTest::newRow("flv: H.264") << "n.flv" << "25" << h264 + " -c:a aac";
    // At a DVD's rate: frames far larger than a pack, as in real program streams. Frames smaller
    // than one share a pack's time stamp, and after a seek the decoder misplaces them.
    QTest::newRow("mpg: MPEG-2") << "n.mpg" << "25"
                                 << "-c:v mpeg2video -bf 2 -g 15 -b:v 6M -minrate 6M -maxrate 6M -bufsize 2M "
                                    "-pix_fmt yuv420p -c:a mp2";
    // The sound starts 0.3 s before the picture, as in broadcasts: marks count from the file's start.
    QTest::newRow("ts: H.264, sound leading") << "n.ts" << "25" << "-vf setpts=PTS+0.3/TB " + h264 + " -c:a aac";
    QTest::newRow("m2ts: H.264 at 30000/1001") << "n.m2ts" << "30000/1001" << h264 + " -c:a ac3";
    QTest::newRow("wmv: WMV8") << "n.wmv" << "25" << "-c:v wmv2 " + crisp + " -c:a wmav2";
    QTest::newRow("asf: WMV7") << "n.asf" << "25" << "-c:v wmv1 " + crisp + " -c:a wmav1";
}

// The number painted is the frame the engine reports, which is the frame at the mark's time; a
// cut from that mark starts on it. 20 seeks to random places, each followed by a step either way.
void TestPreview::paintsTheFrameItReports()
{
    QFETCH(QString, name);
    QFETCH(QString, rate);
    QFETCH(QString, options);
    constexpr double kSeconds = 8.0; // 200 to 240 frames: the pattern counts to 255
    const QString path = makeNumberedClip(m_dir, name, rate, kSeconds, options);
    QVERIFY2(!path.isEmpty(), "the encoder could not write the clip");
    const QList<double> times = TestSupport::frameTimes(path);
    QVERIFY(times.size() > 190);
    if (options.contains(QLatin1String("setpts")))
        QVERIFY2(times.first() > 0.25, qPrintable(QString::number(times.first())));

    PreviewPicture picture;
    AvPreviewEngine engine(m_indexes);
    engine.SetPictureSize(QSize(160, 120));
    QCOMPARE(engine.RenderFile(path), PreviewStatus::Ok);
    QCOMPARE(engine.SetVideoOutput([&picture](const PreviewPicture &delivered) {
        if (!delivered.isNull())
            picture = delivered;
    }),
             PreviewStatus::Ok);
    QCOMPARE(engine.Pause(), PreviewStatus::Ok);
    // Checks the picture against what the engine reports and returns its number; -1 on a mismatch.
    const auto shown = [&]() -> int {
        const int number = frameNumber(picture);
        const std::optional<double> position = engine.ShownFramePosition();
        const double mark = double(RoundMilliseconds(position.value_or(-1))) / 1000.0;
        if (number < 0 || number >= times.size() || !position || std::abs(*position - times[number]) > 0.001
            || frameAt(times, mark) != number || engine.CurrentPosition() != position) {
            qWarning("frame %d painted, reported at %.4f s (the frame's time %.4f s), marked at %.3f s", number,
                     position.value_or(-1), times.value(number, -1), mark);
            return -1;
        }
        return number;
    };
    QCOMPARE(shown(), 0); // loaded: the first frame

    QRandomGenerator random(20261209u + quint32(qHash(name)));
    const double end = times.last() + 0.02;
    int lastMark = -1;
    for (int i = 0; i < 20; ++i) {
        const double target = random.bounded(end);
        QCOMPARE(engine.SetCurrentPosition(target), PreviewStatus::Ok);
        QTRY_VERIFY_WITH_TIMEOUT(engine.Idle(), kFrameTimeoutMs);
        const int at = shown();
        QVERIFY2(at == std::max(frameAt(times, target), 0),
                 qPrintable(QStringLiteral("seek to %1 s showed frame %2").arg(target).arg(at)));
        // Steps both ways, up to a group long, so that some cross a keyframe.
        const int steps = int(random.bounded(1, 60)) * (random.bounded(2) ? 1 : -1);
        QCOMPARE(engine.StepFrames(steps), PreviewStatus::Ok);
        const int after = shown();
        QVERIFY2(after == std::clamp<int>(at + steps, 0, int(times.size()) - 1),
                 qPrintable(QStringLiteral("%1 steps from frame %2 showed frame %3").arg(steps).arg(at).arg(after)));
        lastMark = after;
    }
    // Stepping back frame by frame over a keyframe shows each frame in turn.
    QCOMPARE(engine.SetCurrentPosition(times[52]), PreviewStatus::Ok);
    for (int frame = 51; frame >= 47; --frame) {
        QCOMPARE(engine.StepFrames(-1), PreviewStatus::Ok);
        QCOMPARE(shown(), frame);
    }
    // The encoder, seeking to the mark of the frame shown, starts its cut on that frame.
    const double mark = double(RoundMilliseconds(times[lastMark])) / 1000.0;
    QCOMPARE(firstFrameOfCut(m_dir, path, mark), lastMark);
}

void TestPreview::dragShowsKeyframesThenTheFrame_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("options");
    // Groups of two seconds, with no keyframes of x264's own between them.
    const QString h264 = QStringLiteral("-c:v libx264 -g 50 -sc_threshold 0 -pix_fmt yuv420p");
    QTest::newRow("mp4: H.264") << "d.mp4" << "25" << h264 + " -c:a aac";
    QTest::newRow("mkv: H.264 at 30000/1001") << "d.mkv" << "30000/1001" << h264 + " -c:a libvorbis";
    QTest::newRow("mov: H.264") << "d.mov" << "25" << h264 + " -c:a aac";
    QTest::newRow("webm: VP9") << "d.webm" << "25" << "-c:v libvpx-vp9 -crf 20 -b:v 0 -deadline realtime -g 50 -c:a libopus";
    QTest::newRow("ts: H.264, sound leading") << "d.ts" << "25" << "-vf setpts=PTS+0.3/TB " + h264 + " -c:a aac";
    QTest::newRow("m2ts: H.264 at 30000/1001") << "d.m2ts" << "30000/1001" << h264 + " -c:a ac3";
}

// While the handle moves, each place shows at once its group's keyframe (or a cached frame
// nearer), with the position already the place's own frame; where it rests, that frame replaces
// the keyframe, the same frame a seek straight there shows. Steps back from just after a
// keyframe then cross it frame by frame.
void TestPreview::dragShowsKeyframesThenTheFrame()
{
    QFETCH(QString, name);
    QFETCH(QString, rate);
    QFETCH(QString, options);
    const QString path = makeNumberedClip(m_dir, name, rate, 8.0, options);
    QVERIFY2(!path.isEmpty(), "the encoder could not write the clip");
    const QList<double> times = TestSupport::frameTimes(path);
    QList<int> keys; // frame numbers of the keyframes, in presentation order
    const std::optional<FrameIndex> index = FrameIndex::scan(path);
    QVERIFY(index && index->size() == times.size());
    for (int frame = 0; frame < index->size(); ++frame) {
        if (index->frames()[size_t(frame)].key)
            keys << frame;
    }
    QVERIFY(times.size() > 190 && keys.size() >= 4);

    AvPreviewEngine engine(m_indexes);
    engine.SetPictureSize(QSize(160, 120));
    QCOMPARE(engine.RenderFile(path), PreviewStatus::Ok);
    QList<int> painted;
    QList<int> previews;
    quint64 previewsSeen = 0;
    engine.SetVideoOutput([&](const PreviewPicture &picture) {
        if (picture.isNull())
            return;
        painted << frameNumber(picture);
        if (engine.previewsShown() != std::exchange(previewsSeen, engine.previewsShown()))
            previews << painted.last();
    });
    QCOMPARE(engine.Pause(), PreviewStatus::Ok);
    QTRY_VERIFY_WITH_TIMEOUT(engine.HasFrameIndex(), kFrameTimeoutMs);

    // Through four groups, then into the last one, which nothing has decoded yet.
    const int last = keys[keys.size() - 1];
    const int target = std::min(last + 15, int(times.size()) - 1);
    QList<double> places;
    for (double place = 0.5; place < times[keys[keys.size() - 2]] + 1.0; place += 0.9)
        places << place;
    places << (times[target] + times[target + 1 < times.size() ? target + 1 : target]) / 2;
    for (const double place : places) {
        QCOMPARE(engine.SetCurrentPosition(place), PreviewStatus::Ok);
        // The position names the place's frame before any picture of it came.
        QVERIFY2(near(engine.ShownFramePosition(), times[frameAt(times, place)], 0.0005),
                 qPrintable(QString::number(engine.ShownFramePosition().value_or(-1))));
        QTest::qWait(20);
    }
    QTRY_VERIFY_WITH_TIMEOUT(engine.Idle(), kFrameTimeoutMs);
    QCOMPARE(painted.last(), target);
    QVERIFY2(!previews.isEmpty() && previews.last() == last,
             qPrintable(QStringLiteral("previews %1, keyframe %2").arg(QString::number(previews.value(previews.size() - 1, -1))).arg(last)));
    QVERIFY(near(engine.ShownFramePosition(), times[target], 0.0005));

    // A seek straight there, on a fresh engine, shows the same frame.
    AvPreviewEngine direct(m_indexes);
    direct.SetPictureSize(QSize(160, 120));
    QCOMPARE(direct.RenderFile(path), PreviewStatus::Ok);
    PreviewPicture straight;
    direct.SetVideoOutput([&](const PreviewPicture &picture) {
        if (!picture.isNull())
            straight = picture;
    });
    QCOMPARE(direct.SetCurrentPosition(places.last()), PreviewStatus::Ok);
    QTRY_VERIFY_WITH_TIMEOUT(direct.Idle(), kFrameTimeoutMs);
    QCOMPARE(frameNumber(straight), target);

    // Just after the keyframe before, a rest, then steps back over it.
    const int key = keys[keys.size() - 2];
    QCOMPARE(engine.SetCurrentPosition(times[key + 1]), PreviewStatus::Ok);
    QTRY_VERIFY_WITH_TIMEOUT(engine.Idle() && painted.last() == key + 1, kFrameTimeoutMs);
    QTest::qWait(100);
    for (int frame = key; frame >= key - 2; --frame) {
        QCOMPARE(engine.StepFrames(-1), PreviewStatus::Ok);
        QCOMPARE(painted.last(), frame);
        QVERIFY(near(engine.ShownFramePosition(), times[frame], 0.0005));
    }
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
    AvPreviewEngine engine(m_indexes);
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
    AvPreviewEngine engine(m_indexes);
    PreviewStatus inner = PreviewStatus::Failed;
    QTimer::singleShot(0, &engine, [&] { inner = engine.RenderFile(longer); });
    QCOMPARE(engine.RenderFile(m_mp4), PreviewStatus::Failed);
    QCOMPARE(inner, PreviewStatus::Ok);
    QVERIFY(engine.HasMedia());
    QVERIFY(near(engine.Duration(), 4.0, 0.5));
}

void TestPreview::timelineAfterAClose_data()
{
    QTest::addColumn<bool>("failedLoad"); // closed by a load that fails, not by Release
    QTest::newRow("released") << false;
    QTest::newRow("closed by a failed load") << true;
}

// The timeline's worker goes idle on a closed file, and the next load gets all of its timeline.
void TestPreview::timelineAfterAClose()
{
    QFETCH(bool, failedLoad);
    AvPreviewEngine engine(m_indexes);
    std::vector<double> keyframes;
    QImage thumbnail;
    QByteArray peaks;
    bool complete = false;
    bool hasSound = false;
    TimelineOutput output;
    output.keyframes = [&](const std::vector<double> &k) { keyframes = k; };
    output.thumbnail = [&](int slot, const QImage &image) {
        if (slot == 0)
            thumbnail = image;
    };
    output.waveform = [&](const WaveformPiece &piece) {
        peaks.resize(piece.first);
        peaks += piece.peaks;
        complete = piece.complete;
        hasSound = piece.hasSound;
    };
    engine.SetTimelineOutput(output);
    for (int load = 0; load < 2; ++load) {
        keyframes.clear();
        thumbnail = {};
        peaks.clear();
        complete = false;
        QCOMPARE(engine.RenderFile(m_mp4), PreviewStatus::Ok);
        engine.RequestThumbnails({1.0}, 40);
        engine.RequestWaveform();
        QTRY_VERIFY_WITH_TIMEOUT(complete && !thumbnail.isNull() && !keyframes.empty(), kFrameTimeoutMs);
        QCOMPARE(keyframes.front(), 0.0);
        QCOMPARE(thumbnail.height(), 40);
        QVERIFY(hasSound);
        QVERIFY2(std::abs(peaks.size() - kClipSeconds * 100) <= 10, QByteArray::number(peaks.size()));
        if (failedLoad)
            QCOMPARE(engine.RenderFile(m_dir.filePath(QStringLiteral("nowhere.mp4"))), PreviewStatus::Failed);
        else
            engine.Release();
        // The worker takes the close before the next load replaces it.
        QTRY_VERIFY_WITH_TIMEOUT(engine.TimelineClosed(), kFrameTimeoutMs);
    }
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
    AvPreviewEngine engine(m_indexes);
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
