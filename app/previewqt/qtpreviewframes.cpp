// The preview engine's frames: which one is shown, seeking to one, stepping by them.

#include "qtpreviewengine.h"

#include <QEventLoop>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>

#include <algorithm>
#include <cmath>

namespace {

// Seeks one seek outside playback may take to find its frame where the demuxer lands elsewhere.
constexpr int kMaxSeeks = 6;
// How far back from a seek that ended the stream the next one aims.
constexpr qint64 kBackFromEndMs = 1000;
// A seek whose frame has not come within this many times the slowest seek's, and at least
// kMinSeekWaitMs, went past the last frame: the player reports nothing for it.
constexpr int kSeekWaitFactor = 4;
// A frame this much shorter than the nominal length was clipped to a seek point.
constexpr qint64 kClipSlackUs = 500;

} // namespace

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
