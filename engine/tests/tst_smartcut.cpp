// Smart cuts of generated clips through the real encoder: exact frames, copied
// frames bit for bit, re-encoded frames in their places at 40 dB or more,
// the source's levels, colours and HDR data on every frame, sound as long as
// the picture, clean decoding, and nothing left behind by a Stop.
#include "smartcutjob.h"
#include "recordingmessagesink.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {

constexpr int kFps = 25;
constexpr int kFrames = 100; // 4 s
constexpr int kWidth = 160;
constexpr int kHeight = 90;
constexpr qsizetype kFrameBytes = kWidth * kHeight * 3 / 2;
// The cues of the subtitled DVB recording.
const QList<TestSupport::Cue> kCues{{0.30, 0.90}, {1.10, 1.70}, {2.00, 2.50}, {2.90, 3.60}};

QByteArray run(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(120000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAll();
}

// Each frame's pixel format, colour flags, scan type and field order, and HDR
// mastering data, one line each.
QStringList frameColours(const QString &path)
{
    const QString listing = QString::fromUtf8(TestSupport::ffprobe(
        {"-select_streams", "v:0", "-show_entries",
         "frame=pix_fmt,color_range,color_space,color_primaries,color_transfer,chroma_location,interlaced_frame,"
         "top_field_first:frame_side_data=red_x,"
         "red_y,green_x,green_y,blue_x,blue_y,white_point_x,white_point_y,min_luminance,max_luminance,max_content,max_average",
         "-of", "compact"}, path));
    QStringList frames;
    for (const QString &frame : listing.split(QStringLiteral("frame|"), Qt::SkipEmptyParts)) {
        QStringList fields = frame.simplified().split(QRegularExpression("[| ]"), Qt::SkipEmptyParts);
        fields.removeAll(QStringLiteral("side_data"));
        frames << fields.join(u'|');
    }
    return frames;
}

} // namespace

class TestSmartCut final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cut_data();
    void cut();
    void broadcastTracks_data();
    void broadcastTracks();

private:
    QTemporaryDir m_dir;
    QHash<QString, QByteArray> m_sourceFrames;
    QHash<QString, QString> m_ranges;      // the decoder's filter that keeps the source's levels
    QHash<QString, QList<double>> m_times; // each frame's time from the file's start
    QHash<QString, QList<int>> m_keys;     // the keyframes among the frames shown
    QHash<QString, QList<int>> m_anchors;  // MPEG-2's I- and P-frames among them
};

void TestSmartCut::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const auto picture = [](const QString &rate) {
        return QStringList{"-f", "lavfi", "-i", QStringLiteral("testsrc2=size=%1x%2:rate=%3").arg(kWidth).arg(kHeight).arg(rate)};
    };
    const QStringList sine{"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100"};
    const QStringList fourSeconds{"-frames:v", QString::number(kFrames), "-t", QString::number(kFrames / kFps)};
    const QStringList length = fourSeconds + QStringList{"-pix_fmt", "yuv420p"};
    // HEVC as a camera records it: a level that holds its rate, as x265
    // keeps a part within the source's level.
    const QString x265 = QStringLiteral("keyint=%1:min-keyint=%1:scenecut=0:log-level=error:crf=22:vbv-maxrate=600:"
                                        "vbv-bufsize=600").arg(25);
    const QStringList x264{"-c:v", "libx264", "-g", "25", "-keyint_min", "25", "-sc_threshold", "0"};
    // Real recordings: a camera's rate, a phone's rotation and jittering
    // frame times, a camera's six channels with no layout, a TV stream's
    // transport stream, and a film's several tracks with chapters.
    QVERIFY(TestSupport::writeFile(
        m_dir.filePath("subtitles.srt"),
        "1\n00:00:00,500 --> 00:00:01,500\nOne\n\n2\n00:00:02,000 --> 00:00:03,500\nTwo\n"));
    QVERIFY(TestSupport::writeFile(m_dir.filePath("chapters.txt"),
                                   ";FFMETADATA1\ntitle=Film\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1500\ntitle=A\n"
                                   "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1500\nEND=3000\ntitle=B\n"
                                   "[CHAPTER]\nTIMEBASE=1/1000\nSTART=3000\nEND=4000\ntitle=C\n"));
    const QString bGop30 = "-c:v libx264 -bf 3 -g 30 -keyint_min 30 -sc_threshold 0";
    // Phones: 29.97 frames a second in a 1/600 time base, 20 or 21 ticks apart.
    const QStringList phone = QStringList{"-f", "lavfi", "-i", "testsrc2=size=160x90:rate=30000/1001"} + sine
                              + QStringList{"-frames:v", "100", "-t", "3.4", "-pix_fmt", "yuv420p", "-video_track_timescale", "600",
                                            "-c:a", "aac"};
    const QString x265Closed = x265 + ":open-gop=0";
    // Interlaced H.264 takes a height of four rows to the block; the frames are compared cropped.
    const QStringList tff{"-f", "lavfi", "-i", QStringLiteral("testsrc2=size=%1x%2:rate=50,interlace=scan=tff").arg(kWidth).arg(kHeight + 6)};
    // A camera's full range, a TV's BT.601, a phone's HLG and a film's PQ,
    // both 10-bit with mastering data.
    const auto hdr = [&](const QString &transfer, const QString &more) {
        return picture("25") + sine + fourSeconds
               + QStringList{"-pix_fmt", "yuv420p10le", "-c:v", "libx265", "-x265-params",
                             x265 + ":open-gop=0:colorprim=bt2020:colormatrix=bt2020nc:transfer=" + transfer
                                 + ":master-display=G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)L(10000000,50)" + more,
                             "-c:a", "aac"};
    };
    const QList<std::pair<QString, QStringList>> sources{
        {"h264 b-frames.mp4", picture("25") + sine + length + x264 + QStringList{"-c:a", "aac"}},
        {"h264 no b-frames.mkv", picture("25") + sine + length + x264 + QStringList{"-bf", "0", "-c:a", "aac"}},
        {"hevc.mp4", picture("25") + sine + length + QStringList{"-c:v", "libx265", "-x265-params", x265 + ":open-gop=0", "-c:a", "aac"}},
        {"hevc open.mkv", picture("25") + sine + length + QStringList{"-c:v", "libx265", "-x265-params", x265, "-c:a", "aac"}},
        {"mpeg2.mpg", picture("25") + sine + length + QStringList{"-c:v", "mpeg2video", "-g", "25", "-bf", "2", "-q:v", "4", "-c:a", "mp2"}},
        {"camera 29.83.mkv", picture("2983/100") + sine + QStringList{"-frames:v", "100", "-t", "3.4", "-pix_fmt", "yuv420p"}
                                 + bGop30.split(u' ') + QStringList{"-c:a", "aac"}},
        {"rotated.mp4", picture("25") + sine + length + x264 + QStringList{"-c:a", "aac", "-metadata:s:v:0", "rotate=90"}},
        {"phone jitter.mp4", picture("25") + sine
                                 + QStringList{"-vf", "setpts=(N*0.09+0.02*sin(N*1.3))/TB", "-fps_mode", "passthrough", "-frames:v", "100", "-t", "9", "-pix_fmt", "yuv420p", "-c:v", "libx264",
                                               "-g", "25", "-c:a", "aac", "-metadata:s:v:0", "rotate=180"}},
        {"phone 1-600.mp4", phone + x264},
        {"phone HEVC 1-600.mp4", phone + QStringList{"-c:v", "libx265", "-x265-params", x265Closed, "-tag:v", "hvc1"}},
        // A screen recording: a second's gap after the first frame, then
        // frames a few milliseconds off their grid.
        {"gap and jitter.mp4", picture("25") + sine
                                   + QStringList{"-vf", "settb=1/90000,setpts=(N/25+gte(N\\,1)+0.004*mod(N\\,3))/TB", "-fps_mode", "passthrough", "-enc_time_base:v", "1/90000",
                                                 "-video_track_timescale", "90000", "-frames:v", "100", "-t", "5",
                                                 "-pix_fmt", "yuv420p", "-c:a", "aac"} + x264},
        // Sound that starts a fifth of a second after the picture: an empty edit.
        {"late sound.mp4", picture("25") + QStringList{"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=5",
                                                        "-af", "adelay=200:all=1"} + length + x264 + QStringList{"-c:a", "aac"}},
        {"fragmented.mp4", picture("25") + sine + length + x264 + QStringList{"-c:a", "aac", "-movflags", "frag_keyframe+empty_moov"}},
        {"fragmented, index.mp4", picture("25") + sine + length + x264
                                      + QStringList{"-c:a", "aac", "-movflags", "frag_keyframe+empty_moov+default_base_moof+negative_cts_offsets+global_sidx", "-frag_duration", "500000"}},
        {"six channels.mkv", picture("25") + QStringList{"-f", "lavfi", "-i", "sine=frequency=330:sample_rate=48000"}
                                 + length + x264
                                 + QStringList{"-af", "pan=6c|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0", "-c:a", "pcm_s16le"}},
        {"tv ntsc.ts", picture("30000/1001") + sine + QStringList{"-frames:v", "100", "-t", "3.4", "-pix_fmt", "yuv420p"}
                           + bGop30.split(u' ') + QStringList{"-c:a", "aac", "-f", "mpegts"}},
        {"film tracks.mkv", picture("25") + sine + QStringList{"-f", "lavfi", "-i", "sine=frequency=660:sample_rate=48000",
                                                               "-i", m_dir.filePath("subtitles.srt"), "-i", m_dir.filePath("chapters.txt")}
                                + length + x264
                                + QStringList{"-map", "0:v", "-map", "1:a", "-map", "2:a", "-map", "3:s", "-map_metadata", "4",
                                              "-map_chapters", "4", "-c:a", "aac", "-metadata:s:a:0", "language=eng",
                                              "-metadata:s:a:1", "language=deu", "-metadata:s:a:1", "title=Kommentar",
                                              "-metadata:s:s:0", "language=eng"}},
        {"full range.mp4", picture("25") + sine + fourSeconds + x264
                               + QStringList{"-pix_fmt", "yuvj420p", "-color_range", "pc", "-c:a", "aac"}},
        {"bt601.mkv", picture("25") + sine + length + x264
                          + QStringList{"-colorspace", "smpte170m", "-color_primaries", "smpte170m", "-color_trc",
                                        "smpte170m", "-chroma_sample_location", "center", "-c:a", "aac"}},
        // Broadcast and camcorder video, interlaced: DVB's MPEG-2 in open
        // groups of twelve, top field first, with MP2 and 5.1 AC-3; HD's
        // H.264 with E-AC-3; a DVD's MPEG-2, bottom field first, with AC-3 in
        // a program stream.
        {"dvb 576i.ts", tff + sine + QStringList{"-f", "lavfi", "-i", "sine=frequency=660:sample_rate=48000"} + length
                            + QStringList{"-map", "0:v", "-map", "1:a", "-map", "2:a", "-c:v", "mpeg2video", "-flags", "+ilme+ildct", "-top", "1",
                                          "-g", "12", "-bf", "2", "-q:v", "3", "-c:a:0", "mp2", "-c:a:1", "ac3", "-ac:a:1", "6",
                                          "-metadata:s:a:0", "language=deu", "-metadata:s:a:1", "language=eng", "-f", "mpegts"}},
        {"hd 1080i.ts", tff + sine + length + QStringList{"-c:v", "libx264", "-flags", "+ilme+ildct", "-g", "25", "-bf", "2",
                                                          "-c:a", "eac3", "-metadata:s:a:0", "language=deu", "-f", "mpegts"}},
        {"camcorder.m2ts", tff + sine + length + QStringList{"-c:v", "libx264", "-flags", "+ilme+ildct", "-top", "1", "-g", "12",
                                                             "-bf", "2", "-c:a", "ac3", "-mpegts_m2ts_mode", "1", "-f", "mpegts"}},
        {"dvd.vob", tff + sine + length + QStringList{"-c:v", "mpeg2video", "-flags", "+ilme+ildct", "-g", "15", "-bf", "2",
                                                      "-q:v", "3", "-c:a", "ac3", "-f", "vob"}},
        {"hlg.mp4", hdr("arib-std-b67", ":max-cll=1000,300")},
        {"pq.mkv", hdr("smpte2084", ":max-cll=4000,1000:chromaloc=2")}};
    // A phone's trim keeps the whole group the trim starts in, with an edit
    // list that starts between its keyframes.
    const QString trimmed = m_dir.filePath("before the trim.mp4");
    QVERIFY(!TestSupport::runTool(QStringList{TestSupport::systemFfmpeg(), "-v", "error", "-y"} + picture("25") + sine
                                  + QStringList{"-frames:v", "115", "-t", "4.6", "-pix_fmt", "yuv420p", "-c:a", "aac"} + x264
                                  + QStringList{trimmed})
                 .isEmpty());
    // A DVB recording that starts inside a group, and its remux to
    // Matroska: a zero start, the picture a second after the sound.
    const QString capture = m_dir.filePath("dvb capture.ts");
    QVERIFY(TestSupport::makeCapture(capture, QStringLiteral("%1x%2").arg(kWidth).arg(kHeight), kFrames, 50));
    QList<std::pair<QString, QStringList>> copies{
        {"dvb capture.mkv", {"-i", capture, "-map", "0", "-c", "copy"}},
        {"edit list.mp4", {"-ss", "0.6", "-i", trimmed, "-c", "copy", "-avoid_negative_ts", "disabled"}},
        // A browser's recording: two frames share a time.
        {"shared time.mkv", {"-i", m_dir.filePath("h264 no b-frames.mkv"), "-c", "copy", "-bsf:v",
                             "setts=ts=if(eq(N\\,60)\\,PREV_OUTPTS\\,PTS)"}}};
    // The DVB recording again, its AC-3 as DVB sends it, with subtitles and
    // teletext: four cues, each cleared before the next.
    const QString dvb = m_dir.filePath("dvb 576i.ts");
    QVERIFY(!run(TestSupport::systemFfmpeg(), QStringList{"-v", "error", "-y"} + tff + sine
                                                 + QStringList{"-f", "lavfi", "-i", "sine=frequency=660:sample_rate=48000"} + length
                                                 + QStringList{"-map", "0:v", "-map", "1:a", "-map", "2:a", "-c:v", "mpeg2video", "-flags",
                                                               "+ilme+ildct", "-top", "1", "-g", "12", "-bf", "2", "-q:v", "3", "-c:a:0", "mp2",
                                                               "-c:a:1", "ac3", "-ac:a:1", "6", "-metadata:s:a:0", "language=deu",
                                                               "-metadata:s:a:1", "language=eng", "-mpegts_flags", "system_b",
                                                               "-f", "mpegts", dvb + ".dvb"}).contains("rror"));
    QVERIFY(TestSupport::addBroadcastSubtitles(dvb + ".dvb", m_dir.filePath("dvb subtitles.ts"), kCues, true));
    for (const auto &[name, options] : sources + copies
                                           + QList<std::pair<QString, QStringList>>{
                                               {"dvb capture.ts", {}},
                                               {"dvb subtitles.ts", {}},
                                               // Matroska holds no teletext.
                                               {"dvb subtitles.mkv",
                                                {"-i", m_dir.filePath("dvb subtitles.ts"), "-map", "0", "-map", "-0:4", "-c", "copy"}}}) {
        const QString path = m_dir.filePath(name);
        int code = 0;
        const QByteArray log = options.isEmpty() ? QByteArray()
                                                 : run(TestSupport::systemFfmpeg(), QStringList{"-v", "error", "-y"} + options + QStringList{path}, &code);
        QVERIFY2(code == 0, log.constData());
        // Full range compared as full range: squeezed, both sides would lose
        // the levels alike.
        const bool full = TestSupport::ffprobe({"-select_streams", "v:0", "-show_entries", "stream=color_range"}, path)
                              .contains("=pc");
        const bool interlaced = QString::fromUtf8(TestSupport::ffprobe({"-select_streams", "v:0", "-show_entries", "stream=field_order"}, path))
                                    .contains(QRegularExpression("=(tt|bb|tb|bt)"));
        m_ranges.insert(name, full ? QStringLiteral("scale=out_range=pc")
                                   : interlaced ? QStringLiteral("crop=%1:%2:0:0").arg(kWidth).arg(kHeight) : QString());
        m_sourceFrames.insert(name, TestSupport::decodedFrames(path, m_ranges.value(name)));
        QCOMPARE(m_sourceFrames.value(name).size(), kFrames * kFrameBytes);
        m_times.insert(name, TestSupport::frameTimes(path));
        QCOMPARE(m_times.value(name).size(), kFrames);
        // The frames shown that are keyframes: where a copy can start.
        const QList<QByteArray> flags = TestSupport::ffprobe({"-select_streams", "v:0", "-show_entries", "frame=key_frame",
                                                              "-of", "csv=p=0"}, path).simplified().split(' ');
        for (qsizetype i = 0; i < flags.size(); ++i)
            if (flags.at(i).startsWith('1'))
                m_keys[name].append(int(i));
        if (TestSupport::ffprobe({"-select_streams", "v:0", "-show_entries", "stream=codec_name"}, path).contains("mpeg2video")) {
            const QList<QByteArray> types = TestSupport::ffprobe({"-select_streams", "v:0", "-show_entries", "frame=pict_type",
                                                                  "-of", "csv=p=0"}, path).simplified().split(' ');
            for (qsizetype i = 0; i < types.size(); ++i)
                if (!types.at(i).startsWith('B'))
                    m_anchors[name].append(int(i));
        }
    }
}

void TestSmartCut::cut_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("first");    // the range in frames
    QTest::addColumn<int>("frames");
    QTest::addColumn<bool>("fallback");
    QTest::addColumn<QString>("stopAt"); // the status of the step to stop in
    QTest::addColumn<QString>("streams"); // the output's kinds of streams, and "+N chapters"

    const QString b = "h264 b-frames.mp4";
    const QString noB = "h264 no b-frames.mkv";
    const QString av = "video audio";
    QTest::newRow("B-frames, on a keyframe") << b << 25 << 35 << false << "" << av;
    QTest::newRow("B-frames, a frame before a keyframe") << b << 24 << 52 << false << "" << av;
    QTest::newRow("B-frames, a frame after a keyframe") << b << 26 << 50 << false << "" << av;
    QTest::newRow("B-frames, from 0") << b << 0 << 37 << false << "" << av;
    QTest::newRow("B-frames, to the end") << b << 70 << 30 << false << "" << av;
    QTest::newRow("B-frames, inside one group") << b << 30 << 10 << true << "" << av;
    QTest::newRow("no B-frames, a frame before a keyframe") << noB << 49 << 27 << false << "" << av;
    QTest::newRow("no B-frames, whole seconds") << noB << 25 << 50 << false << "" << av;
    QTest::newRow("HEVC, a frame before a keyframe") << "hevc.mp4" << 24 << 52 << false << "" << av;
    QTest::newRow("HEVC, a frame after a keyframe to the end") << "hevc.mp4" << 26 << 74 << false << "" << av;
    QTest::newRow("HEVC with open GOPs") << "hevc open.mkv" << 10 << 60 << true << "" << av;
    QTest::newRow("MPEG-2, times missing in a program stream") << "mpeg2.mpg" << 10 << 60 << true << "" << av;
    QTest::newRow("MPEG-2, interlaced, open groups, two tracks") << "dvb 576i.ts" << 7 << 70 << false << "" << "video audio audio";
    QTest::newRow("MPEG-2, interlaced, to the end") << "dvb 576i.ts" << 40 << 60 << false << "" << "video audio audio";
    QTest::newRow("MPEG-2, program stream") << "dvd.vob" << 20 << 62 << false << "" << av;
    QTest::newRow("H.264, interlaced") << "hd 1080i.ts" << 13 << 70 << false << "" << av;
    QTest::newRow("H.264, interlaced, M2TS") << "camcorder.m2ts" << 31 << 60 << false << "" << av;
    // Nothing to copy: re-encoded whole, still interlaced in the same order.
    QTest::newRow("H.264, interlaced, inside one group") << "hd 1080i.ts" << 28 << 15 << true << "" << av;
    QTest::newRow("MPEG-2, interlaced, no I-frame inside") << "dvb 576i.ts" << 14 << 9 << true << "" << "video audio audio";
    QTest::newRow("MKV, B-frames at 29.83 fps") << "camera 29.83.mkv" << 10 << 75 << false << "" << av;
    QTest::newRow("MKV, B-frames, a frame after a keyframe") << "camera 29.83.mkv" << 31 << 60 << false << "" << av;
    QTest::newRow("rotated 90 degrees") << "rotated.mp4" << 12 << 60 << false << "" << av;
    QTest::newRow("varying frame times, rotated 180 degrees") << "phone jitter.mp4" << 13 << 70 << false << "" << av;
    QTest::newRow("1/600 time base") << "phone 1-600.mp4" << 12 << 80 << false << "" << av;
    QTest::newRow("HEVC, 1/600 time base, to the end") << "phone HEVC 1-600.mp4" << 40 << 60 << false << "" << av;
    QTest::newRow("a second's gap and jitter") << "gap and jitter.mp4" << 0 << 90 << false << "" << av;
    QTest::newRow("after a second's gap, jitter") << "gap and jitter.mp4" << 3 << 80 << false << "" << av;
    QTest::newRow("edit list between keyframes") << "edit list.mp4" << 0 << 70 << false << "" << av;
    QTest::newRow("edit list, a frame after a keyframe") << "edit list.mp4" << 11 << 80 << false << "" << av;
    QTest::newRow("sound starting late, from the start") << "late sound.mp4" << 0 << 60 << false << "" << av;
    QTest::newRow("fragmented") << "fragmented.mp4" << 12 << 70 << false << "" << av;
    QTest::newRow("fragmented, an index, negative composition offsets") << "fragmented, index.mp4" << 30 << 70 << false << "" << av;
    QTest::newRow("two frames at one time") << "shared time.mkv" << 40 << 50 << false << "" << av;
    QTest::newRow("six channels without a layout") << "six channels.mkv" << 12 << 60 << false << "" << av;
    QTest::newRow("transport stream, B-frames at 29.97 fps") << "tv ntsc.ts" << 10 << 75 << false << "" << av;
    QTest::newRow("transport stream, to the end") << "tv ntsc.ts" << 45 << 55 << false << "" << av;
    QTest::newRow("DVB recording starting inside a group, to the end") << "dvb capture.ts" << 30 << 70 << false << "" << av;
    QTest::newRow("DVB recording starting inside a group, from its start") << "dvb capture.ts" << 0 << 40 << true << "" << av;
    QTest::newRow("DVB recording remuxed to Matroska, to the end") << "dvb capture.mkv" << 31 << 69 << false << "" << av;
    QTest::newRow("two sound tracks, subtitles, chapters")
        << "film tracks.mkv" << 30 << 50 << false << "" << "video audio audio subtitle +3 chapters";
    QTest::newRow("several tracks, inside one group")
        << "film tracks.mkv" << 30 << 10 << true << "" << "video audio audio subtitle +2 chapters";
    QTest::newRow("full range") << "full range.mp4" << 24 << 52 << false << "" << av;
    QTest::newRow("BT.601, centred chroma") << "bt601.mkv" << 26 << 50 << false << "" << av;
    QTest::newRow("HLG, 10-bit HEVC") << "hlg.mp4" << 24 << 52 << false << "" << av;
    QTest::newRow("PQ, 10-bit HEVC, to the end") << "pq.mkv" << 26 << 74 << false << "" << av;
    for (const char *step : {"Reading keyframes", "Re-encoding up to", "Copying between", "Re-encoding after",
                             "Joining", "Exact cut by re-encoding"}) {
        const bool whole = QByteArray(step).startsWith("Exact");
        QTest::addRow("Stop: %s", step) << b << (whole ? 30 : 24) << (whole ? 10 : 52) << whole << step << av;
    }
}

void TestSmartCut::cut()
{
    QFETCH(QString, source);
    QFETCH(int, first);
    QFETCH(int, frames);
    QFETCH(bool, fallback);
    QFETCH(QString, stopAt);
    QFETCH(QString, streams);

    const QString folder = m_dir.filePath(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(folder));
    const QString output = folder + "/cut." + SmartCut::OutputExtension(source);
    RecordingMessageSink sink;
    SmartCutJob job(&sink, TestSupport::programDir());
    job.setInputFile(m_dir.filePath(source));
    job.setOutputFile(output);
    // The marks as the window gives them: each frame's time to the millisecond.
    const QList<double> &times = m_times[source];
    const auto mark = [&times](int frame) {
        return frame < times.size() ? std::round(times.at(frame) * 1000) / 1000 : 1000.0;
    };
    job.setStart(mark(first));
    job.setLength(mark(first + frames) - mark(first));
    QStringList statuses;
    QList<int> percents;
    connect(&job, &SmartCutJob::Progress, this, [&percents](int p) { percents << p; });
    connect(&job, &SmartCutJob::CurrentStatus, this, [&](const QString &status) {
        statuses << status;
        // Stopped from the event passes the step runs, as a Stop click is.
        if (!stopAt.isEmpty() && status.startsWith(stopAt))
            QTimer::singleShot(0, &job, &SmartCutJob::StopConversion);
    });
    job.StartConversion();
    QVERIFY2(sink.messages.isEmpty(), qPrintable(sink.messages.value(0).text));

    if (!stopAt.isEmpty()) {
        QCOMPARE(job.LastResult().outcome, SmartCutJob::Outcome::Stopped);
        QCOMPARE(statuses.last(), QStringLiteral("Cancelled"));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
        return;
    }
    QCOMPARE(job.LastResult().outcome, SmartCutJob::Outcome::Completed);
    QVERIFY2(job.LastResult().fellBack == fallback, qPrintable(SmartCut::reasonText(job.LastResult().fallbackReason)));
    QCOMPARE(statuses.filter(SmartCut::kReEncodeStatus).size(), fallback ? 1 : 0);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList("cut." + SmartCut::OutputExtension(source)));
    QVERIFY(std::is_sorted(percents.begin(), percents.end()) && percents.last() == 100);

    // The copied groups are the ones between the keyframes inside the range.
    const SmartCut::Plan plan = job.LastPlan();
    const QList<int> &keys = m_keys[source];
    const auto keyAfter = std::lower_bound(keys.begin(), keys.end(), first);
    const int copyFrom = keyAfter == keys.end() ? kFrames : *keyAfter;
    const auto keyBefore = std::upper_bound(keys.begin(), keys.end(), first + frames);
    int copyTo = first + frames == kFrames ? kFrames : *(keyBefore - 1);
    // MPEG-2's copy ends after any I- or P-frame, with the B-frames shown before it.
    const QList<int> &anchors = m_anchors[source];
    if (!anchors.isEmpty() && first + frames < kFrames)
        copyTo = *(std::upper_bound(anchors.begin(), anchors.end(), first + frames - 1) - 1) + 1;
    const int head = fallback ? frames : copyFrom - first;
    const int middle = fallback ? 0 : copyTo - copyFrom;
    QCOMPARE(plan.frames, frames);
    QCOMPARE(plan.head.frames, head);
    QCOMPARE(plan.middle.frames, middle);

    int code = 0;
    // Each frame at its own time: two frames at one time are an error.
    QCOMPARE(run(TestSupport::systemFfmpeg(), {"-v", "error", "-xerror", "-i", output, "-map", "0:v", "-map", "0:a?", "-fps_mode",
                                               "passthrough", "-enc_time_base:v", "-1", "-f", "null", "-"}, &code),
             QByteArray());
    QCOMPARE(code, 0);

    // Every frame is its own source frame as a player shows it, rotation
    // and all; the copied ones bit for bit.
    const QByteArray cut = TestSupport::decodedFrames(output, m_ranges[source]);
    const QByteArray &original = m_sourceFrames[source];
    QCOMPARE(cut.size(), frames * kFrameBytes);
    for (int i = 0; i < frames; ++i) {
        const qsizetype at = first + i;
        if (i >= head && i < head + middle) {
            QVERIFY2(cut.mid(i * kFrameBytes, kFrameBytes) == original.mid(at * kFrameBytes, kFrameBytes),
                     qPrintable(QStringLiteral("copied frame %1 differs").arg(i)));
            continue;
        }
        // A re-encoded picture is closest to the source's picture in its place,
        // and close to it.
        const double own = TestSupport::lumaError(cut, i, original, at, kWidth, kHeight);
        const double psnr = 10 * std::log10(255.0 * 255 * kWidth * kHeight / std::max(own, 1.0));
        QVERIFY2(psnr >= 40, qPrintable(QStringLiteral("frame %1: %2 dB").arg(i).arg(psnr)));
        for (const qsizetype other : {at - 1, at + 1})
            if (other >= 0 && other < kFrames)
                QVERIFY2(own < TestSupport::lumaError(cut, i, original, other, kWidth, kHeight), qPrintable(QStringLiteral("frame %1").arg(i)));
    }
    // Every frame, re-encoded or copied, has the source's levels, colours
    // and mastering data.
    const QStringList colours = frameColours(output);
    QCOMPARE(colours.size(), frames);
    const QString sourceColours = frameColours(m_dir.filePath(source)).value(0);
    for (int i = 0; i < frames; ++i)
        QVERIFY2(colours.at(i) == sourceColours, qPrintable(QStringLiteral("frame %1: %2, source %3").arg(i).arg(colours.at(i), sourceColours)));

    // Each frame keeps its own time from the cut's start.
    const QList<double> cutTimes = TestSupport::frameTimes(output);
    QCOMPARE(cutTimes.size(), frames);
    for (int i = 0; i < frames; ++i)
        QVERIFY2(qAbs(cutTimes.at(i) - cutTimes.at(0) - (times.at(first + i) - times.at(first))) < 0.0015,
                 qPrintable(QStringLiteral("frame %1 at %2").arg(i).arg(cutTimes.at(i))));

    // Every track is there with its tags, each sound track as long as the
    // picture to within one sound frame, with all its channels.
    const QByteArray listing = TestSupport::ffprobe(
        {"-show_entries", "stream=codec_type,channels:stream_tags=language,title:stream_side_data=rotation:chapter=start_time",
         "-of", "compact"}, output);
    const QByteArray sourceListing = TestSupport::ffprobe(
        {"-show_entries", "stream=codec_type,channels:stream_tags=language,title:stream_side_data=rotation", "-of", "compact"},
        m_dir.filePath(source));
    QStringList kinds;
    static const QRegularExpression kind("codec_type=(\\w+)");
    for (auto match = kind.globalMatch(QString::fromUtf8(listing)); match.hasNext();)
        kinds << match.next().captured(1);
    const int chapters = int(listing.count("chapter|"));
    QCOMPARE(kinds.join(u' ') + (chapters ? QStringLiteral(" +%1 chapters").arg(chapters) : QString()), streams);
    for (const char *tag : {"language=deu", "title=Kommentar", "channels=6"})
        QCOMPARE(listing.contains(tag), sourceListing.contains(tag));
    static const QRegularExpression rotation("rotation=(-?\\d+)");
    QCOMPARE(rotation.match(QString::fromUtf8(listing)).captured(1),
             rotation.match(QString::fromUtf8(sourceListing)).captured(1));
    const double picture = job.LastPlan().length;
    for (int track = 0; track < int(kinds.count("audio")); ++track) {
        const double sound = TestSupport::soundSeconds(output, track);
        QVERIFY2(qAbs(sound - picture) <= 1024.0 / 44100, qPrintable(QStringLiteral("track %1: %2 s").arg(track).arg(sound)));
    }
}

void TestSmartCut::broadcastTracks_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<int>("first"); // the range in frames
    QTest::addColumn<int>("frames");
    QTest::addColumn<QString>("cues");     // the DVB subtitles' display sets: time from the first picture, cue or "-" to clear
    QTest::addColumn<QString>("teletext"); // the teletext cues shown
    QTest::addColumn<QString>("streams");  // each stream's codec, tag and language
    QTest::addColumn<bool>("copied");      // the middle copied, else the range re-encoded whole

    // Matroska's sound is re-encoded in its own codec.
    const QString dvbStreams = "mpeg2video opus/deu opus/eng dvb_subtitle/fin";
    // Cues inside the range keep their place beside the picture; one
    // crossing the end is kept, one before the start is gone.
    QTest::newRow("MKV, a cue across the end") << "mkv" << 7 << 70 << "0.02:0 0.62:- 0.82:1 1.42:- 1.72:2 2.22:- 2.62:3"
                                               << "Cue 0|Cue 1|Cue 2|Cue 3" << dvbStreams << true;
    QTest::newRow("MKV, a cue across the start, to the end") << "mkv" << 52 << 48 << "0.00:2 0.42:- 0.82:3 1.52:-" << "Cue 2|Cue 3" << dvbStreams << true;
    // A cue shown when the range starts is shown from its start.
    QTest::newRow("MKV, a cue across the start") << "mkv" << 30 << 55 << "0.00:1 0.50:- 0.80:2 1.30:- 1.70:3" << "Cue 1|Cue 2|Cue 3"
                                                 << dvbStreams << true;
    // DVB's AC-3 stays private data with its descriptor.
    const QString tsStreams = "mpeg2video[2] mp2[3]/deu ac3[6]/eng dvb_subtitle[6]/fin dvb_teletext[6]/swe";
    QTest::newRow("TS, a cue across the end") << "ts" << 7 << 70 << "0.02:0 0.62:- 0.82:1 1.42:- 1.72:2 2.22:- 2.62:3"
                                              << "Cue 0|Cue 1|Cue 2|Cue 3" << tsStreams << true;
    QTest::newRow("TS, a cue across the start, to the end") << "ts" << 30 << 70 << "0.00:1 0.50:- 0.80:2 1.30:- 1.70:3 2.40:-"
                                                            << "Cue 1|Cue 2|Cue 3" << tsStreams << true;
    // A cue shown for half a second when the range starts, beyond where the
    // input's seek lands.
    QTest::newRow("TS, a cue begun well before the start") << "ts" << 40 << 40 << "0.00:1 0.10:- 0.40:2 0.90:- 1.30:3"
                                                          << "Cue 1|Cue 2|Cue 3" << tsStreams << true;
    QTest::newRow("MKV, a cue begun well before the start") << "mkv" << 40 << 40 << "0.00:1 0.10:- 0.40:2 0.90:- 1.30:3"
                                                           << "Cue 1|Cue 2|Cue 3" << dvbStreams << true;
    // The recording kept in Matroska, whose subtitles come in milliseconds.
    QTest::newRow("From Matroska to MKV, a cue begun well before the start")
        << "mkv" << 40 << 40 << "0.00:1 0.10:- 0.40:2 0.90:- 1.30:3" << "" << dvbStreams << true;
    QTest::newRow("From Matroska to TS, a cue begun well before the start")
        << "ts" << 40 << 40 << "0.00:1 0.10:- 0.40:2 0.90:- 1.30:3" << "" << "mpeg2video[2] mp2[3]/deu ac3[129]/eng dvb_subtitle[6]/fin"
        << true;
    // From near the start, where the head's seek goes to the file's start,
    // the teletext's: the head is timed from there, not from the picture.
    QTest::newRow("TS, from the second frame") << "ts" << 1 << 30 << "0.26:0 0.86:- 1.06:1" << "Cue 0|Cue 1" << tsStreams << true;
    QTest::newRow("MKV, from the first frame") << "mkv" << 0 << 40 << "0.30:0 0.90:- 1.10:1" << "Cue 0|Cue 1" << dvbStreams << true;
    // No I-frame inside: re-encoded whole from a seek before it, the cues
    // still beside their pictures.
    QTest::newRow("MKV, re-encoded whole") << "mkv" << 25 << 10 << "0.00:- 0.10:1" << "Cue 1" << dvbStreams << false;
    QTest::newRow("TS, re-encoded whole")
        << "ts" << 25 << 10 << "0.00:- 0.10:1" << "Cue 1" << tsStreams << false;
}

// The subtitled DVB recording cut into Matroska and into a transport
// stream: the picture's middle copied and every frame its own, each sound
// track as long as the picture, the subtitles at their places, every track
// with its language, and in a transport stream the source's stream types
// and times from near zero.
void TestSmartCut::broadcastTracks()
{
    QFETCH(QString, extension);
    QFETCH(int, first);
    QFETCH(int, frames);
    QFETCH(QString, cues);
    QFETCH(QString, teletext);
    QFETCH(QString, streams);
    QFETCH(bool, copied);

    const QString source = QLatin1String(QTest::currentDataTag()).startsWith(QLatin1String("From Matroska"))
                               ? QStringLiteral("dvb subtitles.mkv")
                               : QStringLiteral("dvb subtitles.ts");
    const QString folder = m_dir.filePath(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(folder));
    const QString output = folder + "/cut." + extension;
    RecordingMessageSink sink;
    SmartCutJob job(&sink, TestSupport::programDir());
    job.setInputFile(m_dir.filePath(source));
    job.setOutputFile(output);
    const QList<double> &times = m_times[source];
    const auto mark = [&times](int frame) { return frame < times.size() ? std::round(times.at(frame) * 1000) / 1000 : 1000.0; };
    job.setStart(mark(first));
    job.setLength(mark(first + frames) - mark(first));
    QStringList statuses;
    connect(&job, &SmartCutJob::CurrentStatus, this, [&statuses](const QString &status) { statuses << status; });
    job.StartConversion();
    QVERIFY2(sink.messages.isEmpty(), qPrintable(sink.messages.value(0).text));
    QCOMPARE(job.LastResult().outcome, SmartCutJob::Outcome::Completed);
    QVERIFY2(job.LastResult().fellBack != copied, qPrintable(SmartCut::reasonText(job.LastResult().fallbackReason)));
    QCOMPARE(job.LastPlan().middle.frames > 0, copied);
    // Matroska cannot hold teletext, and the status says so.
    QCOMPARE(statuses.filter("dvb_teletext").isEmpty(), streams.contains("teletext") || !source.endsWith(".ts"));

    // Every stream decodes, the DVB subtitles too; the teletext's text below.
    int code = 0;
    QCOMPARE(run(TestSupport::systemFfmpeg(), {"-v", "error", "-xerror", "-i", output, "-map", "0", "-map", "-0:s",
                                               "-f", "null", "-"}, &code),
             QByteArray());
    QCOMPARE(code, 0);
    QCOMPARE(TestSupport::subtitleDecodeErrors(output), QByteArray());
    // Every frame is its own source frame.
    const QByteArray cut = TestSupport::decodedFrames(output, m_ranges[source]);
    const QByteArray &original = m_sourceFrames[source];
    QCOMPARE(cut.size(), frames * kFrameBytes);
    QString misplaced;
    for (int i = 0; i < frames && misplaced.isEmpty(); ++i) {
        const int best = TestSupport::bestMatchOffset(kFrames, first + i, [&](int at) {
            return TestSupport::lumaError(cut, i, original, at, kWidth, kHeight);
        });
        if (best != 0)
            misplaced = QStringLiteral("frame %1 is source frame %2").arg(i).arg(first + i + best);
    }
    QCOMPARE(misplaced, QString());
    for (int track = 0; track < 2; ++track) {
        const double sound = TestSupport::soundSeconds(output, track);
        QVERIFY2(qAbs(sound - job.LastPlan().length) <= 1152.0 / 48000, qPrintable(QStringLiteral("track %1: %2 s").arg(track).arg(sound)));
    }

    QCOMPARE(TestSupport::dvbCueWords(output), cues);
    if (streams.contains("teletext"))
        QCOMPARE(TestSupport::teletextTexts(output, 1), teletext);

    // The streams, with the transport stream's types where it is one.
    const QString listing = QString::fromUtf8(TestSupport::ffprobe(
        {"-show_entries", "stream=index,codec_name,id:stream_tags=language", "-of", "csv=p=0"}, output));
    // The stream types as the program table gives them; the prober names
    // AC-3 by its registration, DVB's or ATSC's alike.
    QFile file(output);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QMap<int, int> types = SmartCut::transportStreamTypes(file.read(1 << 20));
    // A transport stream lists its streams under its program too, without tags.
    QMap<int, QString> kinds;
    for (const QString &line : listing.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(u',');
        QString kind = fields.value(1);
        if (extension == u"ts")
            kind += QStringLiteral("[%1]").arg(types.value(fields.value(2).toInt(nullptr, 16), -1));
        kinds.insert(fields.value(0).toInt(), kind + (fields.value(3).isEmpty() ? QString() : u'/' + fields.value(3)));
    }
    QCOMPARE(kinds.values().join(u' '), streams);
    // A transport stream's times start near zero.
    if (extension == u"ts") {
        const double start = TestSupport::ffprobe({"-show_entries", "format=start_time", "-of", "csv=p=0"}, output).trimmed().toDouble();
        QVERIFY2(start < 0.2, qPrintable(QString::number(start)));
    }
}

QTEST_GUILESS_MAIN(TestSmartCut)
#include "tst_smartcut.moc"
