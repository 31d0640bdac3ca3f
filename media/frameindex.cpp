#include "frameindex.h"

#include "framedecoder.h"
#include "mediafile.h"

#include <algorithm>

static_assert(KeptIndex::kNoTime == AV_NOPTS_VALUE);

namespace {

// Presentation order, one frame per time stamp.
void sortFrames(std::vector<FrameIndex::Frame> &frames)
{
    std::stable_sort(frames.begin(), frames.end(),
                     [](const FrameIndex::Frame &a, const FrameIndex::Frame &b) { return a.pts < b.pts; });
    frames.erase(std::unique(frames.begin(), frames.end(),
                             [](const FrameIndex::Frame &a, const FrameIndex::Frame &b) { return a.pts == b.pts; }),
                 frames.end());
}

} // namespace

FrameIndex::FrameIndex(std::vector<Frame> frames)
    : m_frames(std::move(frames))
{
    sortFrames(m_frames);
}

FrameIndex::FrameIndex(KeptIndex::Contents kept)
    : m_kept(std::move(kept))
{
    if (!m_kept.decodedFrames.empty()) {
        m_frames = m_kept.decodedFrames;
    } else {
        m_frames.reserve(m_kept.packets.size());
        for (const KeptIndex::Packet &packet : m_kept.packets)
            if (packet.pts != KeptIndex::kNoTime)
                m_frames.push_back({packet.pts, packet.pos, packet.key});
    }
    sortFrames(m_frames);
}

int FrameIndex::frameAt(int64_t ts) const
{
    if (m_frames.empty())
        return -1;
    const auto after = std::upper_bound(m_frames.begin(), m_frames.end(), ts,
                                        [](int64_t value, const Frame &frame) { return value < frame.pts; });
    return std::max(0, int(after - m_frames.begin()) - 1);
}

int FrameIndex::keyframeAtOrBefore(int i) const
{
    for (i = std::min(i, size() - 1); i > 0; --i) {
        if (m_frames[size_t(i)].key)
            return i;
    }
    return 0;
}

std::optional<FrameIndex> FrameIndex::scan(const QString &path, const std::atomic_bool *cancel)
{
    auto opened = MediaFile::open(path, AVMEDIA_TYPE_VIDEO, cancel);
    if (!std::holds_alternative<std::unique_ptr<MediaFile>>(opened))
        return std::nullopt;
    MediaFile &file = *std::get<std::unique_ptr<MediaFile>>(opened);
    KeptIndex::Contents kept;
    kept.stream = file.stream()->index;
    kept.timeBaseNum = file.timeBase().num;
    kept.timeBaseDen = file.timeBase().den;
    const av::Packet packet = av::makePacket();
    bool untimed = false;
    while (file.read(packet.get())) {
        if (cancel && cancel->load())
            return std::nullopt;
        untimed = untimed || packet->pts == AV_NOPTS_VALUE;
        kept.packets.push_back({packet->pts, packet->dts, packet->pos, packet->size, (packet->flags & AV_PKT_FLAG_KEY) != 0});
    }
    if (cancel && cancel->load())
        return std::nullopt;
    if (!untimed)
        return FrameIndex(std::move(kept));

    // Packets without a presentation time (MPEG program streams leave most without): the
    // decoder's times are the ones the preview and the encoder see. Decoding without the
    // pictures' pixels keeps this quick.
    auto decoding = FrameDecoder::open(path, cancel, FrameDecoder::Use::Scan);
    if (!std::holds_alternative<std::unique_ptr<FrameDecoder>>(decoding))
        return std::nullopt;
    FrameDecoder &decoder = *std::get<std::unique_ptr<FrameDecoder>>(decoding);
    while (const AVFrame *frame = decoder.next()) {
        if (cancel && cancel->load())
            return std::nullopt;
        kept.decodedFrames.push_back({frame->pts, frame->pkt_pos, frame->key_frame != 0});
    }
    return FrameIndex(std::move(kept));
}

QString FrameIndex::cachePath(const QString &folder, const QFileInfo &file)
{
    return KeptIndex::filePath(folder, file);
}

bool FrameIndex::save(const QString &folder, const QFileInfo &file) const
{
    // An index made from frames alone has nothing a cut could plan from.
    return m_kept.timeBaseDen > 0 && KeptIndex::save(folder, file, m_kept);
}

std::optional<FrameIndex> FrameIndex::load(const QString &folder, const QFileInfo &file)
{
    std::optional<KeptIndex::Contents> kept = KeptIndex::load(folder, file);
    if (!kept)
        return std::nullopt;
    return FrameIndex(std::move(*kept));
}
