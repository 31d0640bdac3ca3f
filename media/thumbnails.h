#pragma once

#include "framedecoder.h"
#include "rgbimage.h"

#include <QFileInfo>
#include <QString>

#include <atomic>
#include <map>
#include <memory>
#include <utility>
#include <variant>

// Small pictures of a file's keyframes for the timeline's strip. A keyframe needs no other
// frame decoded, so each picture costs one seek and one decode.
class ThumbnailMaker final
{
public:
    static std::variant<std::unique_ptr<ThumbnailMaker>, QString> open(const QString &path,
                                                                      const std::atomic_bool *cancel = nullptr);

    // The picture of the keyframe at seconds (pos: its byte position, -1 when unknown), height
    // pixels high and as wide as the display aspect makes it; null when it cannot be decoded.
    RgbImage make(double seconds, int64_t pos, int height);

private:
    ThumbnailMaker() = default;
    std::unique_ptr<FrameDecoder> m_decoder;
};

// The thumbnails made for one file, by keyframe time (milliseconds) and height, kept in the
// cache folder between runs.
class ThumbnailStore final
{
public:
    using Key = std::pair<qint64, int>; // milliseconds, height

    const RgbImage *find(Key key) const;
    void insert(Key key, RgbImage image);
    bool isEmpty() const { return m_images.empty(); }
    bool changed() const { return m_changed; }

    static QString cachePath(const QString &folder, const QFileInfo &file);
    // Writes the store when it changed since it was loaded or last saved.
    bool save(const QString &folder, const QFileInfo &file);
    // Empty when nothing is kept or the kept file is damaged.
    static ThumbnailStore load(const QString &folder, const QFileInfo &file);

private:
    std::map<Key, RgbImage> m_images;
    bool m_changed = false;
};
