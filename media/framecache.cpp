#include "framecache.h"

#include <algorithm>
#include <iterator>
#include <utility>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

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
    for (auto it = m_spares.begin(); it != m_spares.end(); ++it) {
        if (it->size() == bytes) {
            QByteArray spare = std::move(*it);
            m_spares.erase(it);
            return spare;
        }
    }
    return {};
}

qint64 FrameCache::spareBytes() const
{
    qint64 bytes = 0;
    for (const QByteArray &spare : m_spares)
        bytes += spare.size();
    return bytes;
}

QByteArray FrameCache::freshBuffer(qsizetype bytes)
{
    QByteArray buffer(bytes, Qt::Uninitialized);
#ifdef Q_OS_LINUX
    // Only the whole huge pages inside the buffer; the advice is a hint, its failure harmless.
    constexpr quintptr kHuge = 2 * 1024 * 1024;
    const auto begin = reinterpret_cast<quintptr>(buffer.data());
    const quintptr first = (begin + kHuge - 1) & ~(kHuge - 1);
    const quintptr last = (begin + quintptr(bytes)) & ~(kHuge - 1);
    if (last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
#endif
    return buffer;
}

bool FrameCache::warm(qsizetype bytes, const std::function<bool()> &stop)
{
    if (bytes <= 0 || int(m_spares.size()) >= kMostWarm || m_bytes + spareBytes() + bytes > m_maxBytes)
        return false;
    QByteArray spare = freshBuffer(bytes);
    char *data = spare.data();
    constexpr qsizetype kPage = 4096;
    constexpr qsizetype kChunk = 1024 * 1024;
    bool stopped = false;
    for (qsizetype chunk = 0; chunk < bytes && !stopped; chunk += kChunk) {
        for (qsizetype at = chunk; at < std::min(bytes, chunk + kChunk); at += kPage)
            data[at] = 0;
        stopped = stop && stop();
    }
    m_spares.push_back(std::move(spare));
    return !stopped;
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
    m_spares.clear();
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
            m_spares.push_back(std::move(oldest->second.image.bytes));
        m_entries.erase(oldest);
    }
    // The newest spare stays, even a picture past the budget, as the next picture's memory.
    while (m_spares.size() > 1 && m_bytes + spareBytes() > m_maxBytes)
        m_spares.erase(m_spares.begin());
}
