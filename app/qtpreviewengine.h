#pragma once

#include <optional>

#include "previewengine.h"

#include <QPointer>

#include <memory>

class QAudioOutput;
class QMediaPlayer;

// The preview engine on Qt Multimedia: one QMediaPlayer with its QAudioOutput per loaded file.
//
// Stop is a pause at the first frame rather than QMediaPlayer::stop(): a stopped QMediaPlayer
// shows nothing when it is sought, whereas the preview must jump to the new picture whether it
// is playing, paused or stopped. Some containers (MPEG program and transport streams) report
// positions that start above zero; positions here count from the position the file loaded at,
// so that 0 is the first frame and a position is what the encoder's seek will find.
class QtPreviewEngine final : public PreviewEngine
{
    Q_OBJECT

public:
    explicit QtPreviewEngine(QObject *parent = nullptr);
    ~QtPreviewEngine() override;

    PreviewStatus RenderFile(const QString &path) override;
    PreviewStatus SetVolume(int volume) override;
    PreviewStatus SetBalance(int balance) override;
    // Remembered across loads: the sink stays the output of every later file, so it may be
    // set once, before anything is loaded. nullptr sends the picture nowhere.
    PreviewStatus SetVideoOutput(QVideoSink *sink) override;
    PreviewStatus SetRate(double rate) override;
    std::optional<double> Duration() const override;
    std::optional<double> CurrentPosition() const override;
    PreviewStatus SetCurrentPosition(double seconds) override;
    PreviewStatus Run() override;
    PreviewStatus Pause() override;
    PreviewStatus Stop() override;
    void Release() override;
    bool HasMedia() const override;
    // The player has played to the end of the file and stopped there.
    bool AtEnd() const;

    // How long RenderFile waits for the media to load (default 10 s); a load still pending
    // then counts as failed.
    void setLoadTimeout(int milliseconds) { m_loadTimeoutMs = milliseconds; }
    int loadTimeout() const { return m_loadTimeoutMs; }

    // The volume last applied, as QAudioOutput's linear factor 0..1 (for tests).
    std::optional<float> linearVolume() const;

signals:
    // The media was dropped (Release, or a new RenderFile). A RenderFile still waiting for an
    // earlier file gives up on it.
    void mediaReleased();

private:
    // Waits, processing events, until the player settles; false when it failed, timed out or
    // was replaced meanwhile.
    bool waitUntilLoaded(QMediaPlayer *player, quint64 generation);
    qint64 durationMs() const;

    std::unique_ptr<QMediaPlayer> m_player;
    QAudioOutput *m_audio = nullptr; // child of m_player
    QPointer<QVideoSink> m_sink;
    qint64 m_originMs = 0;
    // Where the last seek outside playback went. A paused player may report
    // its old place for a while after a seek (MPEG-TS under load); the picture
    // it shows is the sought one, so that is the position until playback runs.
    std::optional<qint64> m_seekTargetMs;
    quint64 m_generation = 0;
    int m_loadTimeoutMs = 10000;
};

// The linear gain (0..1) for a volume in hundredths of a decibel, as the preview's volume
// is given; -10000 and below is silence, 0 and above full volume.
float linearGainForVolume(int volume);
