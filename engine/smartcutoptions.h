#pragma once

#include "smartcutplan.h"

#include <QString>
#include <QStringList>

// The encoder options of the smart cut's steps and of the whole range
// re-encoded, and the pieces a join of several parts shares with them.
namespace SmartCut {

// The x264 or x265 profile that gives the source's; empty when there is none.
QString encoderProfile(const VideoStream &video);
// Whether the encoder of the source's codec takes its pixel format.
bool encodablePixelFormat(const VideoStream &video);


// Options for CVideoConv. The head or tail: the source's codec with matching
// settings and bitrate, into MPEG-TS. It opens the source itself, with seek
// and pixel options of its own: run it as a step that opens its inputs.
QString partEncodeOptions(const VideoStream &video, const Span &span, const QString &sourcePath);
// The tracks the output of extension cannot hold, for the status line ("subtitle
// track 3 (hdmv_pgs_subtitle)"); empty when it holds them all.
QList<LeftOutTrack> droppedTracks(const Probe &probe, const QString &extension);
// The middle: packets copied from the keyframe on, counted, into MPEG-TS.
// It opens the source itself too.
QString middleCopyOptions(const Span &span, const QString &sourcePath, const QString &listingPath = {});

// The join: opens the source at the range (for its sound, subtitles,
// chapters and tags), the list as the second input, and where subtitles
// shown until replaced are kept, the source once more a while before the
// range; writes the container of extension, carrying the source's rotation.
QString joinOptions(const Plan &plan, const Probe &probe, const QString &listPath, const QString &extension);
// The whole range re-encoded with a codec matching the source's, in one run,
// every track kept that the output holds. It opens the source itself (twice:
// the second for its tags and chapters), seeks a margin early and trims by
// the frames' times, since not every container seeks exactly.
QString reEncodeOptions(const Plan &plan, const Probe &probe, const QString &extension);

// The pieces the options above share with a join of several parts.
// The encoder, matching the source's codec, of a whole range re-encoded.
QString matchingVideoCodec(const VideoStream &video);
// A sound track's filters that make it exactly length seconds from lead
// seconds after its input's start, silence filling where the sound starts
// late or ends early.
QString soundCutFilter(double lead, double length);
// The filter that gives a sound track a channel layout the output's codec
// takes, where it has none or another; empty when it needs none.
QString layoutFilter(const Track &track, const QString &extension);
// The codec and bitrate of output sound track `output` with that many
// channels, in the container of extension; a transport stream keeps the
// source's codec where it is a broadcast's.
QString audioCodecOptions(int output, int channels, const QString &extension, const QString &sourceCodec = {});
// A copied subtitle packet's time unit as a filter of the output's packets
// sees it, for setts expressions: the encoder hands the packets over in the
// output's time base (Matroska's milliseconds, a transport stream's 90 kHz)
// while naming the source's.
QString subtitleTimeUnit(const QString &extension);
// What a transport stream output needs to look like its source: DVB's
// stream types for AC-3 and E-AC-3 where the source uses them, and times
// from near zero. Empty for other containers.
QString containerOptions(const Probe &probe, const QString &extension);
// The muxer's tag for the source's rotation; empty where there is none or
// the container (Matroska) has no place for it.
QString rotationOption(const VideoStream &video, const QString &extension);
// The codec a subtitle track takes in the output of extension: "copy", a
// text codec the container holds instead, or empty when it holds none like it.
QString subtitleCodecFor(const Track &track, const QString &extension);
// Seconds as the options write them: six decimals, never negative.
QString timeText(double seconds);
// A source input's seek, from its start: a seek to the very start is written
// a microsecond before it (see the definition).
QString seekText(double seconds);


} // namespace SmartCut
