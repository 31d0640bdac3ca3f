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

namespace {

constexpr int kSilentVolume = -10000;
constexpr int kFullVolume = 0;
// Some files announce their duration just after they report being loaded.
constexpr int kDurationGraceMs = 1000;
// How long a seek or a step waits for its frame (a 1080p seek far from a key frame decodes
// a whole group of pictures first).
constexpr int kFrameWaitMs = 5000;
// Seeks one seek outside playback may take to find its frame where the demuxer lands elsewhere.
constexpr int kMaxSeeks = 6;
// How far back from a seek that ended the stream the next one aims.
constexpr qint64 kBackFromEndMs = 1000;
// A seek whose frame has not come within this many times the slowest seek's, and at least
// kMinSeekWaitMs, went past the last frame: the player reports nothing for it.
constexpr int kSeekWaitFactor = 4;
constexpr int kMinSeekWaitMs = 2000;
// A frame this much shorter than the nominal length was clipped to a seek point.
constexpr qint64 kClipSlackUs = 500;

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

PreviewStatus QtPreviewEngine::SetVideoOutput(QVideoSink *sink)
{
    disconnect(m_frameConnection);
    m_sink = sink;
    // Sender-bound: the connection goes with the sink if the sink is destroyed.
    if (sink)
        m_frameConnection = connect(sink, &QVideoSink::videoFrameChanged, this, &QtPreviewEngine::takeFrame);
    if (m_player) {
        m_player->setVideoSink(sink);
        if (sink && !m_calibrated && m_player->playbackState() != QMediaPlayer::PlayingState)
            calibrate();
    }
    return PreviewStatus::Ok;
}

void QtPreviewEngine::takeFrame(const QVideoFrame &frame)
{
    // The empty frame of a stopping player shows nothing new.
    if (!m_player || !frame.isValid() || frame.startTime() < 0)
        return;
    const qint64 start = frame.startTime();
    const qint64 end = frame.endTime();
    const qint64 length = end > start ? end - start : 0;
    if (m_player->playbackState() == QMediaPlayer::PlayingState && m_lastStartUs >= 0 && start > m_lastStartUs) {
        const qint64 spacing = start - m_lastStartUs;
        if (m_shortestSpacingUs == 0 || spacing < m_shortestSpacingUs)
            m_shortestSpacingUs = spacing;
    }
    m_lastStartUs = start;

    const qint64 nominal = frameLengthUs();
    const bool clipped = length > 0 && nominal > 0 && length + kClipSlackUs < nominal;
    if (!clipped)
        m_longestFrameUs = std::max(m_longestFrameUs, length);
    const qint64 originUs = m_originMs * 1000;
    if (m_awaitedRequestUs) {
        // A clipped frame starts at the seek point itself.
        if (clipped)
            m_bufferOffsetUs = start - (originUs + *m_awaitedRequestUs);
        m_awaitedRequestUs.reset();
        m_seekFrameShown = true;
        if (m_seekClock.isValid())
            m_slowestSeekMs = std::max<qint64>(m_slowestSeekMs, m_seekClock.elapsed());
    }
    const qint64 bufferStart = clipped ? end - nominal : start;
    m_shownUs = bufferStart - m_bufferOffsetUs - originUs;
    ++m_framesDelivered;
    emit frameShown();
}

qint64 QtPreviewEngine::frameLengthUs() const
{
    if (const std::optional<double> rate = FrameRate(); rate && *rate > 0.0)
        return std::llround(1.0e6 / *rate);
    return 0;
}

std::optional<double> QtPreviewEngine::FrameRate() const
{
    if (!m_player)
        return std::nullopt;
    bool ok = false;
    const double rate = m_player->metaData().value(QMediaMetaData::VideoFrameRate).toDouble(&ok);
    if (ok && std::isfinite(rate) && rate > 0.0)
        return rate;
    // MPEG program streams announce none: the delivered frames tell it.
    if (const qint64 length = m_longestFrameUs > 0 ? m_longestFrameUs : m_shortestSpacingUs; length > 0)
        return 1.0e6 / double(length);
    return std::nullopt;
}

std::optional<double> QtPreviewEngine::ShownFramePosition() const
{
    if (!m_player || !m_shownUs)
        return std::nullopt;
    return double(std::max<qint64>(0, *m_shownUs)) / 1.0e6;
}

bool QtPreviewEngine::waitForFrame(quint64 delivered, int timeoutMs)
{
    if (m_framesDelivered > delivered)
        return true;
    if (!m_player || !m_sink)
        return false;
    const quint64 generation = m_generation;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &QtPreviewEngine::frameShown, &loop, &QEventLoop::quit);
    connect(this, &QtPreviewEngine::mediaReleased, &loop, &QEventLoop::quit);
    connect(m_sink, &QObject::destroyed, &loop, &QEventLoop::quit);
    // A player that plays to the end shows no further frame. (A paused seek past the last frame
    // reports nothing at all: the deadline ends that wait.)
    connect(m_player.get(), &QMediaPlayer::mediaStatusChanged, &loop, [&loop](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia)
            loop.quit();
    });
    deadline.start(timeoutMs);
    loop.exec();
    return generation == m_generation && m_framesDelivered > delivered;
}

bool QtPreviewEngine::seekAndWait(qint64 requestMs)
{
    // The player ignores a seek to where it stands.
    if (m_player->position() == m_originMs + requestMs && m_seekFrameShown && !m_awaitedRequestUs)
        return true;
    const quint64 delivered = m_framesDelivered;
    m_awaitedRequestUs = requestMs * 1000;
    m_seekFrameShown = false;
    if (m_player->playbackState() != QMediaPlayer::PausedState)
        m_player->pause();
    m_player->setPosition(m_originMs + requestMs);
    m_seekClock.start();
    return waitForFrame(delivered, std::clamp<int>(kSeekWaitFactor * m_slowestSeekMs, kMinSeekWaitMs, kFrameWaitMs));
}

bool QtPreviewEngine::showFrameAt(qint64 wantUs, std::optional<qint64> fromUs, int direction)
{
    // Qt ends its seeks at the duration counted from zero, not from the origin.
    const qint64 lastMs = std::max<qint64>(0, durationMs() - m_originMs - 1);
    wantUs = std::clamp<qint64>(wantUs, 0, std::max<qint64>(0, durationMs() - 1) * 1000);
    const qint64 length = std::max<qint64>(1, frameLengthUs());
    const auto holds = [&](qint64 frameUs) { return frameUs <= wantUs && wantUs < frameUs + length; };
    if (m_shownUs && holds(*m_shownUs)) {
        m_seekFrameShown = true;
        return true;
    }
    // Ranks a landing: a step that did not move is worst (unless it was clamped to where it
    // stood), then the distance from the wanted frame.
    const bool mustMove = fromUs && direction != 0 && !holds(*fromUs);
    const auto cost = [&](qint64 shownUs) {
        const bool stuck = mustMove && (direction > 0 ? shownUs <= *fromUs : shownUs >= *fromUs);
        return (stuck ? qint64(1) << 50 : 0) + (holds(shownUs) ? 0 : std::abs(shownUs - wantUs));
    };

    // Where the demuxer lands is a rising step function of the request: aim off by the error,
    // doubling while every landing is on one side, then halve the bracket.
    std::optional<qint64> earlyMs;
    std::optional<qint64> lateMs;
    qint64 requestMs = std::clamp<qint64>(wantUs / 1000, 0, lastMs);
    qint64 bestMs = requestMs;
    qint64 bestCost = std::numeric_limits<qint64>::max();
    qint64 reachMs = 0;
    bool ended = false;
    for (int attempt = 0; attempt < kMaxSeeks; ++attempt) {
        // A landing past the last frame shows nothing (and says nothing): step well back from it,
        // and once something lands, stop rather than probe towards the end again.
        if (!seekAndWait(requestMs) || !m_shownUs) {
            if (!m_player || earlyMs)
                break;
            ended = true;
            lateMs = requestMs;
            const qint64 nextMs = std::max<qint64>(0, requestMs - kBackFromEndMs);
            if (nextMs == requestMs)
                break;
            requestMs = nextMs;
            continue;
        }
        const qint64 shownUs = *m_shownUs;
        const qint64 landing = cost(shownUs);
        if (landing < bestCost) {
            bestCost = landing;
            bestMs = requestMs;
        }
        if (landing == 0 || ended)
            break;
        const bool late = shownUs > wantUs;
        (late ? lateMs : earlyMs) = requestMs;
        qint64 nextMs = 0;
        if (earlyMs && lateMs) {
            nextMs = (*earlyMs + *lateMs) / 2;
        } else {
            const qint64 errorMs = std::max<qint64>(1, std::abs(shownUs - wantUs) / 1000);
            reachMs = reachMs == 0 ? errorMs : reachMs * 2;
            nextMs = late ? requestMs - reachMs : requestMs + reachMs;
        }
        nextMs = std::clamp<qint64>(nextMs, 0, lastMs);
        if (nextMs == requestMs || nextMs == earlyMs || nextMs == lateMs)
            break;
        requestMs = nextMs;
    }
    if (bestCost == std::numeric_limits<qint64>::max())
        return false;
    if (bestMs != requestMs || !m_seekFrameShown)
        return seekAndWait(bestMs);
    return true;
}

void QtPreviewEngine::calibrate()
{
    m_calibrated = true;
    const quint64 delivered = m_framesDelivered;
    if (m_player->playbackState() != QMediaPlayer::PausedState)
        m_player->pause();
    // The first frame gives the frame length where the file states no rate.
    waitForFrame(delivered, kFrameWaitMs);
    // Lands clipped inside the first frame where the demuxer seeks exactly; elsewhere go back to
    // the first frame, as a stopped player shows it.
    constexpr qint64 kTinySeekMs = 1;
    if (seekAndWait(kTinySeekMs) && m_shownUs && *m_shownUs > kTinySeekMs * 1000)
        seekAndWait(0);
    // Loaded, the position is the start, whichever frame the stream shows first.
    m_seekTargetMs.reset();
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
    return m_player ? m_player->duration() : 0;
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

PreviewStatus QtPreviewEngine::StepFrames(int frames)
{
    if (!m_player)
        return PreviewStatus::Failed;
    const qint64 length = frameLengthUs();
    if (!m_sink || length <= 0)
        return PreviewStatus::NotSupported;
    const qint64 fromUs = m_shownUs.value_or(std::llround(CurrentPosition().value_or(0.0) * 1.0e6));
    // A quarter into the frame, so that rounding to whole milliseconds stays inside it.
    const qint64 wantUs = std::max<qint64>(fromUs + qint64(frames) * length, 0) + length / 4;
    const bool shown = showFrameAt(wantUs, fromUs, frames);
    m_seekTargetMs = m_shownUs.value_or(wantUs) / 1000;
    return shown ? PreviewStatus::Ok : PreviewStatus::Failed;
}

void QtPreviewEngine::Release()
{
    ++m_generation;
    m_originMs = 0;
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
