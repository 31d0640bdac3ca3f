#pragma once

#include <algorithm>
#include <functional>

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

namespace TestSupport {

// The folder the build lays out as the program folder (has the ffmpeg link).
QString programDir();
QString sourceDir();
QString systemFfmpeg();
QString systemFfprobe();

// Generates a clip with the real encoder: a test pattern plus a sine tone when
// withAudio is set. Returns false (and leaves nothing) if the encoder failed.
bool makeClip(const QString &path, double seconds, QSize size = QSize(160, 120),
              bool withAudio = true, int fps = 25);

// The same clip with the given encoders (for a container that needs its own,
// such as wmv2/wmav2 for ASF); yuv420p video.
bool makeClipWithCodecs(const QString &path, double seconds, const QString &videoCodec, const QString &audioCodec,
                        QSize size = QSize(160, 120));

// Container duration in seconds as ffprobe reports it, or a negative value if
// ffprobe cannot read the file.
double probeDuration(const QString &path);

// Runs ffprobe with the given arguments on path and returns its standard output
// (empty on failure). For checks such as stream types or frame counts.
QByteArray ffprobe(const QStringList &arguments, const QString &path);

// Runs command (the program, then its arguments) and returns its standard
// output with one line feed added, so that only a failure is empty.
QByteArray runTool(const QStringList &command);

// Makes a clip of seconds at rate from a moving test pattern (every frame
// differs from its neighbours) with a tone, encoded with codecOptions.
bool makeMovingClip(const QString &path, const QString &rate, double seconds, const QString &codecOptions);

// Makes a transport stream as a DVB recording comes: H.264 with B-frames at
// 25 fps, keyframes every `group` frames, MP2 sound; the recording starts
// inside a group (22 pictures before the first keyframe, which no decoder
// shows), the file near 1.4 s, the sound 43 ms before the first picture's
// packet. `frames` frames are shown from the first keyframe on.
bool makeCapture(const QString &path, const QString &size, int frames, int group);

// Each video frame's presentation time, in seconds from the file's start (as
// the preview and the encoder's seek count), in presentation order.
QList<double> frameTimes(const QString &path);

// Which frame from frame - 2 to frame + 2 (within 0..count - 1) has the least
// errorAt(index), as an offset from frame: the source frame a picture of a cut
// matches best (the least squared difference, so the highest PSNR).
template<typename ErrorAt>
int bestMatchOffset(int count, int frame, ErrorAt errorAt)
{
    int best = frame;
    for (int at = std::max(frame - 2, 0); at <= std::min(frame + 2, count - 1); ++at)
        best = errorAt(at) < errorAt(best) ? at : best;
    return best - frame;
}

// Every decoded picture of the first video track as yuv420p, one after
// another, through the filter videoFilter when one is given.
QByteArray decodedFrames(const QString &path, const QString &videoFilter = {});

// The squared difference of the luma planes of yuv420p pictures i of a and
// j of b (as decodedFrames gives them), each width by height: the lower, the
// closer the two pictures (the higher their PSNR).
double lumaError(const QByteArray &a, qsizetype i, const QByteArray &b, qsizetype j, int width, int height);

// The decoded length of sound track `track` in seconds: what a player hears,
// the encoder delay and padding the container marks already taken off.
double soundSeconds(const QString &path, int track = 0);

// One cue of a broadcast subtitle track, in seconds after the first picture.
struct Cue
{
    double start = 0;
    double end = 0;
};

// Copies the transport stream source to output with a DVB subtitle track
// (language "fin") added, and with `teletext` a teletext subtitle page 888
// too (language "swe"), written with DVB's stream types. Cue k is a bitmap
// 4 + 2k rows high in one display set at its start; an empty display set
// (or page) clears it at its end. False when the encoder fails.
bool addBroadcastSubtitles(const QString &source, const QString &output, const QList<Cue> &cues, bool teletext);

// The display sets of DVB subtitle track `track` of path: each one's time
// from the first picture's, and the cue it shows (as numbered above), -1 for
// a clearing set, -2 for one that is neither.
QList<std::pair<double, int>> dvbCues(const QString &path, int track = 0);

// What the decoder of subtitle track `track` of path complains of; empty
// when every display set decodes (and there is at least one).
QByteArray subtitleDecodeErrors(const QString &path, int track = 0);

// The teletext track's cues as the decoder reads them: each one's time from
// the file's start and its text ("Cue 2"), one line each.
QStringList teletextCues(const QString &path, int track);
// The DVB cues as "time:cue" words ("-" for a clearing set), and the teletext
// pages' texts joined by "|": what the cut and join tables compare.
QString dvbCueWords(const QString &path);
QString teletextTexts(const QString &path, int track);
// Whether the process is gone: none of that id, or a zombie not reaped yet,
// which holds nothing any more.
bool processGone(qint64 pid);

// Runs the thread's events until done() holds or timeoutMs pass; returns done(). It sleeps
// between events (a 2 ms timer wakes it to look): processEvents with a time limit never
// blocks and would spin a core beside the threads a bench times.
bool runEventsUntil(const std::function<bool()> &done, int timeoutMs);

// Writes data to a new file at path; false when it cannot.
bool writeFile(const QString &path, const QByteArray &data);

// Writes an executable fake encoder named like the real one into dir.
// body is a POSIX shell script body (no #! line). Returns its path.
QString writeFakeEncoder(const QString &dir, const QByteArray &body);

// Links the real encoder into dir under the encoder's name, so dir can serve
// as a program folder. Returns its path, or an empty string on failure.
QString linkRealEncoder(const QString &dir);

// The encoder's file name on this platform.
QString encoderFileName();

} // namespace TestSupport
