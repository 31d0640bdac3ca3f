#include "cutlistrun.h"

#include "cutjob.h"
#include "cutlist.h"
#include "cutworkflow.h"
#include "messagesink.h"
#include "poweroff.h"
#include "previewsession.h"

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
}

void CutListRunner::runEntry(int row, const QString &label)
{
    const CutEntry entry = m_model.entries().at(row);
    EntryMessages messages;
    CutJob job(m_flow.presets(), m_flow.codecs(), messages, m_services.programDir);
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
