#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// The smart cut's decisions, as plain functions over text and numbers: reading
// the prober's packet listing, choosing which frames are re-encoded and which
// are copied, and the encoder options of each step. SmartCutJob runs them.
//
// A smart cut re-encodes the frames from the start to the first clean keyframe
// (the head) and from the last clean keyframe to the end (the tail), and copies
// the whole groups of pictures between them (the middle) bit for bit. The parts
// travel as MPEG-TS files, which carry their parameter sets in band, and are
// joined by the concat demuxer; the sound is cut once over the whole range.
namespace SmartCut {

// The options of the "Original quality, exact cut (smart)" preset. On its own
// the line is a plain stream copy; the workflow recognises it and runs a
// SmartCutJob instead of the single-command job.
inline const QString kPresetParams = QStringLiteral("-map 0:v:0 -map 0:a:0? -c copy");

// The status a cut reports when it re-encodes the whole range.
inline const QString kReEncodeStatus =
    QStringLiteral("Exact cut by re-encoding: the source cannot be copied exactly");

// True for the smart preset's options, also with the cut's own " -ss S -t L"
// and " -y" after them; spacing does not matter.
bool IsSmartCutPreset(const QString &params);

// The output's extension for a source: its own where that is MP4, MOV or MKV
// (any letter case; M4V counts as MP4), else "mkv". Lower case, no dot.
QString OutputExtension(const QString &sourcePath);

// The prober's file name in the program folder ("ffprobe", "ffprobe.exe").
QString proberFileName();

// The probe command: the first video stream's packets (presentation and decode
// times, flags) in decode order, its description, the file's start time and format,
// as "packet|...", "stream|..." and "format|..." lines.
QString probeCommandLine(const QString &sProgramDir, const QString &sInputFile);

struct VideoStream
{
    QString codec;          // "h264", "hevc", "mpeg2video", ...
    QString profile;        // "High", "Main 10", ...
    QString pixelFormat;    // "yuv420p", ...
    QString sampleAspect;   // "1:1"; empty when unknown
    QString colorRange;     // these four: empty when unknown
    QString colorSpace;
    QString colorTransfer;
    QString colorPrimaries;
    int width = 0;
    int height = 0;
    int level = 0;          // as the prober gives it: 40 for H.264 4.0, 120 for HEVC 4
    int reorderDepth = 0;   // has_b_frames: how many frames show after a later-decoded one
    int timeBaseDen = 0;    // N of a 1/N time base, else 0
    double frameRate = 0;   // r_frame_rate
};

struct Packet
{
    double pts = -1;        // seconds; negative when the prober gave none
    bool key = false;
    bool hasPts = false;
};

// What the prober said. Missing parts stay empty; the planner then re-encodes.
struct Probe
{
    VideoStream video;
    double startTime = 0;   // the file's start: cut times count from here
    QString formatName;     // the demuxer's names, "mov,mp4,m4a,3gp,3g2,mj2", "matroska,webm", ...
    QList<Packet> packets;  // decode order
};

Probe parseProbe(QStringView text);

// A run of frames for one step: the seek (seconds from the file's start, for
// "-ss" before the input) and how many frames follow it.
struct Span
{
    double seek = 0;
    int frames = 0;
    // Starts on a clean keyframe: the seek lands on it, a quarter frame late,
    // and decoding starts there instead of a whole group of pictures earlier.
    bool fromKeyframe = false;
};

struct Plan
{
    bool smart = false;
    QString reason;          // why the whole range is re-encoded; empty when smart
    double start = 0;        // the range: the first frame's time from the file's start
    double length = 0;       // and its length (frames times the frame duration)
    int frames = 0;          // frames in the range; 0 when the listing was unusable
    double frameDuration = 0;
    // How far before the range a seek that may land late should aim: the
    // longest group of pictures and a second more.
    double seekMargin = 0;
    Span head;               // re-encoded; frames 0 when the start is a keyframe
    Span middle;             // copied; only for a smart plan
    Span tail;               // re-encoded; frames 0 when the end meets a keyframe or the file's end
};

// The plan for the frames shown from start to start + length (seconds from the
// file's start, half-open, to a tolerance of half a millisecond).
Plan planCut(const Probe &probe, double start, double length);

// Options for CVideoConv with fast seek on (its "-ss" goes before the input).
// The head or tail: the source's codec with matching settings, into MPEG-TS.
// A span from a keyframe opens the source again as a second input, since the
// seek that keeps the keyframe is an input option; run it with fast seek off.
QString partEncodeOptions(const VideoStream &video, const Span &span, const QString &sourcePath);
// The middle: packets copied from the keyframe on, counted, into MPEG-TS.
QString middleCopyOptions(const Span &span);
// The concat demuxer's list of the parts (names relative to the list's folder).
struct PartFile
{
    QString name;
    int frames = 0;
};
QByteArray concatList(const QList<PartFile> &parts, double frameDuration);
// The join: run with the source as the input (for its sound), the list as the
// second input; writes the container of extension.
QString joinOptions(const Plan &plan, const VideoStream &video, const QString &listPath, const QString &extension);
// The whole range re-encoded with a codec matching the source's, in one run.
// It seeks a margin early and trims by the frames' times, since not every
// container seeks exactly.
QString reEncodeOptions(const Plan &plan, const VideoStream &video, const QString &extension);

} // namespace SmartCut
