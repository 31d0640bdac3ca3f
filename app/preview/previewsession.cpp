#include "previewsession.h"

#include "cvideoconv.h"
#include "messagesink.h"
#include "previewengine.h"
#include "exacttime.h"
#include "timetext.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QString notSupportedMessage()
{
    return PreviewSession::tr("File is not supported");
}

} // namespace

PreviewSession::PreviewSession(const WindowServices &services, QObject *parent)
    : QObject(parent)
    , m_services(services)
{
    m_tmrVideo.setObjectName(u"tmrVideo"_s);
    m_tmrVideo.setInterval(1000);
    connect(&m_tmrVideo, &QTimer::timeout, this, &PreviewSession::tmrVideo_Timer);
}

PreviewSession::~PreviewSession()
{
    m_tmrVideo.stop();
    if (m_preview)
        m_preview->Release();
}

void PreviewSession::Open(const QString &path)
{
    Stop();
    m_bNoVideo = true;
    m_shownSeconds = 0;
    m_keyframes.clear();
    m_breaks = {};
    m_findingBreaks = false;
    emit videoCleared();
    m_sVideoFile = path;

    bool supported = false;
    std::optional<double> probedDuration;
    {
        CVideoConv probe(m_services.messages, m_services.programDir);
        supported = probe.IsFileSupported(path);
        probedDuration = probe.ProbedDuration();
        // A header without a length (a browser's recording): the packets
        // still tell where the file ends.
        if (supported && !probedDuration)
            probedDuration = probe.LengthFromLastPackets(path);
    }
    if (!supported) {
        m_services.messages->showMessage(notSupportedMessage(), MessageIcon::Warning, kAppTitle);
        return;
    }
    LoadVideo(path, probedDuration);
}

void PreviewSession::setPictureSize(QSize devicePixels)
{
    m_pictureSize = devicePixels;
    if (m_preview)
        m_preview->SetPictureSize(devicePixels);
}

bool PreviewSession::loadStep(PreviewStatus status)
{
    // A step the engine cannot do is skipped; any other failure ends the load.
    if (status != PreviewStatus::Failed)
        return true;
    m_services.messages->showMessage(notSupportedMessage(), MessageIcon::Warning, kAppTitle);
    return false;
}

void PreviewSession::LoadVideo(const QString &path, std::optional<double> probedDuration)
{
    // The engine is made at the first load, not at start-up: most of its
    // cost is the media framework's, which a window without video never needs.
    if (!m_preview && m_services.makePreviewEngine) {
        m_preview = m_services.makePreviewEngine();
        if (m_preview) {
            m_preview->SetTimelineOutput(TimelineOutput{
                [this](const std::vector<double> &keyframes) {
                    m_keyframes = keyframes;
                    emit keyframesChanged(m_keyframes);
                },
                [this](int slot, const QImage &image) { emit thumbnailReady(slot, image); },
                [this](const WaveformPiece &piece) { emit waveformRead(piece); }});
        }
    }
    if (!m_preview)
        return; // the factory has said why
    m_preview->Release();
    if (m_pictureSize.isValid())
        m_preview->SetPictureSize(m_pictureSize);
    if (!loadStep(m_preview->RenderFile(path)) || !loadStep(m_preview->SetVolume(0))
        || !loadStep(m_preview->SetBalance(0)) || !loadStep(m_preview->SetVideoOutput(m_output))
        || !loadStep(m_preview->SetRate(1.0)))
        return;
    // The encoder makes the cut, so the length it finds is the one that
    // counts, and the preview keeps within it. The preview's own length
    // comes from its demuxer: none for some streams (short MPEG-TS), only a
    // guess where the header has none (the last cluster's start), and for a
    // transport stream whose clock wraps sometimes a part (2.6 s of 10 s,
    // from one load to the next). Only a file nobody can time fails.
    std::optional<double> duration = probedDuration;
    if (duration)
        m_preview->SetLength(*duration);
    else
        duration = m_preview->Duration();
    if (!duration || *duration <= 0.0) {
        loadStep(PreviewStatus::Failed);
        return;
    }
    m_durationSeconds = RoundHalfEven(*duration);
    m_sTotalTime = FormatTime(m_durationSeconds);
    emit videoLoaded(m_durationSeconds);
    m_tmrVideo.start();
    if (!loadStep(m_preview->Run()))
        return;
    m_bNoVideo = false;
    setPlaying(true);
    showPosition(0.0);
}

void PreviewSession::setPlaying(bool playing)
{
    m_playing = playing;
    emit playingChanged(playing);
}

void PreviewSession::PlayPause()
{
    if (m_bNoVideo)
        return;
    if (m_playing) {
        m_preview->Pause();
        setPlaying(false);
        m_tmrVideo.stop();
        return;
    }
    const std::optional<double> duration = m_preview->Duration();
    const std::optional<double> position = m_preview->CurrentPosition();
    if (duration && position && std::floor(*duration) == std::floor(*position))
        Stop(); // at the end: play again from the start
    m_tmrVideo.start();
    m_preview->Run();
    setPlaying(true);
}

void PreviewSession::Stop()
{
    if (m_bNoVideo)
        return;
    m_preview->Stop();
    m_preview->SetCurrentPosition(0);
    m_shownSeconds = 0;
    showPosition(0.0);
    setPlaying(false);
    m_tmrVideo.stop();
}

void PreviewSession::showPosition(double seconds)
{
    m_shownSeconds = std::min(RoundHalfEven(seconds), m_durationSeconds);
    const QString now = m_exactTime ? FormatExactTime(seconds) : FormatTime(RoundHalfEven(seconds));
    emit positionChanged(m_shownSeconds, now + u'/' + m_sTotalTime);
}

void PreviewSession::setExactTime(bool exact)
{
    m_exactTime = exact;
    if (!m_bNoVideo && m_preview)
        showPosition(ShownFrame());
}

double PreviewSession::ShownFrame() const
{
    if (m_preview && !m_bNoVideo) {
        if (const std::optional<double> shown = m_preview->ShownFramePosition())
            return *shown;
        if (const std::optional<double> position = m_preview->CurrentPosition())
            return *position;
    }
    return m_shownSeconds;
}

void PreviewSession::SeekToEnd(bool last)
{
    if (!m_preview || m_bNoVideo)
        return;
    if (m_playing)
        PlayPause();
    const std::optional<double> duration = m_preview->Duration();
    const std::optional<double> rate = m_preview->FrameRate();
    const double end = duration.value_or(m_durationSeconds);
    // The last frame starts one frame before the end.
    m_preview->SetCurrentPosition(last ? std::max(0.0, end - 1.0 / rate.value_or(25.0)) : 0.0);
    FrameShown();
}

void PreviewSession::StepFrames(int frames)
{
    if (!m_preview || m_bNoVideo)
        return;
    if (m_playing)
        PlayPause();
    m_preview->StepFrames(frames);
    FrameShown();
}

std::optional<double> nextPlace(const std::vector<double> &places, double shown, int direction)
{
    if (direction > 0) {
        const auto next = std::upper_bound(places.begin(), places.end(), shown + 0.0005);
        if (next != places.end())
            return *next;
    } else if (direction < 0) {
        const auto next = std::lower_bound(places.begin(), places.end(), shown - 0.0005);
        if (next != places.begin())
            return *(next - 1);
    }
    return std::nullopt;
}

std::optional<double> PreviewSession::stepTo(const std::vector<double> &places, int direction)
{
    if (!m_preview || m_bNoVideo || places.empty() || direction == 0)
        return std::nullopt;
    if (m_playing)
        PlayPause();
    const std::optional<double> target = nextPlace(places, ShownFrame(), direction);
    if (!target)
        return std::nullopt;
    m_preview->SetCurrentPosition(*target);
    FrameShown();
    return target;
}

void PreviewSession::StepKeyframe(int direction)
{
    stepTo(m_keyframes, direction);
}

void PreviewSession::StepPlace(Place place, int direction)
{
    std::vector<double> places;
    if (place == Place::Break) {
        for (const FrameSpan &span : m_breaks.breaks)
            places.push_back(span.end);
    } else {
        for (const SceneChange &scene : m_breaks.scenes)
            places.push_back(scene.seconds);
    }
    std::sort(places.begin(), places.end());
    if (const std::optional<double> reached = stepTo(places, direction))
        emit placeReached(place, *reached);
}

void PreviewSession::FindBreaks(const BreakThresholds &thresholds)
{
    if (!m_preview || m_bNoVideo)
        return;
    m_findingBreaks = true;
    m_preview->FindBreaks(thresholds, BreakOutput{
        [this](double read, double length) { emit breaksProgress(read, length); },
        [this](const BreakScan &scan, BreakScanEnd end) {
            m_findingBreaks = false;
            m_breaks = scan;
            emit breaksFound(m_breaks, end);
        }});
}

void PreviewSession::StopBreaks()
{
    if (m_preview && m_findingBreaks)
        m_preview->StopBreaks();
}

void PreviewSession::RequestThumbnails(const std::vector<double> &seconds, int height)
{
    // Asked for as the load ends, before the first picture plays.
    if (m_preview && m_preview->HasMedia())
        m_preview->RequestThumbnails(seconds, height);
}

void PreviewSession::RequestWaveform()
{
    if (m_preview && m_preview->HasMedia())
        m_preview->RequestWaveform();
}

void PreviewSession::tmrVideo_Timer()
{
    if (m_preview) {
        if (const std::optional<double> position = m_preview->CurrentPosition())
            showPosition(*position);
    }
    if (m_shownSeconds == m_durationSeconds) {
        m_tmrVideo.stop();
        setPlaying(false);
    }
}

void PreviewSession::SeekTo(qint32 seconds)
{
    if (!m_preview || m_bNoVideo)
        return;
    m_preview->SetCurrentPosition(seconds);
    FrameShown();
}

void PreviewSession::FrameShown()
{
    // Some formats seek late (MPEG-PS by most of a second): the label and
    // the handle follow the frame that is shown, not the one asked for.
    if (!m_preview || m_bNoVideo || m_tmrVideo.isActive())
        return;
    showPosition(ShownFrame());
}

void PreviewSession::Close()
{
    m_tmrVideo.stop();
    if (m_preview)
        m_preview->Stop();
}
