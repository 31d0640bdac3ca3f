#pragma once

#include "avhandles.h"
#include "mediafile.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <variant>

// The best audio stream of a file, decoded and resampled to interleaved signed 16-bit samples at
// the rate and channel count the sound output takes. Times count as MediaFile's do.
class AudioDecoder final
{
public:
    struct Chunk
    {
        double seconds = 0.0; // the first sample's time
        QByteArray samples;
    };

    // sampleRate 0: the track's own. cancel, when set, aborts blocking reads once it is true.
    static std::variant<std::unique_ptr<AudioDecoder>, QString> open(const QString &path, int sampleRate,
                                                                     int channels,
                                                                     const std::atomic_bool *cancel = nullptr,
                                                                     MediaFile::Pick pick = MediaFile::Pick::Best);

    int sampleRate() const { return m_rate; }
    int channels() const { return m_channels; }
    int bytesPerSecond() const { return m_rate * m_channels * 2; }
    // From the sample at seconds on: samples before it are dropped.
    void seek(double seconds);
    // The next samples; nullopt at the end.
    std::optional<Chunk> next();

private:
    AudioDecoder() = default;

    std::unique_ptr<MediaFile> m_file;
    av::Codec m_codec;
    av::Resampler m_resampler;
    av::Packet m_packet = av::makePacket();
    av::Frame m_frame = av::makeFrame();
    int m_rate = 48000;
    int m_channels = 2;
    double m_dropBefore = -1.0e18;
    bool m_demuxerDone = false;
    std::optional<double> m_nextSeconds; // where the samples without a time stamp go
};
