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

// The status that names the tracks the output cannot hold: %1 the container
// ("MP4"), %2 the tracks.
inline const QString kNotKeptStatus = QStringLiteral("Not kept, as %1 cannot hold them: %2");

// True for the smart preset's options, also with the cut's own " -ss S -t L"
// and " -y" after them; spacing does not matter.
bool IsSmartCutPreset(const QString &params);

// The output's extension for a source: its own where that is MP4, MOV or MKV
// (any letter case; M4V counts as MP4), else "mkv". Lower case, no dot.
QString OutputExtension(const QString &sourcePath);


// The probe command: the first video stream's packets (presentation and decode
// times, flags) in decode order, its description, the file's start time and format,
// as "packet|...", "stream|..." and "format|..." lines.
QString probeCommandLine(const QString &sProgramDir, const QString &sInputFile);
// Every stream of the file, one "stream|..." line each: its kind, codec,
// channels and tags. The cut keeps them all.
QString tracksCommandLine(const QString &sProgramDir, const QString &sInputFile);
// The packets of a copied part, to check them against the source's.
QString partProbeCommandLine(const QString &sProgramDir, const QString &sPartFile);

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
    // The display rotation the prober reads from the stream's matrix, in
    // degrees; 0 when there is none. The parts keep the pixels as stored
    // and the output carries the rotation, as the copied middle does.
    int rotation = 0;
    bool interlaced = false;
};

// One stream of the file, from the track listing.
struct Track
{
    int index = -1;
    QString type;           // "video", "audio", "subtitle", "data", "attachment"
    QString codec;
    int channels = 0;
    QString channelLayout;  // empty when the file names none
    int reorderDepth = 0;
    QString language;
    QString title;
};

struct Packet
{
    double pts = -1;        // seconds; negative when the prober gave none
    double dts = -1;        // seconds; only when hasDts
    qint64 size = 0;        // bytes
    bool key = false;
    bool hasPts = false;
    bool hasDts = false;
};

// What the prober said. Missing parts stay empty; the planner then re-encodes.
struct Probe
{
    VideoStream video;
    double startTime = 0;   // the file's start: cut times count from here
    QString formatName;     // the demuxer's names, "mov,mp4,m4a,3gp,3g2,mj2", "matroska,webm", ...
    QList<Packet> packets;  // decode order
    QList<Track> tracks;    // every stream, from the track listing
    QString sourcePath;     // the file listed; options that open it again use it
};

Probe parseProbe(QStringView text);
// Adds the track listing's streams to probe.
void parseTracks(QStringView text, Probe *probe);

// A run of frames for one step: the seek (seconds from the file's start, for
// "-ss" before the input) and how many frames follow it.
struct Span
{
    double seek = 0;
    int frames = 0;
    // Starts on a clean keyframe: the seek lands on it, a quarter frame late,
    // and decoding starts there instead of a whole group of pictures earlier.
    bool fromKeyframe = false;
    // For a copy found by decode times: the output's "-ss", after the input
    // seek, that drops every packet decoded before the keyframe.
    double dropBefore = -1;
    // For a re-encoded part: the source's own bitrate over the same frames
    // (bits per second; 0 when unknown), which the part matches.
    double bitrate = 0;
    // The size of the keyframe the source's group of these frames starts
    // with, in bits: a part must start with one too.
    double keyframeBits = 0;
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
    // The copied packets' decode indexes in the listing: [copyFirst, copyFirst + middle.frames).
    qsizetype copyFirst = -1;
    // Varying frame times: the whole range keeps each frame's own time.
    bool variableRate = false;
    // How much later than a keyframe the copy's and the tail's seeks aim, to
    // make up for the demuxer aiming that much early.
    double seekShift = 0;
};

// The plan for the frames shown from start to start + length (seconds from the
// file's start, half-open, to a tolerance of half a millisecond).
Plan planCut(const Probe &probe, double start, double length);

// Options for CVideoConv. The head or tail: the source's codec with matching
// settings and bitrate, into MPEG-TS. It opens the source again as a second
// input, whose seek and pixel options are its own; run it with fast seek off.
QString partEncodeOptions(const VideoStream &video, const Span &span, const QString &sourcePath);
// The tracks the output of extension cannot hold, for the status line ("subtitle
// track 3 (hdmv_pgs_subtitle)"); empty when it holds them all.
QStringList droppedTracks(const Probe &probe, const QString &extension);
// The middle: packets copied from the keyframe on, counted, into MPEG-TS.
// Run it with fast seek off.
QString middleCopyOptions(const Span &span, const QString &sourcePath);
// Whether the copied part holds the source's packets from plan.copyFirst on:
// as many, with sizes that differ from the source's by one constant (the
// start codes and delimiters the copy into MPEG-TS may add) but on keyframes
// and the last packet.
// A seek that found another keyframe copies another group of pictures, whose
// sizes do not line up.
bool copiedPartMatches(const Probe &source, const Plan &plan, const QList<Packet> &copied);
// The concat demuxer's list of the parts (names relative to the list's folder).
struct PartFile
{
    QString name;
    int frames = 0;
};
QByteArray concatList(const QList<PartFile> &parts, double frameDuration);
// The join: run with the source as the input (for its sound, subtitles,
// chapters and tags; fast seek on), the list as the second input; writes the
// container of extension, carrying the source's rotation.
QString joinOptions(const Plan &plan, const Probe &probe, const QString &listPath, const QString &extension);
// The whole range re-encoded with a codec matching the source's, in one run,
// every track kept that the output holds. It opens the source again as a
// second input (run it with fast seek off), seeks a margin early and trims by
// the frames' times, since not every container seeks exactly.
QString reEncodeOptions(const Plan &plan, const Probe &probe, const QString &extension);

// The pieces the options above share with a join of several parts.
// The encoder, matching the source's codec, of a whole range re-encoded.
QString matchingVideoCodec(const VideoStream &video);
// The codec and bitrate of output sound track `output` with that many
// channels, in the container of extension.
QString audioCodecOptions(int output, int channels, const QString &extension);
// The muxer's tag for the source's rotation; empty where there is none or
// the container (Matroska) has no place for it.
QString rotationOption(const VideoStream &video, const QString &extension);
// The codec a subtitle track takes in the output of extension: "copy", a
// text codec the container holds instead, or empty when it holds none like it.
QString subtitleCodecFor(const Track &track, const QString &extension);
// Seconds as the options write them: six decimals, never negative.
QString timeText(double seconds);

} // namespace SmartCut
