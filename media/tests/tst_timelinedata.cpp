// What the timeline reads and keeps: the waveform of real-world sound layouts, the keyframes a
// container's header lists, the bound on the cache folder, and kept files that are damaged.

#include "cachefolder.h"
#include "keyframes.h"
#include "mediafile.h"
#include "testsupport.h"
#include "thumbnails.h"
#include "waveform.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

int loudest(const QByteArray &peaks, double from, double to)
{
    int most = 0;
    for (int b = int(from * 100); b < std::min<int>(int(to * 100), int(peaks.size())); ++b)
        most = std::max<int>(most, quint8(peaks[b]));
    return most;
}

int quietest(const QByteArray &peaks, double from, double to)
{
    int least = 255;
    for (int b = int(from * 100); b < std::min<int>(int(to * 100), int(peaks.size())); ++b)
        least = std::min<int>(least, quint8(peaks[b]));
    return least;
}

void writeFile(const QString &path, qint64 bytes, int ageSeconds)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(bytes, 'x'));
    file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-ageSeconds), QFileDevice::FileModificationTime);
}

} // namespace

class TestTimelineData final : public QObject
{
    Q_OBJECT

private slots:
    void waveform_data();
    void waveform();
    void headerKeyframes_data();
    void headerKeyframes();
    void prune_data();
    void prune();
    void damagedKeptFiles_data();
    void damagedKeptFiles();

private:
    QTemporaryDir m_dir;
};

void TestTimelineData::waveform_data()
{
    // Each source: 2 s of silence, then 2 s of a loud tone (unless the row says otherwise).
    QTest::addColumn<QStringList>("make");
    QTest::addColumn<double>("loudFrom"); // seconds; negative: silent throughout
    QTest::addColumn<double>("soundSeconds");
    const QString quietThenLoud = u"aevalsrc=if(gte(t\\,2)\\,0.9*sin(2*PI*440*t)\\,0):s=48000:d=4"_s;
    const QStringList video{u"-f"_s, u"lavfi"_s, u"-i"_s, u"testsrc2=size=160x120:rate=25:duration=4"_s};
    QTest::newRow("stereo AAC in MP4")
        << (video + QStringList{u"-f"_s, u"lavfi"_s, u"-i"_s, quietThenLoud, u"-ac"_s, u"2"_s, u"-c:v"_s,
                                u"libx264"_s, u"-c:a"_s, u"aac"_s, u"out.mp4"_s})
        << 2.0 << 4.0;
    QTest::newRow("six channels without a layout, PCM in MKV")
        << (video + QStringList{u"-f"_s, u"lavfi"_s, u"-i"_s, quietThenLoud, u"-af"_s, u"pan=6c|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0"_s,
                                u"-c:v"_s, u"libx264"_s, u"-c:a"_s, u"pcm_s16le"_s, u"out.mkv"_s})
        << 2.0 << 4.0;
    QTest::newRow("TS with the sound leading by 0.3 s")
        << (video + QStringList{u"-itsoffset"_s, u"-0.3"_s, u"-f"_s, u"lavfi"_s, u"-i"_s, quietThenLoud, u"-c:v"_s,
                                u"mpeg2video"_s, u"-c:a"_s, u"mp2"_s, u"out.ts"_s})
        << 2.0 << 4.0; // times count from the file's start, which the sound makes
    QTest::newRow("two sound tracks, the first silent")
        << (video + QStringList{u"-f"_s, u"lavfi"_s, u"-i"_s, u"anullsrc=r=48000:cl=mono"_s, u"-f"_s, u"lavfi"_s,
                                u"-i"_s, u"sine=frequency=440:sample_rate=48000:duration=4"_s, u"-map"_s, u"0:v"_s,
                                u"-map"_s, u"1:a"_s, u"-map"_s, u"2:a"_s, u"-t"_s, u"4"_s, u"-c:v"_s, u"libx264"_s,
                                u"-c:a"_s, u"aac"_s, u"out.mkv"_s})
        << -1.0 << 4.0;
}

void TestTimelineData::waveform()
{
    QFETCH(QStringList, make);
    QFETCH(double, loudFrom);
    QFETCH(double, soundSeconds);
    QTemporaryDir dir;
    const QString path = dir.filePath(make.takeLast());
    QVERIFY(!TestSupport::runTool(QStringList{TestSupport::systemFfmpeg(), u"-v"_s, u"error"_s, u"-y"_s} + make
                                  + QStringList{path})
                 .isEmpty());
    auto opened = WaveformReader::open(path);
    if (auto *error = std::get_if<QString>(&opened))
        QFAIL(qPrintable(*error));
    WaveformReader &reader = *std::get<std::unique_ptr<WaveformReader>>(opened);
    // Read in the smallest pieces: what was final must not change afterwards.
    QByteArray finalSoFar;
    while (reader.readMore(0)) {
        QCOMPARE(reader.peaks().left(finalSoFar.size()), finalSoFar);
        finalSoFar = reader.peaks().left(reader.readTo());
    }
    const QByteArray peaks = reader.peaks();
    QCOMPARE(reader.readTo(), int(peaks.size()));
    QVERIFY2(std::abs(peaks.size() - soundSeconds * 100) <= 10.0, qPrintable(QString::number(peaks.size())));
    if (loudFrom < 0) {
        QCOMPARE_LE(loudest(peaks, 0, 4), 2);
        return;
    }
    QCOMPARE_LE(loudest(peaks, 0, loudFrom - 0.1), 2);
    // 0.9 of full scale, less where a mono tone was spread over two channels and mixed back.
    QCOMPARE_GE(quietest(peaks, loudFrom + 0.1, soundSeconds - 0.2), 150);
}

void TestTimelineData::headerKeyframes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("codec");
    QTest::addColumn<bool>("listed"); // the header lists the keyframes
    const QStringList h264{u"-c:v"_s, u"libx264"_s, u"-bf"_s, u"3"_s};
    QTest::newRow("MP4 with B-frames") << u"k.mp4"_s << h264 << true;
    QTest::newRow("MOV with B-frames") << u"k.mov"_s << h264 << true;
    QTest::newRow("AVI") << u"k.avi"_s << QStringList{u"-c:v"_s, u"mpeg4"_s} << true;
    QTest::newRow("MKV with B-frames") << u"k.mkv"_s << h264 << true;
    QTest::newRow("TS: none up front") << u"k.ts"_s << h264 << false;
}

void TestTimelineData::headerKeyframes()
{
    QFETCH(QString, name);
    QFETCH(QStringList, codec);
    QFETCH(bool, listed);
    const QString path = m_dir.filePath(name);
    QVERIFY(!TestSupport::runTool(QStringList{TestSupport::systemFfmpeg(), u"-v"_s, u"error"_s, u"-y"_s, u"-f"_s,
                                              u"lavfi"_s, u"-i"_s, u"testsrc2=size=160x120:rate=25:duration=9"_s}
                                  + codec + QStringList{u"-g"_s, u"50"_s, u"-keyint_min"_s, u"50"_s, path})
                 .isEmpty());
    auto opened = MediaFile::open(path, AVMEDIA_TYPE_VIDEO);
    QVERIFY(std::holds_alternative<std::unique_ptr<MediaFile>>(opened));
    const std::vector<double> keyframes = Keyframes::fromContainer(*std::get<std::unique_ptr<MediaFile>>(opened));
    if (!listed) {
        QVERIFY(keyframes.empty());
        return;
    }
    // The pictures' times, not the packets' decode times.
    QCOMPARE(keyframes.size(), size_t(5));
    for (size_t i = 0; i < keyframes.size(); ++i)
        QCOMPARE_LE(std::abs(keyframes[i] - 2.0 * double(i)), 0.001);
    QCOMPARE(Keyframes::nearest(keyframes, 2.9), 1);
    QCOMPARE(Keyframes::nearest(keyframes, 3.1), 2);
    QCOMPARE(Keyframes::nearest(keyframes, 99.0), 4);
}

void TestTimelineData::prune_data()
{
    // Files as name:kilobytes:age in seconds; "sub/" ones lie in a subfolder.
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("boundKb");
    QTest::addColumn<QString>("keep");
    QTest::addColumn<QStringList>("left");
    const QStringList three{u"a/old:40:300"_s, u"b/mid:40:200"_s, u"a/new:40:100"_s};
    QTest::newRow("within the bound") << three << 120 << QString() << QStringList{u"a/old"_s, u"b/mid"_s, u"a/new"_s};
    QTest::newRow("the oldest go first, over both folders") << three << 80 << QString() << QStringList{u"b/mid"_s, u"a/new"_s};
    QTest::newRow("down to one") << three << 50 << QString() << QStringList{u"a/new"_s};
    QTest::newRow("the one just written stays") << three << 50 << u"a/old"_s << QStringList{u"a/old"_s};
    QTest::newRow("subfolders are left alone")
        << QStringList{u"a/old:40:300"_s, u"a/sub/deep:500:900"_s, u"a/new:40:100"_s} << 50 << QString()
        << QStringList{u"a/sub/deep"_s, u"a/new"_s};
}

void TestTimelineData::prune()
{
    QFETCH(QStringList, files);
    QFETCH(int, boundKb);
    QFETCH(QString, keep);
    QFETCH(QStringList, left);
    QTemporaryDir dir;
    const QDir root(dir.path());
    for (const QString &file : files) {
        const QStringList parts = file.split(u':');
        QVERIFY(root.mkpath(QFileInfo(root.filePath(parts[0])).path()));
        writeFile(root.filePath(parts[0]), parts[1].toInt() * 1024, parts[2].toInt());
    }
    const qint64 kept = CacheFolder::prune({root.filePath(u"a"_s), root.filePath(u"b"_s)}, boundKb * 1024LL,
                                           keep.isEmpty() ? QString() : root.filePath(keep));
    QStringList found;
    for (const QString &file : files) {
        const QString name = file.section(u':', 0, 0);
        if (QFile::exists(root.filePath(name)))
            found << name;
    }
    QCOMPARE(found, left);
    QCOMPARE_LE(kept, qMax(qint64(boundKb) * 1024, keep.isEmpty() ? 0 : 40 * 1024));
}

void TestTimelineData::damagedKeptFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("damage");
    for (const QString &kind : {u"wave"_s, u"thumbs"_s}) {
        for (const QString &damage : {u"none"_s, u"truncated"_s, u"empty"_s, u"another magic"_s, u"a huge claim"_s,
                                      u"trailing bytes"_s})
            QTest::newRow(qPrintable(kind + u", "_s + damage)) << kind << damage;
    }
}

void TestTimelineData::damagedKeptFiles()
{
    QFETCH(QString, kind);
    QFETCH(QString, damage);
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"timeline"_s);
    const QFileInfo source(dir.filePath(u"video.mp4"_s));
    writeFile(source.absoluteFilePath(), 10, 0);
    const QByteArray peaks(2000, char(77));
    ThumbnailStore store;
    RgbImage image{QSize(16, 9), 64, QByteArray(64 * 9, char(5))};
    store.insert({2000, 9}, image);
    QVERIFY(kind == u"wave" ? WaveformReader::save(folder, source, peaks) : store.save(folder, source));
    const QString path = kind == u"wave" ? WaveformReader::cachePath(folder, source) : ThumbnailStore::cachePath(folder, source);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    if (damage == u"truncated")
        bytes.chop(7);
    else if (damage == u"empty")
        bytes.clear();
    else if (damage == u"another magic")
        bytes[0] = 'X';
    else if (damage == u"a huge claim") // the count of buckets or pictures, or a picture's width
        bytes.replace(kind == u"wave" ? 12 : 8, 4, QByteArray("\x7f\xff\xff\xff", 4));
    else if (damage == u"trailing bytes")
        bytes.append("more");
    file.resize(0);
    file.write(bytes);
    file.close();

    const bool whole = damage == u"none";
    if (kind == u"wave") {
        const std::optional<QByteArray> loaded = WaveformReader::load(folder, source);
        QCOMPARE(loaded.has_value(), whole);
        if (whole)
            QCOMPARE(*loaded, peaks);
    } else {
        const ThumbnailStore loaded = ThumbnailStore::load(folder, source);
        QCOMPARE(loaded.isEmpty(), !whole);
        if (whole)
            QCOMPARE(loaded.find({2000, 9})->bytes, image.bytes);
    }
}

QTEST_APPLESS_MAIN(TestTimelineData)
#include "tst_timelinedata.moc"
