#include "joinplan.h"

#include "encodercommand.h"
#include "smartcutoptions.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace Join {

namespace {

using SmartCut::timeText;
using SmartCut::seekText;

QList<const SmartCut::Track *> audioTracks(const SmartCut::Probe &probe)
{
    QList<const SmartCut::Track *> tracks;
    for (const SmartCut::Track &track : probe.tracks)
        if (track.type == u"audio")
            tracks.append(&track);
    return tracks;
}

// The picture's size as a player shows it, turned by its rotation.
std::pair<int, int> shownSize(const SmartCut::VideoStream &video)
{
    const int quarter = ((video.rotation % 360) + 360) % 360;
    return quarter == 90 || quarter == 270 ? std::pair{video.height, video.width} : std::pair{video.width, video.height};
}

QString describe(const SmartCut::VideoStream &video)
{
    return QStringLiteral("%1 %2 %3x%4 %5 fps").arg(video.codec, video.profile).arg(video.width).arg(video.height)
        .arg(video.frameRate, 0, 'f', 3);
}

bool sameCoding(const SmartCut::VideoStream &a, const SmartCut::VideoStream &b)
{
    return a.codec == b.codec && a.profile == b.profile && a.pixelFormat == b.pixelFormat && a.width == b.width
           && a.height == b.height && a.sampleAspect == b.sampleAspect && a.level == b.level
           && a.reorderDepth == b.reorderDepth && a.rotation == b.rotation && a.colorRange == b.colorRange
           && a.colorSpace == b.colorSpace && a.colorTransfer == b.colorTransfer
           && a.colorPrimaries == b.colorPrimaries && std::abs(a.frameRate - b.frameRate) < 1e-6;
}

// The sound of part k (input k + 1), track t: exactly the part's length from
// lead on, silence where the source has no such track or its sound ends early.
QString soundChain(const Part &part, int input, qsizetype track, double lead, const QString &label,
                   const QString &extension)
{
    const double length = part.plan.length;
    const QList<const SmartCut::Track *> tracks = audioTracks(*part.probe);
    if (track >= tracks.size())
        return QStringLiteral("anullsrc=r=48000:cl=stereo,atrim=end=%1[%2]").arg(timeText(length), label);
    QString chain = QStringLiteral("[%1:a:%2]").arg(input).arg(track) + SmartCut::soundCutFilter(lead, length);
    const QString layout = SmartCut::layoutFilter(*tracks.at(track), extension);
    if (!layout.isEmpty())
        chain += u',' + layout;
    return chain + u'[' + label + u']';
}

// Why the part encoder cannot match the source's coding, as the plan of the
// whole file tells; empty when it can.
SmartCut::Reason uncopyableReason(const SmartCut::Probe &probe)
{
    const SmartCut::Plan whole = SmartCut::planCut(probe, 0, std::numeric_limits<double>::max());
    return whole.smart ? SmartCut::Reason{} : whole.reason;
}

// How long a span of a plan lasts: its frames' own times. Every length the
// join lists comes from here.
double pieceSeconds(const SmartCut::Plan &plan, const SmartCut::Span &span)
{
    return span.length > 0 ? span.length : span.frames * plan.frameDuration;
}

// Where a part's frames are kept from: a quarter frame before its first
// frame, as a head's seek aims, so that rounding keeps that frame and no
// earlier one.
double keptFrom(const SmartCut::Plan &plan)
{
    return plan.start - plan.frameDuration / 4;
}

// The input seek of a part's source in the one-run join, a margin early
// since not every container seeks exactly; the frames are then trimmed by
// their times. Counted from the part's first frame: a plan's own seeks may
// aim elsewhere (a transport stream's head a group early).
double filterSeek(const SmartCut::Plan &plan)
{
    return plan.frames > 0 ? std::max(0.0, keptFrom(plan) - plan.seekMargin) : plan.start;
}

// The presentation times of a listing's frames, in order; those without one
// left out.
QList<double> shownTimes(const QList<SmartCut::Packet> &packets)
{
    QList<double> times;
    for (const SmartCut::Packet &packet : packets)
        if (packet.hasPts)
            times.append(packet.pts);
    std::sort(times.begin(), times.end());
    return times;
}

// The span that re-encodes a whole part with the part encoder, as a plan's
// head is: from its first frame for all its frames, at the source's bitrate
// over them, with room for the keyframe their group starts with.
SmartCut::Span wholeSpan(const Part &part)
{
    const SmartCut::Plan &plan = part.plan;
    const SmartCut::Probe &probe = *part.probe;
    const double keep = keptFrom(plan);
    SmartCut::Span span{std::max(0.0, keep), plan.frames};
    span.length = plan.length;
    if (probe.formatName.split(u',').contains(u"mpegts")) {
        // A transport stream is searched by its times and lands anywhere
        // near: a group early, the frames before the part left out by time.
        // At least a millisecond, as a plan's head there: a seek to 0
        // counts the times from the first frame instead of the file's start.
        span.seek = std::max(0.001, keep - plan.seekMargin);
        span.dropBefore = keep - span.seek;
    }
    // The part's frames and the keyframe before them, in presentation order.
    QList<const SmartCut::Packet *> shown;
    for (const SmartCut::Packet &packet : probe.packets)
        if (packet.hasPts)
            shown.append(&packet);
    std::stable_sort(shown.begin(), shown.end(), [](const auto *a, const auto *b) { return a->pts < b->pts; });
    const auto first = std::find_if(shown.cbegin(), shown.cend(), [&](const SmartCut::Packet *packet) {
        return packet->pts - probe.startTime >= plan.start - plan.frameDuration / 2;
    });
    qint64 bytes = 0;
    for (auto it = first; it != shown.cend() && it - first < plan.frames; ++it)
        bytes += (*it)->size;
    if (bytes > 0 && plan.frames > 0)
        span.bitrate = bytes * 8.0 / pieceSeconds(plan, span);
    if (first != shown.cend()) {
        auto key = first;
        while (key != shown.cbegin() && !(*key)->key)
            --key;
        span.keyframeBits = (*key)->size * 8.0;
    }
    return span;
}

struct PresetOptions
{
    QString videoFilter;
    QString audioFilter;
    bool noVideo = false;
    bool noAudio = false;
    QString rest;
};

// The preset's filters and stream choices taken out of its options: the join
// applies them itself, after the concatenation.
PresetOptions splitPreset(const QString &options)
{
    PresetOptions preset;
    const QList<EncoderCommand::OptionToken> tokens = EncoderCommand::optionTokens(options);
    qsizetype copied = 0;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QString &word = tokens.at(i).text;
        const bool video = word == u"-vf" || word == u"-filter:v";
        const bool audio = word == u"-af" || word == u"-filter:a";
        if (!video && !audio && word != u"-vn" && word != u"-an")
            continue;
        preset.rest += options.mid(copied, tokens.at(i).begin - copied);
        copied = tokens.at(i).end;
        if (word == u"-vn")
            preset.noVideo = true;
        else if (word == u"-an")
            preset.noAudio = true;
        else if (i + 1 < tokens.size()) {
            (video ? preset.videoFilter : preset.audioFilter) = tokens.at(++i).text;
            copied = tokens.at(i).end;
        }
    }
    preset.rest += options.mid(copied);
    preset.rest = preset.rest.simplified();
    return preset;
}

// The subtitle list as the last input, its kept tracks mapped and coded for
// the output.
// Whether the parts are stretches of one source in its own order, as a
// removal leaves them: its subtitles then come from the source itself.
bool inSourceOrder(const QList<Part> &parts)
{
    for (qsizetype k = 1; k < parts.size(); ++k) {
        const SmartCut::Plan &before = parts.at(k - 1).plan;
        if (parts.at(k).probe->sourcePath != parts.first().probe->sourcePath
            || parts.at(k).plan.start < before.start + before.length - before.frameDuration / 2)
            return false;
    }
    return true;
}

// Each subtitle packet's time in the joined output from its time in the
// source: a part's keep their place beside its picture; those of a removed
// stretch come at the next part's start, in order, so that the display set
// on screen when the part starts shows from its start; those after the last
// part go past the output's end.
double removedBeforeLast(const QList<Part> &parts)
{
    return std::max(0.0, parts.last().plan.start - (totalLength(parts) - parts.last().plan.length));
}

QString joinedSubtitleTimes(const QList<Part> &parts, const QString &extension)
{
    const QString unit = SmartCut::subtitleTimeUnit(extension);
    const QString source = QStringLiteral("(PTS*U+%1)").arg(timeText(removedBeforeLast(parts)));
    QString expression = QStringLiteral("1000000");
    double offset = totalLength(parts);
    for (qsizetype k = parts.size() - 1; k >= 0; --k) {
        const SmartCut::Plan &plan = parts.at(k).plan;
        offset -= plan.length;
        expression = QStringLiteral("if(lt(PTS*U\\,%1)\\,max(PTS*U-%2\\,0)+%3\\,%4)")
                         .arg(timeText(plan.start + plan.length), timeText(plan.start), timeText(offset), expression);
    }
    // Those before the shifted input's zero are copied too.
    return QStringLiteral(" -copypriorss:s 1 -bsf:s setts=ts=(") + expression.replace(QStringLiteral("PTS*U"), source).replace(u'U', unit)
           + QStringLiteral(")/") + unit;
}

QString subtitleOptions(const QList<Part> &parts, const QString &extension, const QString &listPath)
{
    const QList<int> kept = keptSubtitles(parts, extension);
    if (listPath.isEmpty() || kept.isEmpty())
        return {};
    const bool direct = inSourceOrder(parts);
    const QString input = QString::number(parts.size() + 1);
    QString options;
    int output = 0;
    for (const SmartCut::Track &track : parts.first().probe->tracks) {
        if (!kept.contains(track.index))
            continue;
        options += QStringLiteral(" -map ") + input + u':' + QString::number(track.index)
                   + QStringLiteral(" -c:s:%1 ").arg(output++) + SmartCut::subtitleCodecFor(track, extension);
    }
    return options + (direct ? joinedSubtitleTimes(parts, extension) : QString());
}

QString subtitleInput(const QList<Part> &parts, const QString &extension, const QString &listPath)
{
    if (listPath.isEmpty() || keptSubtitles(parts, extension).isEmpty())
        return {};
    // Read from its start: the list would lose the display set shown when a
    // part starts, which lies in the stretch before it.
    // Its times as they stand, not counted from its first subtitle, and
    // early by what is removed before the last part: the encoder ends the
    // track by its input's times, which run that far ahead of the output's.
    if (inSourceOrder(parts))
        return QStringLiteral(" -seek_timestamp 1 -ss 0 -itsoffset -")
               + timeText(removedBeforeLast(parts) + parts.first().probe->startTime)
               + SmartCut::subtitleInputOptions(*parts.first().probe) + QStringLiteral(" -i ")
               + EncoderCommand::quoteArgument(parts.first().probe->sourcePath);
    // Its times as they stand: the demuxer's seeks put packets before the
    // first part's start, and the encoder would otherwise shift them all.
    return QStringLiteral(" -seek_timestamp 1 -ss 0 -f concat -safe 0 -i ") + EncoderCommand::quoteArgument(listPath);
}

} // namespace

QList<int> keptSubtitles(const QList<Part> &parts, const QString &extension)
{
    QList<int> kept;
    const QList<SmartCut::Track> &tracks = parts.first().probe->tracks;
    for (const Part &part : parts) {
        const QList<SmartCut::Track> &own = part.probe->tracks;
        const bool same = own.size() == tracks.size()
                          && std::equal(own.begin(), own.end(), tracks.begin(), [](const auto &a, const auto &b) {
                                 return a.type == b.type && a.codec == b.codec;
                             });
        if (!same)
            return {};
    }
    for (const SmartCut::Track &track : tracks)
        if (track.type == u"subtitle" && !SmartCut::subtitleCodecFor(track, extension).isEmpty())
            kept.append(track.index);
    return kept;
}

QByteArray subtitleList(const QList<Part> &parts)
{
    QByteArray list("ffconcat version 1.0\n");
    for (const Part &part : parts) {
        QString path = part.probe->sourcePath;
        // Quoted, a quote as the concat demuxer reads it: closed, escaped, reopened.
        path.replace(u'\'', QStringLiteral("'\\''"));
        list += "file '" + path.toUtf8() + "'\n";
        // The demuxer counts from the source's own time zero.
        const double start = part.plan.start + part.probe->startTime;
        list += "inpoint " + timeText(start).toLatin1() + '\n';
        list += "outpoint " + timeText(start + part.plan.length).toLatin1() + '\n';
        list += "duration " + timeText(part.plan.length).toLatin1() + '\n';
    }
    return list;
}

QList<Range> mergeRanges(QList<Range> ranges)
{
    std::sort(ranges.begin(), ranges.end(), [](const Range &a, const Range &b) { return a.start < b.start; });
    QList<Range> merged;
    for (const Range &range : std::as_const(ranges)) {
        if (range.length <= 0)
            continue;
        if (!merged.isEmpty() && range.start <= merged.last().start + merged.last().length) {
            Range &last = merged.last();
            last.length = std::max(last.start + last.length, range.start + range.length) - last.start;
        } else {
            merged.append(range);
        }
    }
    return merged;
}

QList<Range> keptRanges(const QList<Range> &removals, double end, double minLength)
{
    QList<Range> kept;
    double from = 0;
    const auto keep = [&](double to) {
        if (to - from >= minLength)
            kept.append({from, to - from});
    };
    for (const Range &removal : mergeRanges(removals)) {
        keep(std::min(removal.start, end));
        from = std::max(from, removal.start + removal.length);
    }
    keep(end);
    return kept;
}

double videoEnd(const SmartCut::Probe &probe)
{
    double last = -1;
    for (const SmartCut::Packet &packet : probe.packets)
        if (packet.hasPts)
            last = std::max(last, packet.pts);
    if (last < 0)
        return 0;
    return last - probe.startTime + (probe.video.frameRate > 0 ? 1.0 / probe.video.frameRate : 0.0);
}

SmartCut::Reason copyObstacle(const QList<Part> &parts)
{
    // A part that is not smart for its range alone, in a source whose coding
    // the part encoder matches, is re-encoded whole: the source as one range
    // copies then, its first clean keyframe on.
    QHash<const SmartCut::Probe *, SmartCut::Reason> sourceReasons;
    for (qsizetype k = 0; k < parts.size(); ++k) {
        const Part &part = parts.at(k);
        if (!part.plan.smart) {
            const auto known = sourceReasons.constFind(part.probe);
            const SmartCut::Reason reason = known != sourceReasons.cend()
                                                ? *known
                                                : *sourceReasons.insert(part.probe, uncopyableReason(*part.probe));
            if (!reason.isNone() || part.plan.frames <= 0) {
                const SmartCut::Reason &why = reason.isNone() ? part.plan.reason : reason;
                return {why.obstacle, why.detail, int(k + 1)};
            }
        }
        const SmartCut::VideoStream &first = parts.first().probe->video;
        if (!sameCoding(first, part.probe->video))
            return {SmartCut::Obstacle::OtherCoding,
                    QStringLiteral("%1, against %2").arg(describe(part.probe->video), describe(first)), int(k + 1)};
    }
    return {};
}

QList<Piece> pieces(const QList<Part> &parts)
{
    using Kind = Piece::Kind;
    QList<Piece> list;
    for (int k = 0; k < int(parts.size()); ++k) {
        const SmartCut::Plan &plan = parts.at(k).plan;
        const auto add = [&](Kind kind, const SmartCut::Span &span, const char *name) {
            list.append({k, kind, span, pieceSeconds(plan, span), QStringLiteral("p%1-%2.ts").arg(k).arg(QLatin1String(name))});
        };
        if (!plan.smart) {
            add(Kind::Whole, wholeSpan(parts.at(k)), "whole");
            // Its own span: the frames need not all last a frame duration.
            list.last().seconds = plan.length;
            continue;
        }
        if (plan.head.frames > 0)
            add(Kind::Head, plan.head, "head");
        add(Kind::Middle, plan.middle, "middle");
        if (plan.tail.frames > 0)
            add(Kind::Tail, plan.tail, "tail");
    }
    return list;
}

QByteArray concatList(const QList<Piece> &pieces)
{
    QList<SmartCut::PartFile> files;
    for (const Piece &piece : pieces)
        files.append({piece.name, piece.seconds});
    return SmartCut::concatList(files);
}

namespace {

// How long one frame of a sound track lasts where every frame holds the same
// number of samples and the output holds the codec as it is; 0 otherwise.
double copiedFrameSeconds(const SmartCut::Track &track, const QString &extension)
{
    static const QStringList matroska{"aac", "mp2", "mp3", "ac3", "eac3"};
    static const QStringList mp4{"aac", "mp3", "ac3", "eac3"};
    const bool transport = extension == u"ts" || extension == u"m2ts";
    if (track.sampleRate <= 0 || track.startTime < 0 || !(extension == u"mkv" || transport ? matroska : mp4).contains(track.codec))
        return 0;
    int samples = 0;
    if (track.codec == u"aac")
        samples = track.profile.isEmpty() || track.profile == u"LC" || track.profile == u"Main" ? 1024 : 0; // HE, LD: others
    else if (track.codec == u"mp2")
        samples = 1152;
    else if (track.codec == u"mp3")
        samples = track.sampleRate >= 32000 ? 1152 : 576;
    else
        samples = 1536; // AC-3, and E-AC-3 as broadcasts send it: six blocks a frame
    return double(samples) / track.sampleRate;
}

} // namespace

QList<SoundPiece> soundPieces(const QList<Part> &parts, const QString &extension)
{
    const QList<const SmartCut::Track *> tracks = audioTracks(*parts.first().probe);
    if (tracks.isEmpty())
        return {};
    for (const Part &part : parts) {
        const QList<const SmartCut::Track *> own = audioTracks(*part.probe);
        if (own.size() != tracks.size())
            return {};
        for (qsizetype t = 0; t < tracks.size(); ++t)
            if (own.at(t)->codec != tracks.at(t)->codec || own.at(t)->sampleRate != tracks.at(t)->sampleRate
                || own.at(t)->channels != tracks.at(t)->channels || copiedFrameSeconds(*own.at(t), extension) <= 0)
                return {};
    }
    // A seek lands before its time in any container; the frames before the
    // piece's first are dropped after it.
    constexpr double kSeekMargin = 3.0;
    QList<SoundPiece> pieces;
    for (qsizetype t = 0; t < tracks.size(); ++t) {
        double picture = 0; // where the part starts in the joined picture
        double sound = 0;   // where its sound piece starts: the pieces before it added
        for (qsizetype k = 0; k < parts.size(); ++k) {
            const Part &part = parts.at(k);
            const SmartCut::Track &track = *audioTracks(*part.probe).at(t);
            const double frame = copiedFrameSeconds(track, extension);
            // The source's frames sit on a grid from the track's first.
            const double first = track.startTime - part.probe->startTime;
            const double wanted = part.plan.start + (sound - picture);
            const double index = std::max(0.0, std::round((wanted - first) / frame));
            const double from = first + index * frame;
            picture += part.plan.length;
            // Sound that starts late is re-encoded, the silence filled in;
            // so is sound that ends early, once its copy comes out short.
            const int frames = std::max(1, int(std::lround((picture - sound) / frame)));
            if (wanted < first - frame / 2)
                return {};
            SoundPiece piece;
            piece.part = int(k);
            piece.track = int(t);
            piece.stream = track.index;
            piece.frames = frames;
            piece.seconds = piece.frames * frame;
            piece.seek = std::max(0.0, from - kSeekMargin);
            piece.dropBefore = std::max(0.0, from - frame / 2 - piece.seek);
            piece.name = QStringLiteral("sound-%1-%2.mka").arg(k + 1).arg(t + 1);
            sound += piece.seconds;
            pieces.append(piece);
        }
    }
    return pieces;
}

QString soundCopyOptions(const SoundPiece &piece, const QString &sourcePath)
{
    // The source opened here, with a seek and a drop of its own.
    return QStringLiteral("-ss ") + seekText(piece.seek) + QStringLiteral(" -i ") + EncoderCommand::quoteArgument(sourcePath)
           + QStringLiteral(" -ss ") + timeText(piece.dropBefore)
           + QStringLiteral(" -map 0:%1 -vn -sn -dn -c:a copy -frames:a %2 -f matroska -y").arg(piece.stream).arg(piece.frames);
}

QString soundCountCommandLine(const QString &sProgramDir, const QString &sPieceFile)
{
    return EncoderCommand::quoteArgument(EncoderCommand::proberPath(sProgramDir))
           + QStringLiteral(" -v error -select_streams a:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 ")
           + EncoderCommand::quoteArgument(sPieceFile);
}

QByteArray soundList(const QList<SoundPiece> &pieces, int track)
{
    QList<SmartCut::PartFile> files;
    for (const SoundPiece &piece : pieces)
        if (piece.track == track)
            files.append({piece.name, piece.seconds});
    return SmartCut::concatList(files);
}

QString copyJoinOptions(const QList<Part> &parts, const QString &extension, const QString &subtitleListPath,
                        const QStringList &soundListPaths)
{
    // Each source seeks exactly to its part's first frame; its sound then
    // starts with that frame.
    QString inputs;
    QString graph;
    QString concatInputs;
    const QList<const SmartCut::Track *> tracks = audioTracks(*parts.first().probe);
    const bool soundCopied = !soundListPaths.isEmpty() && soundListPaths.size() == tracks.size();
    for (qsizetype k = 0; k < parts.size(); ++k) {
        // With the sound copied, the sources give only their tags: an input
        // left unbounded would be read through all the same.
        inputs += QStringLiteral(" -ss ") + seekText(parts.at(k).plan.start) + (soundCopied ? QStringLiteral(" -t 1") : QString())
                  + QStringLiteral(" -i ") + EncoderCommand::quoteArgument(parts.at(k).probe->sourcePath);
        for (qsizetype t = 0; t < tracks.size() && !soundCopied; ++t) {
            const QString label = QStringLiteral("ja%1_%2").arg(k).arg(t);
            graph += soundChain(parts.at(k), int(k + 1), t, 0, label, extension) + u';';
            concatInputs += u'[' + label + u']';
        }
    }
    const SmartCut::VideoStream &video = parts.first().probe->video;
    QString maps = QStringLiteral(" -map 0:v:0");
    QString codecs;
    const QString subtitles = subtitleInput(parts, extension, subtitleListPath);
    QString soundInputs;
    if (soundCopied) {
        // Each track's pieces as one more input, after the subtitles'.
        const int firstList = int(parts.size()) + 1 + (subtitles.isEmpty() ? 0 : 1);
        for (qsizetype t = 0; t < tracks.size(); ++t) {
            soundInputs += QStringLiteral(" -f concat -safe 0 -i ") + EncoderCommand::quoteArgument(soundListPaths.at(t));
            maps += QStringLiteral(" -map %1:a:0").arg(firstList + t);
            codecs += QStringLiteral(" -c:a:%1 copy").arg(t);
            // The pieces' own tags do not pass the list.
            for (const auto &[key, value] : {std::pair{QStringLiteral("language"), tracks.at(t)->language},
                                             std::pair{QStringLiteral("title"), tracks.at(t)->title}})
                if (!value.isEmpty())
                    codecs += QStringLiteral(" -metadata:s:a:%1 ").arg(t) + key + u'='
                              + EncoderCommand::quoteArgument(value);
        }
    } else if (!tracks.isEmpty()) {
        graph += concatInputs + QStringLiteral("concat=n=%1:v=0:a=%2").arg(parts.size()).arg(tracks.size());
        for (qsizetype t = 0; t < tracks.size(); ++t) {
            graph += QStringLiteral("[jo%1]").arg(t);
            maps += QStringLiteral(" -map [jo%1]").arg(t);
            codecs += SmartCut::audioCodecOptions(int(t), tracks.at(t)->channels, extension, tracks.at(t)->codec);
            // A filter's output carries no tags.
            if (!tracks.at(t)->language.isEmpty())
                codecs += QStringLiteral(" -metadata:s:a:%1 language=").arg(t) + EncoderCommand::quoteArgument(tracks.at(t)->language);
        }
    }
    // "-c:v:0": the runner would move a lone seek before the list's input
    // for a plain "-c:v copy".
    QString options = inputs + subtitles + soundInputs
                      + (tracks.isEmpty() || soundCopied ? QString() : QStringLiteral(" -filter_complex ") + EncoderCommand::quoteArgument(graph))
                      + maps + QStringLiteral(" -c:v:0 copy") + codecs + subtitleOptions(parts, extension, subtitleListPath)
                      + SmartCut::rotationOption(video, extension) + SmartCut::containerOptions(*parts.first().probe, extension);
    if ((extension == u"mp4" || extension == u"mov") && video.timeBaseDen > 0)
        options += QStringLiteral(" -video_track_timescale %1").arg(video.timeBaseDen);
    return options + QStringLiteral(" -map_metadata 1 -map_chapters -1 -t ") + timeText(totalLength(parts))
           + QStringLiteral(" -y");
}

QString filterJoinOptions(const QList<Part> &parts, const QString &encoderOptions, const QString &extension,
                          const QString &subtitleListPath)
{
    const bool matching = encoderOptions.trimmed().isEmpty();
    const PresetOptions preset = splitPreset(encoderOptions);
    const SmartCut::VideoStream &first = parts.first().probe->video;
    const auto [width, height] = shownSize(first);
    const bool withVideo = !preset.noVideo;
    const QList<const SmartCut::Track *> firstTracks = audioTracks(*parts.first().probe);
    const qsizetype trackCount = preset.noAudio ? 0 : matching ? firstTracks.size() : std::min<qsizetype>(1, firstTracks.size());
    const bool measured = withVideo && trackCount == 0;

    QString inputs;
    QString graph;
    QString concatInputs;
    for (qsizetype k = 0; k < parts.size(); ++k) {
        const Part &part = parts.at(k);
        const int input = int(k + 1);
        const double seek = filterSeek(part.plan);
        inputs += QStringLiteral(" -ss ") + seekText(seek) + QStringLiteral(" -i ")
                  + EncoderCommand::quoteArgument(part.probe->sourcePath);
        if (withVideo) {
            QString chain = QStringLiteral("[%1:v:0]").arg(input);
            if (part.plan.frames > 0)
                chain += QStringLiteral("trim=start=%1,setpts=PTS-STARTPTS,trim=end_frame=%2")
                             .arg(timeText(keptFrom(part.plan) - seek))
                             .arg(part.plan.frames);
            else
                chain += QStringLiteral("setpts=PTS-STARTPTS,trim=duration=%1").arg(timeText(part.plan.length));
            if (shownSize(part.probe->video) != std::pair{width, height} && width > 0 && height > 0)
                chain += QStringLiteral(",scale=%1:%2:force_original_aspect_ratio=decrease,pad=%1:%2:(ow-iw)/2:(oh-ih)/2,setsar=%3")
                             .arg(width)
                             .arg(height)
                             .arg(first.sampleAspect.isEmpty() ? QStringLiteral("1") : QString(first.sampleAspect).replace(u':', u'/'));
            graph += chain + QStringLiteral("[jv%1];").arg(k);
            concatInputs += QStringLiteral("[jv%1]").arg(k);
        }
        for (qsizetype t = 0; t < trackCount; ++t) {
            const QString label = QStringLiteral("ja%1_%2").arg(k).arg(t);
            graph += soundChain(part, input, t, part.plan.start - seek, label, extension) + u';';
            concatInputs += u'[' + label + u']';
        }
        // The concatenation ends a part where its longest track ends, and
        // guesses a picture's end from its frames' mean distance: none for
        // a single frame, which the next part's first frame would then meet.
        // Without sound a silent track, left out after, gives each part its length.
        if (measured) {
            graph += QStringLiteral("anullsrc=r=48000:cl=mono,atrim=end=%1[jl%2];").arg(timeText(part.plan.length)).arg(k);
            concatInputs += QStringLiteral("[jl%1]").arg(k);
        }
    }
    graph += concatInputs
             + QStringLiteral("concat=n=%1:v=%2:a=%3").arg(parts.size()).arg(withVideo ? 1 : 0).arg(measured ? 1 : trackCount);
    if (measured)
        graph += QStringLiteral("[jv][jl];[jl]anullsink");
    // The concatenation's outputs first, then the preset's own chains on them.
    QString maps;
    QString after;
    if (withVideo) {
        if (!measured)
            graph += QStringLiteral("[jv]");
        if (!preset.videoFilter.isEmpty())
            after += QStringLiteral(";[jv]") + preset.videoFilter + QStringLiteral("[jvf]");
        maps += preset.videoFilter.isEmpty() ? QStringLiteral(" -map [jv]") : QStringLiteral(" -map [jvf]");
    }
    for (qsizetype t = 0; t < trackCount; ++t) {
        graph += QStringLiteral("[jo%1]").arg(t);
        if (!preset.audioFilter.isEmpty()) {
            after += QStringLiteral(";[jo%1]").arg(t) + preset.audioFilter + QStringLiteral("[jof%1]").arg(t);
            maps += QStringLiteral(" -map [jof%1]").arg(t);
        } else {
            maps += QStringLiteral(" -map [jo%1]").arg(t);
        }
    }
    graph += after;

    QString codecs;
    if (matching) {
        codecs = QStringLiteral(" -fps_mode passthrough") + SmartCut::matchingVideoCodec(first);
        for (qsizetype t = 0; t < trackCount; ++t)
            codecs += SmartCut::audioCodecOptions(int(t), firstTracks.at(t)->channels, extension, firstTracks.at(t)->codec);
    } else {
        // Each kept frame once, at its own time, whatever rate the container
        // would otherwise fill in; unless the options choose a rate.
        bool ownRate = false;
        for (const EncoderCommand::OptionToken &token : EncoderCommand::optionTokens(preset.rest))
            ownRate = ownRate || token.text == u"-r" || token.text.startsWith(QLatin1String("-r:"))
                      || token.text == u"-fps_mode" || token.text == u"-vsync";
        codecs = (withVideo && !ownRate ? QStringLiteral(" -fps_mode passthrough ") : QStringLiteral(" ")) + preset.rest;
    }
    if (matching)
        codecs += subtitleOptions(parts, extension, subtitleListPath);
    return inputs + (matching ? subtitleInput(parts, extension, subtitleListPath) : QString())
           + QStringLiteral(" -filter_complex ") + EncoderCommand::quoteArgument(graph) + maps + codecs
           + SmartCut::containerOptions(*parts.first().probe, extension) + QStringLiteral(" -map_metadata 0 -map_chapters -1 -y");
}

QString misplacedFrames(const QList<Part> &parts, const QList<SmartCut::Packet> &joined)
{
    int total = 0;
    for (const Part &part : parts)
        total += part.plan.frames;
    if (joined.size() != total)
        return QStringLiteral("the joined picture holds %1 frames, not %2").arg(joined.size()).arg(total);
    const QList<double> times = shownTimes(joined);
    if (times.size() != total)
        return {};
    for (qsizetype i = 1; i < times.size(); ++i)
        if (times.at(i) <= times.at(i - 1))
            return QStringLiteral("two of its frames are shown at %1 s").arg(timeText(times.at(i)));
    qsizetype at = 0;
    for (qsizetype k = 0; k < parts.size(); at += parts.at(k++).plan.frames) {
        const SmartCut::Plan &plan = parts.at(k).plan;
        const QList<double> source = shownTimes(parts.at(k).probe->packets);
        const double startTime = parts.at(k).probe->startTime;
        const auto first = std::find_if(source.cbegin(), source.cend(), [&](double time) {
            return time - startTime >= plan.start - plan.frameDuration / 2;
        }) - source.cbegin();
        // A listing with missing times has only its frames counted.
        if (source.size() != parts.at(k).probe->packets.size() || first + plan.frames > source.size())
            continue;
        for (int i = 0; i < plan.frames; ++i) {
            const double off = (times.at(at + i) - times.at(at)) - (source.at(first + i) - source.at(first));
            if (std::abs(off) > plan.frameDuration / 2)
                return QStringLiteral("frame %1 of part %2 is shown %3 s from its place").arg(i + 1).arg(k + 1).arg(off, 0, 'f', 3);
        }
    }
    return {};
}

QList<PartStart> partStarts(const QList<Part> &parts, const QList<SmartCut::Packet> &joined)
{
    const QList<double> times = shownTimes(joined);
    QList<PartStart> starts;
    qsizetype at = 0;
    const auto size = shownSize(parts.first().probe->video);
    for (qsizetype k = 0; k < parts.size(); at += parts.at(k++).plan.frames) {
        const SmartCut::Plan &plan = parts.at(k).plan;
        const SmartCut::Probe &probe = *parts.at(k).probe;
        const QList<double> source = shownTimes(probe.packets);
        const auto first = std::find_if(source.cbegin(), source.cend(), [&](double time) {
            return time - probe.startTime >= plan.start - plan.frameDuration / 2;
        });
        if (at >= times.size() || first == source.cend())
            return {};
        if (shownSize(probe.video) == size)
            starts.append({int(k), times.at(at), *first});
    }
    return starts;
}

QString pictureCheckCommandLine(const QString &programDir, const QString &joinedPath, const Part &part,
                                const PartStart &start, bool narrow)
{
    const double early = part.plan.frameDuration / 4;
    const QString encoder = EncoderCommand::quoteArgument(EncoderCommand::encoderPath(programDir)) + QStringLiteral(" -hide_banner -nostats");
    const QString compare = QStringLiteral(" -an -sn -dn -f null -");
    if (narrow) {
        // By the files' own times throughout: the seeks land where they do,
        // and the frames before the one compared are dropped by its time.
        // The joined file's part starts with a keyframe where it was copied,
        // so its seek goes just after that frame; the source's goes just
        // before the decode time of the keyframe the part's group starts with.
        double sourceSeek = start.source - early;
        for (const SmartCut::Packet &packet : part.probe->packets)
            if (packet.key && packet.hasPts && packet.pts <= start.source + early)
                sourceSeek = (packet.hasDts ? packet.dts : packet.pts) - early;
        const auto input = [](double seek, const QString &path) -> QString {
            return QStringLiteral(" -noaccurate_seek -copyts -seek_timestamp 1 -ss ") + timeText(std::max(0.0, seek))
                   + QStringLiteral(" -i ") + EncoderCommand::quoteArgument(path);
        };
        const auto firstFrame = [early](int input, double time) -> QString {
            return QStringLiteral("[%1:v:0]trim=start=%2,setpts=PTS-STARTPTS,trim=end_frame=1").arg(input).arg(timeText(time - early));
        };
        return encoder + input(start.joined + early, joinedPath) + input(sourceSeek, part.probe->sourcePath)
               + QStringLiteral(" -filter_complex ")
               + EncoderCommand::quoteArgument(QString(firstFrame(0, start.joined) + QStringLiteral("[j];")
                                                       + firstFrame(1, start.source) + QStringLiteral("[s];[j][s]psnr")))
               + compare;
    }
    // Both by the listings' own times: a seek a margin early, since a
    // transport stream's lands anywhere near and its decoding then waits for
    // a keyframe, and the frames kept from a quarter frame before the first.
    // A part re-encoded whole may be one group of nearly two of the source's.
    const auto input = [early](double time, double margin, const QString &path) -> QString {
        return QStringLiteral(" -seek_timestamp 1 -ss ") + timeText(time - early - margin) + QStringLiteral(" -i ")
               + EncoderCommand::quoteArgument(path);
    };
    const auto firstFrame = [early](int input, double time, double margin) -> QString {
        return QStringLiteral("[%1:v:0]trim=start=%2,setpts=PTS-STARTPTS,trim=end_frame=1")
            .arg(input)
            .arg(timeText(time - early - std::max(0.0, time - early - margin)));
    };
    const double margin = part.plan.seekMargin;
    return encoder + input(start.joined, 2 * margin, joinedPath) + input(start.source, margin, part.probe->sourcePath)
           + QStringLiteral(" -filter_complex ")
           + EncoderCommand::quoteArgument(QString(firstFrame(0, start.joined, 2 * margin) + QStringLiteral("[j];")
                                                   + firstFrame(1, start.source, margin) + QStringLiteral("[s];[j][s]psnr")))
           + compare;
}

double pictureMatch(QStringView log)
{
    const qsizetype at = log.lastIndexOf(QLatin1String("average:"));
    if (at < 0)
        return -1;
    const QStringView value = log.sliced(at + 8).split(u' ').first().trimmed();
    if (value.startsWith(QLatin1String("inf")))
        return 100;
    bool ok = false;
    const double db = value.toDouble(&ok);
    return ok ? db : -1;
}

QList<SmartCut::LeftOutTrack> tracksLeftOut(const QList<Part> &parts, bool allSound, const QList<int> &keptSubtitles)
{
    QList<SmartCut::LeftOutTrack> left;
    QList<const SmartCut::Probe *> seen;
    for (const Part &part : parts) {
        if (seen.contains(part.probe))
            continue;
        seen.append(part.probe);
        bool firstVideo = true;
        int sound = 0;
        for (const SmartCut::Track &track : part.probe->tracks) {
            if (track.type == u"video" && std::exchange(firstVideo, false))
                continue;
            if (track.type == u"audio" && (allSound || sound++ == 0))
                continue;
            if (track.type == u"subtitle" && keptSubtitles.contains(track.index))
                continue;
            left.append({part.probe->sourcePath.section(u'/', -1), track.type, track.index, track.codec});
        }
    }
    return left;
}

QString withoutCutTimes(const QString &options)
{
    const QList<EncoderCommand::OptionToken> tokens = EncoderCommand::optionTokens(options);
    QString rest;
    qsizetype copied = 0;
    for (qsizetype i = 0; i + 1 < tokens.size(); ++i) {
        if (tokens.at(i).text != u"-ss" && tokens.at(i).text != u"-t")
            continue;
        rest += options.mid(copied, tokens.at(i).begin - copied);
        copied = tokens.at(i + 1).end;
        ++i;
    }
    return QString(rest + options.mid(copied)).simplified();
}

double totalLength(const QList<Part> &parts)
{
    double total = 0;
    for (const Part &part : parts)
        total += part.plan.length;
    return total;
}

} // namespace Join
