#include "cutlistrun.h"

#include "cutjob.h"
#include "cutlist.h"
#include "cutnotices.h"
#include "cutworkflow.h"
#include "encodercommand.h"
#include "joinjob.h"
#include "messagesink.h"
#include "poweroff.h"
#include "previewsession.h"
#include "smartcutplan.h"
#include "timetext.h"

#include <QCoreApplication>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

constexpr int kForcedPowerOff = 8; // as after a single task

// Keeps what a cut would have shown in message boxes, as the entry's error
// lines: a list runs on unattended, and says what failed once at the end.
class EntryMessages final : public MessageSink
{
public:
    void showMessage(const QString &text, MessageIcon, const QString &) override
    {
        QString lines = text;
        lines.replace(u"\r\n"_s, u"\n"_s);
        if (!m_text.isEmpty())
            m_text += u'\n';
        m_text += lines.trimmed();
    }
    const QString &text() const { return m_text; }

private:
    QString m_text;
};

} // namespace

CutListRunner::CutListRunner(const WindowServices &services, CutWorkflow &flow, CutListModel &model,
                             QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_flow(flow)
    , m_model(model)
{
}

CutListRunner::~CutListRunner() = default;

void CutListRunner::run()
{
    if (m_running || m_flow.TaskRunning())
        return;
    m_model.refreshSources();
    if (!m_model.hasRunnable()) {
        m_services.messages->showMessage(tr("No cut in the list is waiting."), MessageIcon::Information, kAppTitle);
        return;
    }
    m_running = true;
    m_stopRequested = false;
    emit runningChanged(true);
    m_flow.beginListTask([this] { stop(); });

    CutListRun counter;
    for (int row = m_model.nextRunnable(); row >= 0 && !m_stopRequested; row = m_model.nextRunnable()) {
        runEntry(row, counter.startNext(m_model.runnableCount()));
        m_model.refreshSources(); // a later source may have gone meanwhile
    }

    const CutCounts counts = m_model.counts();
    const bool closing = m_flow.closing();
    m_running = false;
    m_flow.endTask();
    emit runningChanged(false);
    if (closing)
        return;
    if (const QString summary = cutListEndMessage(counts); !summary.isEmpty())
        m_services.messages->showMessage(summary, MessageIcon::Information, kAppTitle);
    // After the whole list, and only when it all got done.
    if (m_flow.shutdownAfterTask() && !m_stopRequested && cutListPowerOffAllowed(counts))
        m_services.power->ShutdownWindows(kForcedPowerOff);
}

void CutListRunner::stop()
{
    if (!m_running)
        return;
    m_stopRequested = true;
    if (m_job)
        m_job->stop();
    if (m_joinJob)
        m_joinJob->StopConversion();
}

void CutListRunner::runEntry(int row, const QString &label)
{
    const CutEntry entry = m_model.entries().at(row);
    EntryMessages messages;
    CutJob job(m_flow.presets(), m_flow.codecs(), messages, m_services.programDir);
    job.setIndexFolder(m_services.indexFolder);
    m_job = &job; // from here on a stop reaches the cut, also before it starts
    const auto forget = qScopeGuard([this] { m_job = nullptr; });
    m_flow.showListProgress({true, true, 0, label, {}});
    m_flow.session().Stop();

    const bool prepared = job.prepare({entry.sourcePath, {entry.format, entry.folder, entry.fastSeek},
                                       entry.selectStart, entry.selectEnd, entry.exactMarks});
    if (!m_model.markRunning(row, job.OutputFile()))
        return;
    if (!prepared) {
        m_model.markFailed(messages.text());
        return;
    }
    connect(&job, &CutJob::Progress, this, [this, label](int percent) {
        if (!m_stopRequested)
            m_flow.showListProgress({true, false, percent, label, {}});
    });
    switch (job.run()) {
    case CutJob::Outcome::Completed:
        m_model.markDone();
        m_flow.showListProgress({true, false, 100, label, {}});
        break;
    case CutJob::Outcome::Stopped:
        m_model.markStopped();
        break;
    default:
        m_model.markFailed(messages.text());
        break;
    }
}

void CutListRunner::join(bool removeParts)
{
    if (m_running || m_flow.TaskRunning())
        return;
    m_model.refreshSources();
    QList<int> rows;
    for (int row = 0; row < m_model.rowCount(); ++row)
        if (m_model.entries().at(row).state == CutState::Waiting && !m_model.sourceMissing(row))
            rows.append(row);
    if (rows.isEmpty()) {
        m_services.messages->showMessage(tr("No cut in the list is waiting."), MessageIcon::Information, kAppTitle);
        return;
    }
    const CutEntry first = m_model.entries().at(rows.first());
    if (removeParts && std::any_of(rows.cbegin(), rows.cend(), [this, &first](int row) {
            return m_model.entries().at(row).sourcePath != first.sourcePath;
        })) {
        m_services.messages->showMessage(QCoreApplication::translate("JoinJob", Join::kOneSourceMessage),
                                         MessageIcon::Information, kAppTitle);
        return;
    }

    // The first entry's format and folder, as a single cut of it would take them.
    EntryMessages preparing;
    const QString options = GetParamaters(first.format, m_flow.presets().Presets, m_flow.presets().PresetCount,
                                          m_flow.codecs().Codecs, m_flow.codecs().CodecCount, 0, 1, preparing);
    if (options.isEmpty()) {
        m_services.messages->showMessage(preparing.text(), MessageIcon::Critical, kAppTitle);
        return;
    }
    // A copy cannot be cut exactly by filters: it joins as the smart preset does.
    const bool smart = SmartCut::IsSmartCutPreset(options) || EncoderCommand::copiesVideoStream(options);
    const QString extension = smart ? SmartCut::OutputExtension(first.sourcePath) : OutputExtension(first.format);
    LocalFileSystem fileSystem;
    const QString output = MakeMarkedOutputPath(first.sourcePath, extension, removeParts ? kEditedMark : kJoinedMark,
                                                first.folder, fileSystem, preparing);
    if (output.isEmpty()) {
        m_services.messages->showMessage(preparing.text().isEmpty() ? CutJob::tr("No free output file name.") : preparing.text(),
                                         MessageIcon::Critical, kAppTitle);
        return;
    }
    QList<JoinJob::Source> parts;
    for (const int row : std::as_const(rows)) {
        const CutEntry &entry = m_model.entries().at(row);
        const double start = entry.exactMarks ? entry.selectStart : RoundHalfEven(entry.selectStart);
        const double end = entry.exactMarks ? entry.selectEnd : RoundHalfEven(entry.selectEnd);
        parts.append({entry.sourcePath, start, end - start});
    }

    EntryMessages messages;
    JoinJob job(&messages, m_services.programDir);
    job.setIndexFolder(m_services.indexFolder);
    job.setMode(removeParts ? JoinJob::Mode::Remove : JoinJob::Mode::Join);
    job.setParts(parts);
    job.setOutputFile(output);
    job.setEncoderOptions(smart ? QString() : Join::withoutCutTimes(options));
    if (!m_model.markRunning(rows, output))
        return;
    m_running = true;
    m_stopRequested = false;
    m_joinJob = &job;
    m_removeParts = removeParts;
    emit runningChanged(true);
    m_flow.beginListTask([this] { stop(); });
    m_flow.session().Stop();

    TaskProgress progress{true, true, 0, removeParts ? tr("Task Progress:") : cutJoinProgressText(1, int(rows.size())), {}};
    m_flow.showListProgress(progress);
    const auto show = [this, &progress] {
        if (!m_stopRequested)
            m_flow.showListProgress(progress);
    };
    connect(&job, &JoinJob::PartStarted, this, [&](int n, int m) {
        progress.label = cutJoinProgressText(n, m);
        show();
    });
    connect(&job, &JoinJob::Progress, this, [&](int percent) {
        progress.busy = false;
        progress.value = percent;
        show();
    });
    // Only what the user should know: the join re-encodes, or tracks are left out.
    connect(&job, &JoinJob::ReEncodingAll, this, [&](const SmartCut::Reason &why) {
        progress.status = CutNotices::reEncodingJoin(why);
        show();
    });
    connect(&job, &JoinJob::TracksLeftOut, this, [&](const QString &container, const QList<SmartCut::LeftOutTrack> &tracks) {
        progress.status = CutNotices::tracksLeftOut(container, tracks);
        show();
    });
    job.StartConversion();
    m_joinJob = nullptr;

    const JoinJob::Result result = job.LastResult();
    switch (result.outcome) {
    case JoinJob::Outcome::Completed:
        m_model.finishAllRunning(CutState::Done);
        break;
    case JoinJob::Outcome::Stopped:
        m_model.finishAllRunning(CutState::Stopped);
        break;
    default:
        // A part's own failure stays with its entry; a failure of the whole
        // (the joining, or a removal's pieces) with every entry.
        m_model.finishAllRunning(CutState::Failed,
                                 result.failedPart >= 0 && !removeParts ? QList<int>{result.failedPart} : QList<int>{},
                                 messages.text());
        break;
    }
    const bool closing = m_flow.closing();
    m_running = false;
    m_flow.endTask();
    emit runningChanged(false);
    if (closing)
        return;
    if (result.outcome == JoinJob::Outcome::Failed) {
        if (const QString summary = cutListEndMessage(m_model.counts()); !summary.isEmpty())
            m_services.messages->showMessage(summary, MessageIcon::Information, kAppTitle);
    }
    // Only after a complete join.
    if (m_flow.shutdownAfterTask() && !m_stopRequested && result.outcome == JoinJob::Outcome::Completed)
        m_services.power->ShutdownWindows(kForcedPowerOff);
}
