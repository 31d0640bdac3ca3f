#include "breakworker.h"

#include "breakfinder.h"
#include "cachefolder.h"

#include <QFileInfo>

namespace {

// How long one slice reads before the worker reports progress and looks for a stop.
constexpr int kSliceMs = 100;
constexpr int kRuns = 0, kStopped = 1, kCancelled = 2;

} // namespace

BreakWorker::BreakWorker(QString cacheFolder, QStringList prunedFolders, Sink sink)
    : m_folder(std::move(cacheFolder))
    , m_pruned(std::move(prunedFolders))
    , m_sink(std::move(sink))
{
}

BreakWorker::~BreakWorker()
{
    cancel();
}

void BreakWorker::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void BreakWorker::cancel()
{
    if (m_state)
        m_state->store(kCancelled);
    if (m_abort)
        m_abort->store(true);
    join();
    m_state.reset();
    m_abort.reset();
}

void BreakWorker::stop()
{
    // The thread ends on its own after its report; a later start or cancel joins it.
    if (m_state) {
        int expected = kRuns;
        if (m_state->compare_exchange_strong(expected, kStopped))
            m_abort->store(true);
    }
}

void BreakWorker::start(quint64 scan, const QString &path, const BreakThresholds &thresholds)
{
    cancel();
    m_state = std::make_shared<std::atomic_int>(kRuns);
    m_abort = std::make_shared<std::atomic_bool>(false);
    m_thread = std::thread([this, scan, path, thresholds, state = m_state, abort = m_abort] {
        run(scan, path, thresholds, state, abort);
    });
}

void BreakWorker::run(quint64 scan, QString path, BreakThresholds thresholds, std::shared_ptr<std::atomic_int> state,
                      std::shared_ptr<std::atomic_bool> abort)
{
    const QFileInfo info(path);
    if (std::optional<BreakScan> kept = BreakFinder::load(m_folder, info, thresholds)) {
        if (state->load() != kCancelled)
            m_sink.finished(scan, std::move(*kept), End::FromCache);
        return;
    }
    auto opened = BreakFinder::open(path, thresholds, abort.get());
    if (!std::holds_alternative<std::unique_ptr<BreakFinder>>(opened)) {
        if (state->load() != kCancelled)
            m_sink.finished(scan, {}, End::Failed);
        return;
    }
    BreakFinder &finder = *std::get<std::unique_ptr<BreakFinder>>(opened);
    const double length = finder.duration().value_or(0.0);
    bool more = true;
    while (more && state->load() == kRuns) {
        more = finder.readMore(kSliceMs);
        if (state->load() == kRuns)
            m_sink.progress(scan, finder.readSeconds(), length);
    }
    const int ended = state->load();
    if (ended == kCancelled)
        return;
    BreakScan found = finder.result();
    if (ended == kStopped) {
        m_sink.finished(scan, std::move(found), End::Stopped);
        return;
    }
    if (BreakFinder::save(m_folder, info, thresholds, found))
        CacheFolder::prune(m_pruned, CacheFolder::kMostBytes, BreakFinder::cachePath(m_folder, info));
    m_sink.finished(scan, std::move(found), End::Complete);
}
