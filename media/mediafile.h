#pragma once

#include "avhandles.h"

#include <QString>

#include <atomic>
#include <memory>
#include <optional>
#include <variant>

// One opened file with the stream chosen to read (the best video or audio stream); the other
// streams are discarded by the demuxer. Times: a stream time stamp's seconds count from the
// file's start time (AVFormatContext::start_time), the origin the encoder's -ss counts from.
class MediaFile final
{
public:
    // Which stream of the type to read: the one the demuxer rates best (what a player plays),
    // or the first in the file (what "the first sound track" means to a user).
    enum class Pick { Best, First };

    // A readable error when the file cannot be opened or has no such stream. cancel, when set,
    // aborts blocking reads once it becomes true.
    static std::variant<std::unique_ptr<MediaFile>, QString> open(const QString &path, AVMediaType type,
                                                                  const std::atomic_bool *cancel = nullptr,
                                                                  Pick pick = Pick::Best);

    AVFormatContext *format() const { return m_format.get(); }
    AVStream *stream() const { return m_stream; }
    AVRational timeBase() const { return m_stream->time_base; }
    // The file's start in the stream's time base.
    int64_t startTs() const { return m_startTs; }
    double secondsOf(int64_t ts) const;
    // The time stamp showing at seconds; a time up to half a millisecond before a time stamp
    // counts as that stamp.
    int64_t tsOf(double seconds) const;
    // Formats without a usable index of their own (MPEG program and transport streams, FLV):
    // seek to a byte position from the frame index.
    bool seeksByByte() const { return m_seeksByByte; }
    // The container's length; nullopt when its header states none.
    std::optional<double> duration() const;
    // The stream's nominal frames per second; nullopt when unknown.
    std::optional<double> frameRate() const;
    // The next packet of the chosen stream; false at the end or on a read error.
    bool read(AVPacket *packet);

private:
    MediaFile() = default;

    av::Format m_format;
    AVStream *m_stream = nullptr;
    int64_t m_startTs = 0;
    bool m_seeksByByte = false;
};
