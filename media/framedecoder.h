#pragma once

#include "avhandles.h"
#include "mediafile.h"

#include "rgbimage.h"

#include <QSize>
#include <QString>

#include <memory>
#include <variant>

// The video stream of one file decoded in presentation order: interlaced frames come out
// deinterlaced (yadif), every frame with a time stamp. Pictures are made from a frame at the
// size asked for, converted and scaled in one pass with the source's colour matrix and range.
class FrameDecoder final
{
public:
    enum class Use {
        Playback, // frame after frame: decoded on as many threads as there are cores
        Scan,     // only the frames' times and kinds matter; the pictures are left undecoded
        // Single keyframes after seeks: one thread, as frame threads would decode the frames
        // after each keyframe too before handing it over, and keep more threads busy meanwhile.
        Stills,
    };
    static std::variant<std::unique_ptr<FrameDecoder>, QString> open(const QString &path,
                                                                     const std::atomic_bool *cancel = nullptr,
                                                                     Use use = Use::Playback);

    const MediaFile &file() const { return *m_file; }
    // Positions the demuxer before ts: at the byte position pos when it is not negative, else
    // at the keyframe at or before ts. The decoder and the deinterlacer start afresh.
    bool seek(int64_t ts, int64_t pos);
    // The next frame, valid until the next call; null at the end of the stream. Packets that
    // start before skipBelow skip the frames nothing refers to: they cannot be asked for. (H.264's
    // are not even sent: in a frame-threaded decoder each skipped frame holds a thread's turn.)
    AVFrame *next(int64_t skipBelow = INT64_MIN);
    // Whether H.264 packets below skipBelow that nothing refers to are left unsent (the default);
    // off, they go to the decoder to be skipped there, as before (for side-by-side figures).
    void setLeavesOutUnreferenced(bool leaves) { m_leavesOut = leaves; }
    // The picture of frame at size (the source's display size when empty), turned upright as
    // the stream's rotation says, as a player shows it and the cut keeps it. Made in reuse when
    // that is an unshared buffer of the picture's size.
    RgbImage picture(const AVFrame *frame, QSize size, QByteArray reuse = {});
    // The frame size with the pixel aspect applied, turned as the picture is.
    QSize displaySize() const;
    // Clockwise degrees (0, 90, 180 or 270) the frames are turned to stand upright.
    int rotation() const { return m_rotation; }

private:
    FrameDecoder() = default;
    bool receive(AVFrame *out);
    bool startDeinterlacer(const AVFrame *frame);

    std::unique_ptr<MediaFile> m_file;
    av::Codec m_codec;
    av::Packet m_packet = av::makePacket();
    av::Frame m_decoded = av::makeFrame();
    av::Frame m_out = av::makeFrame();
    av::Graph m_graph;
    AVFilterContext *m_source = nullptr;
    AVFilterContext *m_sink = nullptr;
    int m_graphWidth = 0, m_graphHeight = 0, m_graphFormat = -1;
    bool m_demuxerDone = false;
    bool m_decoderDone = false;
    bool m_filterFlushed = false;
    bool m_forScan = false;
    bool m_h264 = false;
    bool m_leavesOut = true;
    int m_h264LengthSize = 0; // see NalUnits::h264LengthSize
    int m_rotation = 0;
    int64_t m_lastPts = AV_NOPTS_VALUE;
    av::Scaler m_scaler;
    QByteArray m_unturned; // a turned picture's rows as scaled, kept for the next
    struct ScalerKey
    {
        int width = 0, height = 0, format = -1, outWidth = 0, outHeight = 0, matrix = 0, fullRange = 0;
        bool operator==(const ScalerKey &) const = default;
    } m_scalerKey;
};
