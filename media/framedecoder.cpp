#include "framedecoder.h"

#include "nalunits.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/display.h>
#include <libavutil/pixdesc.h>
}

#include <cmath>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// The colour matrix swscale should use for a frame; HD sizes that state none are BT.709.
int swsMatrix(const AVFrame *frame)
{
    switch (frame->colorspace) {
    case AVCOL_SPC_BT709: return SWS_CS_ITU709;
    case AVCOL_SPC_FCC: return SWS_CS_FCC;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M: return SWS_CS_ITU601;
    case AVCOL_SPC_SMPTE240M: return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL: return SWS_CS_BT2020;
    default: return frame->height >= 720 ? SWS_CS_ITU709 : SWS_CS_ITU601;
    }
}

// The clockwise turn, in quarter turns, that the stream's display matrix asks for; mirrored
// matrices are taken as their turn alone.
int rotationOf(const AVStream *stream)
{
    const uint8_t *matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
    if (!matrix)
        return 0;
    const double counterclockwise = av_display_rotation_get(reinterpret_cast<const int32_t *>(matrix));
    if (!std::isfinite(counterclockwise))
        return 0;
    const long quarters = std::lround(-counterclockwise / 90.0);
    return int(((quarters % 4) + 4) % 4) * 90;
}

// source (width x height) turned clockwise by degrees into target.
void turn(const RgbImage &source, int degrees, RgbImage &target)
{
    const int w = source.size.width(), h = source.size.height();
    const auto *in = reinterpret_cast<const quint32 *>(source.bytes.constData());
    auto *out = reinterpret_cast<quint32 *>(target.bytes.data());
    const qsizetype inRow = source.stride / 4, outRow = target.stride / 4;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const quint32 pixel = in[y * inRow + x];
            switch (degrees) {
            case 90: out[qsizetype(x) * outRow + (h - 1 - y)] = pixel; break;
            case 180: out[qsizetype(h - 1 - y) * outRow + (w - 1 - x)] = pixel; break;
            default: out[qsizetype(w - 1 - x) * outRow + y] = pixel; break; // 270
            }
        }
    }
}

bool isFullRange(const AVFrame *frame)
{
    switch (frame->format) {
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_YUVJ440P: return true;
    default: return frame->color_range == AVCOL_RANGE_JPEG;
    }
}

} // namespace

std::variant<std::unique_ptr<FrameDecoder>, QString> FrameDecoder::open(const QString &path,
                                                                         const std::atomic_bool *cancel, Use use)
{
    auto opened = MediaFile::open(path, AVMEDIA_TYPE_VIDEO, cancel);
    if (auto *error = std::get_if<QString>(&opened))
        return *error;
    std::unique_ptr<FrameDecoder> decoder(new FrameDecoder);
    decoder->m_file = std::move(std::get<std::unique_ptr<MediaFile>>(opened));
    const AVStream *stream = decoder->m_file->stream();
    const AVCodec *codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return u"no decoder for the video"_s;
    decoder->m_codec.reset(avcodec_alloc_context3(codec));
    AVCodecContext *context = decoder->m_codec.get();
    if (!context || avcodec_parameters_to_context(context, stream->codecpar) < 0)
        return u"the video's parameters are unusable"_s;
    context->pkt_timebase = stream->time_base;
    context->thread_count = use == Use::Stills ? 1 : 0;
    context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (use == Use::Scan) {
        context->skip_idct = AVDISCARD_ALL;
        context->skip_loop_filter = AVDISCARD_ALL;
        decoder->m_forScan = true;
    }
    if (avcodec_open2(context, codec, nullptr) < 0)
        return u"the video decoder cannot start"_s;
    decoder->m_rotation = rotationOf(stream);
    if (stream->codecpar->codec_id == AV_CODEC_ID_H264) {
        decoder->m_h264 = true;
        decoder->m_h264LengthSize = NalUnits::h264LengthSize(stream->codecpar->extradata,
                                                             stream->codecpar->extradata_size);
    }
    if (!decoder->m_packet || !decoder->m_decoded || !decoder->m_out)
        return u"out of memory"_s;
    return decoder;
}

bool FrameDecoder::seek(int64_t ts, int64_t pos)
{
    AVFormatContext *format = m_file->format();
    int result = -1;
    if (pos >= 0)
        result = av_seek_frame(format, m_file->stream()->index, pos, AVSEEK_FLAG_BYTE);
    if (result < 0)
        result = av_seek_frame(format, m_file->stream()->index, ts, AVSEEK_FLAG_BACKWARD);
    // A format that cannot seek by time stamp here still can by bytes from the start.
    if (result < 0 && ts <= m_file->startTs())
        result = av_seek_frame(format, m_file->stream()->index, 0, AVSEEK_FLAG_BYTE);
    avcodec_flush_buffers(m_codec.get());
    m_graph.reset();
    m_source = m_sink = nullptr;
    m_demuxerDone = m_decoderDone = m_filterFlushed = false;
    m_lastPts = AV_NOPTS_VALUE;
    return result >= 0;
}

bool FrameDecoder::startDeinterlacer(const AVFrame *frame)
{
    m_graph.reset(avfilter_graph_alloc());
    if (!m_graph)
        return false;
    const AVRational timeBase = m_file->timeBase();
    const AVRational aspect = frame->sample_aspect_ratio.num > 0 ? frame->sample_aspect_ratio : AVRational{1, 1};
    const QByteArray args = QStringLiteral("video_size=%1x%2:pix_fmt=%3:time_base=%4/%5:pixel_aspect=%6/%7")
                                .arg(frame->width).arg(frame->height).arg(frame->format)
                                .arg(timeBase.num).arg(timeBase.den).arg(aspect.num).arg(aspect.den)
                                .toLatin1();
    AVFilterContext *yadif = nullptr;
    // One frame out per frame in, only frames marked interlaced are touched.
    if (avfilter_graph_create_filter(&m_source, avfilter_get_by_name("buffer"), "in", args.constData(), nullptr,
                                     m_graph.get()) < 0
        || avfilter_graph_create_filter(&yadif, avfilter_get_by_name("yadif"), "deinterlace",
                                        "mode=send_frame:parity=auto:deint=interlaced", nullptr, m_graph.get()) < 0
        || avfilter_graph_create_filter(&m_sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                        m_graph.get()) < 0
        || avfilter_link(m_source, 0, yadif, 0) < 0 || avfilter_link(yadif, 0, m_sink, 0) < 0
        || avfilter_graph_config(m_graph.get(), nullptr) < 0) {
        m_graph.reset();
        m_source = m_sink = nullptr;
        return false;
    }
    m_graphWidth = frame->width;
    m_graphHeight = frame->height;
    m_graphFormat = frame->format;
    return true;
}

bool FrameDecoder::receive(AVFrame *out)
{
    AVCodecContext *codec = m_codec.get();
    for (;;) {
        if (m_graph) {
            const int got = av_buffersink_get_frame(m_sink, out);
            if (got >= 0) {
                // yadif counts in half the stream's time base.
                if (out->pts != AV_NOPTS_VALUE)
                    out->pts = av_rescale_q(out->pts, av_buffersink_get_time_base(m_sink), m_file->timeBase());
                return true;
            }
            if (got != AVERROR(EAGAIN)) // the deinterlacer has given its last frame
                return false;
            if (m_decoderDone) {
                if (m_filterFlushed)
                    return false;
                m_filterFlushed = true;
                if (av_buffersrc_add_frame(m_source, nullptr) < 0)
                    return false;
                continue;
            }
        } else if (m_decoderDone) {
            return false;
        }
        const int got = avcodec_receive_frame(codec, m_decoded.get());
        if (got >= 0) {
            AVFrame *frame = m_decoded.get();
            frame->pts = frame->best_effort_timestamp;
            const bool interlaced = frame->interlaced_frame != 0;
            const bool reshaped = m_graph
                                  && (frame->width != m_graphWidth || frame->height != m_graphHeight
                                      || frame->format != m_graphFormat);
            if (reshaped) {
                // Frames queued in the old graph are lost; a change of size mid-stream is rare.
                m_graph.reset();
                m_source = m_sink = nullptr;
            }
            if (!m_graph && interlaced && !m_forScan)
                startDeinterlacer(frame);
            if (m_graph) {
                if (av_buffersrc_add_frame_flags(m_source, frame, 0) < 0)
                    av_frame_unref(frame);
                continue;
            }
            av_frame_move_ref(out, frame);
            return true;
        }
        if (got == AVERROR_EOF) {
            m_decoderDone = true;
            continue;
        }
        if (got != AVERROR(EAGAIN)) {
            // A decoder in an error state: flush what it holds as the end.
            m_decoderDone = true;
            continue;
        }
        if (m_demuxerDone) {
            // EAGAIN after the flush packet would loop: take it as the end.
            m_decoderDone = true;
            continue;
        }
        return false; // wants a packet
    }
}

AVFrame *FrameDecoder::next(int64_t skipBelow)
{
    AVCodecContext *codec = m_codec.get();
    av_frame_unref(m_out.get());
    for (;;) {
        if (receive(m_out.get())) {
            AVFrame *frame = m_out.get();
            // The odd frame the decoder cannot place gets the slot after the last one.
            if (frame->pts == AV_NOPTS_VALUE)
                frame->pts = m_lastPts == AV_NOPTS_VALUE ? m_file->startTs() : m_lastPts + std::max<int64_t>(1, frame->pkt_duration);
            m_lastPts = frame->pts;
            return frame;
        }
        if (m_decoderDone)
            return nullptr;
        if (m_demuxerDone) {
            avcodec_send_packet(codec, nullptr);
            continue;
        }
        if (!m_file->read(m_packet.get())) {
            m_demuxerDone = true;
            avcodec_send_packet(codec, nullptr);
            continue;
        }
        const int64_t pts = m_packet->pts;
        const bool skipping = pts != AV_NOPTS_VALUE && pts < skipBelow;
        if (skipping && m_h264 && m_leavesOut
            && NalUnits::h264NothingRefersTo(m_packet->data, m_packet->size, m_h264LengthSize))
            continue;
        codec->skip_frame = skipping ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
        // A damaged packet is dropped; the decoder goes on with the next.
        avcodec_send_packet(codec, m_packet.get());
    }
}

QSize FrameDecoder::displaySize() const
{
    const AVCodecParameters *parameters = m_file->stream()->codecpar;
    int width = parameters->width;
    int height = parameters->height;
    AVRational aspect = m_file->stream()->sample_aspect_ratio;
    if (aspect.num <= 0)
        aspect = parameters->sample_aspect_ratio;
    if (aspect.num > 0 && aspect.den > 0) {
        if (aspect.num > aspect.den)
            width = int(int64_t(width) * aspect.num / aspect.den);
        else
            height = int(int64_t(height) * aspect.den / aspect.num);
    }
    return m_rotation % 180 ? QSize(height, width) : QSize(width, height);
}

RgbImage FrameDecoder::picture(const AVFrame *frame, QSize size, QByteArray reuse)
{
    if (!frame || frame->width <= 0 || frame->height <= 0)
        return {};
    if (size.isEmpty())
        size = displaySize();
    const QSize target = size;
    if (m_rotation % 180)
        size.transpose(); // scaled as stored, then turned
    const ScalerKey key{frame->width, frame->height, frame->format, size.width(), size.height(),
                        swsMatrix(frame), isFullRange(frame) ? 1 : 0};
    if (!m_scaler || !(key == m_scalerKey)) {
        m_scaler.reset(sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), size.width(),
                                      size.height(), AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!m_scaler)
            return {};
        const int *coefficients = sws_getCoefficients(key.matrix);
        sws_setColorspaceDetails(m_scaler.get(), coefficients, key.fullRange, sws_getCoefficients(SWS_CS_DEFAULT), 1,
                                 0, 1 << 16, 1 << 16);
        m_scalerKey = key;
    }
    const qsizetype bytes = qsizetype(size.width()) * 4 * size.height();
    const auto buffer = [bytes](QByteArray &spare) {
        if (spare.size() == bytes && spare.isDetached())
            return std::exchange(spare, QByteArray());
        return QByteArray(bytes, Qt::Uninitialized);
    };
    RgbImage image;
    image.size = size;
    image.stride = qsizetype(size.width()) * 4;
    image.bytes = buffer(m_rotation == 0 ? reuse : m_unturned);
    uint8_t *planes[4] = {reinterpret_cast<uint8_t *>(image.bytes.data()), nullptr, nullptr, nullptr};
    const int strides[4] = {int(image.stride), 0, 0, 0};
    if (sws_scale(m_scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides) <= 0)
        return {};
    if (m_rotation == 0)
        return image;
    RgbImage upright;
    upright.size = target;
    upright.stride = qsizetype(target.width()) * 4;
    upright.bytes = buffer(reuse);
    turn(image, m_rotation, upright);
    m_unturned = std::move(image.bytes);
    return upright;
}
