#include "thumbnails.h"

#include "cachefolder.h"

#include <QDataStream>
#include <QDir>

#include <algorithm>
#include <cmath>

namespace {

constexpr quint32 kMagic = 0x534e5448; // "SNTH"
constexpr quint32 kVersion = 1;
constexpr quint32 kMostPictures = 100'000;
constexpr int kMostSide = 4096;
// Frames decoded after a seek before taking what came: a seek lands on the keyframe asked
// for, so more only means a container that seeks badly.
constexpr int kMostFramesAfterSeek = 30;

} // namespace

std::variant<std::unique_ptr<ThumbnailMaker>, QString> ThumbnailMaker::open(const QString &path,
                                                                           const std::atomic_bool *cancel)
{
    auto opened = FrameDecoder::open(path, cancel, FrameDecoder::Use::Stills);
    if (auto *error = std::get_if<QString>(&opened))
        return *error;
    std::unique_ptr<ThumbnailMaker> maker(new ThumbnailMaker);
    maker->m_decoder = std::move(std::get<std::unique_ptr<FrameDecoder>>(opened));
    return maker;
}

RgbImage ThumbnailMaker::make(double seconds, int64_t pos, int height)
{
    const MediaFile &file = m_decoder->file();
    const int64_t ts = file.tsOf(seconds);
    m_decoder->seek(ts, pos);
    const QSize display = m_decoder->displaySize();
    if (display.isEmpty() || height <= 0)
        return {};
    const QSize size(std::clamp(int(std::lround(double(height) * display.width() / display.height())), 1, kMostSide),
                     std::min(height, kMostSide));
    const AVFrame *taken = nullptr;
    for (int i = 0; i < kMostFramesAfterSeek; ++i) {
        const AVFrame *frame = m_decoder->next();
        if (!frame)
            break;
        taken = frame;
        if (frame->pts >= ts)
            break;
    }
    return taken ? m_decoder->picture(taken, size) : RgbImage{};
}

const RgbImage *ThumbnailStore::find(Key key) const
{
    const auto found = m_images.find(key);
    return found == m_images.end() ? nullptr : &found->second;
}

void ThumbnailStore::insert(Key key, RgbImage image)
{
    m_images[key] = std::move(image);
    m_changed = true;
}

QString ThumbnailStore::cachePath(const QString &folder, const QFileInfo &file)
{
    return QDir(folder).filePath(CacheFolder::fileKey(file) + QStringLiteral(".thumbs"));
}

bool ThumbnailStore::save(const QString &folder, const QFileInfo &file)
{
    if (!m_changed)
        return true;
    const bool written = CacheFolder::write(cachePath(folder, file), kMagic, kVersion, [this](QDataStream &stream) {
        stream << quint32(m_images.size());
        for (const auto &[key, image] : m_images) {
            stream << qint64(key.first) << qint32(key.second) << qint32(image.size.width())
                   << qint32(image.size.height()) << qint64(image.stride) << qCompress(image.bytes, 1);
        }
    });
    m_changed = m_changed && !written;
    return written;
}

ThumbnailStore ThumbnailStore::load(const QString &folder, const QFileInfo &file)
{
    ThumbnailStore store;
    const bool read = CacheFolder::read(cachePath(folder, file), kMagic, kVersion, [&store](QDataStream &stream, qint64) {
        quint32 count = 0;
        stream >> count;
        if (count > kMostPictures)
            return false;
        for (quint32 i = 0; i < count; ++i) {
            qint64 ms = 0, stride = 0;
            qint32 height = 0, width = 0, rows = 0;
            QByteArray packed;
            stream >> ms >> height >> width >> rows >> stride >> packed;
            // The sizes are checked before qUncompress allocates what the data claims.
            if (stream.status() != QDataStream::Ok || width <= 0 || rows <= 0 || width > kMostSide
                || rows > kMostSide || stride != qint64(width) * 4)
                return false;
            RgbImage image{QSize(width, rows), qsizetype(stride), qUncompress(packed)};
            if (image.bytes.size() != stride * rows)
                return false;
            store.m_images[{ms, height}] = std::move(image);
        }
        return true;
    });
    return read ? store : ThumbnailStore();
}
