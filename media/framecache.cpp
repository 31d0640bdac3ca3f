#include "framecache.h"

#include <iterator>
#include <utility>

void FrameCache::insert(int64_t pts, const RgbImage &image)
{
    Entry &entry = m_entries[pts];
    m_bytes += image.sizeInBytes() - entry.image.sizeInBytes();
    entry.image = image;
    entry.used = ++m_clock;
    evict();
}

QByteArray FrameCache::takeSpare(qsizetype bytes)
{
    if (m_spare.size() != bytes)
        return {};
    return std::exchange(m_spare, QByteArray());
}

void FrameCache::link(int64_t pts, int64_t next)
{
    if (auto it = m_entries.find(pts); it != m_entries.end())
        it->second.next = next;
}

RgbImage FrameCache::find(int64_t pts)
{
    const auto it = m_entries.find(pts);
    if (it == m_entries.end())
        return {};
    it->second.used = ++m_clock;
    return it->second.image;
}

int64_t FrameCache::holding(int64_t ts) const
{
    auto it = m_entries.upper_bound(ts);
    if (it == m_entries.begin())
        return kUnknown;
    --it;
    if (it->second.next == kUnknown || (it->second.next != kLast && ts >= it->second.next))
        return kUnknown;
    return it->first;
}

int64_t FrameCache::next(int64_t pts) const
{
    const auto it = m_entries.find(pts);
    return it == m_entries.end() ? kUnknown : it->second.next;
}

int64_t FrameCache::atOrBefore(int64_t ts) const
{
    auto it = m_entries.upper_bound(ts);
    if (it == m_entries.begin())
        return kUnknown;
    return std::prev(it)->first;
}

void FrameCache::clear()
{
    m_entries.clear();
    m_spare.clear();
    m_bytes = 0;
}

void FrameCache::evict()
{
    // A few hundred entries at most: a scan for the oldest costs less than keeping a second order.
    while (m_bytes > m_maxBytes && m_entries.size() > 1) {
        auto oldest = m_entries.begin();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->second.used < oldest->second.used)
                oldest = it;
        }
        m_bytes -= oldest->second.image.sizeInBytes();
        // Kept for the next picture unless something else still shows it.
        if (oldest->second.image.bytes.isDetached())
            m_spare = std::move(oldest->second.image.bytes);
        m_entries.erase(oldest);
    }
}
