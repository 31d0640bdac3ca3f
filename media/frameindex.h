#pragma once

#include "keptindex.h"

#include <QFileInfo>
#include <QString>

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

// Every video frame of a file in presentation order: its time stamp (the stream's time base),
// whether it is a keyframe, and where its packet starts in the file. Built once by reading the
// video stream's packets (no decoding), and kept on disk per file with those packets (see
// KeptIndex) so that a second load, and a cut's plan, skip that.
class FrameIndex final
{
public:
    using Frame = KeptIndex::Frame;

    FrameIndex() = default;
    // frames in any order; sorted here, duplicates of one time stamp kept once. Holds no packets.
    explicit FrameIndex(std::vector<Frame> frames);
    // The frames are the packets' (or the decoded frames where the packets lack times).
    explicit FrameIndex(KeptIndex::Contents kept);

    const std::vector<Frame> &frames() const { return m_frames; }
    int size() const { return int(m_frames.size()); }
    bool isEmpty() const { return m_frames.empty(); }
    // The frame showing at ts: the last one starting at or before it (the first frame before
    // that); -1 when empty.
    int frameAt(int64_t ts) const;
    // The last keyframe at or before frame i; 0 when none is.
    int keyframeAtOrBefore(int i) const;

    // The packets as read, in decode order, with the stream and its time base.
    const KeptIndex::Contents &kept() const { return m_kept; }

    // Reads the video stream of path; nullopt when it cannot be read or cancel became true.
    static std::optional<FrameIndex> scan(const QString &path, const std::atomic_bool *cancel = nullptr);

    // The index kept for file in folder: a name from the path, size and modification time, so a
    // changed or replaced file finds none. load gives nullopt for none or a damaged one.
    static QString cachePath(const QString &folder, const QFileInfo &file);
    bool save(const QString &folder, const QFileInfo &file) const;
    static std::optional<FrameIndex> load(const QString &folder, const QFileInfo &file);

private:
    KeptIndex::Contents m_kept;
    std::vector<Frame> m_frames;
};
