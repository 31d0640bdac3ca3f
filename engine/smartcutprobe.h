#pragma once

#include <QList>
#include <QMap>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// What the prober says of a source: its first video stream's packets and
// description, every other track, the file's start and format. The smart cut
// and the join plan from it.
namespace SmartCut {


// The probe command: the first video stream's packets (presentation and decode
// times, flags) in decode order, its description and side data, the file's
// start time and format, as "packet|...", "stream|...", "side_data|..." and
// "format|..." lines.
QString probeCommandLine(const QString &sProgramDir, const QString &sInputFile);
// The probe command without the packets, and the track listing, in one run:
// every stream's description, tags and side data, the file's start and
// format, as "stream|..." and "format|..." lines. Quick, as it reads only the
// file's head.
QString streamsCommandLine(const QString &sProgramDir, const QString &sInputFile);
// The lines of that listing that the probe command gives: the first video
// stream's and the format's, for parseProbe.
QString firstVideoStream(QStringView streamsListing);
// The first frame of the first video stream with its side data, as
// "frame|..." and "side_data|..." lines: an HEVC stream carries its HDR
// mastering data in the frames, where the container has none.
QString firstFrameCommandLine(const QString &sProgramDir, const QString &sInputFile);
// Every stream of the file, one "stream|..." line each: its kind, codec,
// channels and tags. The cut keeps them all.
QString tracksCommandLine(const QString &sProgramDir, const QString &sInputFile);
// The encoder tracing the headers of the first picture of an MPEG-1 or -2
// stream: its quantiser matrices, among much else.
QString matrixCommandLine(const QString &sProgramDir, const QString &sInputFile);
// The packets of a copied part, to check them against the source's.
QString partProbeCommandLine(const QString &sProgramDir, const QString &sPartFile);

struct VideoStream
{
    int index = -1;         // the stream's index in the file; -1 when unknown
    QString codec;          // "h264", "hevc", "mpeg2video", ...
    QString profile;        // "High", "Main 10", ...
    QString pixelFormat;    // "yuv420p", ...
    QString sampleAspect;   // "1:1"; empty when unknown
    QString colorRange;     // these four: empty when unknown
    QString colorSpace;
    QString colorTransfer;
    QString colorPrimaries;
    QString chromaLocation; // "left", "topleft", ...; empty when unknown
    // The HDR mastering display as x265 and x264 take it,
    // "G(x,y)B(x,y)R(x,y)WP(x,y)L(max,min)" in 1/50000 and 1/10000 cd/m2,
    // and the content light level "MaxCLL,MaxFALL"; empty when absent.
    QString masteringDisplay;
    QString contentLight;
    // The Dolby Vision configuration, "profile 8.1"; empty when there is none.
    QString dolbyVision;
    // The stream's average over all its packets, bits per second; 0 when unknown.
    double bitrate = 0;
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
    // The prober's field order of an interlaced stream: "tt", "bb", "tb" or "bt".
    QString fieldOrder;
    // MPEG-1 and -2's own quantiser matrices, in raster order; empty for the standard ones.
    QList<int> intraMatrix;
    QList<int> interMatrix;
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
    QString profile;        // "HE-AAC", ...; empty when the prober names none
    int sampleRate = 0;
    double startTime = -1;  // its first packet's time, seconds; negative when unknown
    int codecTag = 0;       // a transport stream's stream type (0x06 for DVB's AC-3); 0 when none
    int pid = -1;           // a transport stream's packet identifier; -1 elsewhere
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

// Reads the probe command's lines, and the first frame's after them: these
// give the mastering data the stream's side data lacks. Packets decoded
// before the first keyframe (a recording that starts inside a group of
// pictures) are left out: they never become frames.
Probe parseProbe(QStringView text);
// The packets an encoder's "framecrc" output lists for its first stream, in
// the order written: times, size and the keyframe flag.
QList<Packet> parseFrameListing(QStringView text);
// Sets the probe's packets, given in decode order, as parseProbe does: those
// before the first keyframe are left out, and the stream's average bitrate
// comes from the rest.
void setPackets(Probe *probe, QList<Packet> packets);
// Whether the stream is HDR (PQ or HLG), whose mastering data the first
// frame may carry.
bool isHdr(const VideoStream &video);
// Adds the track listing's streams to probe.
void parseTracks(QStringView text, Probe *probe);

// Each elementary stream's type by its packet identifier, from the PAT and
// PMTs among the first packets of a transport stream (188- or 192-byte
// packets); empty for anything else. The prober names AC-3 by its
// registration whether DVB (private data, 0x06) or ATSC (0x81) carries it.
QMap<int, int> transportStreamTypes(QByteArrayView head);
// The tracks' stream types from the head of the file at path, where it is a
// transport stream.
void readStreamTypes(const QString &path, Probe *probe);
// Adds the quantiser matrices that the tracing lists to video.
void parseMatrices(QStringView text, VideoStream *video);

// Whether a subtitle track's cue stays on screen until the next one replaces
// or clears it (DVB subtitles, teletext, Blu-ray's), rather than for a
// duration of its own.
bool showsUntilReplaced(const Track &track);
// The prober's listing of the subtitle packets from `from` to `to` (the
// file's own times, not counted from its start). A transport stream's
// teletext is listed by its own times, as subtitleInputOptions has it read.
QString subtitlePacketsCommandLine(const QString &sProgramDir, const Probe &probe, double from, double to);
// The demuxer options an input that gives subtitles shown until replaced
// takes: a transport stream's teletext by its own times, not by the clock
// where it arrives, which after a seek is unknown until the clock's next
// reference and which runs ahead of the picture by the muxer's delay.
QString subtitleInputOptions(const Probe &probe);
// From that listing, for each track of tracks shown until replaced, the time
// (counted from fileStart) of its last packet at or before `at`, also
// counted from fileStart.
QMap<int, double> shownAt(QStringView listing, const QList<Track> &tracks, double fileStart, double at);

} // namespace SmartCut
