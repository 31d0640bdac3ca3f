#pragma once

#include <optional>

#include "previewengine.h"

#include <QElapsedTimer>

#include <memory>

class QAudioOutput;
class QMediaPlayer;
class QVideoFrame;
class QVideoSink;

// The preview engine on Qt Multimedia: one QMediaPlayer with its QAudioOutput per loaded file.
//
// Stop is a pause at the first frame rather than QMediaPlayer::stop(): a stopped QMediaPlayer
// shows nothing when it is sought, whereas the preview must jump to the new picture whether it
// is playing, paused or stopped. Some containers (MPEG program and transport streams) report
// positions that start above zero; positions here count from the position the file loaded at,
// so that 0 is the first frame and a position is what the encoder's seek will find.
//
// Frames carry buffer times, which differ from positions by a constant the player does not
// report (an MP4 edit list shifts them by the decoder delay). The decoder clips the frame that
// straddles a seek point so that it starts at the point, which gives the constant away; a tiny
// seek once a sink is attached learns it. Seeks outside playback wait for their frame and,
// when the demuxer landed elsewhere (MPEG program streams land most of a second late), seek
// again by the error, so that the position reported is the frame actually shown.
class QtPreviewEngine final : public PreviewEngine
{
    Q_OBJECT

public:
    explicit QtPreviewEngine(QObject *parent = nullptr);
    ~QtPreviewEngine() override;

    PreviewStatus RenderFile(const QString &path) override;
    PreviewStatus SetVolume(int volume) override;
    PreviewStatus SetBalance(int balance) override;
    // Remembered across loads: the output stays that of every later file, so it may be set
    // once, before anything is loaded. An empty output sends the picture nowhere.
    PreviewStatus SetVideoOutput(PreviewPictureOutput output) override;
    PreviewStatus SetRate(double rate) override;
    std::optional<double> Duration() const override;
    void SetLength(double seconds) override;
    std::optional<double> CurrentPosition() const override;
    PreviewStatus SetCurrentPosition(double seconds) override;
    PreviewStatus Run() override;
    PreviewStatus Pause() override;
    PreviewStatus Stop() override;
    void Release() override;
    bool HasMedia() const override;
    std::optional<double> ShownFramePosition() const override;
    std::optional<double> FrameRate() const override;
    PreviewStatus StepFrames(int frames) override;
    // The player has played to the end of the file and stopped there.
    bool AtEnd() const;

    // How long RenderFile waits for the media to load (default 10 s); a load still pending
    // then counts as failed.
    void setLoadTimeout(int milliseconds) { m_loadTimeoutMs = milliseconds; }
    int loadTimeout() const { return m_loadTimeoutMs; }
    // Seeks outside playback as plain player seeks: no wait for the frame, no correction
    // (for measuring what the correction gains).
    void setPlainSeeks(bool plain) { m_plainSeeks = plain; }

    // The volume last applied, as QAudioOutput's linear factor 0..1 (for tests).
    std::optional<float> linearVolume() const;

signals:
    // The media was dropped (Release, or a new RenderFile). A RenderFile still waiting for an
    // earlier file gives up on it.
    void mediaReleased();
    // A frame was delivered to the video output; ShownFramePosition() has its time.
    void frameShown();

private:
    // How long a seek or a step waits for its frame (a 1080p seek far from a key frame decodes
    // a whole group of pictures first).
    static constexpr int kFrameWaitMs = 5000;
    // The least wait for a seek's frame before it counts as gone past the last frame.
    static constexpr int kMinSeekWaitMs = 2000;

    // Waits, processing events, until the player settles; false when it failed, timed out or
    // was replaced meanwhile.
    bool waitUntilLoaded(QMediaPlayer *player, quint64 generation);
    qint64 durationMs() const;
    void takeFrame(const QVideoFrame &frame);
    // Times the frame, then hands it to the output.
    void deliverFrame(const QVideoFrame &frame);
    // The nominal frame length in microseconds; 0 when unknown.
    qint64 frameLengthUs() const;
    // Waits, processing events, until a frame is delivered after `delivered` frames; false on
    // timeout or when the media went away.
    bool waitForFrame(quint64 delivered, int timeoutMs);
    // Seeks (paused) to requestMs from the origin and waits for its frame.
    bool seekAndWait(qint64 requestMs);
    // Shows the frame holding wantUs (from the origin), seeking again by the landing error
    // while the demuxer lands elsewhere; a step (direction ±1 from the frame at fromUs) prefers
    // a landing that moved. False when no frame came.
    bool showFrameAt(qint64 wantUs, std::optional<qint64> fromUs = std::nullopt, int direction = 0);
    // Learns the buffer time offset with a tiny seek, then returns to the first frame.
    void calibrate();

    std::unique_ptr<QMediaPlayer> m_player;
    QAudioOutput *m_audio = nullptr; // child of m_player
    PreviewPictureOutput m_output;
    QVideoSink *m_sink = nullptr; // a child, while there is an output: frames arrive here
    qint64 m_originMs = 0;
    std::optional<qint64> m_lengthMs; // from SetLength: wins over the player's duration
    // Where the last seek outside playback went. A paused player may report
    // its old place for a while after a seek (MPEG-TS under load); the picture
    // it shows is the sought one, so that is the position until playback runs.
    std::optional<qint64> m_seekTargetMs;
    quint64 m_generation = 0;
    int m_loadTimeoutMs = 10000;
    bool m_plainSeeks = false;

    // Frames delivered to m_sink. Times in microseconds.
    quint64 m_framesDelivered = 0;
    std::optional<qint64> m_shownUs;   // the shown frame's start, from the origin
    qint64 m_bufferOffsetUs = 0;       // buffer time minus position
    bool m_calibrated = false;
    qint64 m_longestFrameUs = 0;       // longest delivered frame: one not clipped by a seek
    qint64 m_lastStartUs = -1;         // buffer start of the last frame, for spacing
    qint64 m_shortestSpacingUs = 0;
    std::optional<qint64> m_awaitedRequestUs; // the seek whose frame has not come yet
    bool m_seekFrameShown = false;     // the last seek outside playback has shown its frame
    QElapsedTimer m_seekClock;         // since the awaited seek
    qint64 m_slowestSeekMs = 0;        // longest wait for a seek's frame in this file
};

// The linear gain (0..1) for a volume in hundredths of a decibel, as the preview's volume
// is given; -10000 and below is silence, 0 and above full volume.
float linearGainForVolume(int volume);
