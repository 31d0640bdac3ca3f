// A cut plans from the frame index the preview keeps: its packets must be the
// prober's, field for field, for the files people cut, and the index is used
// only where it is of the file and stream the plan is of.
#include "dosoutputs.h"
#include "frameindex.h"
#include "keptindex.h"
#include "recordingmessagesink.h"
#include "smartcutjob.h"
#include "sourceprobe.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

// Runs the real prober, as the jobs do.
SmartCut::RunCommand realProber(DOSOutputs &prober)
{
    return [&prober](const QString &commandLine) -> std::optional<QString> { return prober.ExecuteCommand(commandLine); };
}

QString describe(const SmartCut::Packet &p)
{
    return QStringLiteral("pts %1%2 dts %3%4 size %5%6")
        .arg(p.pts, 0, 'f', 9)
        .arg(p.hasPts ? "" : " (none)")
        .arg(p.dts, 0, 'f', 9)
        .arg(p.hasDts ? "" : " (none)")
        .arg(p.size)
        .arg(p.key ? " key" : "");
}

} // namespace

class TestKeptIndex final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void sameProbeAsTheProber_data();
    void sameProbeAsTheProber();
    void usedOnlyWhereItFits_data();
    void usedOnlyWhereItFits();
    void smartCutPlansFromTheIndex_data();
    void smartCutPlansFromTheIndex();

private:
    QTemporaryDir m_dir;
};

void TestKeptIndex::sameProbeAsTheProber_data()
{
    QTest::addColumn<QString>("name");
    // The encoder's options after the inputs, space separated; empty: a DVB
    // capture cut off inside a group (TestSupport::makeCapture).
    QTest::addColumn<QString>("inputs");
    QTest::addColumn<QString>("options");

    const QString sound = QStringLiteral(" -f lavfi -i sine=sample_rate=48000");
    QTest::newRow("1080i H.264 TS, clock far from zero, sound leading")
        << "hd.ts" << "-itsoffset 0.1 -f lavfi -i testsrc2=size=1920x1080:rate=25" + sound
        << "-t 2 -pix_fmt yuv420p -c:v libx264 -preset veryfast -bf 2 -g 12 -flags +ildct+ilme -x264-params tff=1 "
           "-c:a mp2 -metadata:s:a:0 language=deu -output_ts_offset 30000 -f mpegts";
    QTest::newRow("576i MPEG-2 TS, open groups")
        << "sd.ts" << "-f lavfi -i testsrc2=size=720x576:rate=25" + sound
        << "-t 2 -pix_fmt yuv420p -c:v mpeg2video -flags +ildct+ilme -top 1 -g 12 -bf 2 -c:a mp2 -f mpegts";
    QTest::newRow("phone MP4, 1/600 time base, edit list")
        << "phone.mp4" << "-f lavfi -i testsrc2=size=320x240:rate=30000/1001" + sound
        << "-t 2 -pix_fmt yuv420p -c:v libx264 -preset veryfast -bf 2 -c:a aac -video_track_timescale 600";
    QTest::newRow("Matroska, two frames at one time")
        << "twice.mkv" << "-f lavfi -i testsrc2=size=320x240:rate=25"
        << "-t 2 -vf setpts='N/(25*TB)-eq(N,10)/(25*TB)' -fps_mode passthrough -c:v libx264 -preset veryfast -bf 2";
    QTest::newRow("fragmented MP4")
        << "frag.mp4" << "-f lavfi -i testsrc2=size=320x240:rate=25" + sound
        << "-t 3 -pix_fmt yuv420p -c:v libx264 -preset veryfast -bf 2 -g 25 -c:a aac "
           "-movflags frag_keyframe+empty_moov+default_base_moof";
    QTest::newRow("MPEG-2 program stream") << "dvd.vob" << "-f lavfi -i testsrc2=size=720x576:rate=25" + sound
                                           << "-t 2 -pix_fmt yuv420p -c:v mpeg2video -g 12 -bf 2 -c:a ac3 -f vob";
    QTest::newRow("TS starting inside a group") << "capture.ts" << QString() << QString();
    // 65 s before the 33-bit clock wraps, for 70 s: the times run on past it.
    QTest::newRow("TS whose clock wraps") << "wraps.ts" << "-f lavfi -i testsrc2=size=160x120:rate=25" + sound
                                          << "-t 70 -pix_fmt yuv420p -c:v libx264 -preset ultrafast -g 50 -c:a mp2 "
                                             "-output_ts_offset 95378.7 -f mpegts";
}

void TestKeptIndex::sameProbeAsTheProber()
{
    QFETCH(QString, name);
    QFETCH(QString, inputs);
    QFETCH(QString, options);
    const QString path = m_dir.filePath(name);
    if (inputs.isEmpty()) {
        QVERIFY(TestSupport::makeCapture(path, QStringLiteral("320x180"), 60, 25));
    } else {
        const QStringList command = QStringList{TestSupport::systemFfmpeg(), "-v", "error", "-y"}
                                    + inputs.split(u' ') + options.split(u' ') + QStringList{path};
        QVERIFY2(!TestSupport::runTool(command).isEmpty(), qPrintable(command.join(u' ')));
    }
    // The preview's index, kept as the preview keeps it.
    const QString folder = m_dir.filePath(name + ".index");
    const std::optional<FrameIndex> index = FrameIndex::scan(path);
    QVERIFY(index && !index->isEmpty());
    QVERIFY(index->save(folder, QFileInfo(path)));

    DOSOutputs prober(nullptr);
    const std::optional<SmartCut::SourceRead> listed =
        SmartCut::readSource(TestSupport::programDir(), path, QString(), realProber(prober));
    const std::optional<SmartCut::SourceRead> kept =
        SmartCut::readSource(TestSupport::programDir(), path, folder, realProber(prober));
    QVERIFY(listed && kept);
    QVERIFY(!listed->fromIndex);
    QVERIFY(kept->fromIndex);

    const SmartCut::Probe &a = listed->probe;
    const SmartCut::Probe &b = kept->probe;
    QVERIFY(a.packets.size() > 10);
    for (qsizetype i = 0; i < std::min(a.packets.size(), b.packets.size()); ++i) {
        const SmartCut::Packet &p = a.packets.at(i);
        const SmartCut::Packet &q = b.packets.at(i);
        const bool same = p.hasPts == q.hasPts && p.pts == q.pts && p.hasDts == q.hasDts && p.dts == q.dts
                          && p.size == q.size && p.key == q.key;
        QVERIFY2(same, qPrintable(QStringLiteral("packet %1: the prober's %2, the index's %3")
                                      .arg(i).arg(describe(p), describe(q))));
    }
    QCOMPARE(b.packets.size(), a.packets.size());
    QCOMPARE(b.video.bitrate, a.video.bitrate);
    const auto words = [](const SmartCut::VideoStream &v) {
        return QStringList{v.codec, v.profile, v.pixelFormat, v.sampleAspect, v.colorRange, v.colorSpace,
                           v.colorTransfer, v.colorPrimaries, v.chromaLocation, v.fieldOrder};
    };
    const auto numbers = [](const SmartCut::VideoStream &v) {
        return QList<double>{double(v.index), double(v.width), double(v.height), double(v.level),
                             double(v.reorderDepth), double(v.timeBaseDen), v.frameRate, double(v.interlaced)};
    };
    QCOMPARE(words(b.video), words(a.video));
    QCOMPARE(numbers(b.video), numbers(a.video));
    QCOMPARE(b.video.intraMatrix, a.video.intraMatrix);
    QCOMPARE(b.startTime, a.startTime);
    QCOMPARE(b.formatName, a.formatName);
    QCOMPARE(b.tracks.size(), a.tracks.size());
    for (qsizetype i = 0; i < a.tracks.size(); ++i) {
        const SmartCut::Track &s = a.tracks.at(i), &t = b.tracks.at(i);
        QCOMPARE(QStringList({t.type, t.codec, t.channelLayout, t.language, t.profile}),
                 QStringList({s.type, s.codec, s.channelLayout, s.language, s.profile}));
        QCOMPARE(QList<double>({double(t.index), double(t.channels), double(t.sampleRate), t.startTime}),
                 QList<double>({double(s.index), double(s.channels), double(s.sampleRate), s.startTime}));
    }
    QCOMPARE(b.sourcePath, path);
}

void TestKeptIndex::usedOnlyWhereItFits_data()
{
    QTest::addColumn<QString>("change"); // what happens between keeping the index and planning
    QTest::addColumn<QString>("streamLine"); // what the prober says of the first video stream
    QTest::addColumn<bool>("fromIndex");

    const QString h264 = QStringLiteral("stream|index=0|codec_type=video|codec_name=h264|time_base=1/90000|r_frame_rate=25/1");
    QTest::newRow("kept for the file as it is") << "" << h264 << true;
    QTest::newRow("no folder given") << "no folder" << h264 << false;
    QTest::newRow("file changed since") << "append" << h264 << false;
    QTest::newRow("kept file damaged") << "damage" << h264 << false;
    QTest::newRow("first video stream is another")
        << "" << "stream|index=1|codec_type=video|codec_name=h264|time_base=1/90000|r_frame_rate=25/1" << false;
    QTest::newRow("prober names another time base")
        << "" << "stream|index=0|codec_type=video|codec_name=h264|time_base=1/1000|r_frame_rate=25/1" << false;
    QTest::newRow("prober finds no video") << "" << "format|start_time=0.000000|format_name=mpegts" << false;
}

void TestKeptIndex::usedOnlyWhereItFits()
{
    QFETCH(QString, change);
    QFETCH(QString, streamLine);
    QFETCH(bool, fromIndex);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("source.ts"));
    QVERIFY(TestSupport::writeFile(path, QByteArray(4096, 'x')));
    const QString folder = dir.filePath(QStringLiteral("index"));

    // Three packets at 1/90000: an untimed one before the first keyframe (left
    // out), a keyframe at 1.4 s, and a picture whose time the prober prints
    // rounded to the microsecond.
    KeptIndex::Contents contents;
    contents.stream = 0;
    contents.timeBaseNum = 1;
    contents.timeBaseDen = 90000;
    contents.packets = {{KeptIndex::kNoTime, KeptIndex::kNoTime, 0, 500, false},
                        {129600, 126000, 188, 9000, true},
                        {133203, 129603, 9400, 700, false}};
    QVERIFY(KeptIndex::save(folder, QFileInfo(path), contents));
    if (change == u"append") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append) && file.write("y") == 1);
    } else if (change == u"damage") {
        QFile kept(KeptIndex::filePath(folder, QFileInfo(path)));
        QVERIFY(kept.open(QIODevice::ReadWrite));
        QVERIFY(kept.resize(kept.size() - 5));
    }

    // The prober lists the packets differently, so the packets show where they came from.
    const QString listing = QStringLiteral("packet|pts_time=1.000000|dts_time=1.000000|size=42|flags=K_\n");
    int listings = 0;
    const auto run = [&](const QString &commandLine) -> std::optional<QString> {
        if (commandLine.contains(u"packet="))
            return ++listings, streamLine + u'\n' + listing;
        if (commandLine.contains(u"stream_tags") && commandLine.contains(u"format="))
            return streamLine;
        return QString();
    };
    const std::optional<SmartCut::SourceRead> read =
        SmartCut::readSource(QStringLiteral("/nowhere"), path, change == u"no folder" ? QString() : folder, run);
    QVERIFY(read);
    QCOMPARE(read->fromIndex, fromIndex);
    QCOMPARE(listings, fromIndex ? 0 : 1);
    const QList<SmartCut::Packet> &packets = read->probe.packets;
    if (fromIndex) {
        QCOMPARE(packets.size(), 2);
        QCOMPARE(packets.at(0).pts, 1.44);
        QCOMPARE(packets.at(0).dts, 1.4);
        QVERIFY(packets.at(0).key && packets.at(0).hasPts && packets.at(0).hasDts);
        QCOMPARE(packets.at(1).pts, 1.480033); // 1.4800333...
        QCOMPARE(packets.at(1).size, 700);
        QVERIFY(read->probe.video.bitrate > 0);
    } else {
        QCOMPARE(packets.size(), 1);
        QCOMPARE(packets.at(0).size, 42);
    }
}

void TestKeptIndex::smartCutPlansFromTheIndex_data()
{
    // What the kept index says of the capture: as the preview read it, or
    // with every keyframe after the first unmarked, which leaves no group to
    // copy. The job must plan from what is kept.
    QTest::addColumn<bool>("keyframesUnmarked");
    QTest::newRow("index as read") << false;
    QTest::newRow("index without later keyframes") << true;
}

void TestKeptIndex::smartCutPlansFromTheIndex()
{
    QFETCH(bool, keyframesUnmarked);
    const QString path = m_dir.filePath(QStringLiteral("job-%1.ts").arg(keyframesUnmarked));
    QVERIFY(TestSupport::makeCapture(path, QStringLiteral("320x180"), 100, 25));
    const QString folder = m_dir.filePath(QStringLiteral("job-index-%1").arg(keyframesUnmarked));
    std::optional<FrameIndex> index = FrameIndex::scan(path);
    QVERIFY(index);
    KeptIndex::Contents kept = index->kept();
    if (keyframesUnmarked) {
        bool first = true;
        for (KeptIndex::Packet &packet : kept.packets) {
            packet.key = packet.key && first;
            first = first && !packet.key;
        }
    }
    QVERIFY(KeptIndex::save(folder, QFileInfo(path), kept));

    // Frames 10 to 80 of the capture, from its start.
    const QList<double> times = TestSupport::frameTimes(path);
    QVERIFY(times.size() >= 90);
    const auto cut = [&](const QString &indexFolder, const QString &name) {
        RecordingMessageSink sink;
        SmartCutJob job(&sink, TestSupport::programDir());
        job.setIndexFolder(indexFolder);
        job.setInputFile(path);
        job.setOutputFile(m_dir.filePath(name));
        job.setStart(std::round(times.at(10) * 1000) / 1000);
        job.setLength(std::round(times.at(80) * 1000) / 1000 - std::round(times.at(10) * 1000) / 1000);
        job.StartConversion();
        return std::make_pair(job.LastResult(), job.LastPlan());
    };
    const auto [listedResult, listed] = cut(QString(), QStringLiteral("listed-%1.ts").arg(keyframesUnmarked));
    const auto [keptResult, planned] = cut(folder, QStringLiteral("kept-%1.ts").arg(keyframesUnmarked));
    QCOMPARE(listedResult.outcome, SmartCutJob::Outcome::Completed);
    QCOMPARE(keptResult.outcome, SmartCutJob::Outcome::Completed);
    QCOMPARE(listed.frames, 70);
    QVERIFY(!listedResult.fellBack && listed.middle.frames > 0);
    QCOMPARE(planned.frames, 70);
    QCOMPARE(keptResult.fellBack, keyframesUnmarked);
    if (!keyframesUnmarked) {
        QCOMPARE(planned.head.frames, listed.head.frames);
        QCOMPARE(planned.middle.frames, listed.middle.frames);
        QCOMPARE(planned.tail.frames, listed.tail.frames);
        QCOMPARE(planned.copyFirst, listed.copyFirst);
    }
}

QTEST_GUILESS_MAIN(TestKeptIndex)
#include "tst_keptindex.moc"
