#pragma once

#include "breakmarks.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Runs one break scan at a time on a thread of its own: the findings kept in the cache folder
// when there are any for the file and the thresholds, else a scan of the whole file, read in
// slices so that a stop or a new scan is seen within one. A scan read to its end is kept.
class BreakWorker final
{
public:
    enum class End { Complete, FromCache, Stopped, Failed };
    // Called on the worker's thread, with the number the scan was started with.
    struct Sink
    {
        std::function<void(quint64 scan, double read, double length)> progress;
        std::function<void(quint64 scan, BreakScan found, End end)> finished;
    };

    BreakWorker(QString cacheFolder, QStringList prunedFolders, Sink sink);
    ~BreakWorker();

    // Ends the scan that runs (its findings are not reported) and starts this one.
    void start(quint64 scan, const QString &path, const BreakThresholds &thresholds);
    // The scan that runs ends and reports what it found so far as Stopped.
    void stop();
    // Ends the scan that runs without a report.
    void cancel();

private:
    void run(quint64 scan, QString path, BreakThresholds thresholds, std::shared_ptr<std::atomic_int> state,
             std::shared_ptr<std::atomic_bool> abort);
    void join();

    QString m_folder;
    QStringList m_pruned;
    Sink m_sink;
    std::thread m_thread;
    // 0 runs, 1 stopped (report), 2 cancelled (no report); shared with the running scan.
    std::shared_ptr<std::atomic_int> m_state;
    // Set with any change of state, so that the scan sees it within one packet.
    std::shared_ptr<std::atomic_bool> m_abort;
};
