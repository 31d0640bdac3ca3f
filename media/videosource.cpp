#include "videosource.h"

#include <algorithm>
#include <cmath>

namespace {

// Seeks that landed after the wanted frame (a demuxer whose index is coarse) aim earlier, this
// many times at most, before starting from the file's start.
constexpr int kMostLateSeeks = 6;
// Frames before a sought one kept in the cache: the first steps back from a seek are instant.
constexpr int kKeptBeforeSeek = 8;
// Without an index, decoding on beats seeking up to this far ahead.
constexpr double kDecodeOnSeconds = 2.0;

} // namespace

std::variant<std::unique_ptr<VideoSource>, QString> VideoSource::open(const QString &path, qint64 cacheBytes)
{
    auto opened = FrameDecoder::open(path);
    if (auto *error = std::get_if<QString>(&opened))
        return *error;
    return std::unique_ptr<VideoSource>(
        new VideoSource(std::move(std::get<std::unique_ptr<FrameDecoder>>(opened)), cacheBytes));
}

VideoSource::VideoSource(std::unique_ptr<FrameDecoder> decoder, qint64 cacheBytes)
    : m_decoder(std::move(decoder))
    , m_cache(cacheBytes)
    , m_size(m_decoder->displaySize())
{
}

void VideoSource::setIndex(std::shared_ptr<const FrameIndex> index)
{
    m_index = index && !index->isEmpty() ? std::move(index) : nullptr;
}

void VideoSource::setPictureSize(QSize size)
{
    if (size.isEmpty())
        size = m_decoder->displaySize();
    if (size == m_size)
        return;
    m_size = size;
    m_cache.clear();
}

int64_t VideoSource::frameLength() const
{
    const double fps = file().frameRate().value_or(25.0);
    return std::max<int64_t>(1, std::llround(1.0 / (fps * av_q2d(file().timeBase()))));
}

void VideoSource::keep(const AVFrame *frame)
{
    if (m_cache.find(frame->pts).isNull())
        m_cache.insert(frame->pts, m_decoder->picture(frame, m_size));
}

bool VideoSource::canContinueTo(int64_t ts) const
{
    if (m_decodedPts == FrameCache::kUnknown || m_decodedPts > ts || m_decoderEnded)
        return false;
    if (m_index) {
        // A keyframe between the decoder's place and the target: seeking there is no slower.
        const int at = m_index->frameAt(m_decodedPts);
        return m_index->keyframeAtOrBefore(m_index->frameAt(ts)) <= at;
    }
    return file().secondsOf(ts) - file().secondsOf(m_decodedPts) < kDecodeOnSeconds;
}

int64_t VideoSource::decodeTo(int64_t ts, int64_t keepFrom, const Interrupted &interrupted)
{
    const int64_t length = frameLength();
    const int64_t skipBelow = std::min(keepFrom, ts - 2 * length);
    const av::Frame candidate = av::makeFrame();
    bool continuing = canContinueTo(ts) && !m_cache.find(m_decodedPts).isNull();
    int64_t seekTs = ts;
    int64_t backoff = std::max<int64_t>(length, file().tsOf(1.0) - file().startTs());
    for (int attempt = 0; attempt <= kMostLateSeeks; ++attempt) {
        bool atStart = attempt == kMostLateSeeks;
        int64_t keyTs = seekTs;
        if (!continuing) {
            int64_t pos = -1;
            if (m_index) {
                const int key = m_index->keyframeAtOrBefore(m_index->frameAt(seekTs));
                const FrameIndex::Frame &frame = m_index->frames()[size_t(key)];
                keyTs = frame.pts;
                atStart = atStart || key == 0;
                if (file().seeksByByte())
                    pos = key == 0 ? 0 : frame.pos;
            }
            if (atStart && !m_index)
                keyTs = file().startTs();
            if (keyTs <= file().startTs()) {
                // A search by time stamp in a stream without an index may land past the start.
                atStart = true;
                pos = file().seeksByByte() ? 0 : -1;
            }
            m_decoder->seek(keyTs, pos);
            m_decodedPts = FrameCache::kUnknown;
            m_decoderEnded = false;
        }
        int64_t answer = continuing ? m_decodedPts : FrameCache::kUnknown;
        int64_t previous = answer;
        bool first = !continuing;
        bool late = false;
        while (AVFrame *frame = m_decoder->next(skipBelow)) {
            const int64_t pts = frame->pts;
            if (first && pts > ts && !atStart) {
                late = true;
                break;
            }
            if (first && atStart)
                m_firstPts = pts;
            first = false;
            if (previous != FrameCache::kUnknown && previous < pts)
                m_cache.link(previous, pts);
            previous = m_decodedPts = pts;
            if (pts > ts && answer != FrameCache::kUnknown) {
                keep(frame); // the next step's frame
                break;
            }
            answer = pts;
            if (pts >= keepFrom || pts > ts) {
                keep(frame);
            } else {
                av_frame_unref(candidate.get());
                av_frame_ref(candidate.get(), frame);
            }
            if (pts > ts) { // the wanted time lies before the first frame: that frame answers
                continue;
            }
            if (interrupted && interrupted())
                return FrameCache::kUnknown;
        }
        // Nothing at all after a seek: it went past the last frame.
        if (answer == FrameCache::kUnknown && !continuing && !atStart)
            late = true;
        if (late) {
            continuing = false;
            seekTs = keyTs - backoff;
            backoff *= 2;
            continue;
        }
        if (answer == FrameCache::kUnknown) {
            if (!continuing)
                return FrameCache::kUnknown;
            continuing = false; // the decoder's place proved useless: seek
            continue;
        }
        if (previous == answer) { // nothing came after the answer
            m_decoderEnded = true;
            m_cache.link(answer, FrameCache::kLast);
        }
        if (m_cache.find(answer).isNull() && candidate->pts == answer)
            keep(candidate.get());
        return m_cache.find(answer).isNull() ? FrameCache::kUnknown : answer;
    }
    return FrameCache::kUnknown;
}

std::optional<VideoSource::Picture> VideoSource::give(int64_t pts)
{
    const RgbImage image = m_cache.find(pts);
    if (image.isNull())
        return std::nullopt;
    m_current = Picture{pts, file().secondsOf(pts), image};
    return m_current;
}

std::optional<VideoSource::Picture> VideoSource::frameAt(double seconds)
{
    if (!std::isfinite(seconds))
        seconds = 0.0;
    // Without an index the end is known from the header only: aim no further.
    seconds = std::clamp(seconds, -1.0, m_index ? 1.0e9 : file().duration().value_or(1.0e9));
    int64_t ts = file().tsOf(seconds);
    int64_t keepFrom = ts - kKeptBeforeSeek * frameLength();
    if (m_index) {
        const std::vector<FrameIndex::Frame> &frames = m_index->frames();
        ts = frames[size_t(m_index->frameAt(ts))].pts;
        if (!m_cache.find(ts).isNull())
            return give(ts);
        // Going back: the whole group from its keyframe, for the steps back that follow.
        if (m_current && ts < m_current->pts)
            keepFrom = frames[size_t(m_index->keyframeAtOrBefore(m_index->frameAt(ts)))].pts;
    } else if (const int64_t held = m_cache.holding(ts); held != FrameCache::kUnknown) {
        return give(held);
    } else if (m_firstPts != FrameCache::kUnknown && ts < m_firstPts) {
        ts = m_firstPts;
    }
    const int64_t shown = decodeTo(ts, keepFrom);
    if (shown == FrameCache::kUnknown)
        return std::nullopt;
    return give(shown);
}

std::optional<VideoSource::Picture> VideoSource::step(int frames)
{
    if (!m_current)
        return frameAt(0.0);
    if (frames == 0)
        return m_current;
    if (m_index) {
        const int at = m_index->frameAt(m_current->pts);
        const int to = std::clamp(at + frames, 0, m_index->size() - 1);
        return frameAt(file().secondsOf(m_index->frames()[size_t(to)].pts));
    }
    std::optional<Picture> shown = m_current;
    for (; frames < 0 && shown; ++frames) {
        if (m_firstPts != FrameCache::kUnknown && shown->pts <= m_firstPts)
            break;
        const int64_t held = m_cache.holding(shown->pts - 1);
        if (held != FrameCache::kUnknown) {
            shown = give(held);
            continue;
        }
        // Keep everything from the keyframe: the next steps back are in the cache.
        const int64_t before = decodeTo(shown->pts - 1, INT64_MIN);
        if (before == FrameCache::kUnknown)
            return std::nullopt;
        shown = give(before);
    }
    for (; frames > 0 && shown; --frames) {
        int64_t after = m_cache.next(shown->pts);
        if (after == FrameCache::kUnknown || (after != FrameCache::kLast && m_cache.find(after).isNull())) {
            if (decodeTo(shown->pts, shown->pts) == FrameCache::kUnknown)
                return std::nullopt;
            after = m_cache.next(shown->pts);
        }
        if (after == FrameCache::kLast || after == FrameCache::kUnknown)
            break;
        shown = give(after);
    }
    return shown;
}

std::optional<VideoSource::Picture> VideoSource::next()
{
    const int64_t before = m_current ? m_current->pts : FrameCache::kUnknown;
    std::optional<Picture> shown = step(1);
    if (shown && shown->pts == before)
        return std::nullopt;
    return shown;
}

void VideoSource::prefetchBefore(const Interrupted &interrupted)
{
    if (!m_index || !m_current)
        return;
    const int key = m_index->keyframeAtOrBefore(m_index->frameAt(m_current->pts));
    if (key == 0)
        return;
    const std::vector<FrameIndex::Frame> &frames = m_index->frames();
    const int64_t before = frames[size_t(key - 1)].pts;
    if (!m_cache.find(before).isNull())
        return;
    const int64_t groupStart = frames[size_t(m_index->keyframeAtOrBefore(key - 1))].pts;
    decodeTo(before, groupStart, interrupted);
}
