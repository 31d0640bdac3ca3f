#pragma once

#include "framecache.h"
#include "framedecoder.h"
#include "frameindex.h"

#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <variant>

// One open video file as the preview reads it: the demuxer and decoder, the frame index once it
// is known, and the cache of pictures at the painted size. Asked for the frame showing at a
// time, or the frame some steps from the one it last gave, it answers from the cache or seeks
// to the keyframe before and decodes forward. Not thread-safe: one thread uses it.
class VideoSource final
{
public:
    struct Picture
    {
        int64_t pts = 0;
        double seconds = 0.0; // from the file's start, as the encoder's -ss counts
        RgbImage image;
    };
    // Polled while decoding a group ahead of need: true stops it.
    using Interrupted = std::function<bool()>;

    static constexpr qint64 kDefaultCacheBytes = 256LL * 1024 * 1024;

    static std::variant<std::unique_ptr<VideoSource>, QString> open(const QString &path,
                                                                    qint64 cacheBytes = kDefaultCacheBytes);

    const MediaFile &file() const { return m_decoder->file(); }
    // Takes the frame index (built elsewhere, or read from the cache folder).
    void setIndex(std::shared_ptr<const FrameIndex> index);
    const FrameIndex *index() const { return m_index.get(); }
    // The size pictures are made at; a change empties the cache.
    void setPictureSize(QSize size);
    QSize pictureSize() const { return m_size; }
    // The frame size with the pixel aspect applied.
    QSize displaySize() const { return m_decoder->displaySize(); }

    // The frame showing at seconds (clamped to the first and last frame).
    std::optional<Picture> frameAt(double seconds);
    // The frame `frames` from the one last given (clamped); the first frame when none was given.
    std::optional<Picture> step(int frames);
    // Playback: the frame after the one last given; nullopt at the end.
    std::optional<Picture> next();
    // The last frame given.
    std::optional<Picture> current() const { return m_current; }
    // Decodes the group of pictures before the one holding the current frame into the cache,
    // so that stepping back over the keyframe stays instant. Stops early when interrupted.
    void prefetchBefore(const Interrupted &interrupted);

    const FrameCache &cache() const { return m_cache; }

private:
    explicit VideoSource(std::unique_ptr<FrameDecoder> decoder, qint64 cacheBytes);

    // Decodes to the frame showing at ts (and the one after, kept for the next step). Frames from
    // keepFrom on go into the cache. Returns the frame showing at ts (the first frame when ts
    // lies before it); kUnknown when nothing decoded.
    int64_t decodeTo(int64_t ts, int64_t keepFrom, const Interrupted &interrupted = {});
    bool canContinueTo(int64_t ts) const;
    std::optional<Picture> give(int64_t pts);
    void keep(const AVFrame *frame);
    int64_t frameLength() const;

    std::unique_ptr<FrameDecoder> m_decoder;
    std::shared_ptr<const FrameIndex> m_index;
    FrameCache m_cache;
    QSize m_size;
    std::optional<Picture> m_current;
    // The decoder's place: the last frame taken from it, and whether a frame followed it.
    int64_t m_decodedPts = FrameCache::kUnknown;
    bool m_decoderEnded = false;
    int64_t m_firstPts = FrameCache::kUnknown; // the first frame's time stamp, once seen
};
