#include "frameindex.h"

#include "cachefolder.h"
#include "framedecoder.h"
#include "mediafile.h"

#include <QDataStream>
#include <QDir>

#include <algorithm>

namespace {

constexpr quint32 kMagic = 0x534e4658; // "SNFX"
constexpr quint32 kVersion = 1;
// Bounds a damaged cache file's claim before anything is allocated for it.
constexpr quint32 kMostFrames = 50'000'000;

} // namespace

FrameIndex::FrameIndex(std::vector<Frame> frames)
    : m_frames(std::move(frames))
{
    std::stable_sort(m_frames.begin(), m_frames.end(), [](const Frame &a, const Frame &b) { return a.pts < b.pts; });
    m_frames.erase(std::unique(m_frames.begin(), m_frames.end(),
                               [](const Frame &a, const Frame &b) { return a.pts == b.pts; }),
                   m_frames.end());
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
    std::vector<Frame> frames;
    const av::Packet packet = av::makePacket();
    bool untimed = false;
    while (file.read(packet.get())) {
        if (cancel && cancel->load())
            return std::nullopt;
        if (packet->pts == AV_NOPTS_VALUE) {
            untimed = true;
            break;
        }
        frames.push_back({packet->pts, packet->pos, (packet->flags & AV_PKT_FLAG_KEY) != 0});
    }
    if (cancel && cancel->load())
        return std::nullopt;
    if (!untimed)
        return FrameIndex(std::move(frames));

    // Packets without a presentation time (MPEG program streams leave most without): the
    // decoder's times are the ones the preview and the encoder see. Decoding without the
    // pictures' pixels keeps this quick.
    auto decoding = FrameDecoder::open(path, cancel, FrameDecoder::Use::Scan);
    if (!std::holds_alternative<std::unique_ptr<FrameDecoder>>(decoding))
        return std::nullopt;
    FrameDecoder &decoder = *std::get<std::unique_ptr<FrameDecoder>>(decoding);
    frames.clear();
    while (const AVFrame *frame = decoder.next()) {
        if (cancel && cancel->load())
            return std::nullopt;
        frames.push_back({frame->pts, frame->pkt_pos, frame->key_frame != 0});
    }
    return FrameIndex(std::move(frames));
}

QString FrameIndex::cachePath(const QString &folder, const QFileInfo &file)
{
    return QDir(folder).filePath(CacheFolder::fileKey(file) + QStringLiteral(".idx"));
}

bool FrameIndex::save(const QString &folder, const QFileInfo &file) const
{
    return CacheFolder::write(cachePath(folder, file), kMagic, kVersion, [this](QDataStream &stream) {
        stream << quint32(m_frames.size());
        for (const Frame &frame : m_frames)
            stream << qint64(frame.pts) << qint64(frame.pos) << frame.key;
    });
}

std::optional<FrameIndex> FrameIndex::load(const QString &folder, const QFileInfo &file)
{
    std::vector<Frame> frames;
    const bool read = CacheFolder::read(cachePath(folder, file), kMagic, kVersion, [&frames](QDataStream &stream, qint64 size) {
        quint32 count = 0;
        stream >> count;
        // Each frame takes 17 bytes: a count the file cannot hold is damage.
        if (count > kMostFrames || qint64(count) * 17 > size)
            return false;
        frames.resize(count);
        for (Frame &frame : frames) {
            qint64 pts = 0, pos = 0;
            stream >> pts >> pos >> frame.key;
            frame.pts = pts;
            frame.pos = pos;
        }
        return true;
    });
    if (!read)
        return std::nullopt;
    return FrameIndex(std::move(frames));
}
