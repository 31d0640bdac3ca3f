// The video source against the encoder: in every container the load dialog offers, the picture
// of a seek or a step carries the number of the frame whose time it reports, and the encoder
// cut from that time starts on that frame.

#include "frameindex.h"
#include "testsupport.h"
#include "videosource.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int kFrames = 150; // 6 s at 25 fps: three groups of pictures

// Frames that show their own number: the left half's grey is number / 16 and the right half's
// number % 16, in steps of 12 from video black, which survive any codec and any scaling.
QString numberedSource(const QString &rate, const QString &format)
{
    return QStringLiteral("color=black:size=320x240:rate=%1:duration=6,format=yuv420p,"
                          "geq=lum='if(lt(X,W/2),16+12*floor(N/16),16+12*mod(N,16))':cb=128:cr=128,format=%2")
        .arg(rate, format);
}

int greyDigit(int grey)
{
    return qRound(grey * 219.0 / 255.0 / 12.0);
}

int numberOf(const RgbImage &image)
{
    if (image.isNull())
        return -1;
    const auto grey = [&](int x) {
        const auto *pixel = reinterpret_cast<const uchar *>(image.bytes.constData())
                            + (image.size.height() / 2) * image.stride + x * 4;
        return (pixel[0] + pixel[1] + pixel[2]) / 3;
    };
    return greyDigit(grey(image.size.width() / 4)) * 16 + greyDigit(grey(image.size.width() * 3 / 4));
}

// The number on the first frame of what the encoder makes from seconds on, seeking as a cut does.
int encoderFrameAt(const QString &path, double seconds)
{
    const QByteArray gray = TestSupport::runTool(
        {TestSupport::systemFfmpeg(), QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-ss"),
         QString::number(seconds, 'f', 3), QStringLiteral("-i"), path, QStringLiteral("-frames:v"),
         QStringLiteral("1"), QStringLiteral("-f"), QStringLiteral("rawvideo"), QStringLiteral("-pix_fmt"),
         QStringLiteral("gray"), QStringLiteral("-s"), QStringLiteral("320x240"), QStringLiteral("-")});
    if (gray.size() < 320 * 240)
        return -1;
    // The encoder's grey is full range, as the source's pictures are.
    const auto grey = [&](int x) { return int(uchar(gray[120 * 320 + x])); };
    return greyDigit(grey(80)) * 16 + greyDigit(grey(240));
}

} // namespace

class TestVideoSource final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void showsTheFrameItReports_data();
    void showsTheFrameItReports();
    void scrubsToTheFramesASeekShows_data() { showsTheFrameItReports_data(); }
    void scrubsToTheFramesASeekShows();
    void smallCacheShowsEachFrame_data();
    void smallCacheShowsEachFrame();
    void indexCacheFollowsTheFile();
    void refusesWhatIsNotVideo_data();
    void refusesWhatIsNotVideo();
    void turnsUprightAsPlayersDo_data();
    void turnsUprightAsPlayersDo();

private:
    // The numbered clip of a row of showsTheFrameItReports' table, made once.
    QString clip(const QString &name, const QStringList &encoding, const QString &pixels);

    QTemporaryDir m_dir;
};

QString TestVideoSource::clip(const QString &name, const QStringList &encoding, const QString &pixels)
{
    const QString path = m_dir.filePath(name);
    if (QFile::exists(path))
        return path;
    // A tone beside the picture: a sound that starts before it moves the file's start.
    const QByteArray made = TestSupport::runTool(
        QStringList{TestSupport::systemFfmpeg(), QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"),
                    QStringLiteral("lavfi"), QStringLiteral("-i"), numberedSource(QStringLiteral("25"), pixels),
                    QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                    QStringLiteral("sine=duration=6")}
        + encoding + QStringList{QStringLiteral("-shortest"), path});
    return made.isEmpty() ? QString() : path;
}

void TestVideoSource::showsTheFrameItReports_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("encoding");
    QTest::addColumn<QString>("pixels");
    QTest::addColumn<bool>("withIndex"); // false: seeks and steps before the index is built
    const QStringList h264{QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-g"), QStringLiteral("50")};
    const auto codec = [](const char *name) {
        return QStringList{QStringLiteral("-c:v"), QString::fromLatin1(name), QStringLiteral("-g"), QStringLiteral("50"),
                           QStringLiteral("-q:v"), QStringLiteral("3")};
    };
    const QString yuv420 = QStringLiteral("yuv420p");
    QTest::newRow("mp4 H.264, B-frames") << "n.mp4" << h264 << yuv420 << true;
    QTest::newRow("mp4 H.264, no index yet") << "n.mp4" << h264 << yuv420 << false;
    QTest::newRow("mkv H.264") << "n.mkv" << h264 << yuv420 << true;
    QTest::newRow("mkv H.264, no index yet") << "n.mkv" << h264 << yuv420 << false;
    QTest::newRow("mov H.264") << "n.mov" << h264 << yuv420 << true;
    QTest::newRow("avi MPEG-4") << "n.avi" << codec("mpeg4") << yuv420 << true;
    QTest::newRow("webm VP9") << "n.webm" << QStringList{QStringLiteral("-c:v"), QStringLiteral("libvpx-vp9"),
                                                         QStringLiteral("-g"), QStringLiteral("50"),
                                                         QStringLiteral("-deadline"), QStringLiteral("realtime")}
                              << yuv420 << true;
    QTest::newRow("flv Sorenson") << "n.flv" << codec("flv") << yuv420 << true;
    QTest::newRow("mpg MPEG-2, B-frames") << "n.mpg" << (codec("mpeg2video") << QStringLiteral("-bf") << QStringLiteral("2"))
                                          << yuv420 << true;
    QTest::newRow("mpg MPEG-2, no index yet") << "n.mpg" << (codec("mpeg2video") << QStringLiteral("-bf") << QStringLiteral("2"))
                                              << yuv420 << false;
    QTest::newRow("ts H.264") << "n.ts" << h264 << yuv420 << true;
    QTest::newRow("ts H.264, no index yet") << "n.ts" << h264 << yuv420 << false;
    QTest::newRow("m2ts H.264") << "n.m2ts" << h264 << yuv420 << true;
    QTest::newRow("wmv WMV8") << "n.wmv" << codec("wmv2") << yuv420 << true;
    QTest::newRow("asf WMV7") << "n.asf" << codec("wmv1") << yuv420 << true;
    QTest::newRow("mkv H.264 10-bit 4:2:2") << "n10.mkv" << h264 << QStringLiteral("yuv422p10le") << true;
    QTest::newRow("ts MPEG-2 interlaced") << "i.ts" << (codec("mpeg2video") << QStringLiteral("-flags")
                                                        << QStringLiteral("+ilme+ildct") << QStringLiteral("-top")
                                                        << QStringLiteral("1"))
                                          << yuv420 << true;
}

void TestVideoSource::showsTheFrameItReports()
{
    QFETCH(QString, name);
    QFETCH(QStringList, encoding);
    QFETCH(QString, pixels);
    QFETCH(bool, withIndex);
    const QString path = clip(name, encoding, pixels);
    QVERIFY2(!path.isEmpty(), "the encoder could not write the clip");
    const QList<double> times = TestSupport::frameTimes(path);
    QVERIFY(times.size() >= kFrames - 2);

    auto opened = VideoSource::open(path);
    QVERIFY(std::holds_alternative<std::unique_ptr<VideoSource>>(opened));
    VideoSource &source = *std::get<std::unique_ptr<VideoSource>>(opened);
    source.setPictureSize(QSize(160, 90));
    if (withIndex) {
        const std::optional<FrameIndex> index = FrameIndex::scan(path);
        QVERIFY(index);
        QCOMPARE(index->size(), times.size());
        source.setIndex(std::make_shared<FrameIndex>(*index));
    }

    // The number painted, the frame the source reports and the frame at the mark agree.
    const auto check = [&](const std::optional<VideoSource::Picture> &picture, const char *what) {
        QVERIFY2(picture, what);
        const int number = numberOf(picture->image);
        QVERIFY2(number >= 0 && number < times.size(), qPrintable(QStringLiteral("%1: number %2").arg(what).arg(number)));
        QVERIFY2(std::abs(picture->seconds - times[number]) < 0.0005,
                 qPrintable(QStringLiteral("%1: frame %2 reported at %3 s").arg(what).arg(number).arg(picture->seconds)));
    };
    QRandomGenerator random(24);
    int at = 0;
    check(source.frameAt(0.0), "first frame");
    QCOMPARE(numberOf(source.current()->image), 0);
    for (int round = 0; round < 20; ++round) {
        const int target = random.bounded(int(times.size()));
        // Somewhere inside the frame: a mark to the millisecond lies anywhere in it.
        const double end = target + 1 < times.size() ? times[target + 1] : times[target] + 0.04;
        const double seconds = times[target] + (end - times[target]) * random.bounded(0.95);
        check(source.frameAt(seconds), "seek");
        QCOMPARE(numberOf(source.current()->image), target);
        at = target;
        const int steps = random.bounded(-3, 4);
        for (int i = 0; i < std::abs(steps); ++i) {
            check(source.step(steps > 0 ? 1 : -1), "step");
            at = std::clamp(at + (steps > 0 ? 1 : -1), 0, int(times.size()) - 1);
            QCOMPARE(numberOf(source.current()->image), at);
        }
        if (!withIndex && round % 4 == 1) {
            // Many frames in one step: before the index is known a step goes from each frame to
            // the one decoded after it, which must not skip the frames left out below a seek's
            // target.
            source.settle({});
            source.prefetchAround({});
            const int many = random.bounded(-60, 61);
            check(source.step(many), "steps");
            at = std::clamp(at + many, 0, int(times.size()) - 1);
            QCOMPARE(numberOf(source.current()->image), at);
        }
        // The mark is the reported time to the millisecond; the cut from it starts on this frame.
        // (Not in MPEG program and transport streams: there the encoder's own -ss misses by up to
        // a group, and the cut finds its start by decode times instead.)
        if (round % 7 == 0 && !name.endsWith(QLatin1String("ts")) && !name.endsWith(QLatin1String(".mpg"))) {
            const double mark = std::round(source.current()->seconds * 1000.0) / 1000.0;
            QCOMPARE(encoderFrameAt(path, mark), at);
        }
    }
    // Clamped at both ends.
    check(source.frameAt(1.0e6), "past the end");
    QCOMPARE(numberOf(source.current()->image), int(times.size()) - 1);
    check(source.step(1), "step past the last");
    QCOMPARE(numberOf(source.current()->image), int(times.size()) - 1);
    check(source.frameAt(-5.0), "before the start");
    check(source.step(-1), "step before the first");
    QCOMPARE(numberOf(source.current()->image), 0);
}

// A drag: each place shows its group's keyframe or a nearer cached frame at once, and its exact
// decode is cut short by the next place; where the handle rests, the frame is the one a seek on a
// fresh source shows. Then the rest's work: steps back from just after a keyframe cross it onto
// the frames before, which were decoded while resting.
void TestVideoSource::scrubsToTheFramesASeekShows()
{
    QFETCH(QString, name);
    QFETCH(QStringList, encoding);
    QFETCH(QString, pixels);
    QFETCH(bool, withIndex);
    const QString path = clip(name, encoding, pixels);
    QVERIFY2(!path.isEmpty(), "the encoder could not write the clip");
    const QList<double> times = TestSupport::frameTimes(path);
    const std::optional<FrameIndex> index = FrameIndex::scan(path);
    QVERIFY(index && index->size() == times.size());
    const auto openSource = [&] {
        auto opened = VideoSource::open(path);
        std::unique_ptr<VideoSource> source = std::move(std::get<std::unique_ptr<VideoSource>>(opened));
        source->setPictureSize(QSize(160, 90));
        if (withIndex)
            source->setIndex(std::make_shared<FrameIndex>(*index));
        return source;
    };
    const std::unique_ptr<VideoSource> dragged = openSource();
    const auto inside = [&](int frame) { return (times[frame] + times[std::min(frame + 1, int(times.size()) - 1)]) / 2; };

    QRandomGenerator random(34u + quint32(qHash(name)));
    int target = 0;
    int previews = 0;
    for (int move = 0; move < 12; ++move) {
        target = random.bounded(int(times.size()));
        const std::optional<VideoSource::Picture> first = dragged->preview(inside(target));
        if (first) {
            const int number = numberOf(first->image);
            const int key = index->keyframeAtOrBefore(target);
            QVERIFY2(number >= key && number <= target && std::abs(first->seconds - times[number]) < 0.0005,
                     qPrintable(QStringLiteral("preview of frame %1 showed %2 (keyframe %3)").arg(target).arg(number).arg(key)));
            ++previews;
        }
        // The handle moves on after a few frames' decoding, or none.
        int polls = int(random.bounded(6));
        const std::optional<VideoSource::Picture> exact = dragged->frameAt(inside(target), [&] { return polls-- <= 0; });
        if (exact)
            QCOMPARE(numberOf(exact->image), target);
    }
    // Without an index there is no keyframe to show: the exact frame is the first picture. (Program
    // streams may land past the keyframe, where the exact decode aims earlier and shows no preview.)
    if (!withIndex)
        QCOMPARE(previews, 0);
    else if (!name.endsWith(QLatin1String(".mpg")))
        QVERIFY(previews > 0);
    const std::optional<VideoSource::Picture> rested = dragged->frameAt(inside(target));
    QVERIFY(rested);
    const std::optional<VideoSource::Picture> direct = openSource()->frameAt(inside(target));
    QVERIFY(direct);
    QCOMPARE(numberOf(rested->image), target);
    QCOMPARE(numberOf(direct->image), target);
    QCOMPARE(rested->pts, direct->pts);
    dragged->settle({});

    // Just after a keyframe (the second group's, and the last one's), rest, then step back over it.
    // (A keyframe whose next frame is none: encoders add them where the picture changes.)
    std::vector<int> keys;
    for (int frame = 1; frame + 1 < times.size(); ++frame) {
        if (index->frames()[size_t(frame)].key && !index->frames()[size_t(frame + 1)].key)
            keys.push_back(frame);
    }
    // Codecs that make every changed picture a keyframe have no group to step back over. (Near the
    // end of a program stream, steps back miss by a frame or two whichever way seeks go: not here.)
    QList<int> tried;
    if (!keys.empty())
        tried << keys.front();
    if (keys.size() > 1 && !name.endsWith(QLatin1String(".mpg")))
        tried << keys.back();
    for (const int key : tried) {
        const int from = std::min(key + 1, int(times.size()) - 1);
        QVERIFY(dragged->frameAt(inside(from)));
        dragged->settle({});
        dragged->prefetchAround({});
        if (withIndex)
            QVERIFY2(dragged->cache().contains(index->frames()[size_t(key - 1)].pts), "the rest decoded no frame before the keyframe");
        for (int at = from - 1; at >= std::max(key - 3, 0); --at) {
            const std::optional<VideoSource::Picture> stepped = dragged->step(-1);
            QVERIFY(stepped);
            QCOMPARE(numberOf(stepped->image), at);
        }
        const std::optional<VideoSource::Picture> forward = dragged->step(from - std::max(key - 3, 0));
        QVERIFY(forward);
        QCOMPARE(numberOf(forward->image), from);
    }
}

// A cache of a few pictures, full at once: new pictures are made in the memory of those it lets
// go, and frames decoded ahead wait as frames, not pictures. Every seek and step still shows its
// own frame, and the pictures handed out before stay as they were.
void TestVideoSource::smallCacheShowsEachFrame_data()
{
    QTest::addColumn<int>("cachePictures"); // the cache's size in pictures
    QTest::addColumn<int>("holdEvery");     // every n-th picture given is kept, as the video area keeps one
    QTest::addColumn<bool>("withIndex");
    // The rest's work after each answer, cut short by the next request after this many polls
    // (-1: it runs to its end).
    QTest::addColumn<int>("restPolls");
    QTest::newRow("two pictures, every one kept") << 2 << 1 << true << -1;
    QTest::newRow("two pictures, every third kept") << 2 << 3 << true << -1;
    QTest::newRow("five pictures, every other kept") << 5 << 2 << true << -1;
    QTest::newRow("five pictures, every other kept, no index") << 5 << 2 << false << -1;
    QTest::newRow("two pictures, none kept") << 2 << 0 << true << -1;
    QTest::newRow("sixty pictures, every other kept") << 60 << 2 << true << -1;
    QTest::newRow("thirty pictures, every other kept, rest cut at once") << 30 << 2 << true << 0;
    QTest::newRow("thirty pictures, every other kept, rest cut in its midst") << 30 << 2 << true << 3;
    QTest::newRow("thirty pictures, none kept, rest cut in its midst, no index") << 30 << 0 << false << 2;
}

void TestVideoSource::smallCacheShowsEachFrame()
{
    QFETCH(int, cachePictures);
    QFETCH(int, holdEvery);
    QFETCH(bool, withIndex);
    QFETCH(int, restPolls);
    const QString path = clip(u"n.mp4"_s, {u"-c:v"_s, u"libx264"_s, u"-g"_s, u"50"_s}, u"yuv420p"_s);
    QVERIFY(!path.isEmpty());
    const QList<double> times = TestSupport::frameTimes(path);
    QVERIFY(times.size() >= kFrames - 2);
    const QSize size(160, 90);
    auto opened = VideoSource::open(path, qint64(cachePictures) * size.width() * size.height() * 4);
    QVERIFY(std::holds_alternative<std::unique_ptr<VideoSource>>(opened));
    VideoSource &source = *std::get<std::unique_ptr<VideoSource>>(opened);
    source.setPictureSize(size);
    if (withIndex) {
        const std::optional<FrameIndex> index = FrameIndex::scan(path);
        QVERIFY(index);
        source.setIndex(std::make_shared<FrameIndex>(*index));
    }
    QList<QPair<int, RgbImage>> kept;
    QRandomGenerator random(2034);
    int at = 0;
    for (int round = 0; round < 40; ++round) {
        std::optional<VideoSource::Picture> shown;
        if (round % 3 == 0) {
            at = random.bounded(int(times.size()));
            shown = source.frameAt(times[at] + 0.001);
        } else {
            const int by = round % 3 == 1 ? 1 : -1;
            at = std::clamp(at + by, 0, int(times.size()) - 1);
            shown = source.step(by);
        }
        QVERIFY(shown);
        QCOMPARE(numberOf(shown->image), at);
        if (holdEvery > 0 && round % holdEvery == 0)
            kept.append({at, shown->image});
        // Held frames become pictures too, evicting more, and spare memory is readied.
        int polls = restPolls;
        const VideoSource::Interrupted newer = [&] { return restPolls >= 0 && polls-- <= 0; };
        source.settle(newer);
        source.prefetchAround(newer);
        source.warmUp(newer);
        const qint64 picture = qint64(size.width()) * size.height() * 4;
        QVERIFY(source.cache().bytes() <= source.cache().maxBytes());
        // Spares count against the budget; one let go by an eviction may go a picture past it.
        QVERIFY(source.cache().bytes() + source.cache().spareBytes() <= source.cache().maxBytes() + picture);
        if (restPolls < 0)
            QVERIFY(source.cache().bytes() + source.cache().spareBytes() + picture > source.cache().maxBytes()
                    || source.cache().spareCount() == FrameCache::kMostWarm);
    }
    for (const auto &[number, image] : kept)
        QCOMPARE(numberOf(image), number);
}

void TestVideoSource::indexCacheFollowsTheFile()
{
    const QString path = m_dir.filePath(QStringLiteral("cached.mkv"));
    QVERIFY(TestSupport::makeClip(path, 2.0));
    const QString folder = m_dir.filePath(QStringLiteral("cache"));
    const std::optional<FrameIndex> scanned = FrameIndex::scan(path);
    QVERIFY(scanned && scanned->size() == 50);
    QVERIFY(!FrameIndex::load(folder, QFileInfo(path)));
    QVERIFY(scanned->save(folder, QFileInfo(path)));
    const std::optional<FrameIndex> loaded = FrameIndex::load(folder, QFileInfo(path));
    QVERIFY(loaded);
    QCOMPARE(loaded->size(), scanned->size());
    QCOMPARE(loaded->frames().back().pts, scanned->frames().back().pts);
    QCOMPARE(loaded->keyframeAtOrBefore(49), scanned->keyframeAtOrBefore(49));

    // A damaged cache file is no index; a changed file finds none.
    QFile damaged(FrameIndex::cachePath(folder, QFileInfo(path)));
    QVERIFY(damaged.open(QIODevice::ReadWrite));
    damaged.resize(damaged.size() / 2);
    damaged.close();
    QVERIFY(!FrameIndex::load(folder, QFileInfo(path)));
    QVERIFY(scanned->save(folder, QFileInfo(path)));
    QFile grown(path);
    QVERIFY(grown.open(QIODevice::Append) && grown.write("x") == 1);
    grown.close();
    QVERIFY(!FrameIndex::load(folder, QFileInfo(path)));
}

void TestVideoSource::refusesWhatIsNotVideo_data()
{
    QTest::addColumn<QByteArray>("content"); // null: no file at all
    QTest::newRow("text renamed .avi") << QByteArray("just some words\n");
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("noise with an MP4 header") << QByteArray("\0\0\0\x18" "ftypmp42", 12) + QByteArray(4000, '\x5a');
}

void TestVideoSource::refusesWhatIsNotVideo()
{
    QFETCH(QByteArray, content);
    const QString path = m_dir.filePath(QStringLiteral("bad.avi"));
    QFile::remove(path);
    if (!content.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QVERIFY(std::holds_alternative<QString>(VideoSource::open(path)));
    QVERIFY(!FrameIndex::scan(path) || FrameIndex::scan(path)->isEmpty());
}

void TestVideoSource::turnsUprightAsPlayersDo_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<int>("rotate"); // the tag, counterclockwise degrees as phones write it
    for (const int rotate : {0, 90, 180, 270})
        QTest::newRow(qPrintable(u"MP4, rotate=%1"_s.arg(rotate))) << u"mp4"_s << rotate;
    QTest::newRow("MOV, rotate=90") << u"mov"_s << 90;
}

void TestVideoSource::turnsUprightAsPlayersDo()
{
    QFETCH(QString, container);
    QFETCH(int, rotate);
    // Four differently coloured corners: any turn or mirror shows.
    const QString plain = m_dir.filePath(u"corners.mp4"_s);
    const QString path = m_dir.filePath(u"turned%1.%2"_s.arg(rotate).arg(container));
    QVERIFY(!TestSupport::runTool({TestSupport::systemFfmpeg(), u"-v"_s, u"error"_s, u"-y"_s, u"-f"_s, u"lavfi"_s,
                                   u"-i"_s,
                                   u"color=red:s=48x32,drawbox=x=24:w=24:h=16:c=blue:t=fill,"
                                   "drawbox=y=16:w=24:h=16:c=green:t=fill,drawbox=x=24:y=16:w=24:h=16:c=white:t=fill"_s,
                                   u"-frames:v"_s, u"2"_s, u"-c:v"_s, u"libx264"_s, u"-pix_fmt"_s, u"yuv444p"_s, plain})
                 .isEmpty());
    QVERIFY(!TestSupport::runTool({TestSupport::systemFfmpeg(), u"-v"_s, u"error"_s, u"-y"_s, u"-i"_s, plain, u"-c"_s,
                                   u"copy"_s, u"-metadata:s:v:0"_s, u"rotate=%1"_s.arg(rotate), path})
                 .isEmpty());
    // The player's picture: ffmpeg turns by the same tag when it decodes.
    const QByteArray reference = TestSupport::runTool({TestSupport::systemFfmpeg(), u"-v"_s, u"error"_s, u"-i"_s, path,
                                                       u"-frames:v"_s, u"1"_s, u"-f"_s, u"rawvideo"_s, u"-pix_fmt"_s,
                                                       u"bgra"_s, u"-"_s})
                                     .chopped(1);
    auto opened = VideoSource::open(path);
    QVERIFY(std::holds_alternative<std::unique_ptr<VideoSource>>(opened));
    VideoSource &source = *std::get<std::unique_ptr<VideoSource>>(opened);
    const QSize expected = rotate % 180 ? QSize(32, 48) : QSize(48, 32);
    QCOMPARE(source.displaySize(), expected);
    const std::optional<VideoSource::Picture> picture = source.frameAt(0.0);
    QVERIFY(picture);
    QCOMPARE(picture->image.size, expected);
    QCOMPARE(reference.size(), qsizetype(expected.width() * expected.height() * 4));
    // Away from the edges between the colours, every pixel is the player's, give or take rounding.
    for (int y = 2; y < expected.height() - 2; ++y) {
        for (int x = 2; x < expected.width() - 2; ++x) {
            if (std::abs(x - expected.width() / 2) < 3 || std::abs(y - expected.height() / 2) < 3)
                continue;
            const auto *ours = reinterpret_cast<const uchar *>(picture->image.bytes.constData() + y * picture->image.stride + x * 4);
            const auto *theirs = reinterpret_cast<const uchar *>(reference.constData() + (y * expected.width() + x) * 4);
            for (int c = 0; c < 3; ++c)
                QVERIFY2(std::abs(ours[c] - theirs[c]) <= 24, qPrintable(u"%1,%2"_s.arg(x).arg(y)));
        }
    }
}

QTEST_APPLESS_MAIN(TestVideoSource)
#include "tst_videosource.moc"
