#include "audiodecoder.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

std::variant<std::unique_ptr<AudioDecoder>, QString> AudioDecoder::open(const QString &path, int sampleRate,
                                                                         int channels, const std::atomic_bool *cancel,
                                                                         MediaFile::Pick pick)
{
    auto opened = MediaFile::open(path, AVMEDIA_TYPE_AUDIO, cancel, pick);
    if (auto *error = std::get_if<QString>(&opened))
        return *error;
    std::unique_ptr<AudioDecoder> decoder(new AudioDecoder);
    decoder->m_file = std::move(std::get<std::unique_ptr<MediaFile>>(opened));
    decoder->m_rate = sampleRate;
    decoder->m_channels = std::clamp(channels, 1, 2);
    const AVCodecParameters *parameters = decoder->m_file->stream()->codecpar;
    const AVCodec *codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec)
        return u"no decoder for the sound"_s;
    decoder->m_codec.reset(avcodec_alloc_context3(codec));
    AVCodecContext *context = decoder->m_codec.get();
    if (!context || avcodec_parameters_to_context(context, parameters) < 0)
        return u"the sound's parameters are unusable"_s;
    context->pkt_timebase = decoder->m_file->stream()->time_base;
    if (avcodec_open2(context, codec, nullptr) < 0)
        return u"the sound decoder cannot start"_s;
    if (sampleRate <= 0)
        sampleRate = decoder->m_rate = context->sample_rate > 0 ? context->sample_rate : 48000;
    AVChannelLayout inLayout{};
    if (context->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || context->ch_layout.nb_channels <= 0)
        av_channel_layout_default(&inLayout, std::max(1, context->ch_layout.nb_channels));
    else
        av_channel_layout_copy(&inLayout, &context->ch_layout);
    AVChannelLayout outLayout{};
    av_channel_layout_default(&outLayout, decoder->m_channels);
    SwrContext *resampler = nullptr;
    const int made = swr_alloc_set_opts2(&resampler, &outLayout, AV_SAMPLE_FMT_S16, sampleRate, &inLayout,
                                         context->sample_fmt, context->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    decoder->m_resampler.reset(resampler);
    if (made < 0 || swr_init(resampler) < 0)
        return u"the sound cannot be resampled"_s;
    return decoder;
}

void AudioDecoder::seek(double seconds)
{
    av_seek_frame(m_file->format(), m_file->stream()->index, m_file->tsOf(seconds), AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(m_codec.get());
    swr_init(m_resampler.get()); // drops what the resampler held
    m_dropBefore = seconds;
    m_demuxerDone = false;
    m_nextSeconds.reset();
}

std::optional<AudioDecoder::Chunk> AudioDecoder::next()
{
    AVCodecContext *codec = m_codec.get();
    for (;;) {
        const int got = avcodec_receive_frame(codec, m_frame.get());
        if (got == AVERROR_EOF || (got < 0 && got != AVERROR(EAGAIN)))
            return std::nullopt;
        if (got == AVERROR(EAGAIN)) {
            if (m_demuxerDone)
                return std::nullopt;
            if (!m_file->read(m_packet.get())) {
                m_demuxerDone = true;
                avcodec_send_packet(codec, nullptr);
            } else {
                avcodec_send_packet(codec, m_packet.get());
            }
            continue;
        }
        AVFrame *frame = m_frame.get();
        if (frame->sample_rate <= 0 || frame->nb_samples <= 0)
            continue;
        double seconds = frame->best_effort_timestamp != AV_NOPTS_VALUE
                             ? m_file->secondsOf(frame->best_effort_timestamp)
                             : m_nextSeconds.value_or(0.0);
        m_nextSeconds = seconds + double(frame->nb_samples) / frame->sample_rate;
        if (*m_nextSeconds <= m_dropBefore)
            continue;
        const int most = swr_get_out_samples(m_resampler.get(), frame->nb_samples);
        QByteArray samples(qsizetype(most) * m_channels * 2, Qt::Uninitialized);
        uint8_t *out[1] = {reinterpret_cast<uint8_t *>(samples.data())};
        const int made = swr_convert(m_resampler.get(), out, most, const_cast<const uint8_t **>(frame->extended_data),
                                     frame->nb_samples);
        if (made <= 0)
            continue;
        samples.truncate(qsizetype(made) * m_channels * 2);
        if (seconds < m_dropBefore) {
            // The seek's first chunk starts at the sample asked for.
            const qsizetype drop = qsizetype(std::llround((m_dropBefore - seconds) * m_rate)) * m_channels * 2;
            samples.remove(0, std::min(drop, samples.size()));
            seconds = m_dropBefore;
        }
        if (samples.isEmpty())
            continue;
        return Chunk{seconds, samples};
    }
}
