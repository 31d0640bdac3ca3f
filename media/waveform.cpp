#include "waveform.h"

#include "cachefolder.h"

#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr quint32 kMagic = 0x534e5746; // "SNWF"
constexpr quint32 kVersion = 1;
// Bounds a damaged file's claim: a day of sound.
constexpr quint32 kMostBuckets = 24u * 3600u * WaveformReader::kBucketsPerSecond;

} // namespace

std::variant<std::unique_ptr<WaveformReader>, QString> WaveformReader::open(const QString &path,
                                                                           const std::atomic_bool *cancel)
{
    // One channel at the track's own rate: the mix costs little, and no resampling filter
    // smooths the peaks away.
    auto opened = AudioDecoder::open(path, 0, 1, cancel, MediaFile::Pick::First);
    if (auto *error = std::get_if<QString>(&opened))
        return *error;
    std::unique_ptr<WaveformReader> reader(new WaveformReader);
    reader->m_decoder = std::move(std::get<std::unique_ptr<AudioDecoder>>(opened));
    return reader;
}

bool WaveformReader::readMore(int budgetMs)
{
    if (!m_decoder)
        return false;
    QElapsedTimer clock;
    clock.start();
    do {
        const std::optional<AudioDecoder::Chunk> chunk = m_decoder->next();
        if (!chunk) {
            m_decoder.reset();
            m_final = int(m_peaks.size());
            return false;
        }
        add(*chunk);
    } while (clock.elapsed() < budgetMs);
    return true;
}

void WaveformReader::add(const AudioDecoder::Chunk &chunk)
{
    const auto *samples = reinterpret_cast<const qint16 *>(chunk.samples.constData());
    const qsizetype count = chunk.samples.size() / 2;
    const double rate = m_decoder->sampleRate();
    if (count == 0 || chunk.seconds < 0.0 || !std::isfinite(chunk.seconds)
        || chunk.seconds > double(kMostBuckets) / kBucketsPerSecond)
        return;
    const auto bucketOf = [&](qsizetype i) { return qsizetype((chunk.seconds + double(i) / rate) * kBucketsPerSecond); };
    const qsizetype last = bucketOf(count - 1);
    if (last >= m_peaks.size())
        m_peaks.append(last + 1 - m_peaks.size(), '\0');
    auto *peaks = reinterpret_cast<quint8 *>(m_peaks.data());
    // Walk bucket by bucket: the samples of one bucket are a run.
    qsizetype i = 0;
    while (i < count) {
        const qsizetype bucket = bucketOf(i);
        const qsizetype end = std::min(count, qsizetype(std::ceil((double(bucket + 1) / kBucketsPerSecond - chunk.seconds) * rate)));
        int loudest = 0;
        for (qsizetype j = i; j < std::max(end, i + 1); ++j)
            loudest = std::max(loudest, std::abs(int(samples[j])));
        peaks[bucket] = quint8(std::max<int>(peaks[bucket], std::min(255, (loudest * 255 + 16383) / 32767)));
        i = std::max(end, i + 1);
    }
    m_final = std::max(m_final, int(bucketOf(0)));
}

QString WaveformReader::cachePath(const QString &folder, const QFileInfo &file)
{
    return QDir(folder).filePath(CacheFolder::fileKey(file) + QStringLiteral(".wave"));
}

bool WaveformReader::save(const QString &folder, const QFileInfo &file, const QByteArray &peaks)
{
    return CacheFolder::write(cachePath(folder, file), kMagic, kVersion,
                              [&peaks](QDataStream &stream) { stream << qCompress(peaks); });
}

std::optional<QByteArray> WaveformReader::load(const QString &folder, const QFileInfo &file)
{
    QByteArray peaks;
    const bool read = CacheFolder::read(cachePath(folder, file), kMagic, kVersion, [&peaks](QDataStream &stream, qint64) {
        QByteArray packed;
        stream >> packed;
        // qUncompress trusts the size the data claims: check it before it allocates.
        if (packed.size() < 4)
            return false;
        const quint32 claimed = (quint32(quint8(packed[0])) << 24) | (quint32(quint8(packed[1])) << 16)
                                | (quint32(quint8(packed[2])) << 8) | quint32(quint8(packed[3]));
        if (claimed > kMostBuckets)
            return false;
        peaks = qUncompress(packed);
        return peaks.size() == qsizetype(claimed);
    });
    if (!read)
        return std::nullopt;
    return peaks;
}
