#include "qtpreviewengine.h"

#include <QAudioOutput>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr int kSilentVolume = -10000;
constexpr int kFullVolume = 0;
// Some files announce their duration just after they report being loaded.
constexpr int kDurationGraceMs = 1000;

bool isLoaded(QMediaPlayer::MediaStatus status)
{
    switch (status) {
    case QMediaPlayer::LoadedMedia:
    case QMediaPlayer::BufferingMedia:
    case QMediaPlayer::BufferedMedia:
    case QMediaPlayer::StalledMedia:
    case QMediaPlayer::EndOfMedia:
        return true;
    case QMediaPlayer::NoMedia:
    case QMediaPlayer::LoadingMedia:
    case QMediaPlayer::InvalidMedia:
        return false;
    }
    return false;
}

bool hasFailed(const QMediaPlayer &player)
{
    // NoMedia is not a failure: a player may still report it just after setSource.
    return player.error() != QMediaPlayer::NoError || player.mediaStatus() == QMediaPlayer::InvalidMedia;
}

} // namespace

float linearGainForVolume(int volume)
{
    if (volume <= kSilentVolume)
        return 0.0f;
    if (volume >= kFullVolume)
        return 1.0f;
    return QAudio::convertVolume(float(volume) / 100.0f, QAudio::DecibelVolumeScale, QAudio::LinearVolumeScale);
}

QtPreviewEngine::QtPreviewEngine(QObject *parent)
    : PreviewEngine(parent)
{
}

QtPreviewEngine::~QtPreviewEngine()
{
    if (m_player)
        m_player->setVideoSink(nullptr);
}

PreviewStatus QtPreviewEngine::RenderFile(const QString &path)
{
    Release();
    const quint64 generation = m_generation;
    if (path.isEmpty())
        return PreviewStatus::Failed;

    m_player = std::make_unique<QMediaPlayer>();
    m_audio = new QAudioOutput(m_player.get());
    m_player->setAudioOutput(m_audio);
    if (m_sink)
        m_player->setVideoSink(m_sink);
    // A relative path would be resolved against nothing in a URL.
    m_player->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));

    QMediaPlayer *player = m_player.get();
    if (!waitUntilLoaded(player, generation)) {
        // A newer load or a Release has taken over: leave its player alone.
        if (generation == m_generation)
            Release();
        return PreviewStatus::Failed;
    }
    m_originMs = std::max<qint64>(0, player->position());
    m_seekTargetMs.reset();
    if (m_sink)
        calibrate();
    return PreviewStatus::Ok;
}

bool QtPreviewEngine::waitUntilLoaded(QMediaPlayer *player, quint64 generation)
{
    const auto settled = [player] {
        return hasFailed(*player) || (isLoaded(player->mediaStatus()) && player->duration() > 0);
    };

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QTimer durationGrace;
    durationGrace.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&durationGrace, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &QtPreviewEngine::mediaReleased, &loop, &QEventLoop::quit);
    connect(player, &QMediaPlayer::errorOccurred, &loop, &QEventLoop::quit);
    const auto check = [&] {
        if (settled())
            loop.quit();
        else if (isLoaded(player->mediaStatus()) && !durationGrace.isActive())
            durationGrace.start(kDurationGraceMs);
    };
    connect(player, &QMediaPlayer::mediaStatusChanged, &loop, check);
    connect(player, &QMediaPlayer::durationChanged, &loop, check);

    if (!settled()) {
        deadline.start(m_loadTimeoutMs);
        check();
        loop.exec();
    }
    if (generation != m_generation)
        return false;
    return !hasFailed(*player) && isLoaded(player->mediaStatus());
}

PreviewStatus QtPreviewEngine::SetVolume(int volume)
{
    if (!m_player || volume > kFullVolume || volume < kSilentVolume)
        return PreviewStatus::Failed;
    m_audio->setVolume(linearGainForVolume(volume));
    return PreviewStatus::Ok;
}

PreviewStatus QtPreviewEngine::SetBalance(int)
{
    // QAudioOutput has no balance.
    return PreviewStatus::NotSupported;
}

PreviewStatus QtPreviewEngine::SetVideoOutput(PreviewPictureOutput output)
{
    m_output = std::move(output);
    // The sink is made with the first output: it starts the media framework's video side.
    if (m_output && !m_sink) {
        m_sink = new QVideoSink(this);
        connect(m_sink, &QVideoSink::videoFrameChanged, this, &QtPreviewEngine::deliverFrame);
    } else if (!m_output && m_sink) {
        if (m_player)
            m_player->setVideoSink(nullptr);
        delete std::exchange(m_sink, nullptr);
    }
    if (m_player && m_sink) {
        m_player->setVideoSink(m_sink);
        if (!m_calibrated && m_player->playbackState() != QMediaPlayer::PlayingState)
            calibrate();
    }
    return PreviewStatus::Ok;
}

void QtPreviewEngine::deliverFrame(const QVideoFrame &frame)
{
    takeFrame(frame);
    if (m_output)
        m_output(frame.isValid() ? PreviewPicture([frame] { return frame.toImage(); }) : PreviewPicture());
}

PreviewStatus QtPreviewEngine::SetRate(double rate)
{
    if (!m_player || !std::isfinite(rate) || rate <= 0.0)
        return PreviewStatus::Failed;
    m_player->setPlaybackRate(rate);
    return PreviewStatus::Ok;
}

qint64 QtPreviewEngine::durationMs() const
{
    if (!m_player)
        return 0;
    return m_lengthMs.value_or(m_player->duration());
}

void QtPreviewEngine::SetLength(double seconds)
{
    if (m_player && std::isfinite(seconds) && seconds > 0.0)
        m_lengthMs = std::llround(std::min(seconds, 1.0e12) * 1000.0);
}

std::optional<double> QtPreviewEngine::Duration() const
{
    const qint64 ms = durationMs();
    if (ms <= 0)
        return std::nullopt;
    return double(ms) / 1000.0;
}

std::optional<double> QtPreviewEngine::CurrentPosition() const
{
    if (!m_player)
        return std::nullopt;
    if (m_seekTargetMs && m_player->playbackState() != QMediaPlayer::PlayingState) {
        if (m_seekFrameShown && m_shownUs)
            return double(std::max<qint64>(0, *m_shownUs)) / 1.0e6;
        return double(*m_seekTargetMs) / 1000.0;
    }
    qint64 ms = std::max<qint64>(0, m_player->position() - m_originMs);
    if (const qint64 duration = durationMs(); duration > 0)
        ms = std::min(ms, duration);
    return double(ms) / 1000.0;
}

PreviewStatus QtPreviewEngine::SetCurrentPosition(double seconds)
{
    if (!m_player || !std::isfinite(seconds) || seconds < 0.0)
        return PreviewStatus::Failed;
    qint64 ms = std::llround(std::min(seconds, 1.0e12) * 1000.0);
    if (const qint64 duration = durationMs(); duration > 0)
        ms = std::min(ms, duration);
    m_seekTargetMs = ms;
    if (m_player->playbackState() == QMediaPlayer::PlayingState) {
        m_player->setPosition(m_originMs + ms);
        return PreviewStatus::Ok;
    }
    if (m_plainSeeks || !m_sink) {
        // A player that ran to the end has stopped and would not show the sought picture.
        if (m_player->playbackState() == QMediaPlayer::StoppedState)
            m_player->pause();
        m_awaitedRequestUs = ms * 1000;
        m_seekFrameShown = false;
        m_player->setPosition(m_originMs + ms);
        return PreviewStatus::Ok;
    }
    if (m_player->playbackState() == QMediaPlayer::StoppedState) {
        // Let the picture a pause brings come first, so it is not taken for the sought one.
        const quint64 delivered = m_framesDelivered;
        m_player->pause();
        waitForFrame(delivered, kFrameWaitMs);
    }
    showFrameAt(ms * 1000);
    return PreviewStatus::Ok;
}

bool QtPreviewEngine::AtEnd() const
{
    return m_player && m_player->mediaStatus() == QMediaPlayer::EndOfMedia;
}

PreviewStatus QtPreviewEngine::Run()
{
    if (!m_player)
        return PreviewStatus::Failed;
    m_seekTargetMs.reset();
    m_player->play();
    return PreviewStatus::Ok;
}

PreviewStatus QtPreviewEngine::Pause()
{
    if (!m_player)
        return PreviewStatus::Failed;
    m_player->pause();
    return PreviewStatus::Ok;
}

PreviewStatus QtPreviewEngine::Stop()
{
    if (!m_player)
        return PreviewStatus::Failed;
    m_player->pause();
    m_player->setPosition(m_originMs);
    m_seekTargetMs = 0;
    m_awaitedRequestUs = 0;
    m_seekFrameShown = false;
    return PreviewStatus::Ok;
}

void QtPreviewEngine::Release()
{
    ++m_generation;
    m_originMs = 0;
    m_lengthMs.reset();
    m_seekTargetMs.reset();
    m_shownUs.reset();
    m_bufferOffsetUs = 0;
    m_calibrated = false;
    m_longestFrameUs = 0;
    m_lastStartUs = -1;
    m_shortestSpacingUs = 0;
    m_awaitedRequestUs.reset();
    m_seekFrameShown = false;
    m_seekClock.invalidate();
    m_slowestSeekMs = 0;
    if (m_player) {
        // The sink goes to the next player; detach it before this one goes away.
        m_player->setVideoSink(nullptr);
        m_player->stop();
        m_audio = nullptr;
        m_player.reset();
    }
    emit mediaReleased();
}

bool QtPreviewEngine::HasMedia() const
{
    return m_player != nullptr;
}

std::optional<float> QtPreviewEngine::linearVolume() const
{
    if (!m_audio)
        return std::nullopt;
    return m_audio->volume();
}
