#include "smartcutplan.h"

#include "encodercommand.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>
#include <vector>

namespace SmartCut {

namespace {

// Cut times come with millisecond precision, and Matroska rounds its times
// to the millisecond: a frame half a millisecond before a mark still counts.
constexpr double kTimeTolerance = 0.0005;

// How far before its target the encoder's seek aims in a demuxer that seeks
// by decode times, when a stream has B-frames.
constexpr double kDemuxerSeekLead = 3.0 / 23;

// A re-encoded part keeps a high quality, its bitrate capped at 1.6 times the
// source's over the same frames, with a buffer of half a second at that rate
// and room for twice the source's keyframe, for the keyframe a part starts
// with: within half to twice the source's but for parts of a few frames,
// whose keyframe dominates.
constexpr double kPartRateCeiling = 1.6;
constexpr double kPartBuffer = 0.5;

// Every frame keeps its own time, in the source's time base: the encoder's
// default, a tick per nominal frame, moves frames that come off that grid
// and can put two on one tick.
const QString kOwnTimes = QStringLiteral(" -fps_mode passthrough -enc_time_base:v -1");

QString seconds(double value)
{
    return QString::number(std::max(0.0, value), 'f', 6);
}

// "-ss S" before the input lands on the frame shown at S or after it once
// decoded; a quarter frame early keeps a frame exactly at S despite rounding.
double decodeSeek(double frameTime, double frameDuration)
{
    return std::max(0.0, frameTime - frameDuration / 4);
}

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

// The x264 or x265 profile that gives the source's; empty when there is none.
QString encoderProfile(const VideoStream &video)
{
    if (video.codec == u"h264") {
        static const QList<std::pair<QString, QString>> profiles{
            {QStringLiteral("Constrained Baseline"), QStringLiteral("baseline")},
            {QStringLiteral("Baseline"), QStringLiteral("baseline")},
            {QStringLiteral("Main"), QStringLiteral("main")},
            {QStringLiteral("High"), QStringLiteral("high")},
            {QStringLiteral("High 10"), QStringLiteral("high10")},
            {QStringLiteral("High 4:2:2"), QStringLiteral("high422")},
            {QStringLiteral("High 4:4:4 Predictive"), QStringLiteral("high444")}};
        for (const auto &[name, profile] : profiles)
            if (video.profile == name)
                return profile;
    } else if (video.codec == u"hevc") {
        if (video.profile == u"Main")
            return QStringLiteral("main");
        if (video.profile == u"Main 10")
            return QStringLiteral("main10");
    }
    return {};
}

bool encodablePixelFormat(const VideoStream &video)
{
    static const QStringList h264{"yuv420p", "yuvj420p", "yuv420p10le", "yuv422p", "yuv422p10le", "yuv444p",
                                  "yuv444p10le"};
    static const QStringList hevc{"yuv420p", "yuvj420p", "yuv420p10le"};
    return (video.codec == u"h264" ? h264 : hevc).contains(video.pixelFormat);
}

QString levelText(const VideoStream &video)
{
    if (video.codec == u"h264")
        return video.level >= 10 ? QStringLiteral("%1.%2").arg(video.level / 10).arg(video.level % 10) : QString();
    return video.level > 0 ? QString::number(video.level / 30.0, 'f', 1) : QString();
}

// Tags the encoder writes into the stream, so the parts look alike to a player.
QString colourOptions(const VideoStream &video)
{
    QString options;
    QString range = video.colorRange;
    if (range.isEmpty() && video.pixelFormat == u"yuvj420p")
        range = QStringLiteral("pc");
    if (!range.isEmpty())
        options += QStringLiteral(" -color_range ") + range;
    if (!video.colorSpace.isEmpty())
        options += QStringLiteral(" -colorspace ") + video.colorSpace;
    if (!video.colorTransfer.isEmpty())
        options += QStringLiteral(" -color_trc ") + video.colorTransfer;
    if (!video.colorPrimaries.isEmpty())
        options += QStringLiteral(" -color_primaries ") + video.colorPrimaries;
    return options;
}

QString aspectFilter(const VideoStream &video)
{
    const QStringList parts = video.sampleAspect.split(u':');
    if (parts.size() != 2 || parts.at(0).toInt() <= 0 || parts.at(1).toInt() <= 0)
        return {};
    return QStringLiteral(" -vf setsar=") + parts.at(0) + u'/' + parts.at(1);
}

// The source as the second input, seeking to span.seek, the first video
// stream mapped, and the frames before span.dropBefore left out.
QString secondInput(const Span &span, const QString &sourcePath)
{
    QString options = QStringLiteral("-ss ") + seconds(span.seek) + QStringLiteral(" -noautorotate -i ")
                      + EncoderCommand::quoteArgument(sourcePath);
    if (span.dropBefore >= 0)
        options += QStringLiteral(" -ss ") + seconds(span.dropBefore);
    return options + QStringLiteral(" -map 1:v:0");
}

QString rotationTag(const VideoStream &video, const QString &extension)
{
    const int clockwise = ((video.rotation % 360) + 360) % 360;
    if (clockwise == 0 || extension == u"mkv")
        return {};
    return QStringLiteral(" -metadata:s:v:0 rotate=%1").arg(clockwise);
}

// The codec a subtitle track takes in the output: "copy", a text codec the
// container holds instead of its own, or empty when it holds none like it.
QString subtitleCodec(const Track &track, const QString &extension)
{
    static const QStringList text{"subrip", "ass", "ssa", "webvtt", "mov_text", "text"};
    static const QStringList matroskaOwn{"subrip", "ass", "ssa", "webvtt", "dvd_subtitle", "hdmv_pgs_subtitle",
                                         "dvb_subtitle"};
    if (extension == u"mkv")
        return matroskaOwn.contains(track.codec) ? QStringLiteral("copy")
                                                 : text.contains(track.codec) ? QStringLiteral("srt") : QString();
    if (track.codec == u"mov_text")
        return QStringLiteral("copy");
    return text.contains(track.codec) ? QStringLiteral("mov_text") : QString();
}

// One sound track of the range: exactly length seconds, padded with silence
// where the source's sound ends early, in the container's usual codec.
// Matroska gets Opus, whose encoder delay it records; AAC's would lengthen
// the sound. A track whose channels have no layout gets the usual one.
QString audioTrackOptions(int output, const Track &track, double lead, double length, const QString &extension)
{
    QString filter = lead > 0 ? QStringLiteral("atrim=start=%1,asetpts=PTS-STARTPTS,").arg(seconds(lead)) : QString();
    filter += QStringLiteral("atrim=end=%1,apad=whole_dur=%1").arg(seconds(length));
    const QString layout = track.channelLayout.isEmpty() ? EncoderCommand::unknownLayoutFilter(track.channels) : QString();
    if (!layout.isEmpty())
        filter += u',' + layout;
    return QStringLiteral(" -filter:a:") + QString::number(output) + u' ' + filter
           + audioCodecOptions(output, track.channels, extension);
}

// Every sound, subtitle and attachment track of input `input` that the
// output can hold, the sound cut to the range, and the file's tags and
// chapters from tagsInput, which seeks to the range's start so that the
// chapters are timed from it. Without a track listing, the first sound track.
QString trackOptions(const Probe &probe, int input, int tagsInput, double lead, double length, const QString &extension)
{
    const QString from = QString::number(input) + u':';
    QList<Track> tracks = probe.tracks;
    if (tracks.isEmpty())
        tracks.append(Track{-1, QStringLiteral("audio"), {}, 0, {}, 0, {}, {}});
    QString maps;
    QString codecs;
    int audio = 0;
    int subtitles = 0;
    for (const Track &track : std::as_const(tracks)) {
        if (track.type == u"audio") {
            maps += QStringLiteral(" -map ") + from + (track.index < 0 ? QStringLiteral("a:0?") : QString::number(track.index));
            codecs += audioTrackOptions(audio++, track, lead, length, extension);
        } else if (track.type == u"subtitle") {
            const QString codec = subtitleCodec(track, extension);
            if (codec.isEmpty())
                continue;
            maps += QStringLiteral(" -map ") + from + QString::number(track.index);
            codecs += QStringLiteral(" -c:s:%1 ").arg(subtitles++) + codec;
        } else if (track.type == u"attachment" && extension == u"mkv") {
            maps += QStringLiteral(" -map ") + from + QString::number(track.index);
        }
    }
    if (extension == u"mkv" && std::any_of(tracks.begin(), tracks.end(), [](const Track &t) { return t.type == u"attachment"; }))
        codecs += QStringLiteral(" -c:t copy");
    return maps + codecs + QStringLiteral(" -map_metadata ") + QString::number(tagsInput)
           + QStringLiteral(" -map_chapters ") + QString::number(tagsInput);
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

bool IsSmartCutPreset(const QString &params)
{
    QStringList words = params.split(u' ', Qt::SkipEmptyParts);
    // What the window appends to a preset's options: the cut and the overwrite.
    while (!words.isEmpty()) {
        if (words.last() == u"-y") {
            words.removeLast();
        } else if (words.size() >= 2 && (words.at(words.size() - 2) == u"-ss" || words.at(words.size() - 2) == u"-t")) {
            words.resize(words.size() - 2);
        } else {
            break;
        }
    }
    return words == kPresetParams.split(u' ');
}

QString OutputExtension(const QString &sourcePath)
{
    const QString suffix = QFileInfo(sourcePath).suffix().toLower();
    if (suffix == u"mp4" || suffix == u"m4v")
        return QStringLiteral("mp4");
    if (suffix == u"mov" || suffix == u"mkv")
        return suffix;
    return QStringLiteral("mkv");
}

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

Plan planCut(const Probe &probe, double start, double length)
{
    Plan plan;
    plan.start = std::max(0.0, start);
    plan.length = length;
    const VideoStream &video = probe.video;
    const QList<Packet> &packets = probe.packets;
    const auto unusable = [&plan](const char *reason) {
        plan.frames = 0;
        plan.frameDuration = 0;
        plan.reason = QString::fromLatin1(reason);
        return plan;
    };
    if (packets.isEmpty())
        return unusable("the frame times could not be read");

    // Presentation order: order[i] is the decode index of the i-th frame shown.
    const qsizetype count = packets.size();
    const bool complete = std::all_of(packets.begin(), packets.end(), [](const Packet &p) { return p.hasPts; });
    std::vector<qsizetype> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&packets](qsizetype l, qsizetype r) {
        return packets.at(l).hasPts && (!packets.at(r).hasPts || packets.at(l).pts < packets.at(r).pts);
    });
    double duration = video.frameRate > 0 ? 1.0 / video.frameRate : 0;
    const qsizetype known = std::count_if(packets.begin(), packets.end(), [](const Packet &p) { return p.hasPts; });
    if (duration <= 0 && complete && count > 1)
        duration = (packets.at(order.back()).pts - packets.at(order.front()).pts) / double(count - 1);
    if (duration <= 0 || known == 0)
        return unusable("the frame times could not be read");
    plan.frameDuration = duration;
    // Matroska rounds to the millisecond, so a constant rate may wobble by one.
    const double wobble = std::max(0.0011, duration * 0.02);

    std::vector<double> shown(static_cast<size_t>(count));
    if (complete) {
        for (qsizetype i = 0; i < count; ++i)
            shown[size_t(i)] = packets.at(order.at(size_t(i))).pts - probe.startTime;
    } else {
        // Program streams leave out some times. At a constant rate the frames
        // still sit on a grid, and the missing ones fill its free places.
        const double origin = packets.at(order.front()).pts;
        std::vector<bool> taken(size_t(count), false);
        for (qsizetype i = 0; i < known; ++i) {
            const double offset = packets.at(order.at(size_t(i))).pts - origin;
            const long long slot = std::llround(offset / duration);
            if (slot >= count || std::abs(offset - slot * duration) > wobble || taken.at(size_t(slot)))
                return unusable("the frame times could not be read");
            taken[size_t(slot)] = true;
        }
        for (qsizetype i = 0; i < count; ++i)
            shown[size_t(i)] = origin + i * duration - probe.startTime;
    }
    const auto shownAt = [&shown](qsizetype i) { return shown.at(size_t(i)); };

    std::optional<double> lastKey; // keyframes come in time order here
    double longestGroup = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype decodeIndex = order.at(size_t(i));
        if (!packets.at(decodeIndex).key || !packets.at(decodeIndex).hasPts)
            continue;
        const double time = packets.at(decodeIndex).pts;
        if (lastKey)
            longestGroup = std::max(longestGroup, time - *lastKey);
        lastKey = time;
    }
    plan.seekMargin = (longestGroup > 0 ? longestGroup : 10.0) + 1.0;

    // Frames that come at varying times keep them: the range's length is
    // their own span, and a seek may aim only a quarter of the shortest gap early.
    double shortestGap = duration;
    for (qsizetype i = 1; i < count && complete; ++i) {
        const double gap = shownAt(i) - shownAt(i - 1);
        if (std::abs(gap - duration) > wobble)
            plan.variableRate = true;
        if (gap > 0)
            shortestGap = std::min(shortestGap, gap);
    }
    if (plan.variableRate)
        duration = shortestGap;

    // The frames of the range, in presentation order: [first, last].
    qsizetype first = 0;
    while (first < count && shownAt(first) < start - kTimeTolerance)
        ++first;
    qsizetype last = first - 1;
    while (last + 1 < count && shownAt(last + 1) < start + length - kTimeTolerance)
        ++last;
    if (last < first)
        return unusable("the range holds no frame");
    plan.frames = int(last - first + 1);
    plan.start = shownAt(first);
    plan.frameDuration = duration;
    plan.length = plan.frames * duration;
    if (plan.variableRate) {
        // The last frame lasts until the next one, or as long as the one before it.
        const double lastEnds = last + 1 < count ? shownAt(last + 1)
                                                 : shownAt(last) + (last > 0 ? shownAt(last) - shownAt(last - 1) : duration);
        plan.length = lastEnds - plan.start;
    }
    plan.head = {decodeSeek(plan.start, duration), plan.frames};

    const auto reEncode = [&plan](const QString &reason) {
        plan.reason = reason;
        return plan;
    };
    if (!complete)
        return reEncode(QStringLiteral("some frame times are missing"));
    if (video.codec != u"h264" && video.codec != u"hevc")
        return reEncode(QStringLiteral("its codec (%1) is not H.264 or HEVC").arg(video.codec));
    if (encoderProfile(video).isEmpty() || !encodablePixelFormat(video))
        return reEncode(QStringLiteral("its profile or pixel format (%1, %2) cannot be matched")
                            .arg(video.profile, video.pixelFormat));
    if (video.width % 2 || video.height % 2)
        return reEncode(QStringLiteral("its frame size is odd"));
    if (video.interlaced)
        return reEncode(QStringLiteral("it is interlaced"));
    // The parts are encoded to reorder exactly as deep as the source (see
    // partEncodeOptions); the encoders' presets reach two frames.
    if (video.reorderDepth > 2)
        return reEncode(QStringLiteral("it reorders frames deeper than the encoder can match"));
    if (plan.variableRate)
        return reEncode(QStringLiteral("its frame rate varies"));
    // An index finds a keyframe's packet exactly (MP4, MOV, Matroska); in a
    // transport stream the copy finds it by its decode time instead.
    const QStringList formats = probe.formatName.split(u',');
    const bool transport = formats.contains(u"mpegts");
    if (!formats.contains(u"mp4") && !formats.contains(u"mov") && !formats.contains(u"matroska") && !transport)
        return reEncode(QStringLiteral("its container (%1) cannot be searched exactly").arg(probe.formatName));
    if (transport && !std::all_of(packets.begin(), packets.end(), [](const Packet &p) { return p.hasDts; }))
        return reEncode(QStringLiteral("some decode times are missing"));

    // A clean keyframe splits the stream: every frame decoded before it shows
    // before it, every frame decoded after it shows after it.
    std::vector<double> suffixMin(size_t(count) + 1, std::numeric_limits<double>::infinity());
    for (qsizetype i = count - 1; i >= 0; --i)
        suffixMin[size_t(i)] = std::min(suffixMin.at(size_t(i) + 1), packets.at(i).pts);
    std::vector<bool> clean(size_t(count), false); // by decode index
    double prefixMax = -std::numeric_limits<double>::infinity();
    for (qsizetype i = 0; i < count; ++i) {
        const double pts = packets.at(i).pts;
        clean[size_t(i)] = packets.at(i).key && prefixMax < pts && suffixMin.at(size_t(i) + 1) > pts;
        prefixMax = std::max(prefixMax, pts);
    }

    // The copied middle runs from the first clean keyframe at or after the
    // start to the last one (or the file's end) at or before the frame after
    // the range.
    qsizetype copyFrom = -1;
    qsizetype copyTo = last + 1 == count ? count : -1;
    bool openKeyframe = false;
    for (qsizetype i = first; i <= last + 1 && i < count; ++i) {
        const qsizetype decodeIndex = order.at(size_t(i));
        if (!clean.at(size_t(decodeIndex))) {
            openKeyframe = openKeyframe || packets.at(decodeIndex).key;
            continue;
        }
        if (copyFrom < 0 && i <= last)
            copyFrom = i;
        if (copyTo != count)
            copyTo = i;
    }
    if (copyFrom < 0 || copyTo <= copyFrom)
        return reEncode(openKeyframe ? QStringLiteral("it has open GOPs")
                                     : QStringLiteral("no keyframe lies inside the range"));

    // Demuxers other than MP4's aim a seek 3/23 s early when any stream has
    // B-frames, to reach the keyframe by its decode time; a seek to just
    // after a keyframe would land on the one before it.
    int reorder = video.reorderDepth;
    for (const Track &track : probe.tracks)
        reorder = std::max(reorder, track.reorderDepth);
    const bool byPresentation = formats.contains(u"mp4") || formats.contains(u"mov");
    plan.seekShift = !byPresentation && !transport && reorder > 0 ? kDemuxerSeekLead : 0;

    plan.smart = true;
    plan.copyFirst = order.at(size_t(copyFrom));
    const auto bitrateOver = [&](qsizetype from, qsizetype to) {
        qint64 bytes = 0;
        for (qsizetype i = from; i < to; ++i)
            bytes += packets.at(order.at(size_t(i))).size;
        return to > from && bytes > 0 ? bytes * 8.0 / ((to - from) * duration) : 0.0;
    };
    plan.head = {decodeSeek(plan.start, duration), int(copyFrom - first)};
    plan.head.bitrate = bitrateOver(first, copyFrom);
    const int tailFrames = int(last + 1 - copyTo);
    if (transport) {
        // A transport stream is searched by its times and lands anywhere
        // near: seek a whole group early, keep the frames from the start by
        // their times, and copy from the keyframe's decode time on.
        const double margin = plan.seekMargin + kDemuxerSeekLead;
        const auto early = [&](double time, int frames, double keep) {
            // A seek of at least a millisecond: without one, the encoder
            // counts a copy's start differently and drops the keyframe.
            Span span{std::max(0.001, time - margin), frames};
            span.dropBefore = keep - span.seek;
            return span;
        };
        plan.head = early(plan.start, plan.head.frames, plan.start - duration / 4);
        plan.head.bitrate = bitrateOver(first, copyFrom);
        const double keyDecode = packets.at(plan.copyFirst).dts - probe.startTime;
        plan.middle = early(keyDecode, int(copyTo - copyFrom), keyDecode - duration / 2);
        plan.tail = tailFrames > 0 ? early(shownAt(copyTo), tailFrames, shownAt(copyTo) - duration / 4) : Span{};
    } else {
        // A copy starts at the keyframe at or before its seek: a quarter frame
        // late lands on this keyframe whatever the rounding.
        plan.middle = {shownAt(copyFrom) + duration / 4 + plan.seekShift, int(copyTo - copyFrom)};
        plan.tail = {tailFrames > 0 ? shownAt(copyTo) + duration / 4 + plan.seekShift : 0.0, tailFrames, true};
    }
    plan.tail.bitrate = bitrateOver(copyTo, last + 1);
    // Each part starts with a keyframe, as the source's group did: the head's
    // with the keyframe before the range, the tail's with its own.
    qsizetype headKey = first;
    while (headKey > 0 && !packets.at(order.at(size_t(headKey))).key)
        --headKey;
    plan.head.keyframeBits = packets.at(order.at(size_t(headKey))).size * 8.0;
    if (tailFrames > 0)
        plan.tail.keyframeBits = packets.at(order.at(size_t(copyTo))).size * 8.0;
    return plan;
}

QString partEncodeOptions(const VideoStream &video, const Span &span, const QString &sourcePath)
{
    // The source again as a second input, to keep its pixels unturned (the
    // output carries the rotation) and, for a keyframe, to seek inexactly:
    // exact seeking drops the frames before the seek, which for a seek just
    // past a keyframe would be the keyframe itself.
    QString options = (span.fromKeyframe ? QStringLiteral("-noaccurate_seek ") : QString()) + secondInput(span, sourcePath)
                      + QStringLiteral(" -an -sn -dn -frames:v %1").arg(span.frames) + kOwnTimes
                      + aspectFilter(video);
    const QString profile = encoderProfile(video);
    const QString level = levelText(video);
    const QString pixelFormat = video.pixelFormat == u"yuvj420p" ? QStringLiteral("yuv420p") : video.pixelFormat;
    // A high quality, but no burst of bitrate against the source's own over
    // these frames; uncapped where that is unknown.
    const QString rate = span.bitrate > 0 ? QStringLiteral(" -maxrate %1 -bufsize %2")
                                                .arg(qint64(span.bitrate * kPartRateCeiling))
                                                .arg(qint64(span.bitrate * kPartBuffer + span.keyframeBits * 2))
                                          : QString();
    // The parts reorder as deeply as the copied middle; otherwise the decode
    // times step back where a part meets it.
    if (video.codec == u"h264") {
        options += QStringLiteral(" -c:v libx264 -preset fast -crf 17") + rate
                   + QStringLiteral(" -profile:v ") + profile;
        if (!level.isEmpty())
            options += QStringLiteral(" -level:v ") + level;
        options += QStringLiteral(" -g %1").arg(span.frames + 1);
        if (video.reorderDepth < 2 || profile == u"baseline")
            options += QStringLiteral(" -bf %1").arg(profile == u"baseline" ? 0 : video.reorderDepth);
    } else {
        QString params = QStringLiteral("keyint=%1:min-keyint=1:open-gop=0:log-level=error").arg(span.frames + 1);
        if (!level.isEmpty())
            params += QStringLiteral(":level-idc=") + level;
        if (video.reorderDepth < 2)
            params += QStringLiteral(":bframes=%1").arg(video.reorderDepth);
        options += QStringLiteral(" -c:v libx265 -preset fast -crf 20") + rate
                   + QStringLiteral(" -profile:v ") + profile + QStringLiteral(" -x265-params ") + params;
    }
    return options + QStringLiteral(" -pix_fmt ") + pixelFormat + colourOptions(video)
           + QStringLiteral(" -f mpegts -y");
}

QString middleCopyOptions(const Span &span, const QString &sourcePath)
{
    // A lone seek goes before the source's own input (a copy always moves it
    // there); with a drop time, both stay with a second input.
    const QString input = span.dropBefore >= 0 ? secondInput(span, sourcePath)
                                               : QStringLiteral("-ss ") + seconds(span.seek)
                                                     + QStringLiteral(" -map 0:v:0");
    return input + QStringLiteral(" -an -sn -dn -c:v copy -frames:v %1 -f mpegts -y").arg(span.frames);
}

bool copiedPartMatches(const Probe &source, const Plan &plan, const QList<Packet> &copied)
{
    const qsizetype count = plan.middle.frames;
    if (copied.size() != count || plan.copyFirst < 0 || plan.copyFirst + count > source.packets.size())
        return false;
    std::optional<qint64> difference;
    for (qsizetype i = 0; i < count; ++i) {
        const Packet &original = source.packets.at(plan.copyFirst + i);
        if (original.key != copied.at(i).key)
            return false;
        // A keyframe may gain the parameter sets; the stream's last packet
        // may lose a trailing byte.
        if (original.key || i == count - 1)
            continue;
        const qint64 grown = copied.at(i).size - original.size;
        if (difference.value_or(grown) != grown)
            return false;
        difference = grown;
    }
    return true;
}

QByteArray concatList(const QList<PartFile> &parts, double frameDuration)
{
    QByteArray list("ffconcat version 1.0\n");
    for (const PartFile &part : parts) {
        list += "file " + part.name.toUtf8() + '\n';
        list += "duration " + seconds(part.frames * frameDuration).toLatin1() + '\n';
    }
    return list;
}

QStringList droppedTracks(const Probe &probe, const QString &extension)
{
    QStringList dropped;
    bool firstVideo = true;
    for (const Track &track : probe.tracks) {
        const bool video = track.type == u"video";
        if (video && firstVideo) {
            firstVideo = false;
            continue;
        }
        if (track.type == u"audio" || (track.type == u"subtitle" && !subtitleCodec(track, extension).isEmpty())
            || (track.type == u"attachment" && extension == u"mkv"))
            continue;
        dropped << QStringLiteral("%1 track %2 (%3)").arg(track.type).arg(track.index).arg(track.codec);
    }
    return dropped;
}

QString joinOptions(const Plan &plan, const Probe &probe, const QString &listPath, const QString &extension)
{
    QString options = QStringLiteral("-ss ") + seconds(plan.start) + QStringLiteral(" -i ")
                      + EncoderCommand::quoteArgument(listPath)
                      + QStringLiteral(" -map 1:v:0") + trackOptions(probe, 0, 0, 0, plan.length, extension)
                      + QStringLiteral(" -c:v copy") + rotationTag(probe.video, extension);
    if ((extension == u"mp4" || extension == u"mov") && probe.video.timeBaseDen > 0)
        options += QStringLiteral(" -video_track_timescale %1").arg(probe.video.timeBaseDen);
    return options + QStringLiteral(" -t ") + seconds(plan.length) + QStringLiteral(" -y");
}

QString reEncodeOptions(const Plan &plan, const Probe &probe, const QString &extension)
{
    const VideoStream &video = probe.video;
    const QString source = EncoderCommand::quoteArgument(probe.sourcePath);
    // The source once more, at the range's start, for its chapters and tags.
    const QString tags = QStringLiteral(" -ss ") + seconds(plan.start) + QStringLiteral(" -i ") + source;
    QString options;
    double lead = 0;
    if (plan.frames > 0) {
        const double seek = std::max(0.0, plan.head.seek - plan.seekMargin);
        lead = plan.start - seek;
        // Counted in the filter: "-frames:v" would close the sound with the
        // picture, before sound that the file stores later reaches the muxer.
        options = QStringLiteral("-ss ") + seconds(seek) + QStringLiteral(" -noautorotate -i ") + source + tags
                  + QStringLiteral(" -map 1:v:0") + trackOptions(probe, 1, 2, lead, plan.length, extension)
                  + QStringLiteral(" -vf trim=start=") + seconds(plan.head.seek - seek)
                  + QStringLiteral(",setpts=PTS-STARTPTS,trim=end_frame=") + QString::number(plan.frames)
                  + QStringLiteral(" -t ") + seconds(plan.length);
    } else {
        // Without frame times only the times themselves are left to cut by.
        options = QStringLiteral("-ss ") + seconds(plan.start) + QStringLiteral(" -noautorotate -i ") + source + tags
                  + QStringLiteral(" -map 1:v:0") + trackOptions(probe, 1, 2, 0, plan.length, extension)
                  + QStringLiteral(" -t ") + seconds(plan.length);
    }
    // MPEG-1 and -2 code only their standard rates.
    options += video.codec.startsWith(QLatin1String("mpeg")) && video.codec != u"mpeg4" ? QStringLiteral(" -fps_mode passthrough")
                                                                                         : kOwnTimes;
    return options + matchingVideoCodec(video) + rotationTag(video, extension) + QStringLiteral(" -y");
}

QString matchingVideoCodec(const VideoStream &video)
{
    const bool mpeg = video.codec == u"mpeg2video" || video.codec == u"mpeg1video" || video.codec == u"mpeg4";
    const bool odd = video.width % 2 || video.height % 2;
    QString options;
    if (video.codec == u"hevc")
        options += QStringLiteral(" -c:v libx265 -preset fast -crf 20 -x265-params log-level=error");
    else if (mpeg)
        options += QStringLiteral(" -c:v ") + video.codec + QStringLiteral(" -q:v 2");
    else
        options += QStringLiteral(" -c:v libx264 -preset fast -crf 17");
    // 4:2:0 needs even sides; 4:4:4 keeps an odd frame whole.
    if (odd && !mpeg)
        options += QStringLiteral(" -pix_fmt yuv444p");
    return options;
}

QString audioCodecOptions(int output, int channels, const QString &extension)
{
    // The fast coder halves the time of the longest part of the join, and at
    // this bitrate sounds the same; more channels get more bits.
    const int perChannel = extension == u"mkv" ? 80 : 96;
    const int kbps = std::max(extension == u"mkv" ? 160 : 192, perChannel * channels);
    const QString index = QString::number(output);
    return QStringLiteral(" -c:a:") + index
           + (extension == u"mkv" ? QStringLiteral(" libopus") : QStringLiteral(" aac -aac_coder fast"))
           + QStringLiteral(" -b:a:") + index + QStringLiteral(" %1k").arg(kbps);
}

QString rotationOption(const VideoStream &video, const QString &extension)
{
    return rotationTag(video, extension);
}

QString subtitleCodecFor(const Track &track, const QString &extension)
{
    return subtitleCodec(track, extension);
}

QString timeText(double seconds)
{
    return SmartCut::seconds(seconds);
}

} // namespace SmartCut
