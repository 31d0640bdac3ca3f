#pragma once

// Owning handles for the libav* objects: each frees its object the way its library asks.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace av {

struct FormatCloser
{
    void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};
struct CodecFreer
{
    void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};
struct FrameFreer
{
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
struct PacketFreer
{
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};
struct ScalerFreer
{
    void operator()(SwsContext *context) const { sws_freeContext(context); }
};
struct ResamplerFreer
{
    void operator()(SwrContext *context) const { swr_free(&context); }
};
struct GraphFreer
{
    void operator()(AVFilterGraph *graph) const { avfilter_graph_free(&graph); }
};

using Format = std::unique_ptr<AVFormatContext, FormatCloser>;
using Codec = std::unique_ptr<AVCodecContext, CodecFreer>;
using Frame = std::unique_ptr<AVFrame, FrameFreer>;
using Packet = std::unique_ptr<AVPacket, PacketFreer>;
using Scaler = std::unique_ptr<SwsContext, ScalerFreer>;
using Resampler = std::unique_ptr<SwrContext, ResamplerFreer>;
using Graph = std::unique_ptr<AVFilterGraph, GraphFreer>;

inline Frame makeFrame() { return Frame(av_frame_alloc()); }
inline Packet makePacket() { return Packet(av_packet_alloc()); }

} // namespace av
