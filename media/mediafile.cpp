#include "mediafile.h"

#include <QFile>

#include <cmath>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

int interruptRequested(void *cancel)
{
    return static_cast<const std::atomic_bool *>(cancel)->load() ? 1 : 0;
}

QString errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

} // namespace

std::variant<std::unique_ptr<MediaFile>, QString> MediaFile::open(const QString &path, AVMediaType type,
                                                                  const std::atomic_bool *cancel, Pick pick)
{
    std::unique_ptr<MediaFile> file(new MediaFile);
    AVFormatContext *context = avformat_alloc_context();
    if (!context)
        return u"out of memory"_s;
    if (cancel) {
        context->interrupt_callback.callback = &interruptRequested;
        context->interrupt_callback.opaque = const_cast<std::atomic_bool *>(cancel);
    }
    // The file name as the file system spells it, not as a URL: '#' or '?' are not special.
    const QByteArray name = "file:" + QFile::encodeName(path);
    if (const int error = avformat_open_input(&context, name.constData(), nullptr, nullptr); error < 0)
        return errorText(error); // avformat_open_input freed the context
    file->m_format.reset(context);
    if (const int error = avformat_find_stream_info(context, nullptr); error < 0)
        return errorText(error);
    int index = av_find_best_stream(context, type, -1, -1, nullptr, 0);
    if (pick == Pick::First && index >= 0) {
        for (unsigned i = 0; i < context->nb_streams; ++i) {
            const AVStream *stream = context->streams[i];
            if (stream->codecpar->codec_type == type && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC)
                && avcodec_find_decoder(stream->codecpar->codec_id)) {
                index = int(i);
                break;
            }
        }
    }
    if (index < 0)
        return type == AVMEDIA_TYPE_VIDEO ? u"no video stream"_s : u"no audio stream"_s;
    file->m_stream = context->streams[index];
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        if (int(i) != index)
            context->streams[i]->discard = AVDISCARD_ALL;
    }
    if (context->start_time != AV_NOPTS_VALUE)
        file->m_startTs = av_rescale_q(context->start_time, AV_TIME_BASE_Q, file->m_stream->time_base);
    static constexpr const char *kByteSeekers[] = {"mpegts", "mpeg", "mpegvideo", "flv"};
    for (const char *name : kByteSeekers) {
        if (std::strcmp(context->iformat->name, name) == 0)
            file->m_seeksByByte = true;
    }
    return file;
}

double MediaFile::secondsOf(int64_t ts) const
{
    return double(ts - m_startTs) * av_q2d(m_stream->time_base);
}

int64_t MediaFile::tsOf(double seconds) const
{
    // A mark to the millisecond may fall just before the start of the frame it names.
    return m_startTs + int64_t(std::floor((seconds + 0.0005) / av_q2d(m_stream->time_base)));
}

std::optional<double> MediaFile::duration() const
{
    if (m_format->duration == AV_NOPTS_VALUE || m_format->duration <= 0)
        return std::nullopt;
    return double(m_format->duration) / AV_TIME_BASE;
}

std::optional<double> MediaFile::frameRate() const
{
    for (const AVRational rate : {m_stream->avg_frame_rate, m_stream->r_frame_rate}) {
        if (rate.num > 0 && rate.den > 0) {
            const double fps = av_q2d(rate);
            // Field rates and nonsense (1000 fps from a millisecond time base) are not frame rates.
            if (std::isfinite(fps) && fps > 0.5 && fps < 400.0)
                return fps;
        }
    }
    return std::nullopt;
}

bool MediaFile::read(AVPacket *packet)
{
    for (;;) {
        av_packet_unref(packet);
        if (av_read_frame(m_format.get(), packet) < 0)
            return false;
        if (packet->stream_index == m_stream->index)
            return true;
    }
}
