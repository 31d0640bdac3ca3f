#pragma once

#include "frameindex.h"
#include "rgbimage.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Reads what the timeline shows of the loaded file on a thread of its own, so that neither the
// window nor the preview's decoding waits on it: the keyframes the container's header lists,
// thumbnails of keyframes, and the sound's peaks. Pieces are handed over as they are made, each
// with the number of the load it belongs to; a new load or close cancels what runs. Thumbnails
// go before the waveform, which is read in short pieces so that a new request never waits long.
// Results are kept in the cache folder, so a second load of a file hands them over at once.
class TimelineWorker final
{
public:
    struct Slot
    {
        quint64 request = 0; // the caller's number for the request it belongs to
        int slot = 0;
        double seconds = 0.0; // a keyframe
        int64_t pos = -1;     // its byte position, -1 when unknown
    };
    // Called on the worker's thread.
    struct Sink
    {
        std::function<void(quint64 load, std::vector<double> keyframes)> headerKeyframes;
        std::function<void(quint64 load, const Slot &slot, RgbImage image)> thumbnail;
        // Peaks from bucket first on; complete: the whole track is read. An error: no sound.
        std::function<void(quint64 load, int first, QByteArray peaks, bool complete, QString error)> waveform;
    };

    TimelineWorker(QString cacheFolder, QStringList prunedFolders, Sink sink);
    ~TimelineWorker();

    void open(quint64 load, const QString &path);
    void close();
    // Replaces the thumbnails asked for and not yet made.
    void requestThumbnails(std::vector<Slot> wanted, int height);
    void requestWaveform();
    // The load whose file the worker holds; 0 once it has let go of the last one.
    quint64 heldLoad() const { return m_held.load(); }

private:
    struct Job
    {
        quint64 load = 0;
        QString path;
        bool headerPending = false;
        std::vector<Slot> wanted;
        int height = 0;
        bool waveformWanted = false;
    };

    void run();
    void readKept(); // what the cache folder holds for the file
    void readHeader(const Job &job);
    void makeThumbnail(const Job &job, const Slot &slot);
    void readWaveform(const Job &job);
    void finishFile();
    bool current(quint64 load) const { return m_load.load() == load; }

    QString m_folder;
    QStringList m_pruned;
    Sink m_sink;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    Job m_job; // guarded by m_mutex
    bool m_quit = false;
    std::atomic<quint64> m_load{0};
    std::atomic<quint64> m_held{0};
    // Aborts the demuxer's blocking reads of the file being read; set when its load is cancelled.
    std::shared_ptr<std::atomic_bool> m_cancelFlag; // guarded by m_mutex

    // The worker thread's own.
    struct FileState;
    std::unique_ptr<FileState> m_file;
    std::thread m_thread;
};
