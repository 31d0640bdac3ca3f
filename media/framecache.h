#pragma once

#include "rgbimage.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <vector>

// Decoded pictures at the size they are painted, by time stamp, bounded in bytes; the least
// recently used go first. Each picture may know the time stamp of the frame after it, so that a
// time between two frames is answered without the frame index.
class FrameCache final
{
public:
    static constexpr int64_t kUnknown = std::numeric_limits<int64_t>::min();
    static constexpr int64_t kLast = std::numeric_limits<int64_t>::max(); // no frame follows

    explicit FrameCache(qint64 maxBytes)
        : m_maxBytes(maxBytes)
    {
    }

    void insert(int64_t pts, const RgbImage &image);
    // A buffer of exactly bytes that a picture evicted before no longer needs, for the next
    // picture to be made in: fresh memory costs a page fault per 4 KB on first touch, many times
    // the conversion itself. Empty when none is spare.
    QByteArray takeSpare(qsizetype bytes);
    // Makes one spare buffer of bytes ahead of need, with its pages touched, so that a picture made
    // in it later faults none; for the work done while the user rests. Pictures and spares stay
    // within the budget, and at most kMostWarm are made. Touched a megabyte at a time, stop polled
    // in between: a half-touched buffer is kept all the same. False when there is no room or it
    // was stopped.
    bool warm(qsizetype bytes, const std::function<bool()> &stop = {});
    qint64 spareBytes() const;
    // A new buffer of bytes for a picture, untouched. Where the system has huge pages on request
    // it asks for them: first touches then fault one 2 MB page instead of 512 small ones.
    static QByteArray freshBuffer(qsizetype bytes);
    int spareCount() const { return int(m_spares.size()); }
    static constexpr int kMostWarm = 24;
    // The frame after pts starts at next (kLast: pts is the last frame).
    void link(int64_t pts, int64_t next);
    // The picture of frame pts; null when not cached.
    RgbImage find(int64_t pts);
    // The cached frame showing at ts, when the cache knows the frame after it; kUnknown otherwise.
    int64_t holding(int64_t ts) const;
    // The frame after pts as far as the cache knows: kUnknown or kLast otherwise.
    int64_t next(int64_t pts) const;
    // The latest cached frame starting at or before ts; kUnknown when none is.
    int64_t atOrBefore(int64_t ts) const;
    bool contains(int64_t pts) const { return m_entries.count(pts) != 0; }
    void clear();
    qint64 bytes() const { return m_bytes; }
    qint64 maxBytes() const { return m_maxBytes; }
    int count() const { return int(m_entries.size()); }

private:
    struct Entry
    {
        RgbImage image;
        int64_t next = kUnknown;
        quint64 used = 0;
    };
    void evict();

    std::map<int64_t, Entry> m_entries;
    // Buffers no picture uses: one let go by the last eviction (which may go one picture past the
    // budget), and those warmed ahead while the pictures leave room.
    std::vector<QByteArray> m_spares;
    qint64 m_maxBytes;
    qint64 m_bytes = 0;
    quint64 m_clock = 0;
};
