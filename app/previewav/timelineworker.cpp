#include "timelineworker.h"

#include "cachefolder.h"
#include "keyframes.h"
#include "mediafile.h"
#include "thumbnails.h"
#include "waveform.h"

#include <QFileInfo>

#include <cmath>

namespace {

// How long the waveform reads before it hands a piece over and looks for other work.
constexpr int kWaveformSliceMs = 120;

} // namespace

struct TimelineWorker::FileState
{
    quint64 load = 0;
    QFileInfo info;
    std::shared_ptr<std::atomic_bool> cancel;
    bool keptRead = false; // the thumbnails and peaks kept in the cache are loaded
    std::optional<QByteArray> keptPeaks;
    ThumbnailStore thumbnails;
    std::unique_ptr<ThumbnailMaker> maker;
    bool makerFailed = false;
    std::unique_ptr<WaveformReader> wave;
    int waveSent = 0;
    bool waveDone = false;
};

TimelineWorker::TimelineWorker(QString cacheFolder, QStringList prunedFolders, Sink sink)
    : m_folder(std::move(cacheFolder))
    , m_pruned(std::move(prunedFolders))
    , m_sink(std::move(sink))
{
    m_thread = std::thread([this] { run(); });
}

TimelineWorker::~TimelineWorker()
{
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
        if (m_cancelFlag)
            *m_cancelFlag = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void TimelineWorker::open(quint64 load, const QString &path)
{
    {
        const std::lock_guard lock(m_mutex);
        m_load = load;
        if (m_cancelFlag)
            *m_cancelFlag = true;
        m_job = Job{load, path, load != 0, {}, 0, false};
    }
    m_wake.notify_all();
}

void TimelineWorker::close()
{
    open(0, {});
}

void TimelineWorker::requestThumbnails(std::vector<Slot> wanted, int height)
{
    {
        const std::lock_guard lock(m_mutex);
        m_job.wanted = std::move(wanted);
        m_job.height = height;
    }
    m_wake.notify_all();
}

void TimelineWorker::requestWaveform()
{
    {
        const std::lock_guard lock(m_mutex);
        m_job.waveformWanted = true;
    }
    m_wake.notify_all();
}

void TimelineWorker::run()
{
    for (;;) {
        enum class Step { NewFile, Kept, Header, Thumbnail, Waveform } step;
        Job job;
        Slot slot;
        {
            std::unique_lock lock(m_mutex);
            const auto next = [this, &step] {
                if (m_job.load != (m_file ? m_file->load : 0))
                    step = Step::NewFile;
                else if (!m_file)
                    return false; // closed
                // What the cache holds goes before the header: thumbnails are asked for before
                // the header's keyframes only once the frame index is known (it was kept too),
                // and then the header's list comes too late to be used anyway.
                else if (!m_file->keptRead)
                    step = Step::Kept;
                else if (!m_job.wanted.empty())
                    step = Step::Thumbnail;
                else if (m_job.waveformWanted && !m_file->waveDone && m_file->keptPeaks)
                    step = Step::Waveform;
                else if (m_job.headerPending)
                    step = Step::Header;
                else if (m_job.waveformWanted && !m_file->waveDone)
                    step = Step::Waveform;
                else
                    return false;
                return true;
            };
            m_wake.wait(lock, [&] { return m_quit || next(); });
            if (m_quit) {
                lock.unlock();
                finishFile();
                return;
            }
            job = m_job;
            if (step == Step::NewFile) {
                lock.unlock();
                finishFile();
                if (job.load == 0)
                    continue;
                lock.lock();
                m_file = std::make_unique<FileState>();
                m_file->load = job.load;
                m_file->info = QFileInfo(job.path);
                m_file->cancel = m_cancelFlag = std::make_shared<std::atomic_bool>(!current(job.load));
                m_held = job.load;
                continue;
            }
            if (step == Step::Header)
                m_job.headerPending = false;
            if (step == Step::Thumbnail) {
                slot = m_job.wanted.front();
                m_job.wanted.erase(m_job.wanted.begin());
            }
        }
        switch (step) {
        case Step::NewFile: break;
        case Step::Kept: readKept(); break;
        case Step::Header: readHeader(job); break;
        case Step::Thumbnail: makeThumbnail(job, slot); break;
        case Step::Waveform: readWaveform(job); break;
        }
    }
}

void TimelineWorker::readKept()
{
    m_file->thumbnails = ThumbnailStore::load(m_folder, m_file->info);
    m_file->keptPeaks = WaveformReader::load(m_folder, m_file->info);
    m_file->keptRead = true;
}

void TimelineWorker::readHeader(const Job &job)
{
    auto opened = MediaFile::open(job.path, AVMEDIA_TYPE_VIDEO, m_file->cancel.get());
    if (auto *file = std::get_if<std::unique_ptr<MediaFile>>(&opened)) {
        std::vector<double> keyframes = Keyframes::fromContainer(**file);
        if (!keyframes.empty() && current(job.load))
            m_sink.headerKeyframes(job.load, std::move(keyframes));
    }
}

void TimelineWorker::makeThumbnail(const Job &job, const Slot &slot)
{
    FileState &file = *m_file;
    const ThumbnailStore::Key key{std::llround(slot.seconds * 1000.0), job.height};
    RgbImage image;
    if (const RgbImage *kept = file.thumbnails.find(key)) {
        image = *kept;
    } else {
        if (!file.maker && !file.makerFailed) {
            auto opened = ThumbnailMaker::open(job.path, file.cancel.get());
            if (auto *maker = std::get_if<std::unique_ptr<ThumbnailMaker>>(&opened))
                file.maker = std::move(*maker);
            else
                file.makerFailed = true;
        }
        if (file.maker)
            image = file.maker->make(slot.seconds, slot.pos, job.height);
        if (!current(job.load))
            return;
        if (!image.isNull())
            file.thumbnails.insert(key, image);
    }
    if (current(job.load))
        m_sink.thumbnail(job.load, slot, std::move(image));
}

void TimelineWorker::readWaveform(const Job &job)
{
    FileState &file = *m_file;
    const auto finish = [&](const QByteArray &peaks, const QString &error) {
        file.waveDone = true;
        file.wave.reset();
        if (current(job.load))
            m_sink.waveform(job.load, file.waveSent, peaks.mid(file.waveSent), true, error);
    };
    if (!file.wave) {
        if (file.keptPeaks) {
            finish(*file.keptPeaks, {});
            return;
        }
        auto opened = WaveformReader::open(job.path, file.cancel.get());
        if (auto *error = std::get_if<QString>(&opened)) {
            if (current(job.load))
                finish({}, *error);
            return;
        }
        file.wave = std::move(std::get<std::unique_ptr<WaveformReader>>(opened));
    }
    const bool more = file.wave->readMore(kWaveformSliceMs);
    // A cancelled load's reads end early: what they gave is not the whole track.
    if (!current(job.load))
        return;
    const QByteArray &peaks = file.wave->peaks();
    if (more) {
        const int to = file.wave->readTo();
        if (to > file.waveSent) {
            m_sink.waveform(job.load, file.waveSent, peaks.mid(file.waveSent, to - file.waveSent), false, {});
            file.waveSent = to;
        }
        return;
    }
    const QByteArray all = peaks;
    if (WaveformReader::save(m_folder, file.info, all))
        CacheFolder::prune(m_pruned, CacheFolder::kMostBytes, WaveformReader::cachePath(m_folder, file.info));
    finish(all, {});
}

void TimelineWorker::finishFile()
{
    if (!m_file)
        return;
    if (m_file->thumbnails.changed() && m_file->thumbnails.save(m_folder, m_file->info))
        CacheFolder::prune(m_pruned, CacheFolder::kMostBytes, ThumbnailStore::cachePath(m_folder, m_file->info));
    m_file.reset();
    m_held = 0;
}
