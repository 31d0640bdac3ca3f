#include "videosource.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

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
// Frames held back before a target, at most: enough for a run of steps back.
constexpr int kMostHeld = 24;
// Decoded frames held back, at most, in bytes: a few at 4K, many more at smaller sizes.
constexpr qint64 kHeldBytes = 32LL * 1024 * 1024;
// A seek to a keyframe gives up looking for it after this many frames.
constexpr int kMostLeadingFrames = 64;

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
    if (m_cache.contains(frame->pts))
        return;
    QByteArray memory;
    if (!m_classic) {
        memory = m_cache.takeSpare(pictureBytes());
        if (memory.isEmpty())
            memory = FrameCache::freshBuffer(pictureBytes());
    }
    m_cache.insert(frame->pts, m_decoder->picture(frame, m_size, std::move(memory)));
}

qsizetype VideoSource::pictureBytes() const
{
    return qsizetype(m_size.width()) * 4 * m_size.height();
}

int VideoSource::keptBehind() const
{
    const qint64 picture = std::max<qint64>(1, qint64(m_size.width()) * m_size.height() * 4);
    const AVCodecParameters *parameters = file().stream()->codecpar;
    const AVPixFmtDescriptor *format = av_pix_fmt_desc_get(AVPixelFormat(parameters->format));
    const int bytesPerSample = format && format->comp[0].depth > 8 ? 2 : 1;
    const qint64 decoded = std::max<qint64>(1, qint64(parameters->width) * parameters->height * 3 / 2 * bytesPerSample);
    const qint64 fits = std::min(m_cache.maxBytes() / 3 / picture, kHeldBytes / decoded);
    return int(std::clamp<qint64>(fits, 2, kMostHeld));
}

VideoSource::Plan VideoSource::plan(double seconds) const
{
    if (!std::isfinite(seconds))
        seconds = 0.0;
    // Without an index the end is known from the header only: aim no further.
    seconds = std::clamp(seconds, -1.0, m_index ? 1.0e9 : file().duration().value_or(1.0e9));
    Plan plan;
    plan.ts = file().tsOf(seconds);
    plan.keepFrom = plan.ts - (m_classic ? kKeptBeforeSeek : keptBehind()) * frameLength();
    if (m_index) {
        const std::vector<FrameIndex::Frame> &frames = m_index->frames();
        plan.ts = frames[size_t(m_index->frameAt(plan.ts))].pts;
        // Going back: the group from its keyframe, for the steps back that follow.
        if (m_current && plan.ts < m_current->pts)
            plan.keepFrom = frames[size_t(m_index->keyframeAtOrBefore(m_index->frameAt(plan.ts)))].pts;
    }
    return plan;
}

int VideoSource::picturesInHalfTheCache() const
{
    const qint64 picture = std::max<qint64>(1, qint64(m_size.width()) * m_size.height() * 4);
    return int(std::max<qint64>(keptBehind(), m_cache.maxBytes() / 2 / picture));
}

int64_t VideoSource::skipBelow(int64_t ts, int64_t keepFrom) const
{
    if (!m_classic) {
        const int64_t length = frameLength();
        keepFrom = std::max(keepFrom, std::min(ts - keptBehind() * length, ts - picturesInHalfTheCache() * length));
    }
    return std::min(keepFrom, ts - 2 * frameLength());
}

void VideoSource::seekToKey(FrameDecoder &decoder, int key) const
{
    const FrameIndex::Frame &frame = m_index->frames()[size_t(key)];
    int64_t pos = file().seeksByByte() ? (key == 0 ? 0 : frame.pos) : -1;
    if (frame.pts <= file().startTs())
        pos = file().seeksByByte() ? 0 : -1;
    decoder.seek(frame.pts, pos);
}

VideoSource::Picture VideoSource::pictureOf(int64_t pts)
{
    return Picture{pts, file().secondsOf(pts), m_cache.find(pts)};
}

bool VideoSource::takeHeld(int64_t pts)
{
    if (m_after->buf[0] && m_after->pts == pts) {
        keep(m_after.get());
        av_frame_unref(m_after.get());
        return true;
    }
    for (auto it = m_held.begin(); it != m_held.end(); ++it) {
        if (it->frame->pts != pts)
            continue;
        keep(it->frame.get());
        m_cache.link(pts, it->next);
        m_held.erase(it);
        return true;
    }
    return false;
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
    const int64_t skip = skipBelow(ts, keepFrom);
    // Frames from heldFrom on are held and made pictures after the answer shows; those from
    // keepFrom to it (going back, where few can be held) become pictures as they decode, as many
    // as half the cache holds.
    int64_t heldFrom = keepFrom;
    if (!m_classic) {
        heldFrom = std::max(keepFrom, ts - keptBehind() * length);
        keepFrom = std::max(keepFrom, std::min(heldFrom, ts - picturesInHalfTheCache() * length));
        m_held.clear();
    }
    const av::Frame candidate = av::makeFrame();
    av_frame_unref(m_after.get()); // m_last still has it where the decoder stands on it
    bool continuing = canContinueTo(ts) && !m_cache.find(m_decodedPts).isNull();
    if (!m_classic && !continuing && canContinueTo(ts) && m_last->buf[0] && m_last->pts == m_decodedPts) {
        // An interrupted decode or a preview left the decoder here: its last frame answers
        // when nothing nearer comes.
        continuing = true;
        av_frame_ref(candidate.get(), m_last.get());
    }
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
        while (AVFrame *frame = m_decoder->next(skip)) {
            const int64_t pts = frame->pts;
            if (first && pts > ts && !atStart) {
                late = true;
                break;
            }
            if (first && atStart)
                m_firstPts = pts;
            first = false;
            // Below skip, frames nothing refers to are left out: the next frame decoded there is
            // not the next frame, and a link would send steps and seeks past the ones left out.
            if (previous != FrameCache::kUnknown && previous < pts && previous >= skip)
                m_cache.link(previous, pts);
            previous = m_decodedPts = pts;
            if (pts > ts && answer != FrameCache::kUnknown) {
                // The next step's frame. Held, as the frames before are, so that only the answer
                // is made a picture before it shows; the decoder stands on it.
                if (m_classic) {
                    keep(frame);
                } else {
                    av_frame_ref(m_after.get(), frame);
                    av_frame_unref(m_last.get());
                    av_frame_ref(m_last.get(), frame);
                }
                break;
            }
            answer = pts;
            if (!m_classic && pts >= heldFrom && pts <= ts) {
                // Held, not yet a picture: the answer is made one first, the rest after it shows.
                if (!m_held.empty())
                    m_held.back().next = pts;
                m_held.push_back(Held{av::makeFrame(), FrameCache::kUnknown});
                av_frame_ref(m_held.back().frame.get(), frame);
                if (int(m_held.size()) > keptBehind() + 1)
                    m_held.pop_front();
            } else if (pts >= keepFrom || pts > ts) {
                keep(frame);
            } else {
                av_frame_unref(candidate.get());
                av_frame_ref(candidate.get(), frame);
            }
            if (pts > ts) { // the wanted time lies before the first frame: that frame answers
                continue;
            }
            if (interrupted && interrupted()) {
                // The next request goes on from here, with this frame as its answer if need be.
                av_frame_unref(m_last.get());
                av_frame_ref(m_last.get(), frame);
                return FrameCache::kUnknown;
            }
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
        if (!m_held.empty() && m_held.back().frame->pts == answer) {
            keep(m_held.back().frame.get());
            m_held.pop_back();
            // Made a picture only now: the frame after it was decoded before it was cached.
            if (m_decodedPts > answer)
                m_cache.link(answer, m_decodedPts);
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

std::optional<VideoSource::Picture> VideoSource::frameAt(double seconds, const Interrupted &interrupted)
{
    const Plan wanted = plan(seconds);
    int64_t ts = wanted.ts;
    if (m_index) {
        if (m_cache.contains(ts) || takeHeld(ts))
            return give(ts);
    } else if (const int64_t held = m_cache.holding(ts); held != FrameCache::kUnknown) {
        return give(held);
    } else if (m_firstPts != FrameCache::kUnknown && ts < m_firstPts) {
        ts = m_firstPts;
    }
    const int64_t shown = decodeTo(ts, wanted.keepFrom, interrupted);
    if (shown == FrameCache::kUnknown)
        return std::nullopt;
    return give(shown);
}

std::optional<VideoSource::Picture> VideoSource::preview(double seconds)
{
    if (!m_index || m_classic)
        return std::nullopt;
    const Plan wanted = plan(seconds);
    if (m_cache.contains(wanted.ts))
        return std::nullopt;
    const std::vector<FrameIndex::Frame> &frames = m_index->frames();
    const int key = m_index->keyframeAtOrBefore(m_index->frameAt(wanted.ts));
    const int64_t keyTs = frames[size_t(key)].pts;
    if (const int64_t cached = m_cache.atOrBefore(wanted.ts); cached != FrameCache::kUnknown && cached >= keyTs)
        return pictureOf(cached);
    // The decoder already stands in the group, before the frame: its last frame is nearer.
    if (canContinueTo(wanted.ts) && m_decodedPts >= keyTs && m_last->buf[0] && m_last->pts == m_decodedPts) {
        keep(m_last.get());
        return pictureOf(m_decodedPts);
    }
    seekToKey(*m_decoder, key);
    m_decodedPts = FrameCache::kUnknown;
    m_decoderEnded = false;
    m_held.clear();
    av_frame_unref(m_after.get());
    const int64_t skip = skipBelow(wanted.ts, wanted.keepFrom);
    int64_t previous = FrameCache::kUnknown;
    for (int i = 0; i < kMostLeadingFrames; ++i) {
        AVFrame *frame = m_decoder->next(skip);
        if (!frame)
            break;
        const int64_t pts = frame->pts;
        if (pts > wanted.ts && previous == FrameCache::kUnknown)
            break; // the demuxer landed late: the exact decode finds its own way
        if (previous != FrameCache::kUnknown && previous < pts && previous >= skip) // as in decodeTo
            m_cache.link(previous, pts);
        previous = m_decodedPts = pts;
        av_frame_unref(m_last.get());
        av_frame_ref(m_last.get(), frame);
        if (pts < keyTs)
            continue; // frames of the group before that the keyframe's packets still show
        if (pts > wanted.ts)
            break;
        keep(frame);
        return pictureOf(pts);
    }
    // Nothing to show: the exact decode starts afresh.
    m_decodedPts = FrameCache::kUnknown;
    return std::nullopt;
}

void VideoSource::settle(const Interrupted &interrupted)
{
    if (m_after->buf[0] && !(interrupted && interrupted()))
        takeHeld(m_after->pts);
    while (!m_held.empty()) {
        if (interrupted && interrupted())
            return;
        takeHeld(m_held.back().frame->pts);
    }
}

void VideoSource::warmUp(const Interrupted &interrupted)
{
    // A conversion into fresh memory faults a page at a time, which costs a step many times the
    // conversion itself: the pages are touched now.
    while (!m_classic && !(interrupted && interrupted()) && m_cache.warm(pictureBytes(), interrupted)) {
    }
}

void VideoSource::prefetchAround(const Interrupted &interrupted)
{
    if (!m_index || !m_current || m_classic)
        return;
    const std::vector<FrameIndex::Frame> &frames = m_index->frames();
    const int at = m_index->frameAt(m_current->pts);
    const int key = m_index->keyframeAtOrBefore(at);
    const int kept = keptBehind();
    // Far from the keyframe, the frames held back from the decode cover the steps back. Near it
    // they cross it: the end of the group before is decoded now. The decoder leaves its place,
    // which costs the next steps forward only the few frames back to the keyframe.
    if (key == 0 || at - key >= kept || m_cache.contains(frames[size_t(key - 1)].pts))
        return;
    const int first = std::max(m_index->keyframeAtOrBefore(key - 1), key - kept);
    if (decodeTo(frames[size_t(key - 1)].pts, frames[size_t(first)].pts, interrupted) != FrameCache::kUnknown)
        settle(interrupted);
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
        const auto waiting = std::find_if(m_held.begin(), m_held.end(),
                                          [&](const Held &frame) { return frame.next == shown->pts; });
        if (waiting != m_held.end()) {
            const int64_t pts = waiting->frame->pts;
            takeHeld(pts);
            shown = give(pts);
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
        if (after != FrameCache::kUnknown && after != FrameCache::kLast)
            takeHeld(after);
        if (after == FrameCache::kUnknown || (after != FrameCache::kLast && m_cache.find(after).isNull())) {
            if (decodeTo(shown->pts, shown->pts) == FrameCache::kUnknown)
                return std::nullopt;
            after = m_cache.next(shown->pts);
            if (after != FrameCache::kUnknown && after != FrameCache::kLast)
                takeHeld(after);
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
