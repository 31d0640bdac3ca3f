#include "sourceprobe.h"

#include "keptindex.h"

#include <QFileInfo>

#include <charconv>

namespace SmartCut {

namespace {

// ts in seconds as the prober prints it: six decimals, read back.
std::pair<double, bool> proberSeconds(int64_t ts, double timeBase)
{
    if (ts == KeptIndex::kNoTime)
        return {0.0, false}; // what reading "N/A" gives
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, double(ts) * timeBase, std::chars_format::fixed, 6);
    double seconds = 0;
    std::from_chars(text, written.ptr, seconds);
    return {seconds, true};
}

} // namespace

QList<Packet> packetsOf(const KeptIndex::Contents &kept)
{
    QList<Packet> packets;
    if (kept.timeBaseNum <= 0 || kept.timeBaseDen <= 0)
        return packets;
    const double timeBase = kept.timeBaseNum / double(kept.timeBaseDen);
    packets.reserve(qsizetype(kept.packets.size()));
    for (const KeptIndex::Packet &entry : kept.packets) {
        Packet packet;
        std::tie(packet.pts, packet.hasPts) = proberSeconds(entry.pts, timeBase);
        std::tie(packet.dts, packet.hasDts) = proberSeconds(entry.dts, timeBase);
        packet.size = entry.size;
        packet.key = entry.key;
        packets.append(packet);
    }
    return packets;
}

std::optional<SourceRead> readSource(const QString &programDir, const QString &path, const QString &indexFolder,
                                     const RunCommand &run)
{
    std::optional<KeptIndex::Contents> kept;
    if (!indexFolder.isEmpty())
        kept = KeptIndex::load(indexFolder, QFileInfo(path));
    // A prober that is missing or fails leaves an empty listing, and the plan
    // falls back to re-encoding by the times alone: slower, never wrong. With
    // an index, one quick listing gives the stream and the tracks.
    std::optional<QString> tracks;
    std::optional<QString> listing;
    if (kept) {
        tracks = run(streamsCommandLine(programDir, path));
        if (tracks)
            listing = firstVideoStream(*tracks);
    } else {
        listing = run(probeCommandLine(programDir, path));
    }
    if (!listing)
        return std::nullopt;
    SourceRead read;
    read.probe = parseProbe(*listing);
    // The index is of the stream the preview shows; the plan is of the first
    // video stream. Where those differ, or the prober names another time base,
    // the prober lists the packets after all.
    const VideoStream &video = read.probe.video;
    read.fromIndex = kept && !video.codec.isEmpty() && video.index == kept->stream
                     && (video.timeBaseDen == 0 || (kept->timeBaseNum == 1 && kept->timeBaseDen == video.timeBaseDen));
    if (kept && !read.fromIndex) {
        listing = run(probeCommandLine(programDir, path));
        if (!listing)
            return std::nullopt;
        read.probe = parseProbe(*listing);
    }
    const QList<Packet> packets = read.fromIndex ? packetsOf(*kept) : QList<Packet>();
    kept.reset();
    if (read.fromIndex)
        setPackets(&read.probe, packets);
    if (!tracks)
        tracks = run(tracksCommandLine(programDir, path));
    if (!tracks)
        return std::nullopt;
    // HEVC carries its HDR mastering data in the frames rather than the
    // container: the re-encoded parts need it to look like the copied ones.
    if (isHdr(read.probe.video) && (read.probe.video.masteringDisplay.isEmpty() || read.probe.video.contentLight.isEmpty())) {
        const std::optional<QString> frame = run(firstFrameCommandLine(programDir, path));
        if (!frame)
            return std::nullopt;
        read.probe = parseProbe(QString(*listing + u'\n' + *frame));
        if (read.fromIndex)
            setPackets(&read.probe, packets);
    }
    parseTracks(*tracks, &read.probe);
    readStreamTypes(path, &read.probe);
    if (read.probe.video.codec == u"mpeg2video" || read.probe.video.codec == u"mpeg1video") {
        const std::optional<QString> headers = run(matrixCommandLine(programDir, path));
        if (!headers)
            return std::nullopt;
        parseMatrices(*headers, &read.probe.video);
    }
    read.probe.sourcePath = path;
    return read;
}

} // namespace SmartCut
