#pragma once

#include "previewengine.h"
#include "windowservices.h"

#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>


// The loaded video and its preview: the probe and the load, playback, the
// position the window shows, and the preview timer. Positions the window
// gets are whole seconds, as the slider counts.
class PreviewSession final : public QObject
{
    Q_OBJECT

public:
    explicit PreviewSession(const WindowServices &services, QObject *parent = nullptr);
    ~PreviewSession() override;

    // Stops, forgets the old video, probes path with the encoder and loads it
    // into the preview; a file neither can read or time is refused with a
    // message.
    void Open(const QString &path);
    bool bNoVideo() const { return m_bNoVideo; }
    void setNoVideo(bool noVideo) { m_bNoVideo = noVideo; }
    QString sVideoFile() const { return m_sVideoFile; }
    QString sTotalTime() const { return m_sTotalTime; }
    qint32 durationSeconds() const { return m_durationSeconds; }
    // Where the preview's pictures go; set once, before the first load.
    void setVideoOutput(PreviewPictureOutput output) { m_output = std::move(output); }
    PreviewEngine *engine() const { return m_preview.get(); }
    // The size in device pixels the pictures are painted at, passed on to the engine.
    void setPictureSize(QSize devicePixels);

    void PlayPause();
    void Stop();
    void SeekTo(qint32 seconds);
    // The first frame, or the last one.
    void SeekToEnd(bool last);
    // Shows the frame `frames` away from the one shown, pausing first.
    void StepFrames(int frames);
    // Goes to the next keyframe after the frame shown (direction > 0) or the one before it,
    // pausing first; nothing when there is none that way or none is known yet.
    void StepKeyframe(int direction);
    // What the timeline shows: keyframes come with every load; the pictures and the waveform
    // when asked for.
    const std::vector<double> &keyframes() const { return m_keyframes; }
    void RequestThumbnails(const std::vector<double> &seconds, int height);
    void RequestWaveform();
    // Finds the loaded video's breaks and scene changes in the background; the findings come
    // with breaksFound and stay until the next load. StopBreaks ends the scan with what it found.
    void FindBreaks(const BreakThresholds &thresholds);
    void StopBreaks();
    bool findingBreaks() const { return m_findingBreaks; }
    const BreakScan &breaks() const { return m_breaks; }
    // Goes to the next break (direction > 0) or the one before, landing on the first frame after
    // its black, or to the next or previous scene change's first frame; pausing first. Nothing
    // when there is none that way.
    enum class Place { Break, SceneChange };
    void StepPlace(Place place, int direction);
    // The start time of the frame shown, in seconds; the whole-second
    // position where the engine cannot tell.
    double ShownFrame() const;
    // Positions shown to the millisecond ("hh:mm:ss.mmm") instead of whole seconds.
    void setExactTime(bool exact);
    bool playing() const { return m_playing; }
    QTimer &tmrVideo() { return m_tmrVideo; }
    void tmrVideo_Timer();
    // The preview delivered a frame: while paused, that is where it stands.
    void FrameShown();
    // The window closes: the timer and the preview stop.
    void Close();

signals:
    void videoCleared();                      // a load began: no video yet
    void videoLoaded(qint32 durationSeconds); // the slider's new maximum
    void positionChanged(qint32 seconds, const QString &timeText);
    void playingChanged(bool playing);
    void keyframesChanged(const std::vector<double> &keyframes);
    void thumbnailReady(int slot, const QImage &image);
    void waveformRead(const WaveformPiece &piece);
    void breaksProgress(double readSeconds, double lengthSeconds);
    // StepPlace went to the place at seconds.
    void placeReached(PreviewSession::Place place, double seconds);
    // A scan ended; scan is empty when none ran (Failed).
    void breaksFound(const BreakScan &scan, BreakScanEnd end);

private:
    bool loadStep(PreviewStatus status);
    // probedDuration: the encoder's length of the file, from its header or,
    // where that has none, from its last packets.
    void LoadVideo(const QString &path, std::optional<double> probedDuration);
    void showPosition(double seconds);
    void setPlaying(bool playing);
    std::optional<double> stepTo(const std::vector<double> &places, int direction);

    WindowServices m_services;
    std::unique_ptr<PreviewEngine> m_preview;
    PreviewPictureOutput m_output;
    QSize m_pictureSize;
    QTimer m_tmrVideo;
    bool m_bNoVideo = true;
    bool m_playing = false;
    QString m_sVideoFile;
    QString m_sTotalTime;
    qint32 m_durationSeconds = 0;
    qint32 m_shownSeconds = 0;
    bool m_exactTime = false;
    std::vector<double> m_keyframes;
    BreakScan m_breaks;
    bool m_findingBreaks = false;
};

// The place after shown (direction > 0) or before it among ascending places; a place within
// half a millisecond of shown is where shown is. nullopt when there is none that way.
std::optional<double> nextPlace(const std::vector<double> &places, double shown, int direction);
