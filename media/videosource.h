#pragma once

#include "framecache.h"
#include "framedecoder.h"
#include "frameindex.h"

#include <QSize>
#include <QString>

#include <deque>
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

    // With the decoded frames held back (at most 32 MB) the whole stays under 400 MB.
    static constexpr qint64 kDefaultCacheBytes = 224LL * 1024 * 1024;

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

    // The frame showing at seconds (clamped to the first and last frame); nullopt when
    // interrupted, with the decoder's place kept for the next request to go on from.
    std::optional<Picture> frameAt(double seconds, const Interrupted &interrupted = {});
    // A picture to show at once while the frame at seconds decodes: the latest cached frame of
    // its group before it, else its group's keyframe, decoded now (the decoder then goes on from
    // there). nullopt when that frame is cached itself, or without an index. Leaves current().
    std::optional<Picture> preview(double seconds);
    // Makes pictures of the frames held back from the last decode, nearest the current frame
    // first, so that the steps back from it are instant. Stops early when interrupted.
    void settle(const Interrupted &interrupted);
    // Readies memory for the pictures of the steps to come (FrameCache::warm), the last of the
    // work done at rest. Stops early when interrupted.
    void warmUp(const Interrupted &interrupted);
    // While the user rests near the start of a group: decodes the end of the group before, so
    // that the first step back over the keyframe is instant. Stops early when interrupted.
    void prefetchAround(const Interrupted &interrupted);
    // The way seeks worked before previews and held frames, kept for side-by-side figures: every
    // frame kept is made a picture as it decodes, in fresh memory, and going back keeps the whole
    // group.
    void setClassic(bool classic)
    {
        m_classic = classic;
        m_decoder->setLeavesOutUnreferenced(!classic);
    }
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

    struct Plan
    {
        int64_t ts = 0;       // the frame asked for (its own time stamp when the index is known)
        int64_t keepFrom = 0; // frames from here on are kept
    };
    Plan plan(double seconds) const;
    // Packets before this skip the frames nothing refers to.
    int64_t skipBelow(int64_t ts, int64_t keepFrom) const;
    // Positions decoder before the keyframe `key` of the index.
    void seekToKey(FrameDecoder &decoder, int key) const;
    // How many frames before a target are held and kept: a third of the cache, at most 32 MB of
    // decoded frames.
    int keptBehind() const;
    int picturesInHalfTheCache() const;
    qsizetype pictureBytes() const;
    // Makes the held frame pts a picture; false when none is held.
    bool takeHeld(int64_t pts);
    Picture pictureOf(int64_t pts);

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
    av::Frame m_last = av::makeFrame();          // the frame at m_decodedPts, as decoded
    // Frames just before the last answer, decoded but not yet made pictures, each with the time
    // stamp of the frame after it.
    struct Held
    {
        av::Frame frame;
        int64_t next = FrameCache::kUnknown;
    };
    std::deque<Held> m_held;
    av::Frame m_after = av::makeFrame(); // the frame after the last answer, decoded, not yet a picture
    bool m_classic = false;
};
