#include "smartcutoptions.h"

#include "encodercommand.h"

#include <algorithm>

namespace SmartCut {

namespace {

// Re-encoded video keeps a fixed high quality, its rate capped at 1.7 times
// the source's over the same frames: a part then reaches 40 dB against its
// own source frames on grain and detail too, within half to twice the
// source's bits but for parts of a few frames, whose keyframe dominates. A
// rate target instead (ABR) starts from a guess and left the first frames of
// short or small parts far below 40 dB. Parts hold half a second at the
// source's rate and room for twice the keyframe of the source's group, for
// the keyframe a part starts with; a whole range holds two seconds. The
// encoders keep to the source's level: where the source breaks its level's
// limits, the parts get those limits.
constexpr double kRateCeiling = 1.7;
constexpr double kPartBuffer = 0.5;
constexpr double kRangeBuffer = 2.0;

// Matching a decoded picture is matching its grain. x264's "grain" tuning
// keeps the fine detail its deadzones would drop and gives P- and B-frames
// nearly the keyframe's quality, so that the weakest frame stays near the
// rest: 4 to 6 dB more on the lowest frame of grainy sources for a few bits
// more. x265's own "grain" tuning doubles its time; the frame ratios alone
// do most of it there. x265's quality scale runs lower.
const QString kX264Tuning = QStringLiteral(" -tune grain");
const QString kX265Tuning = QStringLiteral(":ipratio=1.1:pbratio=1.1");
constexpr int kX264Crf = 18;
constexpr int kX265Crf = 15;

// The presets: x264's "veryfast" takes about half the time of "fast" per
// frame at that quality, and x265 is several times slower, so it goes
// further down. A whole range takes x264 further still, to keep up with the
// source's frame rate at 1080p on two cores; x265's "ultrafast" fell under
// 40 dB at any rate.
const QString kX264PartPreset = QStringLiteral("veryfast");
const QString kX264RangePreset = QStringLiteral("superfast");
const QString kX265Preset = QStringLiteral("superfast");

// Every frame keeps its own time, in the source's time base: the encoder's
// default, a tick per nominal frame, moves frames that come off that grid
// and can put two on one tick.
const QString kOwnTimes = QStringLiteral(" -fps_mode passthrough -enc_time_base:v -1");

// The containers whose times may jump, which the encoder times from the
// earliest stream a run uses when it reads them from their start.
bool readsFromEarliest(const Probe &probe)
{
    const QStringList formats = probe.formatName.split(u',');
    return formats.contains(u"mpegts") || formats.contains(u"mpeg");
}

bool isTransportStream(const QString &extension)
{
    return extension == u"ts" || extension == u"m2ts" || extension == u"mts";
}

QString seconds(double value)
{
    return QString::number(std::max(0.0, value), 'f', 6);
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
    if (range.isEmpty() && video.pixelFormat.startsWith(QLatin1String("yuvj")))
        range = QStringLiteral("pc");
    if (!range.isEmpty())
        options += QStringLiteral(" -color_range ") + range;
    if (!video.colorSpace.isEmpty())
        options += QStringLiteral(" -colorspace ") + video.colorSpace;
    if (!video.colorTransfer.isEmpty())
        options += QStringLiteral(" -color_trc ") + video.colorTransfer;
    if (!video.colorPrimaries.isEmpty())
        options += QStringLiteral(" -color_primaries ") + video.colorPrimaries;
    if (!video.chromaLocation.isEmpty())
        options += QStringLiteral(" -chroma_sample_location ") + video.chromaLocation;
    return options;
}

// The HDR mastering display and content light level: x265's parameters,
// each ':'-led, or x264's option; empty when the source has neither.
QString x265HdrParams(const VideoStream &video)
{
    QString params;
    if (!video.masteringDisplay.isEmpty())
        params += QStringLiteral(":master-display=") + video.masteringDisplay;
    if (!video.contentLight.isEmpty())
        params += QStringLiteral(":max-cll=") + video.contentLight;
    return params;
}

QString x264HdrOption(const VideoStream &video)
{
    QStringList params;
    if (!video.masteringDisplay.isEmpty())
        params << QStringLiteral("mastering-display=") + video.masteringDisplay;
    if (!video.contentLight.isEmpty())
        params << QStringLiteral("cll=") + video.contentLight;
    return params.isEmpty() ? QString() : QStringLiteral(" -x264-params ") + params.join(u':');
}

// The encoders take each field's order from the decoded frames; these make
// them code fields at all, as the source does.
QString interlaceOptions(const VideoStream &video)
{
    if (!video.interlaced)
        return {};
    return QStringLiteral(" -flags +ildct+ilme") + (video.codec.startsWith(QLatin1String("mpeg")) ? QStringLiteral(" -alternate_scan 1") : QString());
}

// MPEG-1 and -2 parts: the source's profile, level, chroma and rate, a
// closed first group, and quality near the source's; the sequence header
// then matches the copied one in all a decoder checks.
QString mpegPartOptions(const VideoStream &video, const Span &span)
{
    static const QList<std::pair<QString, int>> profiles{{QStringLiteral("4:2:2"), 0}, {QStringLiteral("High"), 1},
                                                         {QStringLiteral("Main"), 4}, {QStringLiteral("Simple"), 5}};
    QString options = QStringLiteral(" -c:v ") + video.codec;
    if (video.codec == u"mpeg2video") {
        for (const auto &[name, number] : profiles)
            if (video.profile == name)
                options += QStringLiteral(" -profile:v %1").arg(number);
        if (video.level > 0)
            options += QStringLiteral(" -level:v %1").arg(video.level);
    }
    // A fine fixed quantiser, capped by the source's rate: the parts are short.
    options += QStringLiteral(" -q:v 2 -qmin 1 -intra_vlc 1 -bf %1 -g %2 -flags +cgop -sc_threshold 1000000000")
                   .arg(video.reorderDepth > 0 ? 2 : 0)
                   .arg(span.frames + 1);
    // The source's own matrices: its detail weighed as the copied frames weigh it.
    const auto matrix = [](const QList<int> &values) {
        QStringList numbers;
        for (const int value : values)
            numbers << QString::number(value);
        return numbers.join(u',');
    };
    if (video.intraMatrix.size() == 64)
        options += QStringLiteral(" -intra_matrix ") + matrix(video.intraMatrix);
    if (video.interMatrix.size() == 64)
        options += QStringLiteral(" -inter_matrix ") + matrix(video.interMatrix);
    if (span.bitrate > 0)
        options += QStringLiteral(" -maxrate %1 -bufsize %2")
                       .arg(qint64(span.bitrate * kRateCeiling))
                       .arg(qint64(std::max(span.bitrate * kPartBuffer + span.keyframeBits * 2, 1835008.0)));
    return options + interlaceOptions(video);
}

// The quality factor crf, capped by the source's `bitrate` (bits per second;
// uncapped when 0) with a buffer of `buffer` bits.
QString rateOptions(int crf, double bitrate, double buffer)
{
    QString options = QStringLiteral(" -crf %1").arg(crf);
    if (bitrate > 0)
        options += QStringLiteral(" -maxrate %1 -bufsize %2").arg(qint64(bitrate * kRateCeiling)).arg(qint64(buffer));
    return options;
}

// The source's bits per second over the range's frames; 0 without a listing.
double rangeBitrate(const Probe &probe, const Plan &plan)
{
    if (plan.length <= 0)
        return 0;
    const double from = probe.startTime + plan.start - plan.frameDuration / 2;
    const double to = from + plan.length;
    qint64 bytes = 0;
    for (const Packet &packet : probe.packets)
        if (packet.hasPts && packet.pts >= from && packet.pts < to)
            bytes += packet.size;
    return bytes * 8.0 / plan.length;
}

QString aspectFilter(const VideoStream &video)
{
    const QStringList parts = video.sampleAspect.split(u':');
    if (parts.size() != 2 || parts.at(0).toInt() <= 0 || parts.at(1).toInt() <= 0)
        return {};
    return QStringLiteral(" -vf setsar=") + parts.at(0) + u'/' + parts.at(1);
}

// The source as the input, seeking to span.seek, the first video stream
// mapped, and the frames before span.dropBefore left out.
QString sourceInput(const Span &span, const QString &sourcePath)
{
    QString options = QStringLiteral("-ss ") + seekText(span.seek) + QStringLiteral(" -noautorotate -i ")
                      + EncoderCommand::quoteArgument(sourcePath);
    if (span.dropBefore >= 0)
        options += QStringLiteral(" -ss ") + seconds(span.dropBefore);
    return options + QStringLiteral(" -map 0:v:0");
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
    // A transport stream holds a broadcast's own subtitles, and no text.
    if (isTransportStream(extension))
        return track.codec == u"dvb_subtitle" || track.codec == u"dvb_teletext" ? QStringLiteral("copy") : QString();
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
// where the source's sound starts late or ends early, in the container's usual codec.
// Matroska gets Opus, whose encoder delay it records; AAC's would lengthen
// the sound. A track whose channels have no layout gets the usual one.
QString audioTrackOptions(int output, const Track &track, double lead, double length, const QString &extension)
{
    QString filter = soundCutFilter(lead, length);
    const QString layout = layoutFilter(track, extension);
    if (!layout.isEmpty())
        filter += u',' + layout;
    return QStringLiteral(" -filter:a:") + QString::number(output) + u' ' + filter
           + audioCodecOptions(output, track.channels, extension, track.codec);
}

// Where the subtitles shown until replaced come from, when the range starts
// after the file's start: the source once more, opened a while before the
// display set on screen when the range starts, however long before the
// range that began, and timed from the range's start.
struct SubtitleWindow
{
    int input = -1; // none: they come with the other subtitles
    double start = 0;
    QMap<int, double> shownAtStart;
};

// Whether the range needs that window: a track shown until replaced is kept.
bool needsSubtitleWindow(const Probe &probe, const Plan &plan, const QString &extension)
{
    return plan.start > 0 && std::any_of(probe.tracks.begin(), probe.tracks.end(), [&extension](const Track &track) {
               return showsUntilReplaced(track) && !subtitleCodec(track, extension).isEmpty();
           });
}

QString subtitleWindowInput(const Probe &probe, const Plan &plan)
{
    double from = plan.start;
    for (const double shown : plan.shownAtStart)
        from = std::min(from, shown);
    // A second early: a transport stream's seek lands anywhere near.
    const double seek = std::max(0.0, from - 1.0);
    // By the file's own times: read otherwise, teletext moves the input's
    // start, which the other inputs' times count from.
    return QStringLiteral(" -seek_timestamp 1 -ss ") + QString::number(seek + probe.startTime, 'f', 6)
           + QStringLiteral(" -itsoffset -") + seconds(plan.start - seek) + subtitleInputOptions(probe) + QStringLiteral(" -i ")
           + EncoderCommand::quoteArgument(probe.sourcePath);
}

// A windowed track's display sets before the one on screen at the start are
// left out, and that one is shown from the start: shifted so that of them
// it alone is not negative, the negatives dropped, shifted back and held at
// zero. A millisecond's slack covers the shifts' rounding.
QString shownFromStart(const SubtitleWindow &window, int index, const QString &extension)
{
    const double back = window.start - window.shownAtStart.value(index, window.start) + 0.001;
    const QString shift = seconds(back) + u'/' + subtitleTimeUnit(extension);
    return QStringLiteral("setts=ts=PTS+%1,noise=drop=lt(pts\\,0),setts=ts=max(PTS-%1\\,0)").arg(shift);
}

// Every sound, subtitle and attachment track of input `input` that the
// output can hold, the sound cut to the range, and the file's tags and
// chapters from tagsInput, which seeks to the range's start so that the
// chapters are timed from it. Without a track listing, the first sound track.
// Subtitles shown until replaced come from the window's input where it has one.
QString trackOptions(const Probe &probe, int input, int tagsInput, double lead, double length, const QString &extension,
                     const SubtitleWindow &window = {})
{
    const QString from = QString::number(input) + u':';
    // The subtitles from the input that starts at the range, whose times the
    // encoder also ends them by: those of an input that starts earlier would
    // end that much early.
    const QString subtitlesFrom = QString::number(tagsInput) + u':';
    QList<Track> tracks = probe.tracks;
    if (tracks.isEmpty()) {
        Track first;
        first.type = QStringLiteral("audio");
        tracks.append(first);
    }
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
            // Elsewhere the input's seek keeps the subtitles from a little
            // before the range: the cue on screen when the range starts is
            // shown from its start, none before the picture.
            const bool windowed = window.input >= 0 && showsUntilReplaced(track);
            maps += QStringLiteral(" -map ") + (windowed ? QString::number(window.input) + u':' : subtitlesFrom)
                    + QString::number(track.index);
            const QString output = QString::number(subtitles++);
            codecs += QStringLiteral(" -c:s:") + output + u' ' + codec + QStringLiteral(" -bsf:s:") + output + u' '
                      + (windowed ? shownFromStart(window, track.index, extension) : QStringLiteral("setts=ts=max(PTS\\,0)"));
        } else if (track.type == u"attachment" && extension == u"mkv") {
            maps += QStringLiteral(" -map ") + from + QString::number(track.index);
        }
    }
    if (extension == u"mkv" && std::any_of(tracks.begin(), tracks.end(), [](const Track &t) { return t.type == u"attachment"; }))
        codecs += QStringLiteral(" -c:t copy");
    return maps + codecs + QStringLiteral(" -map_metadata ") + QString::number(tagsInput)
           + QStringLiteral(" -map_chapters ") + QString::number(tagsInput);
}

} // namespace

QString layoutFilter(const Track &track, const QString &extension)
{
    // Opus takes more than two channels only in Vorbis's orders: a
    // broadcast's 5.1(side) is moved to them.
    static const QStringList opusLayouts{"3.0", "quad", "5.0", "5.1", "6.1", "7.1"};
    if (extension == u"mkv" && track.channels >= 3 && track.channels <= 8) {
        const QString layout = opusLayouts.at(track.channels - 3);
        return track.channelLayout == layout ? QString() : QStringLiteral("aformat=channel_layouts=") + layout;
    }
    return track.channelLayout.isEmpty() ? EncoderCommand::unknownLayoutFilter(track.channels) : QString();
}

QString soundCutFilter(double lead, double length)
{
    // Sound that starts after the picture (a phone's empty edit) starts with
    // silence, so that it stays in step and lasts as long as the picture.
    QString filter = lead > 0 ? QStringLiteral("asetpts=PTS-%1/TB,").arg(seconds(lead)) : QString();
    return filter + QStringLiteral("aresample=async=1:first_pts=0,atrim=end=%1,apad=whole_dur=%1").arg(seconds(length));
}

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
    } else if (video.codec == u"mpeg2video" || video.codec == u"mpeg1video") {
        // FFmpeg's own encoder writes what it is told; any listed profile goes.
        return video.codec == u"mpeg1video" || !video.profile.isEmpty() ? video.codec : QString();
    }
    return {};
}

bool encodablePixelFormat(const VideoStream &video)
{
    static const QStringList h264{"yuv420p", "yuvj420p", "yuv420p10le", "yuv422p", "yuv422p10le", "yuv444p",
                                  "yuv444p10le"};
    static const QStringList hevc{"yuv420p", "yuvj420p", "yuv420p10le"};
    static const QStringList mpeg{"yuv420p", "yuv422p"};
    if (video.codec.startsWith(QLatin1String("mpeg")))
        return mpeg.contains(video.pixelFormat);
    return (video.codec == u"h264" ? h264 : hevc).contains(video.pixelFormat);
}

QString partEncodeOptions(const VideoStream &video, const Span &span, const QString &sourcePath)
{
    // The source opened here, to keep its pixels unturned (the output
    // carries the rotation) and, for a keyframe, to seek inexactly:
    // exact seeking drops the frames before the seek, which for a seek just
    // past a keyframe would be the keyframe itself.
    QString options = (span.fromKeyframe ? QStringLiteral("-noaccurate_seek ") : QString()) + sourceInput(span, sourcePath)
                      + QStringLiteral(" -an -sn -dn -frames:v %1").arg(span.frames) + aspectFilter(video);
    const bool mpeg = video.codec.startsWith(QLatin1String("mpeg"));
    // MPEG-1 and -2 code only their standard rates, in their own time base.
    options += mpeg ? QStringLiteral(" -fps_mode passthrough") : kOwnTimes;
    // A part of one MPEG-2 frame is written with no decode time, and read
    // back with no start time: the join counts it from zero, so it starts there.
    if (mpeg)
        return options + mpegPartOptions(video, span) + QStringLiteral(" -pix_fmt ") + video.pixelFormat
               + colourOptions(video) + QStringLiteral(" -muxdelay 0 -muxpreload 0 -f mpegts -y");
    const QString profile = encoderProfile(video);
    const QString level = levelText(video);
    const QString rate = rateOptions(video.codec == u"h264" ? kX264Crf : kX265Crf, span.bitrate,
                                     span.bitrate * kPartBuffer + span.keyframeBits * 2);
    // The parts reorder as deeply as the copied middle; otherwise the decode
    // times step back where a part meets it.
    if (video.codec == u"h264") {
        options += QStringLiteral(" -c:v libx264 -preset ") + kX264PartPreset + kX264Tuning + rate
                   + QStringLiteral(" -profile:v ") + profile;
        if (!level.isEmpty())
            options += QStringLiteral(" -level:v ") + level;
        // One keyframe, the first: another would drain the buffer for the rest.
        options += QStringLiteral(" -g %1 -sc_threshold 0").arg(span.frames + 1);
        if (video.reorderDepth < 2 || profile == u"baseline")
            options += QStringLiteral(" -bf %1").arg(profile == u"baseline" ? 0 : video.reorderDepth);
        options += x264HdrOption(video) + interlaceOptions(video);
    } else {
        QString params = QStringLiteral("keyint=%1:min-keyint=1:scenecut=0:open-gop=0:log-level=error").arg(span.frames + 1)
                         + kX265Tuning;
        if (!level.isEmpty())
            params += QStringLiteral(":level-idc=") + level;
        if (video.reorderDepth < 2)
            params += QStringLiteral(":bframes=%1").arg(video.reorderDepth);
        options += QStringLiteral(" -c:v libx265 -preset ") + kX265Preset + rate + QStringLiteral(" -profile:v ")
                   + profile + QStringLiteral(" -x265-params ") + params + x265HdrParams(video);
    }
    // The source's own pixel format, full range ("yuvj") included: any
    // conversion would squeeze the levels or the colours.
    return options + QStringLiteral(" -pix_fmt ") + video.pixelFormat + colourOptions(video)
           + QStringLiteral(" -f mpegts -y");
}

QString middleCopyOptions(const Span &span, const QString &sourcePath, const QString &listingPath)
{
    const QString input = QStringLiteral("-ss ") + seekText(span.seek) + QStringLiteral(" -noautorotate -i ")
                          + EncoderCommand::quoteArgument(sourcePath);
    // An open group's leading B-frames show before its keyframe.
    const QString output = (span.dropBefore >= 0 ? QStringLiteral(" -ss ") + seconds(span.dropBefore) : QString())
                           + QStringLiteral(" -map 0:v:0 -an -sn -dn -c:v copy")
                           + (span.dropLeading ? QStringLiteral(" -bsf:v noise=drop=lt(pts\\,startpts)") : QString())
                           + QStringLiteral(" -frames:v %1").arg(span.frames);
    // The copy's packets listed by the same run: reading the copy again to
    // check it would take about as long as making it.
    const QString listing = listingPath.isEmpty() ? QString()
                                                  : output + QStringLiteral(" -f framecrc -y ") + EncoderCommand::quoteArgument(listingPath);
    return input + listing + output + QStringLiteral(" -f mpegts -y");
}

QList<LeftOutTrack> droppedTracks(const Probe &probe, const QString &extension)
{
    QList<LeftOutTrack> dropped;
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
        dropped.append({{}, track.type, track.index, track.codec});
    }
    return dropped;
}

QString joinOptions(const Plan &plan, const Probe &probe, const QString &listPath, const QString &extension)
{
    const bool windowed = needsSubtitleWindow(probe, plan, extension);
    QString options = QStringLiteral("-ss ") + seekText(plan.start) + QStringLiteral(" -i ")
                      + EncoderCommand::quoteArgument(probe.sourcePath) + QStringLiteral(" -i ")
                      + EncoderCommand::quoteArgument(listPath) + (windowed ? subtitleWindowInput(probe, plan) : QString())
                      + QStringLiteral(" -map 1:v:0")
                      + trackOptions(probe, 0, 0, 0, plan.length, extension,
                                     windowed ? SubtitleWindow{2, plan.start, plan.shownAtStart} : SubtitleWindow{})
                      + QStringLiteral(" -c:v copy") + rotationTag(probe.video, extension);
    // Two frames at one time (a browser's recording) cannot both be shown:
    // the later one moves a tick on, the least the output can tell apart.
    // Only where frames come in the order they show.
    // The filter runs in the output's time base.
    if (probe.video.reorderDepth == 0)
        options += QStringLiteral(" -bsf:v setts=ts=if(lte(PTS\\,PREV_OUTPTS)\\,PREV_OUTPTS+1\\,PTS)");
    if ((extension == u"mp4" || extension == u"mov") && probe.video.timeBaseDen > 0)
        options += QStringLiteral(" -video_track_timescale %1").arg(probe.video.timeBaseDen);
    return options + containerOptions(probe, extension) + QStringLiteral(" -t ") + seconds(plan.length) + QStringLiteral(" -y");
}

QString reEncodeOptions(const Plan &plan, const Probe &probe, const QString &extension)
{
    const VideoStream &video = probe.video;
    const QString source = EncoderCommand::quoteArgument(probe.sourcePath);
    // The source a second time, at the range's start, for its chapters and tags.
    const bool windowed = needsSubtitleWindow(probe, plan, extension);
    const QString tags = QStringLiteral(" -ss ") + seekText(plan.start) + QStringLiteral(" -i ") + source
                         + (windowed ? subtitleWindowInput(probe, plan) : QString());
    const SubtitleWindow window = windowed ? SubtitleWindow{2, plan.start, plan.shownAtStart} : SubtitleWindow{};
    QString options;
    double lead = 0;
    if (plan.frames > 0) {
        // A seek to the start (or in a container that seeks inexactly) may
        // land past it: such a range is decoded from the file's start.
        // From a quarter frame before the first frame, whatever the plan's
        // head aimed at before the copy failed.
        const double keep = std::max(0.0, plan.start - plan.frameDuration / 4);
        const double seek = plan.seekable ? std::max(0.0, keep - plan.seekMargin) : 0.0;
        lead = plan.start - seek;
        // Counted in the filter: "-frames:v" would close the sound with the
        // picture, before sound that the file stores later reaches the muxer.
        options = (seek > 0 || readsFromEarliest(probe) ? QStringLiteral("-ss ") + seekText(seek) + u' ' : QString())
                  + QStringLiteral("-noautorotate -i ") + source + tags
                  + QStringLiteral(" -map 0:v:0") + trackOptions(probe, 0, 1, lead, plan.length, extension, window)
                  + QStringLiteral(" -vf trim=start=") + seconds(keep - seek)
                  + QStringLiteral(",setpts=PTS-STARTPTS,trim=end_frame=") + QString::number(plan.frames)
                  + QStringLiteral(" -t ") + seconds(plan.length);
    } else {
        // Without frame times only the times themselves are left to cut by.
        options = QStringLiteral("-ss ") + seekText(plan.start) + QStringLiteral(" -noautorotate -i ") + source + tags
                  + QStringLiteral(" -map 0:v:0") + trackOptions(probe, 0, 1, 0, plan.length, extension, window)
                  + QStringLiteral(" -t ") + seconds(plan.length);
    }
    // MPEG-1 and -2 code only their standard rates.
    options += video.codec.startsWith(QLatin1String("mpeg")) && video.codec != u"mpeg4" ? QStringLiteral(" -fps_mode passthrough")
                                                                                         : kOwnTimes;
    // The rate the range itself has, where that is known, rather than the file's.
    VideoStream matched = video;
    if (const double rate = rangeBitrate(probe, plan); rate > 0)
        matched.bitrate = rate;
    return options + matchingVideoCodec(matched) + rotationTag(video, extension) + containerOptions(probe, extension)
           + QStringLiteral(" -y");
}

QString matchingVideoCodec(const VideoStream &video)
{
    const bool mpeg = video.codec == u"mpeg2video" || video.codec == u"mpeg1video" || video.codec == u"mpeg4";
    const bool odd = video.width % 2 || video.height % 2;
    // The source's rate suits an encoder of its own codec only: another
    // codec's (VP9's, ProRes's) says little of what H.264 needs.
    const double bitrate = video.codec == u"hevc" || video.codec == u"h264" ? video.bitrate : 0;
    const QString rate = rateOptions(video.codec == u"hevc" ? kX265Crf : kX264Crf, bitrate, bitrate * kRangeBuffer);
    QString options;
    if (video.codec == u"hevc")
        options += QStringLiteral(" -c:v libx265 -preset ") + kX265Preset + rate + QStringLiteral(" -x265-params log-level=error")
                   + kX265Tuning + x265HdrParams(video);
    else if (mpeg)
        options += QStringLiteral(" -c:v ") + video.codec + QStringLiteral(" -q:v 2") + interlaceOptions(video);
    else
        options += QStringLiteral(" -c:v libx264 -preset ") + kX264RangePreset + kX264Tuning + rate + x264HdrOption(video)
                   + interlaceOptions(video);
    // 4:2:0 needs even sides; 4:4:4 keeps an odd frame whole, in its range.
    if (odd && !mpeg)
        options += video.pixelFormat.startsWith(QLatin1String("yuvj")) ? QStringLiteral(" -pix_fmt yuvj444p")
                                                                       : QStringLiteral(" -pix_fmt yuv444p");
    return options + colourOptions(video);
}

QString audioCodecOptions(int output, int channels, const QString &extension, const QString &sourceCodec)
{
    // A transport stream keeps its broadcast's codec, and with it the
    // stream type a receiver expects.
    static const QStringList broadcast{"mp2", "ac3", "eac3", "aac"};
    if (isTransportStream(extension) && broadcast.contains(sourceCodec)) {
        const int kbps = std::max(sourceCodec == u"mp2" ? 192 : 128, (sourceCodec == u"mp2" ? 96 : 80) * channels);
        return QStringLiteral(" -c:a:%1 %2 -b:a:%1 %3k").arg(output).arg(sourceCodec).arg(kbps);
    }
    // The fast coder halves the time of the longest part of the join, and at
    // this bitrate sounds the same; more channels get more bits.
    const int perChannel = extension == u"mkv" ? 80 : 96;
    const int kbps = std::max(extension == u"mkv" ? 160 : 192, perChannel * channels);
    const QString index = QString::number(output);
    return QStringLiteral(" -c:a:") + index
           + (extension == u"mkv" ? QStringLiteral(" libopus") : QStringLiteral(" aac -aac_coder fast"))
           + QStringLiteral(" -b:a:") + index + QStringLiteral(" %1k").arg(kbps);
}

QString subtitleTimeUnit(const QString &extension)
{
    if (extension == u"mkv" || extension == u"mka" || extension == u"webm")
        return QStringLiteral("0.001");
    // A transport stream's 90 kHz, whatever the source's time base.
    return isTransportStream(extension) ? QStringLiteral("(1/90000)") : QStringLiteral("TB");
}

QString containerOptions(const Probe &probe, const QString &extension)
{
    if (!isTransportStream(extension))
        return {};
    // The muxer's usual 1.4 s of delay would start the times there.
    QString options = QStringLiteral(" -muxdelay 0 -muxpreload 0");
    // DVB sends AC-3 and E-AC-3 as private data with a descriptor, ATSC with
    // a stream type of its own; the muxer writes ATSC's unless told.
    if (std::any_of(probe.tracks.begin(), probe.tracks.end(), [](const Track &track) {
            return (track.codec == u"ac3" || track.codec == u"eac3") && track.codecTag == 0x06;
        }))
        options += QStringLiteral(" -mpegts_flags system_b");
    return options;
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

QString seekText(double seconds)
{
    // Read from its very start (or from a seek to it), a transport or
    // program stream is timed by the encoder from the earliest of the
    // streams the run uses, not from the file's start, which every time here
    // counts from: a TS whose teletext or sound leads would start late. A
    // seek a microsecond before the start keeps the file's start.
    return seconds > 0 ? SmartCut::seconds(seconds) : QStringLiteral("-0.000001");
}

} // namespace SmartCut
