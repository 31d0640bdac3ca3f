// Joins of generated clips through the real encoder: the output holds
// exactly the kept frames in order, each its own source frame (the copied
// ones bit for bit), the sound as long as the picture, clean decoding, and
// nothing left behind by a Stop.
#include "joinjob.h"
#include "recordingmessagesink.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
// What a part of another size becomes: scaled into the first's, padded.
const QString kFit = QStringLiteral("scale=%1:%2:force_original_aspect_ratio=decrease,pad=%1:%2:(ow-iw)/2:(oh-ih)/2")
                         .arg(kWidth)
                         .arg(kHeight);

// A run of source frames: [first, first + frames).
struct Piece
{
    QString source;
    int first = 0;
    int frames = 0;
};
using Pieces = QList<Piece>;

// The camera's clips are 320x180 at 29.83 fps, the others 320x240 at 25 (c
// as decoded, fitted into that).
bool camera(const QString &clip)
{
    return clip.startsWith(u"cam");
}
double rate(const QString &clip)
{
    return camera(clip) ? 29.83 : 25;
}
int heightOf(const QString &clip)
{
    return camera(clip) ? 180 : kHeight;
}

} // namespace

Q_DECLARE_METATYPE(Piece)

class TestJoin final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void join_data();
    void join();
    void brokenCopy_data();
    void brokenCopy();
    void misplacedFrames_data();
    void misplacedFrames();
    void soundPieces_data();
    void soundPieces();
    void pictureMatch_data();
    void pictureMatch();
    void broadcastRemoval_data();
    void broadcastRemoval();

private:
    QTemporaryDir m_dir;
    QHash<QString, QByteArray> m_frames; // decoded, at the output's size
    QHash<QString, QList<double>> m_times;
};

void TestJoin::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Keyframes every 2 s, B-frames; b is coded as a, c is square. The
    // camera's clips: 29.83 fps, three B-frames, a keyframe every 8.4 s; the
    // main one is coded otherwise and has no sound, the .ts is the .mp4's.
    const QString x264 = QStringLiteral("-c:v libx264 -preset veryfast -g 50 -keyint_min 50 -sc_threshold 0 -bf 2 -c:a aac");
    const QString cameraCodec = QStringLiteral("-c:v libx264 -preset veryfast -g 250 -keyint_min 250 -sc_threshold 0 -bf 3 -c:a aac");
    const QString cameraSource = QStringLiteral("testsrc2=size=320x180:rate=2983/100");
    const QString interlaced = QStringLiteral("testsrc2=size=320x240:rate=50,interlace=scan=tff");
    const QList<std::tuple<QString, QString, double, QString>> clips{
        {"a.mp4", "testsrc2=size=320x240:rate=25", 10, x264},
        {"b.mp4", "testsrc=size=320x240:rate=25", 8, x264},
        {"c.mp4", "testsrc2=size=240x240:rate=25", 6, x264},
        {"cam.mp4", cameraSource, 12, cameraCodec},
        {"cam-main.mkv", cameraSource, 4, cameraCodec + " -profile:v main -an"},
        // Broadcasts, interlaced top field first: DVB's MPEG-2 in open groups
        // of twelve with MP2, HD's H.264 with AC-3.
        {"dvb576i.ts", interlaced, 8, "-c:v mpeg2video -flags +ilme+ildct -top 1 -g 12 -bf 2 -q:v 3 -c:a mp2 -f mpegts"},
        {"hd.ts", interlaced, 8, "-c:v libx264 -preset veryfast -flags +ilme+ildct -top 1 -g 50 -bf 2 -c:a ac3 -f mpegts"}};
    // A film's file: two sound tracks and subtitles, one line in each of its parts below.
    QVERIFY(TestSupport::writeFile(m_dir.filePath("d.srt"),
                                   "1\n00:00:01,000 --> 00:00:01,500\nOne\n\n2\n00:00:05,600 --> 00:00:06,000\nTwo\n"));
    const QString d = m_dir.filePath("d.mkv");
    QVERIFY(!TestSupport::runTool(QStringList{TestSupport::systemFfmpeg(), "-v", "error", "-f", "lavfi", "-i",
                                              "testsrc2=size=320x240:rate=25", "-f", "lavfi", "-i",
                                              "sine=frequency=440:sample_rate=44100", "-f", "lavfi", "-i",
                                              "sine=frequency=660:sample_rate=44100", "-i", m_dir.filePath("d.srt"),
                                              "-map", "0:v", "-map", "1:a", "-map", "2:a", "-map", "3:s", "-t", "8",
                                              "-pix_fmt", "yuv420p"}
                                  + x264.split(u' ') + QStringList{d})
                 .isEmpty());
    m_frames.insert("d.mkv", TestSupport::decodedFrames(d));
    m_times.insert("d.mkv", TestSupport::frameTimes(d));
    for (const auto &[name, picture, seconds, codec] : clips) {
        const QString path = m_dir.filePath(name);
        const QStringList command = QStringList{TestSupport::systemFfmpeg(), "-v", "error", "-f", "lavfi", "-i", picture,
                                                "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100", "-t",
                                                QString::number(seconds), "-pix_fmt", "yuv420p"}
                                    + codec.split(u' ') + QStringList{path};
        QVERIFY(!TestSupport::runTool(command).isEmpty());
        m_frames.insert(name, TestSupport::decodedFrames(path, name == u"c.mp4" ? kFit : QString()));
        m_times.insert(name, TestSupport::frameTimes(path));
        QCOMPARE(m_frames.value(name).size(), qsizetype(std::lround(seconds * rate(name))) * kWidth * heightOf(name) * 3 / 2);
    }
    // The DVB recording with all its tracks: MP2 and AC-3 as DVB sends it,
    // DVB subtitles and teletext, six cues each cleared before the next.
    const QString broadcast = m_dir.filePath("dvb tracks.ts");
    // The sound outlasts the picture, as a recording's does: a frame count
    // would end every stream with the picture.
    QVERIFY(!TestSupport::runTool({TestSupport::systemFfmpeg(), "-v", "error", "-f", "lavfi", "-i",
                                   QString(interlaced).replace("rate=50", "rate=50:duration=8"), "-f", "lavfi", "-i",
                                   "sine=frequency=440:sample_rate=48000:duration=8.5", "-map", "0:v", "-map", "1:a", "-map", "1:a",
                                   "-pix_fmt", "yuv420p", "-c:v", "mpeg2video", "-flags", "+ilme+ildct", "-top", "1", "-g", "12",
                                   "-bf", "2", "-q:v", "3", "-c:a:0", "mp2", "-c:a:1", "ac3", "-metadata:s:a:0", "language=deu",
                                   "-metadata:s:a:1", "language=eng", "-mpegts_flags", "system_b", "-f", "mpegts", broadcast + ".av"})
                 .isEmpty());
    QVERIFY(TestSupport::addBroadcastSubtitles(broadcast + ".av", broadcast,
                                               {{0.30, 0.90}, {1.10, 1.70}, {2.00, 2.50}, {2.90, 3.60}, {4.40, 5.20}, {6.00, 6.60}}, true));
    // The same kept in Matroska, which holds no teletext.
    QVERIFY(!TestSupport::runTool({TestSupport::systemFfmpeg(), "-v", "error", "-i", broadcast, "-map", "0", "-map", "-0:4", "-c",
                                   "copy", m_dir.filePath("dvb tracks.mkv")})
                 .contains("rror"));
    for (const QString name : {"dvb tracks.ts", "dvb tracks.mkv"}) {
        m_frames.insert(name, TestSupport::decodedFrames(m_dir.filePath(name)));
        m_times.insert(name, TestSupport::frameTimes(m_dir.filePath(name)));
        QCOMPARE(m_times.value(name).size(), 200);
    }
    const QString ts = m_dir.filePath("cam.ts");
    QVERIFY(!TestSupport::runTool({TestSupport::systemFfmpeg(), "-v", "error", "-i", m_dir.filePath("cam.mp4"), "-c", "copy", ts}).isEmpty());
    m_frames.insert("cam.ts", m_frames.value("cam.mp4"));
    m_times.insert("cam.ts", TestSupport::frameTimes(ts));
    // A DVB recording that starts inside a group, and its remux to Matroska,
    // which starts at zero with the picture's first keyframe a second later.
    QVERIFY(TestSupport::makeCapture(m_dir.filePath("dvb.ts"), "320x240", 300, 250));
    QVERIFY(!TestSupport::runTool({TestSupport::systemFfmpeg(), "-v", "error", "-i", m_dir.filePath("dvb.ts"), "-map", "0",
                                   "-c", "copy", m_dir.filePath("dvb.mkv")}).isEmpty());
    for (const QString name : {"dvb.ts", "dvb.mkv"}) {
        m_frames.insert(name, TestSupport::decodedFrames(m_dir.filePath(name)));
        m_times.insert(name, TestSupport::frameTimes(m_dir.filePath(name)));
        QCOMPARE(m_frames.value(name).size(), 300 * kWidth * kHeight * 3 / 2);
    }
}

void TestJoin::join_data()
{
    QTest::addColumn<bool>("remove");
    QTest::addColumn<Pieces>("listed");   // the parts as listed
    QTest::addColumn<Pieces>("expected"); // the output's frames
    QTest::addColumn<QString>("options"); // empty: the smart preset
    QTest::addColumn<bool>("fallback");
    QTest::addColumn<QString>("stopAt");

    // Each part holds a whole group of pictures: a head, copied middle and tail.
    const Pieces three{{"a.mp4", 20, 90}, {"a.mp4", 160, 90}, {"a.mp4", 40, 70}};
    const Pieces twoFiles{{"a.mp4", 20, 90}, {"b.mp4", 30, 90}};
    const QString preset = "-vf crop=trunc(iw/2)*2:trunc(ih/2)*2 -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p -c:a aac -b:a 128k";
    QTest::newRow("three parts of one file") << false << three << three << "" << false << "";
    QTest::newRow("two files, same codec") << false << twoFiles << twoFiles << "" << false << "";
    QTest::newRow("two files, different sizes") << false << Pieces{{"a.mp4", 20, 90}, {"c.mp4", 30, 90}}
                                                << Pieces{{"a.mp4", 20, 90}, {"c.mp4", 30, 90}} << "" << true << "";
    QTest::newRow("two sound tracks and subtitles") << false << Pieces{{"d.mkv", 20, 90}, {"d.mkv", 130, 70}}
                                                    << Pieces{{"d.mkv", 20, 90}, {"d.mkv", 130, 70}} << "" << false << "";
    QTest::newRow("three parts, H.264 preset") << false << three << three << preset << false << "";
    QTest::newRow("removal of two parts") << true << Pieces{{"a.mp4", 220, 30}, {"a.mp4", 60, 40}}
                                          << Pieces{{"a.mp4", 0, 60}, {"a.mp4", 100, 120}} << "" << false << "";
    QTest::newRow("overlapping removals") << true << Pieces{{"a.mp4", 60, 40}, {"a.mp4", 220, 30}, {"a.mp4", 80, 40}}
                                          << Pieces{{"a.mp4", 0, 60}, {"a.mp4", 120, 100}} << "" << false << "";
    // A camera's clip: the part without a keyframe is re-encoded whole, the others copy.
    const Pieces cameraParts{{"cam.mp4", 220, 138}, {"cam.mp4", 40, 100}, {"cam.mp4", 255, 103}};
    QTest::newRow("camera clip, a part without keyframe") << false << cameraParts << cameraParts << "" << false << "";
    // Coded otherwise, so one run: a transport stream's copying part, and a part of one frame without sound.
    const Pieces mixed{{"cam.mp4", 40, 100}, {"cam.ts", 230, 128}, {"cam-main.mkv", 30, 60}};
    QTest::newRow("coded otherwise, a transport stream") << false << mixed << mixed << "" << true << "";
    const Pieces silent{{"cam-main.mkv", 30, 1}, {"cam.mp4", 100, 40}, {"cam-main.mkv", 50, 20}};
    QTest::newRow("coded otherwise, no sound, one frame") << false << silent << silent << "" << true << "";
    QTest::newRow("adverts out of a DVB recording") << true << Pieces{{"dvb576i.ts", 60, 60}}
                                                    << Pieces{{"dvb576i.ts", 0, 60}, {"dvb576i.ts", 120, 80}} << "" << false << "";
    QTest::newRow("adverts out of an interlaced H.264 recording")
        << true << Pieces{{"hd.ts", 60, 61}, {"hd.ts", 150, 20}}
        << Pieces{{"hd.ts", 0, 60}, {"hd.ts", 121, 29}, {"hd.ts", 170, 30}} << "" << false << "";
    // The parts between the removals of a DVB recording: the first is re-encoded whole.
    for (const QString &capture : {QStringLiteral("dvb.ts"), QStringLiteral("dvb.mkv")}) {
        const Pieces kept{{capture, 0, 60}, {capture, 121, 179}};
        QTest::addRow("DVB recording, %s, a removal", qPrintable(capture)) << true << Pieces{{capture, 60, 61}} << kept << "" << false << "";
        QTest::addRow("DVB recording, %s, H.264 preset", qPrintable(capture))
            << true << Pieces{{capture, 60, 61}} << kept << "-c:v libx264 -preset veryfast -crf 18 -c:a libopus" << false << "";
    }
    for (const char *step : {"Reading keyframes", "Re-encoding up to", "Copying the sound", "Re-encoding after",
                             "Joining the parts", "Exact join by re-encoding", "Joining by re-encoding"}) {
        const QByteArray name(step);
        const Pieces parts = name.startsWith("Exact") ? Pieces{{"a.mp4", 20, 90}, {"c.mp4", 30, 90}} : twoFiles;
        QTest::addRow("Stop: %s", step) << false << parts << parts << (name.startsWith("Joining by") ? preset : "")
                                        << name.startsWith("Exact") << QString(step);
    }
}

void TestJoin::join()
{
    QFETCH(bool, remove);
    QFETCH(Pieces, listed);
    QFETCH(Pieces, expected);
    QFETCH(QString, options);
    QFETCH(bool, fallback);
    QFETCH(QString, stopAt);

    const QString folder = m_dir.filePath(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(folder));
    // The container the smart preset chooses: a transport stream's parts go into Matroska.
    const QString output = folder + "/joined." + SmartCut::OutputExtension(listed.first().source);
    RecordingMessageSink sink;
    JoinJob job(&sink, TestSupport::programDir());
    job.setMode(remove ? JoinJob::Mode::Remove : JoinJob::Mode::Join);
    job.setOutputFile(output);
    job.setEncoderOptions(options);
    // The marks as the window gives them: each frame's time to the millisecond.
    const auto mark = [this](const Piece &piece, int frame) {
        const QList<double> &times = m_times[piece.source];
        return frame < times.size() ? std::round(times.at(frame) * 1000) / 1000 : 1000.0;
    };
    QList<JoinJob::Source> sources;
    for (const Piece &piece : std::as_const(listed))
        sources.append({m_dir.filePath(piece.source), mark(piece, piece.first),
                        mark(piece, piece.first + piece.frames) - mark(piece, piece.first)});
    job.setParts(sources);
    QStringList statuses;
    QList<int> percents;
    QList<int> partsStarted;
    connect(&job, &JoinJob::Progress, this, [&percents](int p) { percents << p; });
    connect(&job, &JoinJob::PartStarted, this, [&partsStarted](int n, int) { partsStarted << n; });
    connect(&job, &JoinJob::CurrentStatus, this, [&](const QString &status) {
        statuses << status;
        if (!stopAt.isEmpty() && status.startsWith(stopAt))
            QTimer::singleShot(0, &job, &JoinJob::StopConversion);
    });
    job.StartConversion();
    // The error lines come last, after the encoder's description of its inputs.
    QVERIFY2(sink.messages.isEmpty(), qPrintable(sink.messages.value(0).text.right(600)));
    const QStringList left = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    if (!stopAt.isEmpty()) {
        QCOMPARE(job.LastResult().outcome, JoinJob::Outcome::Stopped);
        QCOMPARE(statuses.last(), QStringLiteral("Cancelled"));
        QCOMPARE(left, QStringList());
        return;
    }
    QCOMPARE(job.LastResult().outcome, JoinJob::Outcome::Completed);
    QVERIFY2(job.LastResult().fellBack == fallback, qPrintable(SmartCut::reasonText(job.LastResult().fallbackReason)));
    QCOMPARE(statuses.filter(Join::kReEncodeStatus).size(), fallback ? 1 : 0);
    QCOMPARE(left, QStringList(QFileInfo(output).fileName()));
    QVERIFY(std::is_sorted(percents.begin(), percents.end()) && percents.last() == 100);
    QCOMPARE(partsStarted.first(), 1);
    QCOMPARE(partsStarted.last(), int(expected.size()));

    int code = 0;
    QProcess decode;
    decode.setProcessChannelMode(QProcess::MergedChannels);
    decode.start(TestSupport::systemFfmpeg(), {"-v", "error", "-xerror", "-i", output, "-map", "0:v", "-map", "0:a?", "-f", "null", "-"});
    QVERIFY(decode.waitForFinished(120000));
    code = decode.exitCode();
    QCOMPARE(decode.readAll(), QByteArray());
    QCOMPARE(code, 0);

    // Every frame in its place: the source's own, where copied bit for bit.
    const QList<Join::Part> parts = job.LastParts();
    QCOMPARE(parts.size(), expected.size());
    const QByteArray joined = TestSupport::decodedFrames(output);
    const int height = heightOf(expected.first().source);
    const qsizetype frameBytes = kWidth * height * 3 / 2;
    int total = 0;
    double picture = 0;
    for (const Piece &piece : std::as_const(expected)) {
        total += piece.frames;
        picture += piece.frames / rate(piece.source);
    }
    QCOMPARE(joined.size(), total * frameBytes);
    // No two frames at one time.
    const QList<double> times = TestSupport::frameTimes(output);
    for (qsizetype i = 1; i < times.size(); ++i)
        QVERIFY2(times.at(i) > times.at(i - 1), qPrintable(QStringLiteral("frames %1 and %2 at %3 s").arg(i - 1).arg(i).arg(times.at(i))));
    int at = 0;
    int copied = 0;
    for (qsizetype k = 0; k < expected.size(); ++k) {
        const Piece &piece = expected.at(k);
        const SmartCut::Plan &plan = parts.at(k).plan;
        QCOMPARE(plan.frames, piece.frames);
        const QByteArray &original = m_frames[piece.source];
        const int sourceFrames = int(original.size() / frameBytes);
        for (int i = 0; i < piece.frames; ++i, ++at) {
            const bool copy = !fallback && options.isEmpty() && i >= plan.head.frames && i < plan.head.frames + plan.middle.frames;
            if (copy) {
                ++copied;
                QVERIFY2(joined.mid(at * frameBytes, frameBytes) == original.mid((piece.first + i) * frameBytes, frameBytes),
                         qPrintable(QStringLiteral("copied frame %1 of part %2 differs").arg(i).arg(k + 1)));
                continue;
            }
            const int offset = TestSupport::bestMatchOffset(sourceFrames, piece.first + i, [&](int frame) {
                return TestSupport::lumaError(joined, at, original, frame, kWidth, height);
            });
            QVERIFY2(offset == 0, qPrintable(QStringLiteral("frame %1 of part %2 matches %3").arg(i).arg(k + 1).arg(offset)));
        }
    }
    // The smart join re-encodes no more than the heads and tails.
    QCOMPARE(copied > 0, !fallback && options.isEmpty());
    // Interlaced stays interlaced, in the same field order, on every frame.
    const auto scan = [](const QString &path) {
        return TestSupport::ffprobe({"-select_streams", "v:0", "-show_entries", "stream=field_order:frame=interlaced_frame,top_field_first",
                                     "-of", "csv=p=0"}, path).simplified().split(' ');
    };
    const QList<QByteArray> sourceScan = scan(m_dir.filePath(expected.first().source));
    const QList<QByteArray> joinedScan = scan(output);
    if (sourceScan.contains("1,1") || sourceScan.contains("1,0"))
        QCOMPARE(QSet<QByteArray>(joinedScan.begin(), joinedScan.end()), QSet<QByteArray>(sourceScan.begin(), sourceScan.end()));

    // A smart join copies the sound as it is, every track with its language;
    // the capture's sound ends before its picture, and is re-encoded to fill it.
    const auto sound = [](const QString &path) {
        const QByteArray listing = TestSupport::ffprobe({"-select_streams", "a", "-show_entries", "stream=codec_name:stream_tags=language",
                                                         "-of", "csv=p=0"}, path);
        // A transport stream lists its streams under its program first.
        return listing.mid(std::max<qsizetype>(0, listing.lastIndexOf("\n\n"))).simplified();
    };
    if (!fallback && options.isEmpty() && !expected.first().source.startsWith(u"dvb."))
        QCOMPARE(sound(output), sound(m_dir.filePath(expected.first().source)));
    // Every sound track as long as the picture, within a sound frame.
    const QByteArray kinds = TestSupport::ffprobe({"-show_entries", "stream=codec_type", "-of", "csv=p=0"}, output).simplified();
    for (int track = 0; track < kinds.count("audio"); ++track) {
        const double sound = TestSupport::soundSeconds(output, track);
        QVERIFY2(qAbs(sound - picture) <= 1024.0 / 44100, qPrintable(QStringLiteral("sound %1 s, picture %2 s").arg(sound).arg(picture)));
    }
    // The film's tracks are all there, each subtitle line at its place in its part.
    if (listed.first().source == u"d.mkv") {
        QCOMPARE(kinds, QByteArray("video audio audio subtitle"));
        const QByteArray lines = TestSupport::ffprobe({"-select_streams", "s", "-show_entries", "packet=pts_time", "-of", "csv=p=0"}, output);
        // Each line as far from its part's first frame as in the source.
        const auto lineTimes = [](const QString &path) {
            const double start = TestSupport::ffprobe({"-show_entries", "format=start_time", "-of", "csv=p=0"}, path).toDouble();
            QList<double> times;
            for (const QByteArray &time : TestSupport::ffprobe({"-select_streams", "s", "-show_entries", "packet=pts_time", "-of", "csv=p=0"}, path).simplified().split(' '))
                times << time.toDouble() - start;
            return times;
        };
        const QList<double> source = lineTimes(m_dir.filePath("d.mkv"));
        const QList<double> joinedLines = lineTimes(output);
        const double firstFrame = TestSupport::frameTimes(output).value(0);
        const QList<double> &sourceFrames = m_times["d.mkv"];
        QCOMPARE(joinedLines.size(), 2);
        QVERIFY2(qAbs(joinedLines.at(0) - firstFrame - (source.at(0) - sourceFrames.at(20))) < 0.0015, qPrintable(QString::number(joinedLines.at(0))));
        QVERIFY2(qAbs(joinedLines.at(1) - firstFrame - (3.6 + source.at(1) - sourceFrames.at(130))) < 0.0015, qPrintable(QString::number(joinedLines.at(1))));
    }
}

void TestJoin::brokenCopy_data()
{
    QTest::addColumn<QByteArray>("middleCopy"); // what the encoder does for a middle's copy
    QTest::addColumn<bool>("completes");        // by re-encoding the whole join
    QTest::addColumn<QString>("message");       // in the error shown; empty for none

    // A copy that ends before it opens its output would leave the join
    // waiting for it.
    QTest::newRow("fails at once") << QByteArray("echo 'Error opening input files: Input/output error' >&2; exit 1") << false
                                   << "Copying between keyframes";
    QTest::newRow("crashes at once") << QByteArray("kill -9 $$") << false << "Copying between keyframes";
    // A copy that stops short gives fewer frames than planned.
    QTest::newRow("ends short")
        << QByteArray("n=0; for a; do [ \"$p\" = -frames:v ] && a=3; p=$a; set -- \"$@\" \"$a\"; n=$((n+1)); done; shift $n; "
                      "exec \"$real\" \"$@\"")
        << true << "";
}

void TestJoin::brokenCopy()
{
    QFETCH(QByteArray, middleCopy);
    QFETCH(bool, completes);
    QFETCH(QString, message);

    // The real encoder and prober, but for the middles' copies.
    const QString programs = m_dir.filePath(QStringLiteral("programs-") + QTest::currentDataTag());
    QVERIFY(QDir().mkpath(programs));
    QVERIFY(QFile::link(TestSupport::systemFfprobe(), programs + "/ffprobe"));
    TestSupport::writeFakeEncoder(programs, "real='" + TestSupport::systemFfmpeg().toUtf8() + "'\ncase \"$*\" in *middle.ts*) " + middleCopy
                                                + ";; esac\nexec \"$real\" \"$@\"");
    const QString folder = m_dir.filePath(QStringLiteral("broken-") + QTest::currentDataTag());
    QVERIFY(QDir().mkpath(folder));
    RecordingMessageSink sink;
    JoinJob job(&sink, programs);
    job.setOutputFile(folder + "/joined.mp4");
    const QList<double> &times = m_times["a.mp4"];
    job.setParts({{m_dir.filePath("a.mp4"), times.at(20), times.at(110) - times.at(20)},
                  {m_dir.filePath("a.mp4"), times.at(160), times.at(240) - times.at(160)}});
    job.StartConversion();

    const QStringList left = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (!completes) {
        QCOMPARE(job.LastResult().outcome, JoinJob::Outcome::Failed);
        QVERIFY2(sink.messages.size() == 1 && sink.messages.first().text.contains(message),
                 qPrintable(sink.messages.value(0).text + "\n" + sink.messages.value(1).text));
        QCOMPARE(left, QStringList());
        return;
    }
    QVERIFY2(sink.messages.isEmpty(), qPrintable(sink.messages.value(0).text.right(600)));
    QCOMPARE(job.LastResult().outcome, JoinJob::Outcome::Completed);
    QVERIFY(job.LastResult().fellBack);
    QCOMPARE(job.LastResult().fallbackReason.obstacle, SmartCut::Obstacle::CopyMismatch);
    QCOMPARE(left, QStringList("joined.mp4"));
    QCOMPARE(TestSupport::frameTimes(folder + "/joined.mp4").size(), 90 + 80);
}

void TestJoin::misplacedFrames_data()
{
    QTest::addColumn<int>("dropped"); // the joined frame left out; -1 for none
    QTest::addColumn<int>("moved");   // the joined frame shown elsewhere, by frames
    QTest::addColumn<double>("by");
    QTest::addColumn<QString>("problem"); // part of what is said; empty when nothing is wrong

    QTest::newRow("every frame in its place") << -1 << 0 << 0.0 << "";
    QTest::newRow("within half a frame") << -1 << 7 << 0.4 << "";
    QTest::newRow("a frame lost") << 3 << 0 << 0.0 << "holds 8 frames, not 9";
    QTest::newRow("two frames at one time") << -1 << 5 << -1.0 << "two of its frames";
    QTest::newRow("a frame moved") << -1 << 2 << 0.6 << "frame 3 of part 1";
}

void TestJoin::misplacedFrames()
{
    QFETCH(int, dropped);
    QFETCH(int, moved);
    QFETCH(double, by);
    QFETCH(QString, problem);

    // Frames 2..6 and 20..23 of a 29.83 fps source, joined from 0.014 s on.
    const double frame = 1 / 29.83;
    SmartCut::Probe source;
    source.video.frameRate = 29.83;
    for (int i = 0; i < 30; ++i)
        source.packets.append({i * frame, i * frame, 1000, i == 0, true, true});
    const QList<Join::Part> parts{{&source, SmartCut::planCut(source, 2 * frame, 5 * frame)},
                                  {&source, SmartCut::planCut(source, 20 * frame, 4 * frame)}};
    QList<SmartCut::Packet> joined;
    for (int i = 0; i < 9; ++i)
        if (i != dropped)
            joined.prepend({0.014 + (i + (i == moved ? by : 0)) * frame, 0, 500, false, true, false});
    const QString found = Join::misplacedFrames(parts, joined);
    QVERIFY2(problem.isEmpty() ? found.isEmpty() : found.contains(problem), qPrintable(found));
}

void TestJoin::soundPieces_data()
{
    QTest::addColumn<QString>("codec");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QList<double>>("parts"); // start and length of each, seconds from the file's start
    QTest::addColumn<double>("frame");        // each sound frame's length; 0: re-encoded instead
    QTest::addColumn<double>("late");         // how long after the file's start the sound starts

    // A broadcast's kept hour: seven parts, 25 fps marks against 24 and 32 ms frames.
    const QList<double> adverts{0, 431.52, 618.92, 483.12, 1317.04, 416.56, 1904.44, 485.68, 2630.32, 354.68,
                                3118.36, 262.12, 3540.48, 59.52};
    QTest::newRow("MP2, seven parts") << "mp2" << "" << 48000 << "mkv" << adverts << 1152 / 48000.0 << 0.0;
    QTest::newRow("AC-3, seven parts") << "ac3" << "" << 48000 << "mkv" << adverts << 1536 / 48000.0 << 0.0;
    QTest::newRow("E-AC-3 into MP4") << "eac3" << "" << 48000 << "mp4" << adverts << 1536 / 48000.0 << 0.0;
    // A part shorter than a frame still gets one; the next makes up for it.
    QTest::newRow("AAC, short parts") << "aac" << "LC" << 44100 << "mp4" << QList<double>{1.0, 0.04, 3.0, 0.02, 5.0, 2.52}
                                      << 1024 / 44100.0 << 0.0;
    QTest::newRow("MP2 into MP4: re-encoded") << "mp2" << "" << 48000 << "mp4" << adverts << 0.0 << 0.0;
    QTest::newRow("HE-AAC: re-encoded") << "aac" << "HE-AAC" << 48000 << "mkv" << adverts << 0.0 << 0.0;
    QTest::newRow("sound starting late: re-encoded") << "ac3" << "" << 48000 << "mkv" << adverts << 0.0 << 0.3;
    QTest::newRow("PCM: re-encoded") << "pcm_s16le" << "" << 48000 << "mkv" << adverts << 0.0 << 0.0;
}

void TestJoin::soundPieces()
{
    QFETCH(QString, codec);
    QFETCH(QString, profile);
    QFETCH(int, sampleRate);
    QFETCH(QString, extension);
    QFETCH(QList<double>, parts);
    QFETCH(double, frame);
    QFETCH(double, late);

    // A transport stream's clock: the file starts at 1.357 s with its sound,
    // 43 ms before the picture.
    SmartCut::Probe probe;
    probe.startTime = 1.357;
    SmartCut::Track video;
    video.index = 0;
    video.type = "video";
    SmartCut::Track sound;
    sound.index = 1;
    sound.type = "audio";
    sound.codec = codec;
    sound.profile = profile;
    sound.sampleRate = sampleRate;
    sound.channels = 2;
    sound.startTime = 1.357 + late;
    probe.tracks = {video, sound};
    QList<Join::Part> joined;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        Join::Part part{&probe, {}};
        part.plan.start = parts.at(i);
        part.plan.length = parts.at(i + 1);
        joined.append(part);
    }
    const QList<Join::SoundPiece> pieces = Join::soundPieces(joined, extension);
    if (frame == 0) {
        QVERIFY(pieces.isEmpty());
        return;
    }
    QCOMPARE(pieces.size(), joined.size());
    double picture = 0;
    double heard = 0;
    for (qsizetype k = 0; k < pieces.size(); ++k) {
        const Join::SoundPiece &piece = pieces.at(k);
        QCOMPARE(piece.stream, 1);
        QVERIFY(qAbs(piece.seconds - piece.frames * frame) < 1e-9);
        // The piece's first frame, the first the copy keeps after its seek,
        // is heard within half a frame of where it shows in the joined picture.
        const double kept = piece.seek + piece.dropBefore;
        const double from = std::ceil((kept - (sound.startTime - probe.startTime)) / frame - 1e-9) * frame;
        QVERIFY(piece.dropBefore >= 0 && piece.seek >= 0);
        const double late = heard - picture - (from - joined.at(k).plan.start);
        QVERIFY2(qAbs(late) <= frame / 2 + 1e-9, qPrintable(QStringLiteral("part %1: %2 s").arg(k + 1).arg(late)));
        picture += joined.at(k).plan.length;
        heard += piece.seconds;
    }
    // Never drifting: the joined sound ends within half a frame of the picture.
    QVERIFY2(qAbs(heard - picture) <= frame / 2 + 1e-9, qPrintable(QStringLiteral("%1 s against %2 s").arg(heard).arg(picture)));
}

void TestJoin::pictureMatch_data()
{
    QTest::addColumn<QString>("log");
    QTest::addColumn<double>("decibels");

    const QString filter = "[Parsed_psnr_6 @ 0x5600] PSNR y:%1 u:52.56 v:52.33 average:%1 min:%1 max:%1\n";
    QTest::newRow("its own picture") << "frame=    1 fps=0.0\n" + filter.arg("41.924888") << 41.924888;
    QTest::newRow("the neighbour's") << filter.arg("22.064865") << 22.064865;
    QTest::newRow("identical") << filter.arg("inf") << 100.0;
    QTest::newRow("no frame to compare") << "Output file is empty, nothing was encoded\n" << -1.0;
}

void TestJoin::pictureMatch()
{
    QFETCH(QString, log);
    QFETCH(double, decibels);
    QCOMPARE(Join::pictureMatch(log), decibels);
}

void TestJoin::broadcastRemoval_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<Pieces>("removed");
    QTest::addColumn<QString>("cues");     // the DVB subtitles' display sets: time from the first picture, cue or "-" to clear
    QTest::addColumn<QString>("teletext"); // the teletext cues shown
    QTest::addColumn<QString>("streams");  // each stream's codec and language

    const QString source = "dvb tracks.ts";
    // Cue 1 is on screen when a removal starts, cue 2 when it ends: the
    // removed stretch's display sets come at the joint, in order, and cue 2
    // shows from there.
    const Pieces oneBreak{{source, 40, 20}};
    const QString oneBreakCues = "0.30:0 0.90:- 1.10:1 1.60:- 1.60:2 1.70:- 2.10:3 2.80:- 3.60:4 4.40:- 5.20:5 5.80:-";
    // Cue 4 lies inside the second removal: shown and cleared at the
    // joint, never seen. The first removal starts with the file.
    const Pieces twoBreaks{{source, 0, 5}, {source, 105, 25}};
    const QString twoBreaksCues = "0.10:0 0.70:- 0.90:1 1.50:- 1.80:2 2.30:- 2.70:3 3.40:- 4.00:4 4.00:- 4.80:5 5.40:-";
    QTest::newRow("MKV, one break") << "mkv" << oneBreak << oneBreakCues << "Cue 0|Cue 1|Cue 2|Cue 3|Cue 4|Cue 5"
                                    << "mpeg2video mp2/deu ac3/eng dvb_subtitle/fin";
    QTest::newRow("TS, one break") << "ts" << oneBreak << oneBreakCues << "Cue 0|Cue 1|Cue 2|Cue 3|Cue 4|Cue 5"
                                   << "mpeg2video mp2/deu ac3/eng dvb_subtitle/fin dvb_teletext/swe";
    QTest::newRow("TS, two breaks") << "ts" << twoBreaks << twoBreaksCues << "Cue 0|Cue 1|Cue 2|Cue 3|Cue 4|Cue 5"
                                    << "mpeg2video mp2/deu ac3/eng dvb_subtitle/fin dvb_teletext/swe";
    // Matroska's subtitles come in milliseconds, the output's in 90 kHz.
    QTest::newRow("From Matroska to TS, one break") << "ts" << Pieces{{"dvb tracks.mkv", 40, 20}} << oneBreakCues << ""
                                                    << "mpeg2video mp2/deu ac3/eng dvb_subtitle/fin";
}

// Adverts out of the subtitled DVB recording, into Matroska and into a
// transport stream: the middles copied and every frame its own, the sound
// copied in its own codecs and as long as the picture, every track with its
// language, the subtitles beside their pictures across the joints.
void TestJoin::broadcastRemoval()
{
    QFETCH(QString, extension);
    QFETCH(Pieces, removed);
    QFETCH(QString, cues);
    QFETCH(QString, teletext);
    QFETCH(QString, streams);

    const QString source = removed.first().source;
    const QString folder = m_dir.filePath(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(folder));
    const QString output = folder + "/joined." + extension;
    RecordingMessageSink sink;
    JoinJob job(&sink, TestSupport::programDir());
    job.setMode(JoinJob::Mode::Remove);
    job.setOutputFile(output);
    const QList<double> &times = m_times[source];
    const auto mark = [&times](int frame) { return frame < times.size() ? std::round(times.at(frame) * 1000) / 1000 : 1000.0; };
    QList<JoinJob::Source> listed;
    for (const Piece &piece : std::as_const(removed))
        listed.append({m_dir.filePath(source), mark(piece.first), mark(piece.first + piece.frames) - mark(piece.first)});
    job.setParts(listed);
    QStringList statuses;
    connect(&job, &JoinJob::CurrentStatus, this, [&statuses](const QString &status) { statuses << status; });
    job.StartConversion();
    QVERIFY2(sink.messages.isEmpty(), qPrintable(sink.messages.value(0).text.right(600)));
    QCOMPARE(job.LastResult().outcome, JoinJob::Outcome::Completed);
    QVERIFY2(!job.LastResult().fellBack, qPrintable(SmartCut::reasonText(job.LastResult().fallbackReason)));
    // Matroska cannot hold teletext, and the status says so.
    QCOMPARE(statuses.filter("dvb_teletext").size(), streams.contains("teletext") || !source.endsWith(".ts") ? 0 : 1);

    int code = 0;
    QProcess decode;
    decode.setProcessChannelMode(QProcess::MergedChannels);
    decode.start(TestSupport::systemFfmpeg(), {"-v", "error", "-xerror", "-i", output, "-map", "0", "-map", "-0:s",
                                               "-f", "null", "-"});
    QVERIFY(decode.waitForFinished(120000));
    code = decode.exitCode();
    QCOMPARE(decode.readAll(), QByteArray());
    QCOMPARE(code, 0);
    QCOMPARE(TestSupport::subtitleDecodeErrors(output), QByteArray());

    // Every kept frame is its own, the middles copied.
    QList<int> kept;
    for (int frame = 0; frame < 200; ++frame)
        if (std::none_of(removed.begin(), removed.end(), [frame](const Piece &p) { return frame >= p.first && frame < p.first + p.frames; }))
            kept << frame;
    const QByteArray joined = TestSupport::decodedFrames(output);
    const QByteArray &original = m_frames[source];
    const qsizetype frameBytes = kWidth * kHeight * 3 / 2;
    QCOMPARE(joined.size(), kept.size() * frameBytes);
    for (qsizetype i = 0; i < kept.size(); ++i) {
        const int offset = TestSupport::bestMatchOffset(200, kept.at(i), [&](int frame) {
            return TestSupport::lumaError(joined, i, original, frame, kWidth, kHeight);
        });
        QVERIFY2(offset == 0, qPrintable(QStringLiteral("frame %1 matches source frame %2").arg(i).arg(kept.at(i) + offset)));
    }
    const QList<Join::Part> parts = job.LastParts();
    QVERIFY(std::all_of(parts.begin(), parts.end(), [](const Join::Part &part) { return part.plan.middle.frames > 0; }));
    for (int track = 0; track < 2; ++track) {
        const double sound = TestSupport::soundSeconds(output, track);
        QVERIFY2(qAbs(sound - kept.size() / 25.0) <= 1152.0 / 48000, qPrintable(QStringLiteral("track %1: %2 s").arg(track).arg(sound)));
    }

    QCOMPARE(TestSupport::dvbCueWords(output), cues);
    if (streams.contains("teletext"))
        QCOMPARE(TestSupport::teletextTexts(output, 1), teletext);
    const QString listing = QString::fromUtf8(TestSupport::ffprobe(
        {"-show_entries", "stream=index,codec_name:stream_tags=language", "-of", "csv=p=0"}, output));
    // A transport stream lists its streams under its program too, without tags.
    QMap<int, QString> kinds;
    for (const QString &line : listing.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(u',');
        kinds.insert(fields.value(0).toInt(), fields.value(1) + (fields.value(2).isEmpty() ? QString() : u'/' + fields.value(2)));
    }
    QCOMPARE(kinds.values().join(u' '), streams);
    if (extension == u"ts") {
        const double start = TestSupport::ffprobe({"-show_entries", "format=start_time", "-of", "csv=p=0"}, output).trimmed().toDouble();
        QVERIFY2(start < 0.2, qPrintable(QString::number(start)));
    }
}

QTEST_GUILESS_MAIN(TestJoin)
#include "tst_join.moc"
