// The break finder on generated clips with breaks at known frames, on damaged files, and what
// it keeps in the cache folder.

#include "breakfinder.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Spans = QList<QPair<int, int>>;

// A clip at 25 fps, 320x180, from segments "<picture> <seconds> <sound> [<second sound>]":
// picture is src (a moving pattern), black, dark (a dim grey picture) or fadeout (the pattern
// fading to black); sound is tone or mute. A second sound makes a second sound track (AC-3,
// as a broadcast's second language).
QStringList clipArguments(const QStringList &segments, bool wholeMpegFrames)
{
    QString graph, videoLabels, audioLabels, secondLabels;
    for (int i = 0; i < segments.size(); ++i) {
        const QStringList parts = segments[i].split(u' ');
        if (parts.size() > 3) {
            const QString b = u"[b%1]"_s.arg(i);
            if (parts[3] == u"tone"_s)
                graph += u"sine=f=660:r=48000:d=%1%2;"_s.arg(parts[1], b);
            else
                graph += u"anullsrc=r=48000:cl=mono,atrim=duration=%1%2;"_s.arg(parts[1], b);
            secondLabels += b;
        }
        const QString &picture = parts[0], &seconds = parts[1];
        const QString v = u"[v%1]"_s.arg(i), a = u"[a%1]"_s.arg(i);
        if (picture == u"black"_s || picture == u"dark"_s)
            graph += u"color=c=%1:s=320x180:r=25:d=%2%3;"_s.arg(picture == u"black"_s ? u"black"_s : u"0x141414"_s, seconds, v);
        else if (picture == u"fadeout"_s)
            graph += u"testsrc2=s=320x180:r=25:d=%1,fade=t=out:st=0:d=%1%2;"_s.arg(seconds, v);
        else
            graph += u"testsrc2=s=320x180:r=25:d=%1%2;"_s.arg(seconds, v);
        if (parts[2] == u"tone"_s)
            graph += u"sine=f=440:r=48000:d=%1%2;"_s.arg(seconds, a);
        else
            graph += u"anullsrc=r=48000:cl=mono,atrim=duration=%1%2;"_s.arg(seconds, a);
        videoLabels += v;
        audioLabels += a;
    }
    graph += videoLabels + u"concat=n=%1:v=1:a=0[v];"_s.arg(segments.size());
    graph += audioLabels + u"concat=n=%1:v=0:a=1[a]"_s.arg(segments.size());
    // The MPEG audio encoder takes whole frames only.
    if (wholeMpegFrames)
        graph.insert(graph.size() - 3, u",asetnsamples=n=1152:p=0"_s);
    QStringList arguments{u"-filter_complex"_s, graph, u"-map"_s, u"[v]"_s, u"-map"_s, u"[a]"_s};
    if (!secondLabels.isEmpty()) {
        // AC-3 takes whole frames only.
        arguments[1] += u";"_s + secondLabels + u"concat=n=%1:v=0:a=1,asetnsamples=n=1536:p=0[c]"_s.arg(segments.size());
        arguments << u"-map"_s << u"[c]"_s;
    }
    return arguments;
}

bool makeClip(const QString &path, const QStringList &segments, const QStringList &codecs)
{
    return !TestSupport::runTool(QStringList{TestSupport::systemFfmpeg(), u"-v"_s, u"error"_s, u"-y"_s}
                                 + clipArguments(segments, codecs.contains(u"mp2"_s)) + codecs
                                 + (segments.first().count(u' ') > 2 ? QStringList{u"-c:a:1"_s, u"ac3"_s} : QStringList{})
                                 + QStringList{path})
                .isEmpty();
}

const QStringList kH264{u"-c:v"_s, u"libx264"_s, u"-preset"_s, u"veryfast"_s, u"-bf"_s, u"3"_s, u"-c:a"_s, u"aac"_s};
const QStringList kMpeg2{u"-c:v"_s, u"mpeg2video"_s, u"-q:v"_s, u"4"_s, u"-c:a"_s, u"mp2"_s, u"-f"_s, u"mpegts"_s};

BreakScan scanWhole(const QString &path, const BreakThresholds &thresholds = {})
{
    auto opened = BreakFinder::open(path, thresholds);
    if (auto *error = std::get_if<QString>(&opened)) {
        qWarning("%s", qPrintable(*error));
        return {};
    }
    BreakFinder &finder = *std::get<std::unique_ptr<BreakFinder>>(opened);
    while (finder.readMore(50)) {
    }
    return finder.result();
}

Spans spansOf(const std::vector<FrameSpan> &spans)
{
    Spans out;
    for (const FrameSpan &span : spans)
        out.append({span.first, span.last});
    return out;
}

// The frames by their times: frames lost to damage do not shift the ones after.
Spans spansByTime(const std::vector<FrameSpan> &spans)
{
    Spans out;
    for (const FrameSpan &span : spans)
        out.append({qRound(span.start * 25), qRound(span.end * 25) - 1});
    return out;
}

} // namespace

class TestBreakFinder final : public QObject
{
    Q_OBJECT

private slots:
    void clips_data();
    void clips();
    void damaged_data();
    void damaged();
    void kept();

private:
    QTemporaryDir m_dir;
};

void TestBreakFinder::clips_data()
{
    QTest::addColumn<QStringList>("segments");
    QTest::addColumn<QStringList>("codecs");
    QTest::addColumn<QString>("name");
    QTest::addColumn<Spans>("breaks");
    QTest::addColumn<int>("firstSlack"); // frames a break's first frame may come early (fades)
    QTest::addColumn<int>("blackCount"); // black stretches, breaks or not
    QTest::addColumn<QList<int>>("scenesAmong"); // first frames of new scenes that must be found

    QTest::newRow("hard cut to black with silence")
        << QStringList{u"src 2 tone"_s, u"black 0.6 mute"_s, u"src 2 tone"_s} << kH264 << u"cut.mp4"_s
        << Spans{{50, 64}} << 0 << 1 << QList<int>{50, 65};
    QTest::newRow("the same as MPEG-2 in TS")
        << QStringList{u"src 2 tone"_s, u"black 0.6 mute"_s, u"src 2 tone"_s} << kMpeg2 << u"cut.ts"_s
        << Spans{{50, 64}} << 0 << 1 << QList<int>{65};
    // The fade's last pictures are dark enough to count as black before the black itself.
    QTest::newRow("fade to black")
        << QStringList{u"src 1 tone"_s, u"fadeout 1 tone"_s, u"black 0.5 mute"_s, u"src 2 tone"_s} << kH264
        << u"fade.mp4"_s << Spans{{50, 62}} << 3 << 1 << QList<int>{63};
    QTest::newRow("dark scene with sound")
        << QStringList{u"src 2 tone"_s, u"dark 1 tone"_s, u"src 2 tone"_s} << kH264 << u"dark.mp4"_s << Spans{}
        << 0 << 1 << QList<int>{50, 75};
    QTest::newRow("silence over a picture")
        << QStringList{u"src 2 tone"_s, u"src 1 mute"_s, u"src 2 tone"_s} << kH264 << u"quiet.mp4"_s << Spans{} << 0
        << 0 << QList<int>{};
    QTest::newRow("two breaks 1 s apart")
        << QStringList{u"src 2 tone"_s, u"black 0.4 mute"_s, u"src 1 tone"_s, u"black 0.4 mute"_s, u"src 2 tone"_s}
        << kH264 << u"two.mp4"_s << Spans{{50, 59}, {85, 94}} << 0 << 2 << QList<int>{60, 95};
    QTest::newRow("a second sound track talks over the black")
        << QStringList{u"src 2 tone tone"_s, u"black 0.6 mute tone"_s, u"src 2 tone tone"_s} << kMpeg2
        << u"talk.ts"_s << Spans{} << 0 << 1 << QList<int>{50, 65};
    QTest::newRow("both sound tracks silent")
        << QStringList{u"src 2 tone tone"_s, u"black 0.6 mute mute"_s, u"src 2 tone tone"_s} << kMpeg2
        << u"both.ts"_s << Spans{{50, 64}} << 0 << 1 << QList<int>{65};
    QTest::newRow("the shortest black, 0.12 s, in a longer silence")
        << QStringList{u"src 2 tone"_s, u"src 0.16 mute"_s, u"black 0.12 mute"_s, u"src 0.16 mute"_s, u"src 2 tone"_s}
        << kH264 << u"short.mp4"_s << Spans{{54, 56}} << 0 << 1 << QList<int>{54, 57};
}

void TestBreakFinder::clips()
{
    QFETCH(QStringList, segments);
    QFETCH(QStringList, codecs);
    QFETCH(QString, name);
    QFETCH(Spans, breaks);
    QFETCH(int, firstSlack);
    QFETCH(int, blackCount);
    QFETCH(QList<int>, scenesAmong);
    const QString path = m_dir.filePath(name);
    QVERIFY(makeClip(path, segments, codecs));
    const BreakScan scan = scanWhole(path);
    QVERIFY(!scan.damaged);
    QCOMPARE_GE(scan.frames, 100);
    QCOMPARE(int(scan.black.size()), blackCount);
    const Spans found = spansOf(scan.breaks);
    QCOMPARE(found.size(), breaks.size());
    for (qsizetype i = 0; i < breaks.size(); ++i) {
        QCOMPARE_LE(found[i].first, breaks[i].first);
        QCOMPARE_GE(found[i].first, breaks[i].first - firstSlack);
        QCOMPARE(found[i].second, breaks[i].second);
        // The picture comes back where the next frame starts.
        const FrameSpan &span = scan.breaks[size_t(i)];
        QCOMPARE_LT(std::abs(span.end - span.start - (span.last + 1 - span.first) / 25.0), 1e-6);
    }
    QList<int> scenes;
    for (const SceneChange &scene : scan.scenes)
        scenes.append(scene.frame);
    for (const int frame : scenesAmong)
        QVERIFY2(scenes.contains(frame), qPrintable(u"%1 not among the scene changes"_s.arg(frame)));
    // The moving pattern itself makes no new scene.
    QCOMPARE_LE(scenes.size(), 2 * qsizetype(segments.size()));
}

void TestBreakFinder::damaged_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<Spans>("breaks"); // found before the damage ends the scan or after it
    QTest::newRow("cut off after the first break") << u"truncate"_s << Spans{{50, 59}};
    QTest::newRow("garbage in the middle") << u"garbage"_s << Spans{{50, 59}, {150, 159}};
}

void TestBreakFinder::damaged()
{
    QFETCH(QString, damage);
    QFETCH(Spans, breaks);
    const QString path = m_dir.filePath(u"damaged-%1.ts"_s.arg(damage));
    QVERIFY(makeClip(path, {u"src 2 tone"_s, u"black 0.4 mute"_s, u"src 3.6 tone"_s, u"black 0.4 mute"_s, u"src 2 tone"_s},
                     kMpeg2));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const qint64 size = file.size();
    if (damage == u"truncate"_s) {
        QVERIFY(file.resize(size * 45 / 100));
    } else {
        QVERIFY(file.seek(size / 2));
        QByteArray junk(64 * 1024, '\0');
        for (qsizetype i = 0; i < junk.size(); ++i)
            junk[i] = char((i * 7919) % 251);
        file.write(junk);
    }
    file.close();
    const BreakScan scan = scanWhole(path);
    QCOMPARE(spansByTime(scan.breaks), breaks);
    QCOMPARE_GT(scan.frames, 60);
}

void TestBreakFinder::kept()
{
    const QString path = m_dir.filePath(u"kept.mp4"_s);
    QVERIFY(makeClip(path, {u"src 2 tone"_s, u"black 0.4 mute"_s, u"src 2 tone"_s}, kH264));
    const BreakScan scan = scanWhole(path);
    QCOMPARE(scan.breaks.size(), size_t(1));
    const QString folder = m_dir.filePath(u"cache"_s);
    QVERIFY(BreakFinder::save(folder, QFileInfo(path), {}, scan));
    const std::optional<BreakScan> back = BreakFinder::load(folder, QFileInfo(path), {});
    QVERIFY(back);
    QCOMPARE(spansOf(back->breaks), spansOf(scan.breaks));
    QCOMPARE(back->scenes.size(), scan.scenes.size());
    QCOMPARE(back->frames, scan.frames);
    // Other thresholds need a scan of their own.
    BreakThresholds longer;
    longer.blackSeconds = 1.0;
    QVERIFY(!BreakFinder::load(folder, QFileInfo(path), longer));
    // A damaged kept file is no scan.
    QFile kept(BreakFinder::cachePath(folder, QFileInfo(path)));
    QVERIFY(kept.open(QIODevice::ReadWrite));
    QVERIFY(kept.resize(kept.size() - 5));
    kept.close();
    QVERIFY(!BreakFinder::load(folder, QFileInfo(path), {}));
}

QTEST_APPLESS_MAIN(TestBreakFinder)
#include "tst_breakfinder.moc"
