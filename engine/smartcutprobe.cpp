#include "smartcutprobe.h"

#include "encodercommand.h"

#include <algorithm>

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

} // namespace

QString probeCommandLine(const QString &sProgramDir, const QString &sInputFile)
{
    return EncoderCommand::quoteArgument(EncoderCommand::proberPath(sProgramDir))
           + QStringLiteral(" -v error -select_streams v:0 -show_entries packet=pts_time,dts_time,flags,size"
                            ":stream=codec_name,profile,level,pix_fmt,width,height,sample_aspect_ratio,field_order,"
                            "color_range,color_space,color_transfer,color_primaries,time_base,"
                            "r_frame_rate,avg_frame_rate,has_b_frames:stream_side_data=rotation"
                            ":format=start_time,format_name -of compact ")
           + EncoderCommand::quoteArgument(sInputFile);
}

QString tracksCommandLine(const QString &sProgramDir, const QString &sInputFile)
{
    return EncoderCommand::quoteArgument(EncoderCommand::proberPath(sProgramDir))
           + QStringLiteral(" -v error -show_entries stream=index,codec_type,codec_name,channels,channel_layout,"
                            "has_b_frames:stream_tags=language,title -of compact ")
           + EncoderCommand::quoteArgument(sInputFile);
}

QString partProbeCommandLine(const QString &sProgramDir, const QString &sPartFile)
{
    return EncoderCommand::quoteArgument(EncoderCommand::proberPath(sProgramDir))
           + QStringLiteral(" -v error -select_streams v:0 -show_entries packet=pts_time,dts_time,flags,size -of compact ")
           + EncoderCommand::quoteArgument(sPartFile);
}

Probe parseProbe(QStringView text)
{
    Probe probe;
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
            video.rotation = value(QLatin1String("rotation")).toInt();
            const QStringView fields = value(QLatin1String("field_order"));
            video.interlaced = !fields.isEmpty() && fields != u"progressive" && fields != u"unknown";
            const QStringView timeBase = value(QLatin1String("time_base"));
            if (timeBase.startsWith(QLatin1String("1/")))
                video.timeBaseDen = timeBase.sliced(2).toInt();
        } else if (section == u"format") {
            probe.startTime = value(QLatin1String("start_time")).toDouble();
            probe.formatName = value(QLatin1String("format_name")).toString();
        }
    }
    return probe;
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
        // A transport stream lists its streams once more under each program.
        if (std::none_of(probe->tracks.begin(), probe->tracks.end(), [&track](const Track &t) { return t.index == track.index; }))
            probe->tracks.append(track);
    }
}

} // namespace SmartCut
