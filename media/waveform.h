#pragma once

#include "audiodecoder.h"

#include <QByteArray>
#include <QFileInfo>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>
#include <variant>

// The loudness of a file's first sound track over time, as the timeline draws it: the peak of
// every hundredth of a second, 0 (silence) to 255 (full scale). Read piece by piece, so that a
// caller can hand each piece on and stop at any point.
class WaveformReader final
{
public:
    static constexpr int kBucketsPerSecond = 100;

    // A readable error when the file has no sound that can be decoded.
    static std::variant<std::unique_ptr<WaveformReader>, QString> open(const QString &path,
                                                                       const std::atomic_bool *cancel = nullptr);

    // Reads on for about budgetMs milliseconds; false once the whole track is read. Peaks
    // read so far are in peaks(); buckets up to readTo() are final.
    bool readMore(int budgetMs);
    const QByteArray &peaks() const { return m_peaks; }
    int readTo() const { return m_final; }

    // The peaks of file kept in folder; nullopt when none are or the kept file is damaged.
    static QString cachePath(const QString &folder, const QFileInfo &file);
    static bool save(const QString &folder, const QFileInfo &file, const QByteArray &peaks);
    static std::optional<QByteArray> load(const QString &folder, const QFileInfo &file);

private:
    WaveformReader() = default;
    void add(const AudioDecoder::Chunk &chunk);

    std::unique_ptr<AudioDecoder> m_decoder;
    QByteArray m_peaks;
    int m_final = 0; // buckets before this one will take no more samples
};
