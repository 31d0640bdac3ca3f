#include "smartcutplan.h"

#include "encodercommand.h"
#include "encodername.h"

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

// The sound of the range: exactly length seconds, padded with silence where
// the source's sound ends early, in the container's usual codec. Matroska
// gets Opus, whose encoder delay it records; AAC's would lengthen the sound.
QString audioOptions(double lead, double length, const QString &extension)
{
    QString filter = lead > 0 ? QStringLiteral("atrim=start=%1,asetpts=PTS-STARTPTS,").arg(seconds(lead)) : QString();
    filter += QStringLiteral("atrim=end=%1,apad=whole_dur=%1").arg(seconds(length));
    return QStringLiteral(" -af ") + filter
           // The fast coder halves the time of the longest part of the join,
           // and at this bitrate sounds the same.
           + (extension == u"mkv" ? QStringLiteral(" -c:a libopus -b:a 160k")
                                  : QStringLiteral(" -c:a aac -aac_coder fast -b:a 192k"));
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

QString proberFileName()
{
    QString name = encoderExecutableName();
    return name.replace(QLatin1String("ffmpeg"), QLatin1String("ffprobe"));
}

QString probeCommandLine(const QString &sProgramDir, const QString &sInputFile)
{
    const QString encoder = EncoderCommand::encoderPath(sProgramDir);
    const QString prober = QDir::toNativeSeparators(
        QFileInfo(QDir::fromNativeSeparators(encoder)).dir().filePath(proberFileName()));
    return EncoderCommand::quoteArgument(prober)
           + QStringLiteral(" -v error -select_streams v:0 -show_entries packet=pts_time,dts_time,flags"
                            ":stream=codec_name,profile,level,pix_fmt,width,height,sample_aspect_ratio,"
                            "color_range,color_space,color_transfer,color_primaries,time_base,"
                            "r_frame_rate,avg_frame_rate,has_b_frames:format=start_time,format_name -of compact ")
           + EncoderCommand::quoteArgument(sInputFile);
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
        auto value = [&fields](QLatin1String key) -> QStringView {
            for (QStringView field : fields)
                if (field.startsWith(key) && field.size() > key.size() && field.at(key.size()) == u'=')
                    return field.sliced(key.size() + 1);
            return {};
        };
        if (section == u"packet") {
            Packet packet;
            bool ok = false;
            packet.pts = value(QLatin1String("pts_time")).toDouble(&ok);
            packet.hasPts = ok;
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
    plan.length = plan.frames * duration;
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
    // The parts are encoded to reorder exactly as deep as the source (see
    // partEncodeOptions); the encoders' presets reach two frames.
    if (video.reorderDepth > 2)
        return reEncode(QStringLiteral("it reorders frames deeper than the encoder can match"));
    for (qsizetype i = 1; i < count; ++i)
        if (std::abs(shownAt(i) - shownAt(i - 1) - duration) > wobble)
            return reEncode(QStringLiteral("its frame rate varies"));
    // Only an index finds a keyframe's packet exactly; program and transport
    // streams are searched by their times, and a copy could start elsewhere.
    const QStringList formats = probe.formatName.split(u',');
    if (!formats.contains(u"mp4") && !formats.contains(u"mov") && !formats.contains(u"matroska"))
        return reEncode(QStringLiteral("its container (%1) cannot be searched exactly").arg(probe.formatName));

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

    plan.smart = true;
    plan.head = {decodeSeek(plan.start, duration), int(copyFrom - first)};
    // A copy starts at the keyframe at or before its seek: a quarter frame
    // late lands on this keyframe whatever the rounding.
    plan.middle = {shownAt(copyFrom) + duration / 4, int(copyTo - copyFrom)};
    const int tailFrames = int(last + 1 - copyTo);
    plan.tail = {tailFrames > 0 ? shownAt(copyTo) + duration / 4 : 0.0, tailFrames, true};
    return plan;
}

QString partEncodeOptions(const VideoStream &video, const Span &span, const QString &sourcePath)
{
    // Exact seeking drops the frames before the seek, which for a seek just
    // past a keyframe would be the keyframe itself.
    QString options = QStringLiteral("-ss ") + seconds(span.seek);
    if (span.fromKeyframe)
        options = QStringLiteral("-noaccurate_seek ") + options + QStringLiteral(" -i ")
                  + EncoderCommand::quoteArgument(sourcePath) + QStringLiteral(" -map 1:v:0");
    else
        options += QStringLiteral(" -map 0:v:0");
    options += QStringLiteral(" -an -sn -dn -frames:v %1 -fps_mode passthrough").arg(span.frames) + aspectFilter(video);
    const QString profile = encoderProfile(video);
    const QString level = levelText(video);
    const QString pixelFormat = video.pixelFormat == u"yuvj420p" ? QStringLiteral("yuv420p") : video.pixelFormat;
    // The parts reorder as deeply as the copied middle; otherwise the decode
    // times step back where a part meets it.
    if (video.codec == u"h264") {
        options += QStringLiteral(" -c:v libx264 -preset veryfast -crf 17 -profile:v ") + profile;
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
        options += QStringLiteral(" -c:v libx265 -preset veryfast -crf 20 -profile:v ") + profile
                   + QStringLiteral(" -x265-params ") + params;
    }
    return options + QStringLiteral(" -pix_fmt ") + pixelFormat + colourOptions(video)
           + QStringLiteral(" -f mpegts -y");
}

QString middleCopyOptions(const Span &span)
{
    return QStringLiteral("-ss ") + seconds(span.seek)
           + QStringLiteral(" -map 0:v:0 -an -sn -dn -c:v copy -frames:v %1 -f mpegts -y").arg(span.frames);
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

QString joinOptions(const Plan &plan, const VideoStream &video, const QString &listPath, const QString &extension)
{
    QString options = QStringLiteral("-ss ") + seconds(plan.start) + QStringLiteral(" -i ")
                      + EncoderCommand::quoteArgument(listPath)
                      + QStringLiteral(" -map 1:v:0 -map 0:a:0? -c:v copy") + audioOptions(0, plan.length, extension);
    if ((extension == u"mp4" || extension == u"mov") && video.timeBaseDen > 0)
        options += QStringLiteral(" -video_track_timescale %1").arg(video.timeBaseDen);
    return options + QStringLiteral(" -y");
}

QString reEncodeOptions(const Plan &plan, const VideoStream &video, const QString &extension)
{
    QString options;
    double lead = 0;
    if (plan.frames > 0) {
        const double seek = std::max(0.0, plan.head.seek - plan.seekMargin);
        lead = plan.start - seek;
        // Counted in the filter: "-frames:v" would close the sound with the
        // picture, before sound that the file stores later reaches the muxer.
        options = QStringLiteral("-ss ") + seconds(seek)
                  + QStringLiteral(" -map 0:v:0 -map 0:a:0? -fps_mode passthrough -vf trim=start=")
                  + seconds(plan.head.seek - seek) + QStringLiteral(",setpts=PTS-STARTPTS,trim=end_frame=")
                  + QString::number(plan.frames);
    } else {
        // Without frame times only the times themselves are left to cut by.
        options = QStringLiteral("-ss ") + seconds(plan.start) + QStringLiteral(" -map 0:v:0 -map 0:a:0? -t ")
                  + seconds(plan.length);
    }
    const bool odd = video.width % 2 || video.height % 2;
    if (video.codec == u"hevc")
        options += QStringLiteral(" -c:v libx265 -preset fast -crf 20 -x265-params log-level=error");
    else if (video.codec == u"mpeg2video" || video.codec == u"mpeg1video" || video.codec == u"mpeg4")
        options += QStringLiteral(" -c:v ") + video.codec + QStringLiteral(" -q:v 2");
    else
        options += QStringLiteral(" -c:v libx264 -preset fast -crf 17");
    // 4:2:0 needs even sides; 4:4:4 keeps an odd frame whole.
    if (odd && video.codec != u"mpeg2video" && video.codec != u"mpeg1video" && video.codec != u"mpeg4")
        options += QStringLiteral(" -pix_fmt yuv444p");
    return options + audioOptions(lead, plan.length, extension) + QStringLiteral(" -y");
}

} // namespace SmartCut
