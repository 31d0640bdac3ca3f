// The smart cut's plan from made-up packet listings: which frames are
// re-encoded, which copied, and when the whole range must be re-encoded.
#include "smartcutoptions.h"
#include "testsupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

// A prober listing in decode order. Each packet is its presentation time in
// milliseconds, "K" in front for a keyframe, or "?" for none.
// A prober listing in decode order. Each packet is its presentation time in
// milliseconds, "K" in front for a keyframe, or "?" for none. With decodeLead,
// the packets have decode times: the sorted presentation times that much early.
QString listing(const QString &codec, const QString &rate, double startTime, const QString &packets,
                const QString &format = QStringLiteral("matroska,webm"), int decodeLead = -1,
                const QString &extra = QString())
{
    const QStringList words = packets.split(u' ', Qt::SkipEmptyParts);
    QList<double> sorted;
    for (const QString &packet : words)
        sorted << (packet.startsWith(u'K') ? packet.sliced(1) : packet).toDouble();
    std::sort(sorted.begin(), sorted.end());
    QString text;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &packet = words.at(i);
        if (packet == u"?") {
            text += QStringLiteral("packet|pts_time=N/A|dts_time=N/A|flags=__\n");
            continue;
        }
        const bool key = packet.startsWith(u'K');
        const double ms = (key ? packet.sliced(1) : packet).toDouble();
        const QString dts = decodeLead < 0 ? QStringLiteral("N/A") : QString::number((sorted.at(i) - decodeLead) / 1000, 'f', 6);
        text += QStringLiteral("packet|pts_time=%1|dts_time=%2|size=%3|flags=%4\n")
                    .arg(ms / 1000, 0, 'f', 6)
                    .arg(dts)
                    .arg(key ? 5000 : 1000 + (i * i * 37) % 501)
                    .arg(key ? "K_" : "__");
    }
    text += QStringLiteral("stream|codec_name=%1|profile=%2|width=160|height=90|has_b_frames=2|"
                           "sample_aspect_ratio=1:1|pix_fmt=yuv420p|level=30|color_range=unknown|"
                           "r_frame_rate=%3|avg_frame_rate=%3%6\nformat|start_time=%4|format_name=%5\n")
                .arg(codec, codec == u"hevc" ? "Main" : "High", rate)
                .arg(startTime, 0, 'f', 6)
                .arg(format, extra.contains(QLatin1String("time_base=")) ? extra : QStringLiteral("|time_base=1/1000") + extra);
    return text;
}

} // namespace

class TestSmartCutPlan final : public QObject
{
    Q_OBJECT

private slots:
    void plan_data();
    void plan();
    void variableLength();
    void droppedTracks_data();
    void droppedTracks();
    void transportStreamOptions_data();
    void transportStreamOptions();
    void copiedPart_data();
    void copiedPart();
    void colour_data();
    void colour();
    void preset_data();
    void preset();
    void outputExtension();
    void matrices_data();
    void matrices();
    void frameListing_data();
    void frameListing();
    void shownAtStart_data();
    void shownAtStart();
};

void TestSmartCutPlan::plan_data()
{
    QTest::addColumn<QString>("probe");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("length");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("head");   // for a smart plan; -1: the whole range is re-encoded
    QTest::addColumn<int>("middle");
    QTest::addColumn<int>("tail");
    QTest::addColumn<QString>("reason");

    // Closed groups of four at 25 fps, B-frames shown before the P they follow.
    const QString closed = listing("h264", "25/1", 0,
                                   "K0 120 40 80 K160 280 200 240 K320 440 360 400 K480 600 520 560");
    QTest::newRow("inside the first group to inside the third") << closed << 0.04 << 0.4 << 10 << 3 << 4 << 3 << "";
    QTest::newRow("on a keyframe to the file's end") << closed << 0.16 << 0.48 << 12 << 0 << 12 << 0 << "";
    QTest::newRow("end just before a keyframe") << closed << 0.16 << 0.32 << 8 << 0 << 8 << 0 << "";
    QTest::newRow("start between frames takes the next") << closed << 0.05 << 0.4 << 10 << 2 << 8 << 0 << "";
    QTest::newRow("one frame after a keyframe") << closed << 0.2 << 0.4 << 10 << 3 << 4 << 3 << "";
    QTest::newRow("start and end in one group") << closed << 0.2 << 0.08 << 2 << -1 << 0 << 0 << "no keyframe";
    QTest::newRow("HEVC, late file start") << listing("hevc", "25/1", 1.4, "K1400 1520 1440 1480 K1560 1680 1600 1640",
                                                      "mov,mp4,m4a,3gp,3g2,mj2")
                                           << 0.04 << 0.28 << 7 << 3 << 4 << 0 << "";
    // Matroska's millisecond times wobble around 1001/30000 s without varying.
    QTest::newRow("rounded NTSC times") << listing("h264", "30000/1001", 0,
                                                   "K0 33 67 100 K133 167 200 234 K267 300 334 367")
                                        << 0.033 << 0.3 << 9 << 3 << 4 << 2 << "";
    // Frames 4 and 5 are decoded after the keyframe at 6 but shown before it.
    QTest::newRow("open GOPs") << listing("hevc", "25/1", 0, "K0 120 40 80 K240 160 200 360 280 320 K480 400 440 600 "
                                                             "520 560")
                               << 0.04 << 0.52 << 13 << -1 << 0 << 0 << "open GOPs";
    QTest::newRow("transport stream") << listing("h264", "25/1", 1.4, "K1400 1520 1440 1480 K1560 1680 1600 1640",
                                                 "mpegts", 80)
                                      << 0.04 << 0.28 << 7 << 3 << 4 << 0 << "";
    // A recording that starts inside a group: the two pictures before the
    // first keyframe never show, and the range starts with that keyframe.
    QTest::newRow("transport stream, starting inside a group")
        << listing("h264", "25/1", 1.2, "1280 1240 K1400 1520 1440 1480 K1560 1680 1600 1640", "mpegts", 80)
        << 0.0 << 0.5 << 8 << 0 << 8 << 0 << "";
    QTest::newRow("transport stream, decode times missing")
        << listing("h264", "25/1", 1.4, "K1400 1520 1440 1480 K1560 1680 1600 1640", "mpegts")
        << 0.04 << 0.28 << 7 << -1 << 0 << 0 << "decode times";
    QTest::newRow("program stream") << listing("h264", "25/1", 0, "K0 120 40 80 K160 280 200 240", "mpeg", 80)
                                    << 0.04 << 0.28 << 7 << 3 << 4 << 0 << "";
    QTest::newRow("program stream, decode times missing")
        << listing("mpeg2video", "25/1", 0, "K0 120 40 80 K160 280 200 240", "mpeg") << 0.04 << 0.28 << 7 << -1 << 0
        << 0 << "decode times";
    QTest::newRow("interlaced H.264") << listing("h264", "25/1", 0, "K0 120 40 80 K160 280 200 240", "mp4", -1,
                                                 "|field_order=tt")
                                      << 0.04 << 0.28 << 7 << 3 << 4 << 0 << "";
    QTest::newRow("interlaced HEVC") << listing("hevc", "25/1", 0, "K0 120 40 80 K160 280 200 240", "mp4", -1,
                                                "|field_order=tt")
                                     << 0.04 << 0.28 << 7 << -1 << 0 << 0 << "interlaced";
    // Varying frame times are copied as they are.
    QTest::newRow("varying frame rate") << listing("h264", "25/1", 0, "K0 40 80 100 K140 180 220 260")
                                        << 0.0 << 0.26 << 7 << 0 << 4 << 3 << "";
    QTest::newRow("varying frame rate, to the end") << listing("h264", "25/1", 0, "K0 40 80 100 K140 180 220 260")
                                                    << 0.1 << 1.0 << 5 << 1 << 4 << 0 << "";
    // A phone's 1/600 time base: 29.97 frames a second, 20 or 21 ticks apart,
    // and as steady as that allows.
    QTest::newRow("1/600 time base") << listing("h264", "30000/1001", 0, "K0 33.333 66.667 100 133.333 K166.667 200 235 268.333 "
                                                "301.667 K335 368.333", "mov,mp4,m4a,3gp,3g2,mj2", 67, "|time_base=1/600")
                                     << 0.1 << 0.26 << 8 << 2 << 5 << 1 << "";
    QTest::newRow("MPEG-2, closed groups") << listing("mpeg2video", "25/1", 0, "K0 120 40 80 K160 280 200 240") << 0.0
                                           << 0.32 << 8 << 0 << 8 << 0 << "";
    // Broadcast MPEG-2: each group but the first opens with two B-frames that
    // refer to the group before. A copy leaves them out and may end after
    // any I- or P-frame with the B-frames shown before it.
    const QString open = "K0 120 40 80 K240 160 200 360 280 320 K480 400 440 600 520 560 K720 640 680 840 760 800";
    QTest::newRow("MPEG-2, open groups") << listing("mpeg2video", "25/1", 0, open) << 0.04 << 0.6 << 15 << 5 << 10 << 0
                                         << "";
    QTest::newRow("MPEG-2, open groups, end after a P-frame's B-frame")
        << listing("mpeg2video", "25/1", 0, open) << 0.04 << 0.52 << 13 << 5 << 7 << 1 << "";
    QTest::newRow("MPEG-2, open groups, transport stream")
        << listing("mpeg2video", "25/1", 1.4, "K1400 1520 1440 1480 K1640 1560 1600 1760 1680 1720 K1880 1800 1840 2000 "
                                              "1920 1960 K2120 2040 2080 2240 2160 2200", "mpegts", 80)
        << 0.04 << 0.6 << 15 << 5 << 10 << 0 << "";
    QTest::newRow("MPEG-2, open groups, to the end") << listing("mpeg2video", "25/1", 0, open) << 0.2 << 1.0 << 17 << 1
                                                     << 16 << 0 << "";
    QTest::newRow("MPEG-2, open groups, no I-frame inside") << listing("mpeg2video", "25/1", 0, open) << 0.28 << 0.16
                                                            << 4 << -1 << 0 << 0 << "no keyframe";
    QTest::newRow("MPEG-4 part 2") << listing("mpeg4", "25/1", 0, "K0 120 40 80 K160 280 200 240") << 0.0 << 0.32 << 8
                                   << -1 << 0 << 0 << "mpeg4";
    // Program streams give some frames no time; the rest still place them.
    QTest::newRow("MPEG-2, a time missing") << listing("mpeg2video", "25/1", 0, "K0 120 40 80 K160 ? 200 240") << 0.04
                                            << 0.28 << 7 << -1 << 0 << 0 << "missing";
    QTest::newRow("no listing") << QString() << 1.0 << 2.0 << 0 << -1 << 0 << 0 << "could not be read";
}

void TestSmartCutPlan::plan()
{
    QFETCH(QString, probe);
    QFETCH(double, start);
    QFETCH(double, length);
    QFETCH(int, frames);
    QFETCH(int, head);
    QFETCH(int, middle);
    QFETCH(int, tail);
    QFETCH(QString, reason);

    const SmartCut::Plan plan = SmartCut::planCut(SmartCut::parseProbe(probe), start, length);
    QCOMPARE(plan.frames, frames);
    QCOMPARE(plan.smart, head >= 0);
    const QString why = SmartCut::reasonText(plan.reason);
    QVERIFY2(reason.isEmpty() ? plan.reason.isNone() : why.contains(reason), qPrintable(why));
    if (frames > 0 && !plan.variableRate && plan.head.dropBefore < 0) {
        QVERIFY(qAbs(plan.length - frames * plan.frameDuration) < 1e-9);
        // The first frame shown at or after the seek is the range's first.
        QVERIFY(plan.head.seek <= plan.start && plan.head.seek > plan.start - plan.frameDuration / 2);
    }
    if (head < 0)
        return;
    QCOMPARE(plan.head.frames, head);
    QCOMPARE(plan.middle.frames, middle);
    QCOMPARE(plan.tail.frames, tail);
    // Should the seek find another keyframe, the copy again drops exactly
    // the packets decoded before this one, from a seek that lands early.
    if (plan.middleByDecode.frames > 0) {
        const QList<SmartCut::Packet> packets = SmartCut::parseProbe(probe).packets;
        const double drop = plan.middleByDecode.seek + plan.middleByDecode.dropBefore;
        QVERIFY(drop <= packets.at(plan.copyFirst).dts && (plan.copyFirst == 0 || drop > packets.at(plan.copyFirst - 1).dts));
        QVERIFY(plan.middleByDecode.seek <= std::max(0.001, packets.at(plan.copyFirst).dts - plan.seekMargin));
        QCOMPARE(plan.middleByDecode.frames, middle);
    }
    // The pieces follow one another by how long their frames last.
    QVERIFY(qAbs(plan.head.length + plan.middle.length + plan.tail.length - plan.length) < 0.002);
    if (plan.variableRate)
        return;
    // Matroska aims B-frame seeks 3/23 s early; MP4 and the streams searched by decode times do not.
    static const QRegularExpression unshifted("format_name=([^\n]*(mp4|mpegts)|mpeg\n)");
    QCOMPARE(plan.seekShift, probe.contains(unshifted) ? 0.0 : 3.0 / 23);
    const double keyframe = plan.start + head * plan.frameDuration;
    if (plan.middle.dropBefore >= 0) {
        // Found by decode times: the seek lands early, the drop time falls
        // between the keyframe's decode time and the packet's before it.
        const SmartCut::Probe parsed = SmartCut::parseProbe(probe);
        const double keyDecode = parsed.packets.at(plan.copyFirst).dts - parsed.startTime;
        QVERIFY(plan.middle.seek + plan.middle.dropBefore < keyDecode
                && plan.middle.seek + plan.middle.dropBefore > keyDecode - plan.frameDuration);
        QVERIFY(plan.head.seek + plan.head.dropBefore <= plan.start
                && plan.head.seek + plan.head.dropBefore > plan.start - plan.frameDuration / 2);
        return;
    }
    // A copy starts at the keyframe at or before its seek: this one.
    const double aimed = plan.middle.seek - plan.seekShift;
    QVERIFY(aimed > keyframe && aimed < keyframe + plan.frameDuration / 2);
    const double tailStart = keyframe + middle * plan.frameDuration;
    if (tail > 0 && plan.tail.dropBefore >= 0) {
        // After an anchor frame rather than a keyframe: its frames kept by their times.
        const double kept = plan.tail.seek + plan.tail.dropBefore;
        QVERIFY(!plan.tail.fromKeyframe && kept <= tailStart && kept > tailStart - plan.frameDuration / 2);
    } else if (tail > 0) {
        const double tailAimed = plan.tail.seek - plan.seekShift;
        QVERIFY(plan.tail.fromKeyframe && tailAimed > tailStart - 0.001
                && tailAimed < tailStart + plan.frameDuration / 2);
    }
}

void TestSmartCutPlan::variableLength()
{
    // Varying frames last until the next one; the last as long as the one
    // before it. The sound is cut to this length.
    const QString varying = listing("h264", "25/1", 0, "K0 40 80 100 K140 180 220 260");
    QCOMPARE(SmartCut::planCut(SmartCut::parseProbe(varying), 0.0, 0.26).length, 0.26);
    QCOMPARE(SmartCut::planCut(SmartCut::parseProbe(varying), 0.1, 1.0).length, 0.2);
    QCOMPARE(SmartCut::planCut(SmartCut::parseProbe(varying), 0.1, 1.0).frameDuration, 0.02);
}

void TestSmartCutPlan::droppedTracks_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QStringList>("dropped");

    // Text subtitles change codec to stay; pictures, data and a second
    // picture track go, and are named.
    QTest::newRow("Matroska") << "mkv" << QStringList{"data track 5 (bin_data)", "video track 7 (mjpeg)", "subtitle track 9 (dvb_teletext)"};
    QTest::newRow("MP4") << "mp4"
                         << QStringList{"subtitle track 4 (hdmv_pgs_subtitle)", "data track 5 (bin_data)",
                                        "attachment track 6 (ttf)", "video track 7 (mjpeg)", "subtitle track 8 (dvb_subtitle)",
                                        "subtitle track 9 (dvb_teletext)"};
    // A transport stream holds a broadcast's subtitles, and no others.
    QTest::newRow("transport stream") << "ts"
                                      << QStringList{"subtitle track 3 (subrip)", "subtitle track 4 (hdmv_pgs_subtitle)",
                                                     "data track 5 (bin_data)", "attachment track 6 (ttf)", "video track 7 (mjpeg)"};
}

void TestSmartCutPlan::droppedTracks()
{
    QFETCH(QString, extension);
    QFETCH(QStringList, dropped);
    SmartCut::Probe probe;
    // Listed twice over, as a transport stream's programs list them again.
    const QString listing = QStringLiteral(
        "stream|index=0|codec_name=h264|codec_type=video|has_b_frames=2\n"
        "stream|index=1|codec_name=aac|codec_type=audio|channels=6|channel_layout=6 channels|codec_tag=0x0006|tag:language=eng\n"
        "stream|index=2|codec_name=aac|codec_type=audio|channels=2|channel_layout=stereo|tag:title=Kommentar\n"
        "stream|index=3|codec_name=subrip|codec_type=subtitle\n"
        "stream|index=4|codec_name=hdmv_pgs_subtitle|codec_type=subtitle\n"
        "stream|index=5|codec_name=bin_data|codec_type=data\n"
        "stream|index=6|codec_name=ttf|codec_type=attachment\n"
        "stream|index=7|codec_name=mjpeg|codec_type=video\n"
        "stream|index=8|codec_name=dvb_subtitle|codec_type=subtitle|tag:language=fin\n"
        "stream|index=9|codec_name=dvb_teletext|codec_type=subtitle|tag:language=swe\n");
    // The program's listing comes first, without the tags.
    static const QRegularExpression tags("\\|tag:[^|\\n]*");
    SmartCut::parseTracks(QString(QString(listing).remove(tags) + listing), &probe);
    QCOMPARE(probe.tracks.size(), 10);
    QCOMPARE(probe.tracks.at(1).language, QStringLiteral("eng"));
    QCOMPARE(probe.tracks.at(9).language, QStringLiteral("swe"));
    QCOMPARE(probe.tracks.at(1).codecTag, 0x06);
    QCOMPARE(probe.tracks.at(1).channelLayout, QString());
    QCOMPARE(probe.tracks.at(2).title, QStringLiteral("Kommentar"));
    QCOMPARE(SmartCut::trackTexts(SmartCut::droppedTracks(probe, extension)), dropped);
}

void TestSmartCutPlan::transportStreamOptions_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("codec");   // the source's sound track
    QTest::addColumn<int>("streamType");  // as the prober gives its tag
    QTest::addColumn<QString>("sound");   // the sound's codec options
    QTest::addColumn<QString>("muxer");   // the container's

    const QString nearZero = " -muxdelay 0 -muxpreload 0";
    // DVB's AC-3 is private data with a descriptor; ATSC's, and what the
    // prober names by its registration, keep the muxer's own stream type.
    QTest::newRow("DVB AC-3, 5.1") << "ts" << "ac3" << 0x06 << " -c:a:0 ac3 -b:a:0 480k" << nearZero + " -mpegts_flags system_b";
    QTest::newRow("DVB E-AC-3") << "ts" << "eac3" << 0x06 << " -c:a:0 eac3 -b:a:0 480k" << nearZero + " -mpegts_flags system_b";
    QTest::newRow("ATSC AC-3") << "ts" << "ac3" << 0x81 << " -c:a:0 ac3 -b:a:0 480k" << nearZero;
    QTest::newRow("AC-3 by its registration") << "m2ts" << "ac3" << 0x332d4341 << " -c:a:0 ac3 -b:a:0 480k" << nearZero;
    QTest::newRow("MP2 stays MP2") << "ts" << "mp2" << 0x03 << " -c:a:0 mp2 -b:a:0 576k" << nearZero;
    QTest::newRow("FLAC becomes AAC") << "ts" << "flac" << 0 << " -c:a:0 aac -aac_coder fast -b:a:0 576k" << nearZero;
    QTest::newRow("Matroska: Opus, no muxer options") << "mkv" << "ac3" << 0x06 << " -c:a:0 libopus -b:a:0 480k" << "";
}

void TestSmartCutPlan::transportStreamOptions()
{
    QFETCH(QString, extension);
    QFETCH(QString, codec);
    QFETCH(int, streamType);
    QFETCH(QString, sound);
    QFETCH(QString, muxer);
    SmartCut::Probe probe;
    SmartCut::Track track;
    track.index = 1;
    track.type = QStringLiteral("audio");
    track.codec = codec;
    track.channels = 6;
    track.codecTag = streamType;
    probe.tracks = {track};
    QCOMPARE(SmartCut::audioCodecOptions(0, track.channels, extension, codec), sound);
    QCOMPARE(SmartCut::containerOptions(probe, extension), muxer);
}

void TestSmartCutPlan::copiedPart_data()
{
    QTest::addColumn<int>("shift");  // the copied packets start this many packets later
    QTest::addColumn<int>("grown");  // bytes added to every packet, the keyframes more
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("matches");
    QTest::addColumn<bool>("open");  // MPEG-2 with open groups, its leading B-frames left out
    QTest::addColumn<bool>("leading"); // those B-frames copied all the same

    QTest::newRow("as planned") << 0 << 0 << 8 << true << false << false;
    QTest::newRow("delimiters added") << 0 << 6 << 8 << true << false << false;
    QTest::newRow("another group of pictures") << 4 << 6 << 8 << false << false << false;
    QTest::newRow("a packet short") << 0 << 6 << 7 << false << false << false;
    QTest::newRow("open group, B-frames left out") << 0 << 6 << 10 << true << true << false;
    QTest::newRow("open group, B-frames copied") << 0 << 6 << 10 << false << true << true;
    QTest::newRow("open group, another group") << 6 << 6 << 10 << false << true << false;
}

void TestSmartCutPlan::copiedPart()
{
    QFETCH(int, shift);
    QFETCH(int, grown);
    QFETCH(int, count);
    QFETCH(bool, matches);
    QFETCH(bool, open);
    QFETCH(bool, leading);

    const SmartCut::Probe source = SmartCut::parseProbe(
        open ? listing("mpeg2video", "25/1", 0, "K0 120 40 80 K240 160 200 360 280 320 K480 400 440 600 520 560 K720 640 680 840 760 800")
             : listing("h264", "25/1", 0, "K0 120 40 80 K160 280 200 240 K320 440 360 400 K480 600 520 560", "mp4"));
    const SmartCut::Plan plan = open ? SmartCut::planCut(source, 0.04, 0.6) : SmartCut::planCut(source, 0.16, 0.32);
    QCOMPARE(plan.copyFirst, 4);
    QCOMPARE(plan.middle.dropLeading, open);
    QList<SmartCut::Packet> copied;
    const double keyTime = source.packets.at(plan.copyFirst + shift).pts;
    for (qsizetype i = plan.copyFirst + shift; copied.size() < count && i < source.packets.size(); ++i) {
        SmartCut::Packet packet = source.packets.at(i);
        if (open && !leading && packet.pts < keyTime)
            continue;
        packet.size += packet.key ? grown + 40 : grown;
        copied << packet;
    }
    QCOMPARE(SmartCut::copiedPartMatches(source, plan, copied), matches);
}

void TestSmartCutPlan::colour_data()
{
    QTest::addColumn<QString>("probe");
    QTest::addColumn<QString>("mastering"); // what the reading gives
    QTest::addColumn<QString>("dolbyVision");
    QTest::addColumn<QStringList>("part"); // in a head's options; "!" in front: absent
    QTest::addColumn<QStringList>("whole"); // in the whole range's

    const QString stream = "stream|codec_name=%1|profile=%2|width=1920|height=1080|pix_fmt=%3|level=120|"
                           "r_frame_rate=25/1|%4\n";
    const QString pq = stream.arg("hevc", "Main 10", "yuv420p10le",
                                  "color_range=tv|color_space=bt2020nc|color_transfer=smpte2084|color_primaries=bt2020");
    const QString mastering = "side_data_type=Mastering display metadata|red_x=17/25|red_y=16000/50000|green_x=265/1000|"
                              "green_y=34500/50000|blue_x=3/20|blue_y=3000/50000|white_point_x=15635/50000|"
                              "white_point_y=16450/50000|min_luminance=1/200|max_luminance=1000/1";
    const QString md = "G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)L(10000000,50)";
    const QString light = "side_data|side_data_type=Content light level metadata|max_content=1000|max_average=400\n";
    QTest::newRow("full range by the format, chroma unspecified")
        << stream.arg("h264", "High", "yuvj420p", "color_range=unknown|chroma_location=unspecified") << "" << ""
        << QStringList{"-pix_fmt yuvj420p -color_range pc", "!-chroma_sample_location", " -tune grain -crf 18 -maxrate 1700000 -bufsize 900000"}
        << QStringList{"-c:v libx264 -preset superfast -tune grain -crf 18 -color_range pc"};
    QTest::newRow("BT.601, centred chroma, a rate")
        << "packet|pts_time=0.0|size=5000|flags=K_\npacket|pts_time=0.04|size=5000|flags=__\n"
               + stream.arg("h264", "High", "yuv420p", "color_range=tv|color_space=smpte170m|color_transfer=smpte170m|"
                                                        "color_primaries=smpte170m|chroma_location=center")
        << "" << ""
        << QStringList{"-pix_fmt yuv420p -color_range tv -colorspace smpte170m -color_trc smpte170m -color_primaries "
                       "smpte170m -chroma_sample_location center", "!-x264-params"}
        << QStringList{"-crf 18 -maxrate 1700000 -bufsize 2000000 -color_range tv -colorspace smpte170m"};
    QTest::newRow("PQ, mastering data in the container")
        << pq.chopped(1) + "|side_data|" + mastering + "\n" + light << md << ""
        << QStringList{"-c:v libx265 -preset superfast -crf 15 -maxrate 1700000",
                       ":master-display=" + md + ":max-cll=1000,400 -pix_fmt yuv420p10le", "-color_trc smpte2084"}
        << QStringList{"-x265-params log-level=error:ipratio=1.1:pbratio=1.1:master-display=" + md + ":max-cll=1000,400"};
    QTest::newRow("PQ, mastering data in the first frame")
        << pq + "format|start_time=0\nframe|key_frame=1|side_data|" + mastering + "\n" + light << md << ""
        << QStringList{":master-display=" + md + ":max-cll=1000,400"} << QStringList{":master-display=" + md};
    QTest::newRow("the container's mastering data before the frame's")
        << pq.chopped(1) + "|side_data|" + mastering + "\nframe|key_frame=1|side_data|" + QString(mastering).replace("1000/1", "4000/1")
        << md << "" << QStringList{"L(10000000,50)", "!max-cll"} << QStringList{"L(10000000,50)"};
    QTest::newRow("H.264 HLG with mastering data")
        << stream.arg("h264", "High 10", "yuv420p10le", "color_transfer=arib-std-b67|side_data|" + mastering) + light << md << ""
        << QStringList{"-x264-params mastering-display=" + md + ":cll=1000,400 -pix_fmt yuv420p10le"}
        << QStringList{"-x264-params mastering-display=" + md + ":cll=1000,400", "-color_trc arib-std-b67"};
    QTest::newRow("Dolby Vision 8.1, turned on a line of its own")
        << pq.chopped(1) + "|side_data|side_data_type=DOVI configuration record|dv_version_major=1|dv_profile=8|"
                           "dv_level=6|dv_bl_signal_compatibility_id=1\nside_data|side_data_type=Display Matrix|rotation=-90\n"
        << "" << "profile 8.1" << QStringList{"!master-display"} << QStringList{"!master-display"};
}

void TestSmartCutPlan::colour()
{
    QFETCH(QString, probe);
    QFETCH(QString, mastering);
    QFETCH(QString, dolbyVision);
    QFETCH(QStringList, part);
    QFETCH(QStringList, whole);

    const SmartCut::VideoStream video = SmartCut::parseProbe(probe).video;
    QCOMPARE(video.masteringDisplay, mastering);
    QCOMPARE(video.dolbyVision, dolbyVision);
    QCOMPARE(video.rotation, dolbyVision.isEmpty() ? 0 : -90);
    // A head of ten frames at 1 Mbit/s in a group with a keyframe of 200 kbit.
    SmartCut::Span head{1.0, 10};
    head.bitrate = 1e6;
    head.keyframeBits = 2e5;
    const QString options[] = {SmartCut::partEncodeOptions(video, head, "in.mp4"), SmartCut::matchingVideoCodec(video)};
    const QStringList expected[] = {part, whole};
    for (int i = 0; i < 2; ++i)
        for (const QString &fragment : expected[i])
            QVERIFY2(fragment.startsWith(u'!') ? !options[i].contains(fragment.sliced(1)) : options[i].contains(fragment),
                     qPrintable(fragment + " in " + options[i]));
}

void TestSmartCutPlan::preset_data()
{
    QTest::addColumn<QString>("params");
    QTest::addColumn<bool>("smart");

    // The shipped catalogue: exactly one preset is the smart one.
    QFile file(TestSupport::sourceDir() + QStringLiteral("/format/catalogue/presets.xml"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    static const QRegularExpression block(QStringLiteral("<label>(.*)</label>\\s*<params>(.*)</params>"));
    auto matches = block.globalMatch(QString::fromUtf8(file.readAll()));
    int shipped = 0;
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const bool smart = match.captured(1) == u"Original quality, exact cut (smart)";
        shipped += smart;
        QTest::addRow("shipped: %s", qPrintable(match.captured(1))) << match.captured(2) << smart;
    }
    QCOMPARE(shipped, 1);
    QTest::newRow("with the cut appended") << SmartCut::kPresetParams + " -ss 12.5 -t 30 -y" << true;
    QTest::newRow("spaced out") << "  -map 0:v:0  -map 0:a:0? -c copy " << true;
    QTest::newRow("another option after it") << SmartCut::kPresetParams + " -an" << false;
}

void TestSmartCutPlan::preset()
{
    QFETCH(QString, params);
    QFETCH(bool, smart);
    QCOMPARE(SmartCut::IsSmartCutPreset(params), smart);
}

void TestSmartCutPlan::outputExtension()
{
    // The output keeps MP4, MOV and MKV, anything else becomes MKV.
    QCOMPARE(SmartCut::OutputExtension("/v/a.MP4"), QStringLiteral("mp4"));
    QCOMPARE(SmartCut::OutputExtension("/v/a.m4v"), QStringLiteral("mp4"));
    QCOMPARE(SmartCut::OutputExtension("/v/a.mov"), QStringLiteral("mov"));
    QCOMPARE(SmartCut::OutputExtension("/v/a.Mkv"), QStringLiteral("mkv"));
    QCOMPARE(SmartCut::OutputExtension("/v/a.ts"), QStringLiteral("mkv"));
    QCOMPARE(SmartCut::OutputExtension("/v.mp4/a"), QStringLiteral("mkv"));
}

void TestSmartCutPlan::matrices_data()
{
    QTest::addColumn<int>("intraLines"); // how many of the intra matrix's 64 values the tracing lists
    QTest::addColumn<int>("interLines");
    QTest::addColumn<bool>("twice");     // a second sequence header follows with other values

    QTest::newRow("both") << 64 << 64 << false;
    QTest::newRow("intra only") << 64 << 0 << false;
    QTest::newRow("standard ones") << 0 << 0 << false;
    QTest::newRow("cut short") << 40 << 64 << false;
    QTest::newRow("the first header's") << 64 << 64 << true;
}

void TestSmartCutPlan::matrices()
{
    QFETCH(int, intraLines);
    QFETCH(int, interLines);
    QFETCH(bool, twice);

    // The tracing lists each matrix in the stream's zigzag order: value 100 + k at scan position k.
    QString text = "[mpegts @ 0x1] stream 0\n";
    for (int header = 0; header < (twice ? 2 : 1); ++header) {
        for (int k = 0; k < intraLines; ++k)
            text += QStringLiteral("[trace_headers @ 0x2] %1          intra_quantiser_matrix[%2]       0110 = %3\n")
                        .arg(71 + 8 * k).arg(k).arg(100 + k + header);
        for (int k = 0; k < interLines; ++k)
            text += QStringLiteral("[trace_headers @ 0x2] %1          non_intra_quantiser_matrix[%2]   0110 = %3\n")
                        .arg(584 + 8 * k).arg(k).arg(200 - k - header);
    }
    SmartCut::VideoStream video;
    video.codec = "mpeg2video";
    video.profile = "Main";
    video.pixelFormat = "yuv420p";
    SmartCut::parseMatrices(text, &video);
    QCOMPARE(video.intraMatrix.size(), intraLines == 64 ? 64 : 0);
    QCOMPARE(video.interMatrix.size(), interLines == 64 ? 64 : 0);
    // Raster order: scan positions 2 and 3 are the first column's second and third.
    if (intraLines == 64)
        QCOMPARE((QList<int>{video.intraMatrix.at(0), video.intraMatrix.at(1), video.intraMatrix.at(8), video.intraMatrix.at(16),
                             video.intraMatrix.at(63)}),
                 (QList<int>{100, 101, 102, 103, 163}));
    if (interLines == 64)
        QCOMPARE(video.interMatrix.at(8), 198);
    // The parts take them as they are.
    SmartCut::Span span;
    span.frames = 10;
    const QString options = SmartCut::partEncodeOptions(video, span, "/tmp/a.ts");
    QCOMPARE(options.contains(QLatin1String(" -intra_matrix 100,101,105,106,")), intraLines == 64);
    QCOMPARE(options.contains(QLatin1String(" -inter_matrix 200,199,195,194,")), interLines == 64);
}

void TestSmartCutPlan::frameListing_data()
{
    QTest::addColumn<QString>("listing");
    QTest::addColumn<QString>("expected"); // per packet "dts/pts/size/K or -"; "?" for a missing time

    const QString header = "#extradata 0:       37, 0x99ec08d7\n#software: Lavf59.27.100\n#tb 0: 1/90000\n#media_type 0: video\n";
    QTest::newRow("keyframe, then others with their flags")
        << header + "0,      83280,      90480,     3600,    77209, 0x8f73b166, S=1,        1\n"
                    "0,      86880,     101280,     3600,    33667, 0xe4789054, F=0x0, S=1,        1\n"
                    "0,      90480,      94080,     3600,    20518, 0x3f9a0f49, F=0x0\n"
        << "0.925333/1.00533/77209/K 0.965333/1.12533/33667/- 1.00533/1.04533/20518/-";
    // A packet marked to be discarded is still a keyframe when its key bit is set.
    QTest::newRow("flags beside the key bit") << header + "0, 0, 0, 3600, 10, 0x1, F=0x5\n0, 3600, 3600, 3600, 11, 0x1, F=0x4\n"
                                              << "0/0/10/K 0.04/0.04/11/-";
    QTest::newRow("a time the packet lacks") << header + "0, -9223372036854775808, 3600, 3600, 12, 0x1\n" << "?/0.04/12/K";
    QTest::newRow("Matroska's millisecond base") << QString("#tb 0: 1/1000\n0, -80, 0, 40, 500, 0x1\n") << "-0.08/0/500/K";
    QTest::newRow("other streams are not the picture's")
        << header + "#tb 1: 1/48000\n1, 0, 0, 1024, 300, 0x1\n0, 0, 0, 3600, 10, 0x1\n" << "0/0/10/K";
    QTest::newRow("no time base: no times") << QString("0, 10, 10, 1, 12, 0x1\n") << "?/?/12/K";
    QTest::newRow("nothing listed") << header << "";
}

void TestSmartCutPlan::frameListing()
{
    QFETCH(QString, listing);
    QFETCH(QString, expected);
    QStringList packets;
    const auto time = [](bool has, double seconds) { return has ? QString::number(seconds, 'g', 6) : QStringLiteral("?"); };
    for (const SmartCut::Packet &packet : SmartCut::parseFrameListing(listing))
        packets << time(packet.hasDts, packet.dts) + u'/' + time(packet.hasPts, packet.pts) + u'/' + QString::number(packet.size) + u'/'
                       + (packet.key ? u'K' : u'-');
    QCOMPARE(packets.join(u' '), expected);
}

void TestSmartCutPlan::shownAtStart_data()
{
    QTest::addColumn<QString>("listing"); // the prober's "stream_index,pts_time" lines
    QTest::addColumn<double>("at");       // the range's start, from the file's start
    QTest::addColumn<QString>("shown");   // "index:time" of each track's display set on screen then

    // The file starts at 10 s; 3 is DVB subtitles, 4 teletext, 5 text
    // subtitles with durations of their own, 6 Blu-ray's.
    QTest::newRow("each track's last at or before the start") << "3,11.0,\n4,11.5,\n3,12.0,\n4,13.5,\n3,14.0,\n" << 3.0 << "3:2 4:1.5";
    QTest::newRow("one exactly at the start counts") << "3,11.0,\n3,13.0,\n" << 3.0 << "3:3";
    QTest::newRow("only later ones: nothing shown") << "3,13.5,\n4,14.0,\n" << 3.0 << "";
    QTest::newRow("text subtitles end by themselves") << "5,11.0,\n6,12.0,\n" << 3.0 << "6:2";
    QTest::newRow("times the prober lacks are skipped") << "4,N/A,\n4,11.25,\n4,N/A,\n" << 3.0 << "4:1.25";
    QTest::newRow("streams the file does not list") << "9,11.0,\nfoo\n,\n" << 3.0 << "";
    QTest::newRow("nothing listed") << "" << 3.0 << "";
}

void TestSmartCutPlan::shownAtStart()
{
    QFETCH(QString, listing);
    QFETCH(double, at);
    QFETCH(QString, shown);
    QList<SmartCut::Track> tracks;
    for (const auto &[index, codec] : QList<std::pair<int, QString>>{{3, "dvb_subtitle"}, {4, "dvb_teletext"}, {5, "subrip"},
                                                                    {6, "hdmv_pgs_subtitle"}}) {
        SmartCut::Track track;
        track.index = index;
        track.type = QStringLiteral("subtitle");
        track.codec = codec;
        tracks.append(track);
    }
    QStringList found;
    const QMap<int, double> times = SmartCut::shownAt(listing, tracks, 10.0, at);
    for (auto it = times.begin(); it != times.end(); ++it)
        found << QStringLiteral("%1:%2").arg(it.key()).arg(it.value());
    QCOMPARE(found.join(u' '), shown);
}

QTEST_APPLESS_MAIN(TestSmartCutPlan)
#include "tst_smartcutplan.moc"
