#include "smartcutprobe.h"

#include "encodercommand.h"

#include <QFile>

#include <algorithm>
#include <limits>
#include <utility>

namespace SmartCut {

namespace {

double parseRate(QStringView text)
{
    const qsizetype slash = text.indexOf(u'/');
    if (slash < 0)
        return text.toDouble();
    const double den = text.sliced(slash + 1).toDouble();
    return den > 0 ? text.first(slash).toDouble() / den : 0;
}

QString knownOrEmpty(QStringView value)
{
    return value == u"unknown" || value == u"N/A" || value == u"reserved" ? QString() : value.toString();
}

// The value of "key=value" among a compact listing line's fields; empty when absent.
QStringView fieldValue(const QList<QStringView> &fields, QLatin1String key)
{
    for (QStringView field : fields)
        if (field.startsWith(key) && field.size() > key.size() && field.at(key.size()) == u'=')
            return field.sliced(key.size() + 1);
    return {};
}

// A rational "34000/50000" in units of 1/scale, rounded; -1 when absent.
qint64 inUnits(QStringView rational, double scale)
{
    const qsizetype slash = rational.indexOf(u'/');
    bool numOk = false;
    bool denOk = false;
    const double num = rational.first(slash < 0 ? rational.size() : slash).toDouble(&numOk);
    const double den = slash < 0 ? 1.0 : rational.sliced(slash + 1).toDouble(&denOk);
    if (!numOk || (slash >= 0 && !denOk) || den <= 0 || num < 0)
        return -1;
    return qRound64(num * scale / den);
}

// What a side data entry says of the stream: its rotation, its HDR mastering
// data, its Dolby Vision configuration. The stream's own entries come first;
// a frame's only fill what they left empty.
void readSideData(const QList<QStringView> &fields, VideoStream *video, bool fromFrame)
{
    const auto value = [&fields](QLatin1String key) { return fieldValue(fields, key); };
    const QStringView rotation = value(QLatin1String("rotation"));
    if (!fromFrame && !rotation.isEmpty())
        video->rotation = rotation.toInt();
    QList<qint64> display;
    for (const char *key : {"green_x", "green_y", "blue_x", "blue_y", "red_x", "red_y", "white_point_x", "white_point_y"})
        display << inUnits(value(QLatin1String(key)), 50000);
    display << inUnits(value(QLatin1String("max_luminance")), 10000) << inUnits(value(QLatin1String("min_luminance")), 10000);
    if (video->masteringDisplay.isEmpty() && std::none_of(display.begin(), display.end(), [](qint64 v) { return v < 0; }))
        video->masteringDisplay = QStringLiteral("G(%1,%2)B(%3,%4)R(%5,%6)WP(%7,%8)L(%9,%10)")
                                      .arg(display.at(0)).arg(display.at(1)).arg(display.at(2)).arg(display.at(3))
                                      .arg(display.at(4)).arg(display.at(5)).arg(display.at(6)).arg(display.at(7))
                                      .arg(display.at(8)).arg(display.at(9));
    const QStringView maxContent = value(QLatin1String("max_content"));
    const QStringView maxAverage = value(QLatin1String("max_average"));
    if (video->contentLight.isEmpty() && !maxContent.isEmpty() && !maxAverage.isEmpty()
        && (maxContent.toInt() > 0 || maxAverage.toInt() > 0))
        video->contentLight = maxContent.toString() + u',' + maxAverage.toString();
    const QStringView profile = value(QLatin1String("dv_profile"));
    if (video->dolbyVision.isEmpty() && !profile.isEmpty()) {
        const int compatibility = value(QLatin1String("dv_bl_signal_compatibility_id")).toInt();
        video->dolbyVision = QStringLiteral("profile ") + profile.toString()
                             + (compatibility > 0 ? QStringLiteral(".%1").arg(compatibility) : QString());
    }
}

// The stream's description, side data, the file's start and format, for the
// probe commands.
QString streamEntries()
{
    return QStringLiteral("stream=index,codec_name,profile,level,pix_fmt,width,height,sample_aspect_ratio,field_order,"
                          "color_range,color_space,color_transfer,color_primaries,time_base,"
                          "chroma_location,r_frame_rate,avg_frame_rate,has_b_frames:stream_side_data"
                          ":format=start_time,format_name");
}

} // namespace

QString probeCommandLine(const QString &sProgramDir, const QString &sInputFile)
{
    return EncoderCommand::quoteArgument(EncoderCommand::proberPath(sProgramDir))
           + QStringLiteral(" -v error -select_streams v:0 -show_entries packet=pts_time,dts_time,flags,size:")
           + streamEntries() + QStringLiteral(" -of compact ") + EncoderCommand::quoteArgument(sInputFile);
}

QString streamsCommandLine(const QString &sProgramDir, const QString &sInputFile)
{
    return EncoderCommand::quoteArgument(EncoderCommand::proberPath(sProgramDir))
           + QStringLiteral(" -v error -show_entries stream=index,codec_type,codec_name,profile,level,pix_fmt,width,height,"
                            "sample_aspect_ratio,field_order,color_range,color_space,color_transfer,color_primaries,"
                            "time_base,chroma_location,r_frame_rate,avg_frame_rate,has_b_frames,channels,"
                            "channel_layout,sample_rate,start_time,codec_tag,id:stream_tags=language,title:stream_side_data"
                            ":format=start_time,format_name -of compact ")
           + EncoderCommand::quoteArgument(sInputFile);
}

QString firstVideoStream(QStringView streamsListing)
{
    QString lines;
    bool video = false;
    for (QStringView line : streamsListing.tokenize(u'\n')) {
        line = line.trimmed();
        // A transport stream lists its streams once more under each program,
        // as "program|stream|...": the plain lines are the ones to take.
        const bool first = !video && line.startsWith(QLatin1String("stream|")) && line.contains(QLatin1String("|codec_type=video"));
        if (first || line.startsWith(QLatin1String("format|"))) {
            lines += line + u'\n';
            video = video || first;
        }
    }
    return lines;
}

QString firstFrameCommandLine(const QString &sProgramDir, const QString &sInputFile)
{
    return EncoderCommand::quoteArgument(EncoderCommand::proberPath(sProgramDir))
           + QStringLiteral(" -v error -select_streams v:0 -read_intervals %+#1 -show_entries frame=key_frame:frame_side_data"
                            " -of compact ")
           + EncoderCommand::quoteArgument(sInputFile);
}

QString tracksCommandLine(const QString &sProgramDir, const QString &sInputFile)
{
    return EncoderCommand::quoteArgument(EncoderCommand::proberPath(sProgramDir))
           + QStringLiteral(" -v error -show_entries stream=index,codec_type,codec_name,channels,channel_layout,"
                            "has_b_frames,profile,sample_rate,start_time,codec_tag,id:stream_tags=language,title -of compact ")
           + EncoderCommand::quoteArgument(sInputFile);
}

QString matrixCommandLine(const QString &sProgramDir, const QString &sInputFile)
{
    return EncoderCommand::quoteArgument(EncoderCommand::encoderPath(sProgramDir)) + QStringLiteral(" -hide_banner -i ")
           + EncoderCommand::quoteArgument(sInputFile)
           + QStringLiteral(" -map 0:v:0 -frames:v 1 -c copy -bsf:v trace_headers -f null -");
}

void parseMatrices(QStringView text, VideoStream *video)
{
    // The stream sends a matrix in zigzag order; the encoder takes it in raster order.
    static constexpr int kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                        12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                        35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                        58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
    QList<int> intra(64, 0);
    QList<int> inter(64, 0);
    int intraRead = 0;
    int interRead = 0;
    for (QStringView line : text.tokenize(u'\n')) {
        const qsizetype name = line.indexOf(QLatin1String("intra_quantiser_matrix["));
        const qsizetype equals = line.lastIndexOf(QLatin1String("= "));
        if (name < 0 || equals < 0)
            continue;
        const bool nonIntra = name >= 4 && line.sliced(name - 4, 4) == u"non_";
        const qsizetype open = name + 23;
        const qsizetype close = line.indexOf(u']', open);
        bool indexOk = false;
        bool valueOk = false;
        const int index = close > open ? line.sliced(open, close - open).toInt(&indexOk) : -1;
        const int value = line.sliced(equals + 2).trimmed().toInt(&valueOk);
        if (!indexOk || !valueOk || index < 0 || index >= 64 || value < 1 || value > 255)
            continue;
        // The first sequence header's, once.
        int &read = nonIntra ? interRead : intraRead;
        if (read != index)
            continue;
        (nonIntra ? inter : intra)[kZigzag[index]] = value;
        ++read;
    }
    if (intraRead == 64)
        video->intraMatrix = intra;
    if (interRead == 64)
        video->interMatrix = inter;
}

QString partProbeCommandLine(const QString &sProgramDir, const QString &sPartFile)
{
    return EncoderCommand::quoteArgument(EncoderCommand::proberPath(sProgramDir))
           + QStringLiteral(" -v error -select_streams v:0 -show_entries packet=pts_time,dts_time,flags,size -of compact ")
           + EncoderCommand::quoteArgument(sPartFile);
}

QList<Packet> parseFrameListing(QStringView text)
{
    QList<Packet> packets;
    double timeBase = 0;
    for (QStringView line : text.tokenize(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(u"#tb 0:")) {
            const QList<QStringView> ratio = line.sliced(6).trimmed().split(u'/');
            if (ratio.size() == 2 && ratio.at(1).toDouble() > 0)
                timeBase = ratio.at(0).toDouble() / ratio.at(1).toDouble();
            continue;
        }
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        // "stream, dts, pts, duration, size, crc[, F=0xflags][, S=n, ...]"
        const QList<QStringView> fields = line.split(u',');
        if (fields.size() < 6 || fields.at(0).trimmed() != u"0")
            continue;
        Packet packet;
        bool dtsOk = false, ptsOk = false, sizeOk = false;
        const qint64 dts = fields.at(1).trimmed().toLongLong(&dtsOk);
        const qint64 pts = fields.at(2).trimmed().toLongLong(&ptsOk);
        packet.size = fields.at(4).trimmed().toLongLong(&sizeOk);
        if (!sizeOk)
            continue;
        // A time the packet lacks is written as the least 64-bit number.
        packet.hasDts = dtsOk && timeBase > 0 && dts != std::numeric_limits<qint64>::min();
        packet.hasPts = ptsOk && timeBase > 0 && pts != std::numeric_limits<qint64>::min();
        packet.dts = packet.hasDts ? dts * timeBase : -1;
        packet.pts = packet.hasPts ? pts * timeBase : -1;
        // The flags are listed only when they are not the keyframe's alone.
        packet.key = true;
        for (qsizetype f = 6; f < fields.size(); ++f) {
            const QStringView field = fields.at(f).trimmed();
            if (field.startsWith(u"F=0x"))
                packet.key = (field.sliced(4).toUInt(nullptr, 16) & 1) != 0;
        }
        packets.append(packet);
    }
    return packets;
}

Probe parseProbe(QStringView text)
{
    Probe probe;
    // Side data comes inline with its stream or frame, then a line each.
    bool inFrame = false;
    for (QStringView line : text.tokenize(u'\n')) {
        line = line.trimmed();
        const QList<QStringView> fields = line.split(u'|');
        if (fields.size() < 2)
            continue;
        const QStringView section = fields.first();
        const auto value = [&fields](QLatin1String key) { return fieldValue(fields, key); };
        if (section == u"packet") {
            Packet packet;
            bool ok = false;
            packet.pts = value(QLatin1String("pts_time")).toDouble(&ok);
            packet.hasPts = ok;
            packet.dts = value(QLatin1String("dts_time")).toDouble(&ok);
            packet.hasDts = ok;
            packet.size = value(QLatin1String("size")).toLongLong();
            packet.key = value(QLatin1String("flags")).startsWith(u'K');
            probe.packets.append(packet);
        } else if (section == u"stream") {
            VideoStream &video = probe.video;
            bool indexed = false;
            video.index = value(QLatin1String("index")).toInt(&indexed);
            if (!indexed)
                video.index = -1;
            video.codec = value(QLatin1String("codec_name")).toString();
            video.profile = value(QLatin1String("profile")).toString();
            video.pixelFormat = value(QLatin1String("pix_fmt")).toString();
            video.width = value(QLatin1String("width")).toInt();
            video.height = value(QLatin1String("height")).toInt();
            video.level = value(QLatin1String("level")).toInt();
            video.reorderDepth = value(QLatin1String("has_b_frames")).toInt();
            const QStringView aspect = value(QLatin1String("sample_aspect_ratio"));
            video.sampleAspect = aspect == u"0:1" ? QString() : knownOrEmpty(aspect);
            video.colorRange = knownOrEmpty(value(QLatin1String("color_range")));
            video.colorSpace = knownOrEmpty(value(QLatin1String("color_space")));
            video.colorTransfer = knownOrEmpty(value(QLatin1String("color_transfer")));
            video.colorPrimaries = knownOrEmpty(value(QLatin1String("color_primaries")));
            video.frameRate = parseRate(value(QLatin1String("r_frame_rate")));
            video.chromaLocation = knownOrEmpty(value(QLatin1String("chroma_location")));
            if (video.chromaLocation == u"unspecified")
                video.chromaLocation.clear();
            readSideData(fields, &video, false);
            inFrame = false;
            const QStringView fields = value(QLatin1String("field_order"));
            video.interlaced = !fields.isEmpty() && fields != u"progressive" && fields != u"unknown";
            video.fieldOrder = video.interlaced ? fields.toString() : QString();
            const QStringView timeBase = value(QLatin1String("time_base"));
            if (timeBase.startsWith(QLatin1String("1/")))
                video.timeBaseDen = timeBase.sliced(2).toInt();
        } else if (section == u"frame") {
            inFrame = true;
            readSideData(fields, &probe.video, true);
        } else if (section == u"side_data") {
            readSideData(fields, &probe.video, inFrame);
        } else if (section == u"format") {
            probe.startTime = value(QLatin1String("start_time")).toDouble();
            probe.formatName = value(QLatin1String("format_name")).toString();
        }
    }
    QList<Packet> packets = std::exchange(probe.packets, {});
    setPackets(&probe, std::move(packets));
    return probe;
}

void setPackets(Probe *probe, QList<Packet> packets)
{
    probe->packets = std::move(packets);
    // A recording that starts inside a group of pictures begins with packets
    // that refer to pictures it lacks: no decoder shows them, so they are no
    // frames to count, cut or join. The file's start stays as it is: the
    // encoder counts every time from it.
    const auto firstKey = std::find_if(probe->packets.cbegin(), probe->packets.cend(), [](const Packet &p) { return p.key; });
    if (firstKey != probe->packets.cend())
        probe->packets.remove(0, firstKey - probe->packets.cbegin());
    // The average over the packets' span, one frame longer than first to last.
    double first = std::numeric_limits<double>::infinity();
    double last = -first;
    qint64 bytes = 0;
    for (const Packet &packet : std::as_const(probe->packets)) {
        bytes += packet.size;
        if (packet.hasPts) {
            first = std::min(first, packet.pts);
            last = std::max(last, packet.pts);
        }
    }
    const double seconds = last - first + (probe->video.frameRate > 0 ? 1 / probe->video.frameRate : 0);
    probe->video.bitrate = bytes > 0 && last > first && seconds > 0 ? bytes * 8.0 / seconds : 0;
}

bool isHdr(const VideoStream &video)
{
    return video.colorTransfer == u"smpte2084" || video.colorTransfer == u"arib-std-b67";
}

void parseTracks(QStringView text, Probe *probe)
{
    for (QStringView line : text.tokenize(u'\n')) {
        const QList<QStringView> fields = line.trimmed().split(u'|');
        if (fields.size() < 2 || fields.first() != u"stream")
            continue;
        const auto value = [&fields](QLatin1String key) { return fieldValue(fields, key); };
        Track track;
        bool ok = false;
        track.index = value(QLatin1String("index")).toInt(&ok);
        if (!ok)
            continue;
        track.type = value(QLatin1String("codec_type")).toString();
        track.codec = value(QLatin1String("codec_name")).toString();
        track.channels = value(QLatin1String("channels")).toInt();
        // "6 channels" names a count, not a layout.
        const QStringView layout = value(QLatin1String("channel_layout"));
        track.channelLayout = layout.endsWith(QLatin1String(" channels")) ? QString() : knownOrEmpty(layout);
        track.reorderDepth = value(QLatin1String("has_b_frames")).toInt();
        track.language = value(QLatin1String("tag:language")).toString();
        track.title = value(QLatin1String("tag:title")).toString();
        track.profile = knownOrEmpty(value(QLatin1String("profile")));
        track.sampleRate = value(QLatin1String("sample_rate")).toInt();
        bool timed = false;
        const double start = value(QLatin1String("start_time")).toDouble(&timed);
        track.startTime = timed ? start : -1;
        track.codecTag = value(QLatin1String("codec_tag")).toString().toInt(nullptr, 16);
        bool hasPid = false;
        track.pid = value(QLatin1String("id")).toString().toInt(&hasPid, 16);
        if (!hasPid)
            track.pid = -1;
        // A transport stream lists its streams under each program first,
        // without their tags: the later listing holds them.
        const auto known = std::find_if(probe->tracks.begin(), probe->tracks.end(), [&track](const Track &t) { return t.index == track.index; });
        if (known == probe->tracks.end())
            probe->tracks.append(track);
        else
            *known = track;
    }
}

QMap<int, int> transportStreamTypes(QByteArrayView head)
{
    const auto byte = [&head](qsizetype at) { return at < head.size() ? int(quint8(head.at(at))) : -1; };
    // A Blu-ray's packets carry four bytes of time first.
    const int lead = byte(0) == 0x47 && byte(188) == 0x47 ? 0 : byte(4) == 0x47 && byte(196) == 0x47 ? 4 : -1;
    QMap<int, int> types;
    if (lead < 0)
        return types;
    const int size = 188 + lead;
    QList<int> pmts;
    QList<int> seen;
    for (qsizetype at = lead; at + 188 <= head.size() && (pmts.isEmpty() || seen.size() < pmts.size()); at += size) {
        if (byte(at) != 0x47 || !(byte(at + 1) & 0x40)) // a section starts only where a payload does
            continue;
        const int pid = (byte(at + 1) & 0x1f) << 8 | byte(at + 2);
        const bool isPmt = pmts.contains(pid) && !seen.contains(pid);
        if (pid != 0 && !isPmt)
            continue;
        qsizetype payload = at + 4;
        if (byte(at + 3) & 0x20)
            payload += 1 + byte(at + 4);
        const qsizetype section = payload + 1 + byte(payload);
        const qsizetype end = section + 3 + ((byte(section + 1) & 0x0f) << 8 | byte(section + 2)) - 4; // before the CRC
        if (end > at + 188)
            continue; // spread over packets: not read here
        if (pid == 0 && byte(section) == 0x00) {
            for (qsizetype entry = section + 8; entry + 4 <= end; entry += 4)
                if ((byte(entry) << 8 | byte(entry + 1)) != 0) // program 0 names the network table
                    pmts.append((byte(entry + 2) & 0x1f) << 8 | byte(entry + 3));
        } else if (isPmt && byte(section) == 0x02) {
            seen.append(pid);
            qsizetype entry = section + 12 + ((byte(section + 10) & 0x0f) << 8 | byte(section + 11));
            while (entry + 5 <= end) {
                types.insert((byte(entry + 1) & 0x1f) << 8 | byte(entry + 2), byte(entry));
                entry += 5 + ((byte(entry + 3) & 0x0f) << 8 | byte(entry + 4));
            }
        }
    }
    return types;
}

void readStreamTypes(const QString &path, Probe *probe)
{
    QFile file(path);
    if (std::none_of(probe->tracks.begin(), probe->tracks.end(), [](const Track &track) { return track.pid >= 0; })
        || !file.open(QIODevice::ReadOnly))
        return;
    const QMap<int, int> types = transportStreamTypes(file.read(1 << 20));
    for (Track &track : probe->tracks)
        if (types.contains(track.pid))
            track.codecTag = types.value(track.pid);
}

bool showsUntilReplaced(const Track &track)
{
    return track.type == u"subtitle"
           && (track.codec == u"dvb_subtitle" || track.codec == u"dvb_teletext" || track.codec == u"hdmv_pgs_subtitle");
}

QString subtitleInputOptions(const Probe &probe)
{
    return probe.formatName.split(u',').contains(u"mpegts") ? QStringLiteral(" -fix_teletext_pts 0") : QString();
}

QString subtitlePacketsCommandLine(const QString &sProgramDir, const Probe &probe, double from, double to)
{
    return EncoderCommand::quoteArgument(EncoderCommand::proberPath(sProgramDir)) + QStringLiteral(" -v error")
           + subtitleInputOptions(probe)
           + QStringLiteral(" -read_intervals %1%%2 -select_streams s -show_entries packet=stream_index,pts_time -of csv=p=0 ")
                 .arg(QString::number(from, 'f', 6), QString::number(to, 'f', 6))
           + EncoderCommand::quoteArgument(probe.sourcePath);
}

QMap<int, double> shownAt(QStringView listing, const QList<Track> &tracks, double fileStart, double at)
{
    QMap<int, double> shown;
    for (QStringView line : listing.tokenize(u'\n')) {
        const QList<QStringView> fields = line.trimmed().split(u',');
        bool indexed = false;
        bool timed = false;
        const int index = fields.value(0).toInt(&indexed);
        const double time = fields.value(1).toDouble(&timed) - fileStart;
        if (!indexed || !timed || time > at + 1e-6)
            continue;
        const bool replaced = std::any_of(tracks.begin(), tracks.end(), [index](const Track &track) {
            return track.index == index && showsUntilReplaced(track);
        });
        // The listing comes in file order, which for a track is its own.
        if (replaced && (!shown.contains(index) || shown.value(index) <= time))
            shown.insert(index, time);
    }
    return shown;
}

} // namespace SmartCut
