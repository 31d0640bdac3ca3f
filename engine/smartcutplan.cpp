#include "smartcutplan.h"

#include "smartcutoptions.h"

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

// "-ss S" before the input lands on the frame shown at S or after it once
// decoded; a quarter frame early keeps a frame exactly at S despite rounding.
double decodeSeek(double frameTime, double frameDuration)
{
    return std::max(0.0, frameTime - frameDuration / 4);
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

Plan planCut(const Probe &probe, double start, double length)
{
    Plan plan;
    plan.start = std::max(0.0, start);
    plan.length = length;
    const VideoStream &video = probe.video;
    const QList<Packet> &packets = probe.packets;
    const auto unusable = [&plan](Obstacle obstacle) {
        plan.frames = 0;
        plan.frameDuration = 0;
        plan.reason = {obstacle, {}};
        return plan;
    };
    if (packets.isEmpty())
        return unusable(Obstacle::UnreadableTimes);

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
        return unusable(Obstacle::UnreadableTimes);
    plan.frameDuration = duration;
    // Matroska rounds to the millisecond, so a constant rate may wobble by one;
    // a phone's 1/600 time base puts 29.97 frames a second 20 or 21 ticks apart.
    const double tick = video.timeBaseDen > 0 ? 1.0 / video.timeBaseDen : 0.0;
    const double wobble = std::max({0.0011, duration * 0.02, tick * 1.5});

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
                return unusable(Obstacle::UnreadableTimes);
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
        return unusable(Obstacle::EmptyRange);
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
    // Containers with an index, or times a seek can aim by with a margin.
    static const QStringList seekable{"mov", "mp4", "matroska", "mpegts", "mpeg", "avi", "asf"};
    const QStringList formats = probe.formatName.split(u',');
    plan.seekable = std::any_of(formats.begin(), formats.end(), [](const QString &name) { return seekable.contains(name); });

    const auto reEncode = [&plan](Obstacle obstacle, const QString &detail = {}) {
        plan.reason = {obstacle, detail};
        return plan;
    };
    if (!complete)
        return reEncode(Obstacle::MissingTimes);
    // MPEG-2's B-frames are never referred to: an open group's leading ones
    // can be left out of a copy, and a copy may end after any anchor frame.
    const bool mpegVideo = video.codec == u"mpeg2video" || video.codec == u"mpeg1video";
    if (video.codec != u"h264" && video.codec != u"hevc" && !mpegVideo)
        return reEncode(Obstacle::Codec, video.codec);
    if (encoderProfile(video).isEmpty() || !encodablePixelFormat(video))
        return reEncode(Obstacle::ProfileOrFormat, video.profile + QStringLiteral(", ") + video.pixelFormat);
    if (video.width % 2 || video.height % 2)
        return reEncode(Obstacle::OddSize);
    // H.264 and MPEG-2 code their fields in the stream, and the parts are
    // encoded with the source's field order; HEVC's fields are separate pictures.
    if (video.interlaced && video.codec == u"hevc")
        return reEncode(Obstacle::Interlaced);
    // The parts are encoded to reorder exactly as deep as the source (see
    // partEncodeOptions); the encoders' presets reach two frames.
    if (video.reorderDepth > 2)
        return reEncode(Obstacle::DeepReorder);
    // An index finds a keyframe's packet exactly (MP4, MOV, Matroska); in a
    // transport or program stream the copy finds it by its decode time instead.
    const bool transport = formats.contains(u"mpegts") || formats.contains(u"mpeg");
    if (!formats.contains(u"mp4") && !formats.contains(u"mov") && !formats.contains(u"matroska") && !transport)
        return reEncode(Obstacle::Container, probe.formatName);
    if (transport && !std::all_of(packets.begin(), packets.end(), [](const Packet &p) { return p.hasDts; }))
        return reEncode(Obstacle::MissingDecodeTimes);

    // A clean keyframe splits the stream: every frame decoded before it shows
    // before it, every frame decoded after it shows after it.
    std::vector<double> suffixMin(size_t(count) + 1, std::numeric_limits<double>::infinity());
    for (qsizetype i = count - 1; i >= 0; --i)
        suffixMin[size_t(i)] = std::min(suffixMin.at(size_t(i) + 1), packets.at(i).pts);
    // An open group's keyframe only needs nothing decoded before it to show
    // after it; its leading frames are left out of the copy.
    std::vector<bool> clean(size_t(count), false); // by decode index
    std::vector<bool> openStart(size_t(count), false);
    double prefixMax = -std::numeric_limits<double>::infinity();
    for (qsizetype i = 0; i < count; ++i) {
        const double pts = packets.at(i).pts;
        clean[size_t(i)] = packets.at(i).key && prefixMax < pts && suffixMin.at(size_t(i) + 1) > pts;
        openStart[size_t(i)] = mpegVideo && packets.at(i).key && prefixMax < pts;
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
        if (copyFrom < 0 && i <= last && openStart.at(size_t(decodeIndex)))
            copyFrom = i;
        if (!clean.at(size_t(decodeIndex))) {
            openKeyframe = openKeyframe || packets.at(decodeIndex).key;
            continue;
        }
        if (copyFrom < 0 && i <= last)
            copyFrom = i;
        if (copyTo != count)
            copyTo = i;
    }
    qsizetype copyEnd = copyTo < count && copyTo >= 0 ? order.at(size_t(copyTo)) : count; // decode index
    bool dropLeading = false;
    if (mpegVideo && copyFrom >= 0) {
        // The copy ends where everything decoded before shows before
        // everything decoded after: after any anchor frame's B-frames.
        const qsizetype from = order.at(size_t(copyFrom));
        const double keyTime = packets.at(from).pts;
        double shownMax = -std::numeric_limits<double>::infinity();
        qsizetype kept = 0;
        copyTo = -1;
        for (qsizetype end = from + 1; end <= count; ++end) {
            if (packets.at(end - 1).pts >= keyTime) {
                shownMax = std::max(shownMax, packets.at(end - 1).pts);
                ++kept;
            }
            // Here the frames kept are those shown from the keyframe on.
            const qsizetype shownTo = copyFrom + kept;
            if (shownTo > last + 1)
                break;
            if (shownMax < suffixMin.at(size_t(end))) {
                copyTo = shownTo;
                copyEnd = end;
            }
        }
        for (qsizetype i = from + 1; i < copyEnd && copyTo > copyFrom; ++i)
            dropLeading = dropLeading || packets.at(i).pts < keyTime;
    }
    if (copyFrom < 0 || copyTo <= copyFrom)
        return reEncode(openKeyframe ? Obstacle::OpenGops : Obstacle::NoKeyframe);

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
    plan.copyEnd = copyEnd;
    // How long frames [from, to) last: up to the next frame's time, the
    // file's last frame as long as the gap before it.
    const auto lastingOf = [&](qsizetype from, qsizetype to) {
        const double end = to < count ? shownAt(to)
                                      : shownAt(count - 1) + (plan.variableRate && count > 1 ? shownAt(count - 1) - shownAt(count - 2) : duration);
        return to > from ? end - shownAt(from) : 0.0;
    };
    const auto bitrateOver = [&](qsizetype from, qsizetype to) {
        qint64 bytes = 0;
        for (qsizetype i = from; i < to; ++i)
            bytes += packets.at(order.at(size_t(i))).size;
        const double lasting = lastingOf(from, to);
        return lasting > 0 && bytes > 0 ? bytes * 8.0 / lasting : 0.0;
    };
    plan.head = {decodeSeek(plan.start, duration), int(copyFrom - first)};
    plan.head.bitrate = bitrateOver(first, copyFrom);
    const int tailFrames = int(last + 1 - copyTo);
    // Seeks a whole group early, to copy from a keyframe's decode time on, or
    // to keep the frames from a time on once decoded: wherever a seek lands.
    const double margin = plan.seekMargin + kDemuxerSeekLead;
    const auto early = [&](double time, int frames, double keep) {
        // A seek of at least a millisecond: without one, the encoder
        // counts a copy's start differently and drops the keyframe.
        Span span{std::max(0.001, time - margin), frames};
        span.dropBefore = keep - span.seek;
        return span;
    };
    const bool allDecodeTimes = std::all_of(packets.begin(), packets.end(), [](const Packet &p) { return p.hasDts; });
    const auto copyByDecode = [&]() {
        const double keyDecode = packets.at(plan.copyFirst).dts - probe.startTime;
        const double before = plan.copyFirst > 0 ? packets.at(plan.copyFirst - 1).dts - probe.startTime : keyDecode - duration;
        return early(keyDecode, int(copyTo - copyFrom), (keyDecode + std::min(before, keyDecode - 1e-6)) / 2);
    };
    if (transport) {
        // A transport stream is searched by its times and lands anywhere
        // near: keep the frames from the start by their times.
        plan.head = early(plan.start, plan.head.frames, plan.start - duration / 4);
        plan.head.bitrate = bitrateOver(first, copyFrom);
        plan.middle = copyByDecode();
        plan.tail = tailFrames > 0 ? early(shownAt(copyTo), tailFrames, shownAt(copyTo) - duration / 4) : Span{};
    } else {
        // A copy starts at the keyframe at or before its seek: a quarter frame
        // late lands on this keyframe whatever the rounding. MP4 searches its
        // samples by presentation time, or where a gap or an edit list moves
        // the first frames' decode times away from it (a screen recording's
        // second after its first frame) by decode time from the first
        // sample's: aim at the later of the two.
        const double firstDecode = packets.constFirst().dts;
        const bool byDecode = byPresentation && allDecodeTimes;
        const auto keySeek = [&](qsizetype i) {
            const double byTime = shownAt(i) + duration / 4 + plan.seekShift;
            const qsizetype decodeIndex = order.at(size_t(i));
            if (!byDecode)
                return byTime;
            const double decodeTime = packets.at(decodeIndex).dts - firstDecode - probe.startTime;
            const double nextDecode = decodeIndex + 1 < count ? packets.at(decodeIndex + 1).dts - firstDecode - probe.startTime
                                                              : decodeTime + duration;
            return std::max(byTime, decodeTime + std::min(duration / 4, (nextDecode - decodeTime) / 2));
        };
        plan.middle = {keySeek(copyFrom), int(copyTo - copyFrom)};
        // A tail that starts after an anchor frame rather than on a keyframe
        // keeps its frames by their times.
        const bool tailOnKey = copyTo == count || clean.at(size_t(order.at(size_t(copyTo))));
        plan.tail = !tailOnKey ? early(shownAt(copyTo), tailFrames, shownAt(copyTo) - duration / 4)
                               : Span{tailFrames > 0 ? keySeek(copyTo) : 0.0, tailFrames, true};
        // Should the seek find another keyframe all the same, the copy is
        // made again by decode times.
        if (allDecodeTimes) {
            plan.middleByDecode = copyByDecode();
            // and the tail's seek cannot be trusted either: it keeps its
            // frames by their times from a seek a group early.
            if (tailFrames > 0)
                plan.tailByTime = early(shownAt(copyTo), tailFrames, shownAt(copyTo) - duration / 4);
        }
    }
    plan.tail.bitrate = bitrateOver(copyTo, last + 1);
    // The pieces follow one another by how long they last, so that every
    // frame keeps its own time whatever the gaps between frames.
    plan.head.length = lastingOf(first, copyFrom);
    plan.middle.length = lastingOf(copyFrom, copyTo);
    plan.tail.length = lastingOf(copyTo, last + 1);
    // Each part starts with a keyframe, as the source's group did: the head's
    // with the keyframe before the range, the tail's with its own.
    qsizetype headKey = first;
    while (headKey > 0 && !packets.at(order.at(size_t(headKey))).key)
        --headKey;
    plan.head.keyframeBits = packets.at(order.at(size_t(headKey))).size * 8.0;
    if (tailFrames > 0)
        plan.tail.keyframeBits = packets.at(order.at(size_t(copyTo))).size * 8.0;
    if (plan.tailByTime.frames > 0) {
        plan.tailByTime.bitrate = plan.tail.bitrate;
        plan.tailByTime.length = plan.tail.length;
        plan.tailByTime.keyframeBits = plan.tail.keyframeBits;
    }
    plan.middleByDecode.length = plan.middle.length;
    plan.middle.dropLeading = plan.middleByDecode.dropLeading = dropLeading;
    return plan;
}

bool copiedPartMatches(const Probe &source, const Plan &plan, const QList<Packet> &copied)
{
    const qsizetype count = plan.middle.frames;
    if (copied.size() != count || plan.copyFirst < 0 || plan.copyEnd > source.packets.size())
        return false;
    // The source's packets the copy holds, in decode order.
    QList<const Packet *> kept;
    const double keyTime = source.packets.at(plan.copyFirst).pts;
    for (qsizetype i = plan.copyFirst; i < plan.copyEnd; ++i)
        if (!plan.middle.dropLeading || source.packets.at(i).pts >= keyTime)
            kept.append(&source.packets.at(i));
    if (kept.size() != count)
        return false;
    std::optional<qint64> difference;
    for (qsizetype i = 0; i < count; ++i) {
        const Packet &original = *kept.at(i);
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

QByteArray concatList(const QList<PartFile> &parts)
{
    QByteArray list("ffconcat version 1.0\n");
    for (const PartFile &part : parts) {
        list += "file " + part.name.toUtf8() + '\n';
        list += "duration " + timeText(part.seconds).toLatin1() + '\n';
    }
    return list;
}

} // namespace SmartCut
