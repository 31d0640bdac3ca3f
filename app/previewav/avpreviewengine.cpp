#include "avpreviewengine.h"

#include "keyframes.h"
#include "waveform.h"

#include <QAudio>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kSilentVolume = -10000;
constexpr int kFullVolume = 0;

QImage wrap(const RgbImage &image)
{
    // The image shares the decoded bytes; the copy of the array keeps them alive.
    auto *bytes = new QByteArray(image.bytes);
    return QImage(reinterpret_cast<const uchar *>(bytes->constData()), image.size.width(), image.size.height(),
                  image.stride, QImage::Format_RGB32, [](void *held) { delete static_cast<QByteArray *>(held); },
                  bytes);
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

AvPreviewEngine::AvPreviewEngine(const QString &indexFolder, QObject *parent)
    : PreviewEngine(parent)
{
    qRegisterMetaType<RgbImage>();
    qRegisterMetaType<PreviewFileInfo>();
    qRegisterMetaType<std::shared_ptr<const FrameIndex>>();
    m_worker = new PreviewWorker(indexFolder, m_shared);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &PreviewWorker::opened, this, [this](quint64 serial, bool ok, const PreviewFileInfo &info) {
        if (serial != m_fileSerial)
            return;
        m_openResult = ok;
        m_info = info;
        m_loaded = ok;
        emit answered();
    });
    connect(m_worker, &PreviewWorker::pictureReady, this, &AvPreviewEngine::takePicture);
    connect(m_worker, &PreviewWorker::requestDone, this, &AvPreviewEngine::takeAnswer);
    connect(m_worker, &PreviewWorker::previewReady, this, [this](quint64 serial, const RgbImage &image) {
        // Only for the newest seek, until its own frame comes; the position stays the one asked for.
        if (serial < m_fileSerial || m_fileSerial == 0 || serial != m_shared.latestSeek.load()
            || serial <= m_answered || image.isNull())
            return;
        m_picture = image;
        ++m_previewsShown;
        if (m_output)
            m_output(PreviewPicture([image] { return wrap(image); }));
    });
    connect(m_worker, &PreviewWorker::indexReady, this,
            [this](quint64 serial, std::shared_ptr<const FrameIndex> index, qint64 startTs, double timeBase) {
                if (serial != m_fileSerial)
                    return;
                m_index = std::move(index);
                m_indexStartTs = startTs;
                m_indexTimeBase = timeBase;
                m_fullKeyframes = true;
                takeKeyframes(Keyframes::fromIndex(*m_index, startTs, timeBase));
            });
    connect(m_worker, &PreviewWorker::playbackEnded, this, [this](quint64 serial) {
        if (serial < m_fileSerial || !m_playing)
            return;
        m_playing = false;
        m_ended = true;
        if (m_output)
            m_output(PreviewPicture());
    });
    m_thread.start();

    // The timeline's pieces come from its own thread; each is taken here only if its load is
    // still the one shown.
    const QString timelineFolder = QDir::cleanPath(indexFolder + QStringLiteral("/../timeline"));
    TimelineWorker::Sink sink;
    sink.headerKeyframes = [this](quint64 load, std::vector<double> keyframes) {
        QMetaObject::invokeMethod(
            this,
            [this, load, keyframes = std::move(keyframes)]() mutable {
                if (load == m_fileSerial && !m_fullKeyframes)
                    takeKeyframes(std::move(keyframes));
            },
            Qt::QueuedConnection);
    };
    sink.thumbnail = [this](quint64 load, const TimelineWorker::Slot &slot, RgbImage image) {
        QMetaObject::invokeMethod(
            this,
            [this, load, slot, image = std::move(image)] {
                // A picture made for slots laid out before is no use in today's.
                if (load == m_fileSerial && slot.request == m_thumbnailRequest && m_timeline.thumbnail)
                    m_timeline.thumbnail(slot.slot, image.isNull() ? QImage() : wrap(image));
            },
            Qt::QueuedConnection);
    };
    sink.waveform = [this](quint64 load, int first, QByteArray peaks, bool complete, QString error) {
        QMetaObject::invokeMethod(
            this,
            [this, load, piece = WaveformPiece{first, std::move(peaks), WaveformReader::kBucketsPerSecond, complete,
                                               error.isEmpty()}] {
                if (load == m_fileSerial && m_timeline.waveform)
                    m_timeline.waveform(piece);
            },
            Qt::QueuedConnection);
    };
    m_timelineWorker = std::make_unique<TimelineWorker>(timelineFolder, QStringList{indexFolder, timelineFolder},
                                                        std::move(sink));

    // The breaks are kept beside the timeline's pieces.
    BreakWorker::Sink breakSink;
    static_assert(int(BreakWorker::End::Failed) == int(BreakScanEnd::Failed));
    breakSink.progress = [this](quint64 scan, double read, double length) {
        QMetaObject::invokeMethod(
            this,
            [this, scan, read, length] {
                if (scan == m_breakScan && m_breakOutput.progress)
                    m_breakOutput.progress(read, length);
            },
            Qt::QueuedConnection);
    };
    breakSink.finished = [this](quint64 scan, BreakScan found, BreakWorker::End end) {
        QMetaObject::invokeMethod(
            this,
            [this, scan, found = std::move(found), end] {
                if (scan != m_breakScan)
                    return;
                m_breakScan = 0;
                if (m_breakOutput.finished)
                    m_breakOutput.finished(found, BreakScanEnd(int(end)));
            },
            Qt::QueuedConnection);
    };
    m_breakWorker = std::make_unique<BreakWorker>(timelineFolder, QStringList{indexFolder, timelineFolder},
                                                  std::move(breakSink));
}

void AvPreviewEngine::FindBreaks(const BreakThresholds &thresholds, BreakOutput output)
{
    m_breakOutput = std::move(output);
    if (m_fileSerial == 0 || m_path.isEmpty()) {
        m_breakScan = 0;
        if (m_breakOutput.finished)
            m_breakOutput.finished({}, BreakScanEnd::Failed);
        return;
    }
    static quint64 scans = 0;
    m_breakScan = ++scans;
    m_breakWorker->start(m_breakScan, m_path, thresholds);
}

void AvPreviewEngine::StopBreaks()
{
    if (m_breakScan != 0)
        m_breakWorker->stop();
}

AvPreviewEngine::~AvPreviewEngine()
{
    QMetaObject::invokeMethod(m_worker, &PreviewWorker::close, Qt::QueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

quint64 AvPreviewEngine::post(bool moves)
{
    const quint64 serial = ++m_shared.latest;
    if (moves)
        m_shared.latestSeek = serial;
    return serial;
}

bool AvPreviewEngine::waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    // A release or a newer load ends the wait too: the caller finds its request gone.
    connect(this, &AvPreviewEngine::answered, &loop, [&] {
        if (done() || m_fileSerial == 0)
            loop.quit();
    });
    deadline.start(timeoutMs);
    loop.exec();
    return done();
}

bool AvPreviewEngine::waitFor(quint64 serial, int timeoutMs)
{
    return waitUntil([this, serial] { return m_answered >= serial; }, timeoutMs);
}

void AvPreviewEngine::takePicture(quint64 serial, double seconds, const RgbImage &image)
{
    if (serial < m_fileSerial || m_fileSerial == 0)
        return;
    m_shown = seconds;
    if (serial >= m_pendingSerial)
        m_pendingSeek.reset();
    if (!image.isNull()) {
        m_picture = image;
        if (m_output)
            m_output(PreviewPicture([image] { return wrap(image); }));
    }
    takeAnswer(serial);
}

void AvPreviewEngine::takeAnswer(quint64 serial)
{
    if (serial < m_fileSerial || m_fileSerial == 0)
        return;
    m_answered = std::max(m_answered, serial);
    if (serial >= m_pendingSerial)
        m_pendingSeek.reset();
    emit answered();
}

void AvPreviewEngine::SetPictureSize(QSize size)
{
    m_shared.paintWidth = size.width();
    m_shared.paintHeight = size.height();
}

void AvPreviewEngine::SetTimelineOutput(TimelineOutput output)
{
    m_timeline = std::move(output);
    if (m_timeline.keyframes && !m_keyframes.empty())
        m_timeline.keyframes(m_keyframes);
}

void AvPreviewEngine::RequestThumbnails(const std::vector<double> &seconds, int height)
{
    m_thumbnailTimes = seconds;
    m_thumbnailHeight = height;
    ++m_thumbnailRequest;
    sendThumbnailRequest();
}

void AvPreviewEngine::RequestWaveform()
{
    if (m_loaded)
        m_timelineWorker->requestWaveform();
}

void AvPreviewEngine::takeKeyframes(std::vector<double> keyframes)
{
    m_keyframes = std::move(keyframes);
    if (m_timeline.keyframes)
        m_timeline.keyframes(m_keyframes);
    // Slots asked for before the keyframes were known, or placed on the header's list.
    sendThumbnailRequest();
}

void AvPreviewEngine::sendThumbnailRequest()
{
    if (!m_loaded || m_keyframes.empty() || m_thumbnailTimes.empty() || m_thumbnailHeight <= 0)
        return;
    std::vector<TimelineWorker::Slot> wanted;
    for (size_t i = 0; i < m_thumbnailTimes.size(); ++i) {
        TimelineWorker::Slot slot{m_thumbnailRequest, int(i),
                                  m_keyframes[size_t(Keyframes::nearest(m_keyframes, m_thumbnailTimes[i]))], -1};
        // Byte positions seek where time stamps cannot (MPEG streams).
        if (m_fullKeyframes && m_index && m_indexTimeBase > 0.0) {
            const int frame = m_index->frameAt(m_indexStartTs + std::llround(slot.seconds / m_indexTimeBase));
            if (frame >= 0)
                slot.pos = m_index->frames()[size_t(frame)].pos;
        }
        wanted.push_back(slot);
    }
    m_timelineWorker->requestThumbnails(std::move(wanted), m_thumbnailHeight);
}

PreviewStatus AvPreviewEngine::RenderFile(const QString &path)
{
    Release();
    if (path.isEmpty())
        return PreviewStatus::Failed;
    const quint64 serial = post(true);
    m_fileSerial = serial;
    m_path = path;
    m_openResult.reset();
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, serial, path] { worker->open(serial, path); },
                              Qt::QueuedConnection);
    // The timeline starts with the load, so its ticks are there when the picture is; a load
    // that fails releases it again.
    m_timelineWorker->open(serial, path);
    // The first picture comes before the answer to the load: wait for the answer itself.
    const bool answered = waitUntil([this, serial] { return m_fileSerial != serial || m_openResult; }, kLoadTimeoutMs);
    if (!answered || m_fileSerial != serial || !m_openResult.value_or(false)) {
        // A newer load or a Release has taken over: leave its media alone.
        if (m_fileSerial == serial)
            Release();
        return PreviewStatus::Failed;
    }
    m_answered = serial;
    if (m_volume)
        SetVolume(std::llround(*m_volume)); // keeps the last volume for the new file
    return PreviewStatus::Ok;
}

PreviewStatus AvPreviewEngine::SetVolume(int volume)
{
    if (!m_loaded || volume > kFullVolume || volume < kSilentVolume)
        return PreviewStatus::Failed;
    const float gain = linearGainForVolume(volume);
    m_volume = gain;
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, gain] { worker->setVolume(gain); },
                              Qt::QueuedConnection);
    return PreviewStatus::Ok;
}

std::optional<float> AvPreviewEngine::linearVolume() const
{
    if (!m_loaded)
        return std::nullopt;
    return m_volume.value_or(1.0f);
}

PreviewStatus AvPreviewEngine::SetBalance(int)
{
    return PreviewStatus::NotSupported; // the sound output has no balance
}

PreviewStatus AvPreviewEngine::SetVideoOutput(PreviewPictureOutput output)
{
    m_output = std::move(output);
    // The load shows its first frame before the window sets the output.
    if (m_output && m_loaded && !m_picture.isNull())
        m_output(PreviewPicture([image = m_picture] { return wrap(image); }));
    return PreviewStatus::Ok;
}

PreviewStatus AvPreviewEngine::SetRate(double rate)
{
    if (!m_loaded || !std::isfinite(rate) || rate <= 0.0)
        return PreviewStatus::Failed;
    m_rate = rate;
    return PreviewStatus::Ok;
}

std::optional<double> AvPreviewEngine::Duration() const
{
    if (!m_loaded)
        return std::nullopt;
    return m_length.value_or(m_info.duration);
}

void AvPreviewEngine::SetLength(double seconds)
{
    if (m_loaded && std::isfinite(seconds) && seconds > 0.0)
        m_length = seconds;
}

double AvPreviewEngine::frameStartAt(double seconds) const
{
    if (!m_index || m_indexTimeBase <= 0.0)
        return seconds;
    const int64_t ts = m_indexStartTs + int64_t(std::floor((seconds + 0.0005) / m_indexTimeBase));
    const int at = m_index->frameAt(ts);
    return double(m_index->frames()[size_t(at)].pts - m_indexStartTs) * m_indexTimeBase;
}

std::optional<double> AvPreviewEngine::CurrentPosition() const
{
    if (!m_loaded)
        return std::nullopt;
    const double duration = *Duration();
    if (m_ended)
        return duration;
    if (m_pendingSeek)
        return std::clamp(frameStartAt(*m_pendingSeek), 0.0, duration);
    return std::clamp(m_shown.value_or(0.0), 0.0, duration);
}

PreviewStatus AvPreviewEngine::SetCurrentPosition(double seconds)
{
    if (!m_loaded || !std::isfinite(seconds) || seconds < 0.0)
        return PreviewStatus::Failed;
    seconds = std::min(seconds, *Duration());
    m_ended = false;
    const quint64 serial = post(true);
    m_pendingSeek = seconds;
    m_pendingSerial = serial;
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, serial, seconds] { worker->seek(serial, seconds); },
                              Qt::QueuedConnection);
    return PreviewStatus::Ok;
}

PreviewStatus AvPreviewEngine::Run()
{
    if (!m_loaded)
        return PreviewStatus::Failed;
    m_ended = false;
    m_playing = true;
    const quint64 serial = post();
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, serial, rate = m_rate] { worker->play(serial, rate); },
                              Qt::QueuedConnection);
    return PreviewStatus::Ok;
}

PreviewStatus AvPreviewEngine::Pause()
{
    if (!m_loaded)
        return PreviewStatus::Failed;
    m_playing = false;
    const quint64 serial = post();
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, serial] { worker->pause(serial); },
                              Qt::QueuedConnection);
    return PreviewStatus::Ok;
}

PreviewStatus AvPreviewEngine::Stop()
{
    if (!m_loaded)
        return PreviewStatus::Failed;
    Pause();
    return SetCurrentPosition(0.0);
}

void AvPreviewEngine::Release()
{
    const bool had = m_fileSerial != 0;
    m_fileSerial = 0;
    m_loaded = false;
    m_openResult.reset();
    m_info = {};
    m_length.reset();
    m_index.reset();
    m_shown.reset();
    m_picture = {};
    m_pendingSeek.reset();
    m_playing = m_ended = false;
    m_keyframes.clear();
    m_fullKeyframes = false;
    m_thumbnailTimes.clear();
    m_path.clear();
    if (std::exchange(m_breakScan, 0) != 0)
        m_breakWorker->cancel();
    post(true); // whatever the worker is doing for the old file is stale now
    if (had)
        m_timelineWorker->close();
    if (had)
        QMetaObject::invokeMethod(m_worker, &PreviewWorker::close, Qt::QueuedConnection);
    emit answered();
}

bool AvPreviewEngine::HasMedia() const
{
    return m_loaded;
}

std::optional<double> AvPreviewEngine::ShownFramePosition() const
{
    if (!m_loaded || !m_shown)
        return std::nullopt;
    if (m_pendingSeek && m_index)
        return frameStartAt(*m_pendingSeek);
    // Until the index is read only the decode tells which frame a seek lands on; a mark made now
    // must be that frame, not the one before the seek.
    if (m_pendingSeek)
        const_cast<AvPreviewEngine *>(this)->waitFor(m_pendingSerial, kStepTimeoutMs);
    return m_shown;
}

std::optional<double> AvPreviewEngine::FrameRate() const
{
    if (!m_loaded)
        return std::nullopt;
    return m_info.frameRate;
}

PreviewStatus AvPreviewEngine::StepFrames(int frames)
{
    if (!m_loaded)
        return PreviewStatus::Failed;
    if (m_playing)
        Pause();
    m_ended = false;
    const quint64 serial = post();
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, serial, frames] { worker->step(serial, frames); },
                              Qt::QueuedConnection);
    return waitFor(serial, kStepTimeoutMs) ? PreviewStatus::Ok : PreviewStatus::Failed;
}
