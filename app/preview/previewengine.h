#pragma once

#include "breakmarks.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

// What one playback operation did. NotSupported: the engine cannot do this; the caller skips the step.
enum class PreviewStatus { Ok, NotSupported, Failed };

// One decoded picture of the preview. It is made an image only when asked, by the paint that
// shows it: frames may come faster than the screen shows them.
class PreviewPicture
{
public:
    PreviewPicture() = default;
    explicit PreviewPicture(std::function<QImage()> image)
        : m_image(std::move(image))
    {
    }
    bool isNull() const { return !m_image; }
    QImage toImage() const { return m_image ? m_image() : QImage(); }

private:
    std::function<QImage()> m_image;
};

// Where the engine sends its pictures: each decoded frame as it is shown, and a null picture
// when the player lets go of the output (it stops or reaches the end).
using PreviewPictureOutput = std::function<void(const PreviewPicture &)>;

// Loudness of the first sound track for the timeline: peaks (0 silence .. 255 full scale) of
// buckets `first` on, bucketsPerSecond buckets a second.
struct WaveformPiece
{
    int first = 0;
    QByteArray peaks;
    int bucketsPerSecond = 100;
    bool complete = false; // the whole track has been read
    bool hasSound = true;  // false: the file has no sound that could be read
};

// Where the engine sends what the timeline shows of the loaded file, piece by piece as it is
// read in the background; nothing of an earlier file comes after a load or a release.
struct TimelineOutput
{
    // The keyframes' times in seconds, ascending, counted like positions. A quick list from
    // the container's header may come first, then the one read from every packet.
    std::function<void(const std::vector<double> &)> keyframes;
    // The picture for a slot of the last thumbnail request; a null image where none could be made.
    std::function<void(int, const QImage &)> thumbnail;
    std::function<void(const WaveformPiece &)> waveform;
};

// How a break scan ended: read to the end, taken from the cache folder, stopped by the user
// (with what was found so far), or the file could not be read.
enum class BreakScanEnd { Complete, FromCache, Stopped, Failed };

// Where the engine sends a break scan's progress and its findings, on the window's thread;
// nothing of a scan comes after a new scan, a load or a release.
struct BreakOutput
{
    // Seconds read of the video, and its length (0 when unknown).
    std::function<void(double, double)> progress;
    std::function<void(const BreakScan &, BreakScanEnd)> finished;
};

// The preview's playback engine as the main window sees it: open a file, set the sound, send the
// picture somewhere, report and change the position, run, pause and stop. Positions and the
// duration are seconds measured from the media's first frame.
// No Q_OBJECT: the real engine lives in a module loaded at the first video, and the interface's
// meta-object would be compiled into both sides.
class PreviewEngine : public QObject
{
public:
    using QObject::QObject;

    // Builds playback for path. Blocks (processing events, bounded) until loaded or failed.
    virtual PreviewStatus RenderFile(const QString &path) = 0;
    virtual PreviewStatus SetVolume(int volume) = 0;   // 0 is full volume (hundredths of a dB, -10000 silent)
    virtual PreviewStatus SetBalance(int balance) = 0; // Qt has none: NotSupported
    virtual PreviewStatus SetVideoOutput(PreviewPictureOutput output) = 0; // where pictures go
    virtual PreviewStatus SetRate(double rate) = 0;
    virtual std::optional<double> Duration() const = 0;        // seconds; nullopt = failed
    // The file's length as the encoder finds it, which wins over the engine's own: that may be
    // missing, a guess (for a header without one, the start of the last cluster found) or wrong.
    // Duration() then reports it, and positions and seeks keep within it. Forgotten with the media.
    virtual void SetLength(double seconds) = 0;
    virtual std::optional<double> CurrentPosition() const = 0; // seconds
    virtual PreviewStatus SetCurrentPosition(double seconds) = 0; // seek; works playing, paused or stopped
    virtual PreviewStatus Run() = 0;
    virtual PreviewStatus Pause() = 0;
    virtual PreviewStatus Stop() = 0;
    virtual void Release() = 0;   // drop the media; operations then fail until the next RenderFile
    virtual bool HasMedia() const = 0;
    // Seconds of the frame last delivered to the video output (its start time), counted like
    // positions (0 is the first frame); nullopt before any frame was delivered.
    virtual std::optional<double> ShownFramePosition() const = 0;
    // Frames per second of the video stream; nullopt when unknown.
    virtual std::optional<double> FrameRate() const = 0;
    // Shows the frame `frames` away from the one shown (negative: back), paused; waits (processing
    // events, bounded) until that frame is delivered. Clamped to the first and last frame.
    virtual PreviewStatus StepFrames(int frames) = 0;
    // The size in device pixels the pictures are painted at, so that an engine that scales makes
    // them at that size once, rather than at the frame's and again when painted.
    virtual void SetPictureSize(QSize) {}

    // The timeline. Keyframes go to the output for every load; thumbnails and the waveform
    // only when asked for. An engine that reads no timeline ignores these.
    virtual void SetTimelineOutput(TimelineOutput) {}
    // A picture for each slot, at its time (seconds): that of the keyframe nearest it, height
    // device pixels high. Replaces the request before.
    virtual void RequestThumbnails(const std::vector<double> &, int) {}
    virtual void RequestWaveform() {}

    // Finds the loaded file's breaks and scene changes in the background (or takes them from
    // the cache folder) and reports to output; replaces a scan that runs. An engine that finds
    // none reports Failed at once.
    virtual void FindBreaks(const BreakThresholds &, BreakOutput output)
    {
        if (output.finished)
            output.finished({}, BreakScanEnd::Failed);
    }
    // Stops the scan that runs; its findings so far come as Stopped.
    virtual void StopBreaks() {}
};
