#pragma once

#include "cutreason.h"
#include "smartcutprobe.h"

#include <QMap>

#include <QList>
#include <QString>

// The smart cut's decisions over the prober's listing: which frames are
// re-encoded and which are copied, and whether a copy came out as planned.
// The encoder options of each step are in smartcutoptions.h; SmartCutJob
// runs them.
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
    // How long the frames last in the source, from the first one's time to
    // the time of the frame after the last.
    double length = 0;
    // For a copy from an open group's keyframe: the frames decoded after it
    // but shown before it refer to the group before, and are left out.
    bool dropLeading = false;
};

struct Plan
{
    bool smart = false;
    Reason reason;           // why the whole range is re-encoded; none when smart
    double start = 0;        // the range: the first frame's time from the file's start
    double length = 0;       // and its length (frames times the frame duration)
    int frames = 0;          // frames in the range; 0 when the listing was unusable
    double frameDuration = 0;
    // How far before the range a seek that may land late should aim: the
    // longest group of pictures and a second more.
    double seekMargin = 0;
    Span head;               // re-encoded; frames 0 when the start is a keyframe
    Span middle;             // copied; only for a smart plan
    // The middle copied by decode times from a seek a group early, for when
    // the middle's own seek found another keyframe; frames 0 when there is none.
    Span middleByDecode;
    Span tailByTime;         // the tail then
    Span tail;               // re-encoded; frames 0 when the end meets a keyframe or the file's end
    // The copied packets' decode indexes in the listing: [copyFirst, copyEnd),
    // but for the leading frames of an open group (Span::dropLeading).
    qsizetype copyFirst = -1;
    qsizetype copyEnd = -1;
    // Varying frame times: the whole range keeps each frame's own time.
    bool variableRate = false;
    // How much later than a keyframe the copy's and the tail's seeks aim, to
    // make up for the demuxer aiming that much early.
    double seekShift = 0;
    // Whether a seek lands at or before its target in this container; where
    // not (FLV, raw streams), a whole-range re-encode decodes from the start.
    bool seekable = true;
    // Subtitle tracks shown until replaced (see showsUntilReplaced): by
    // track index, the time of the last display set at or before the start,
    // the one on screen when the range starts. A track missing here shows
    // nothing then.
    QMap<int, double> shownAtStart;
};

// The plan for the frames shown from start to start + length (seconds from the
// file's start, half-open, to a tolerance of half a millisecond).
Plan planCut(const Probe &probe, double start, double length);

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
    double seconds = 0; // how long its frames last
};
QByteArray concatList(const QList<PartFile> &parts);

} // namespace SmartCut
