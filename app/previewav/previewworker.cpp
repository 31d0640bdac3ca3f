#include "previewworker.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>

#include <algorithm>

namespace {

// How often playback looks at the clock, in milliseconds.
constexpr int kTickMs = 5;
// Pictures are made to fit this box until the engine is told the size they are painted at.
constexpr QSize kDefaultPictureBox(640, 360);
// Sound decoded ahead of the sink, in seconds.
constexpr double kSoundAheadSeconds = 0.25;

} // namespace

PreviewWorker::PreviewWorker(QString indexFolder, const PreviewShared &shared)
    : m_indexFolder(std::move(indexFolder))
    , m_shared(shared)
{
    m_ticker.setInterval(kTickMs);
    m_ticker.setTimerType(Qt::PreciseTimer);
    connect(&m_ticker, &QTimer::timeout, this, &PreviewWorker::tick);
}

PreviewWorker::~PreviewWorker()
{
    close();
}

void PreviewWorker::stopScan()
{
    m_cancelScan = true;
    if (m_scan.joinable())
        m_scan.join();
    m_cancelScan = false;
}

void PreviewWorker::close()
{
    m_ticker.stop();
    stopSound();
    m_audio.reset();
    stopScan();
    m_source.reset();
    m_upcoming.reset();
    m_shown.reset();
}

void PreviewWorker::applyPaintSize()
{
    if (!m_source)
        return;
    m_source->setClassic(m_shared.classic.load());
    QSize size(m_shared.paintWidth.load(), m_shared.paintHeight.load());
    if (size.isEmpty()) {
        size = m_source->displaySize();
        if (size.width() > kDefaultPictureBox.width() || size.height() > kDefaultPictureBox.height())
            size.scale(kDefaultPictureBox, Qt::KeepAspectRatio);
    }
    m_source->setPictureSize(size);
}

void PreviewWorker::deliver(quint64 serial, const VideoSource::Picture &picture)
{
    m_shown = picture.seconds;
    emit pictureReady(serial, picture.seconds, picture.image);
}

void PreviewWorker::open(quint64 serial, const QString &path)
{
    close();
    m_serial = serial;
    m_path = path;
    auto source = VideoSource::open(path);
    if (!std::holds_alternative<std::unique_ptr<VideoSource>>(source)) {
        emit opened(serial, false, {});
        return;
    }
    m_source = std::move(std::get<std::unique_ptr<VideoSource>>(source));
    applyPaintSize();
    const QFileInfo file(path);
    std::shared_ptr<const FrameIndex> index;
    if (std::optional<FrameIndex> cached = FrameIndex::load(m_indexFolder, file))
        index = std::make_shared<const FrameIndex>(std::move(*cached));
    // A header without a length: the index's last frame gives it, so it is needed now.
    if (!index && !m_source->file().duration()) {
        if (std::optional<FrameIndex> scanned = FrameIndex::scan(path))
            index = std::make_shared<const FrameIndex>(std::move(*scanned));
        if (index)
            index->save(m_indexFolder, file);
    }
    if (index)
        takeIndex(serial, index);
    const std::optional<VideoSource::Picture> first = m_source->frameAt(0.0);
    if (!first) {
        close();
        emit opened(serial, false, {});
        return;
    }
    PreviewFileInfo info;
    info.frameRate = m_source->file().frameRate();
    if (const std::optional<double> length = m_source->file().duration())
        info.duration = *length;
    else if (m_source->index())
        info.duration = m_source->file().secondsOf(m_source->index()->frames().back().pts)
                        + 1.0 / info.frameRate.value_or(25.0);
    if (info.duration <= 0.0) {
        close();
        emit opened(serial, false, {});
        return;
    }
    // The picture first: RenderFile returns on the answer, with the first frame shown.
    deliver(serial, *first);
    emit opened(serial, true, info);
    if (!index) {
        // The index is read in the background; seeks do without it meanwhile.
        const QString folder = m_indexFolder;
        m_scan = std::thread([this, serial, path, folder, file] {
            std::optional<FrameIndex> scanned = FrameIndex::scan(path, &m_cancelScan);
            if (!scanned || scanned->isEmpty())
                return;
            auto shared = std::make_shared<const FrameIndex>(std::move(*scanned));
            shared->save(folder, file);
            QMetaObject::invokeMethod(this, [this, serial, shared] { takeIndex(serial, shared); },
                                      Qt::QueuedConnection);
        });
    }
}

void PreviewWorker::takeIndex(quint64 serial, std::shared_ptr<const FrameIndex> index)
{
    if (serial != m_serial || !m_source)
        return;
    m_source->setIndex(index);
    emit indexReady(serial, index, m_source->file().startTs(), av_q2d(m_source->file().timeBase()));
}

void PreviewWorker::seek(quint64 serial, double seconds)
{
    // Dragging the slider asks faster than frames decode: only the newest seek counts. A step or
    // play after it still needs it, as their starting place.
    if (!m_source || serial < m_shared.latestSeek.load()) {
        emit requestDone(serial);
        return;
    }
    applyPaintSize();
    const bool playing = m_ticker.isActive();
    const bool classic = m_shared.classic.load();
    // A newer seek (the handle moved on) stops this one; the decoder keeps its place for it.
    const auto movedOn = [this, serial] { return m_shared.latestSeek.load() != serial; };
    if (!playing && !classic) {
        // Something near at once: the group's keyframe or a cached frame nearer the handle.
        if (const std::optional<VideoSource::Picture> near = m_source->preview(seconds))
            emit previewReady(serial, near->image);
    }
    if (const std::optional<VideoSource::Picture> picture
        = m_source->frameAt(seconds, playing || classic ? VideoSource::Interrupted() : movedOn))
        deliver(serial, *picture);
    else
        emit requestDone(serial);
    if (!playing && !classic)
        rest(serial);
    if (m_ticker.isActive()) {
        // Playing: go on from the new place.
        m_upcoming.reset();
        m_videoEnded = false;
        if (m_audio || m_sink)
            startSound(m_source->current() ? m_source->current()->seconds : seconds);
        else {
            m_playFrom = m_source->current() ? m_source->current()->seconds : seconds;
            m_wallClock.start();
        }
    }
}

void PreviewWorker::step(quint64 serial, int frames)
{
    if (!m_source) {
        emit requestDone(serial);
        return;
    }
    applyPaintSize();
    const std::optional<VideoSource::Picture> picture = m_source->step(frames);
    if (!picture) {
        emit requestDone(serial);
        return;
    }
    deliver(serial, *picture);
    if (!m_shared.classic.load())
        rest(serial);
    else if (frames < 0)
        QMetaObject::invokeMethod(this, [this, serial] { prefetch(serial); }, Qt::QueuedConnection);
}

void PreviewWorker::rest(quint64 serial)
{
    QMetaObject::invokeMethod(
        this,
        [this, serial] {
            // Only while nothing newer waits, and it gives way as soon as something does.
            const auto newer = [this, serial] { return m_shared.latest.load() != serial; };
            if (!m_source || m_ticker.isActive() || newer())
                return;
            m_source->settle(newer);
            m_source->prefetchAround(newer);
            m_source->warmUp(newer);
        },
        Qt::QueuedConnection);
}

void PreviewWorker::prefetch(quint64 serial)
{
    // Only while nothing newer waits, and it gives way as soon as something does.
    if (m_source && serial == m_shared.latest.load() && !m_ticker.isActive())
        m_source->prefetchBefore([this, serial] { return m_shared.latest.load() != serial; });
}

void PreviewWorker::play(quint64 serial, double rate)
{
    if (!m_source) {
        emit requestDone(serial);
        return;
    }
    m_playSerial = serial;
    m_rate = rate;
    m_upcoming.reset();
    m_videoEnded = false;
    startSound(m_shown.value_or(0.0));
    m_ticker.start();
    emit requestDone(serial);
}

void PreviewWorker::pause(quint64 serial)
{
    m_ticker.stop();
    stopSound();
    // The source has moved on to the frame decoded ahead: back to the one on screen (cached).
    if (m_upcoming && m_source && m_shown)
        m_source->frameAt(*m_shown);
    m_upcoming.reset();
    emit requestDone(serial);
}

void PreviewWorker::setVolume(float linear)
{
    m_volume = linear;
    if (m_sink)
        m_sink->setVolume(linear);
}

void PreviewWorker::startSound(double from)
{
    stopSound();
    m_playFrom = from;
    m_wallClock.start();
    // Other rates than 1 play silent on the wall clock.
    if (m_rate != 1.0)
        return;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return;
    QAudioFormat format = device.preferredFormat();
    const int rate = format.sampleRate() > 0 ? format.sampleRate() : 48000;
    const int channels = std::clamp(format.channelCount(), 1, 2);
    if (!m_audio || m_audio->sampleRate() != rate || m_audio->channels() != channels) {
        auto opened = AudioDecoder::open(m_path, rate, channels);
        if (!std::holds_alternative<std::unique_ptr<AudioDecoder>>(opened))
            return;
        m_audio = std::move(std::get<std::unique_ptr<AudioDecoder>>(opened));
    }
    format.setSampleRate(rate);
    format.setChannelCount(channels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return;
    m_audio->seek(from);
    m_sink = std::make_unique<QAudioSink>(device, format);
    m_sink->setVolume(m_volume);
    m_sinkDevice = m_sink->start();
    if (!m_sinkDevice || m_sink->error() != QAudio::NoError) {
        stopSound();
        return;
    }
    m_pending.clear();
    m_bytesWritten = 0;
    m_audioEnded = false;
}

void PreviewWorker::stopSound()
{
    if (m_sink)
        m_sink->stop();
    m_sink.reset();
    m_sinkDevice = nullptr;
    m_pending.clear();
}

double PreviewWorker::clock() const
{
    if (m_sink && m_audio) {
        // What the sink has taken and no longer holds is what has been heard.
        const qint64 held = qint64(m_sink->bufferSize()) - m_sink->bytesFree();
        const qint64 heard = std::max<qint64>(0, m_bytesWritten - std::max<qint64>(0, held));
        return m_playFrom + double(heard) / m_audio->bytesPerSecond();
    }
    return m_playFrom + m_rate * double(m_wallClock.nsecsElapsed()) / 1.0e9;
}

void PreviewWorker::tick()
{
    if (!m_source)
        return;
    // Sound first: the sink must never run dry while a picture decodes.
    if (m_sink && m_audio && m_sinkDevice) {
        while (!m_audioEnded && m_pending.size() < qint64(kSoundAheadSeconds * m_audio->bytesPerSecond())) {
            const std::optional<AudioDecoder::Chunk> chunk = m_audio->next();
            if (!chunk) {
                m_audioEnded = true;
                break;
            }
            m_pending += chunk->samples;
        }
        const qint64 room = std::min<qint64>(m_sink->bytesFree(), m_pending.size());
        if (room > 0) {
            const qint64 written = m_sinkDevice->write(m_pending.constData(), room);
            if (written > 0) {
                m_pending.remove(0, written);
                m_bytesWritten += written;
            }
        }
    }
    const double now = clock();
    // The picture follows the clock: show the newest frame that is due, drop the ones overtaken.
    std::optional<VideoSource::Picture> due;
    while (!m_videoEnded) {
        if (!m_upcoming) {
            m_upcoming = m_source->next();
            if (!m_upcoming) {
                m_videoEnded = true;
                break;
            }
        }
        if (m_upcoming->seconds > now)
            break;
        due = std::exchange(m_upcoming, std::nullopt);
    }
    if (due)
        deliver(m_playSerial, *due);
    const bool soundDone = !m_sink || m_audioEnded || m_pending.isEmpty();
    if (m_videoEnded && soundDone) {
        m_ticker.stop();
        stopSound();
        emit playbackEnded(m_playSerial);
    }
}
