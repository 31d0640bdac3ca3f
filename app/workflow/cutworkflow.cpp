#include "cutworkflow.h"

#include "cutjob.h"
#include "messagesink.h"
#include "poweroff.h"
#include "previewsession.h"
#include "savedsettings.h"
#include "exacttime.h"
#include "timetext.h"
#include "videofiles.h"

using namespace Qt::StringLiterals;

namespace {

// Functions, not constants: the language is known only once the program runs.
QString progressCaption()
{
    return CutWorkflow::tr("Task Progress:");
}

QString stoppedCaption()
{
    return CutWorkflow::tr("Task Progress:[Stopped]");
}

constexpr int kForcedPowerOff = 8;

} // namespace

TaskControls taskControlsFor(TaskState state)
{
    // A stopped task unwinds with the controls already given back, as the
    // user expects once Stop is pressed; only a new Start waits for it.
    switch (state) {
    case TaskState::Idle: return {CutWorkflow::tr("Start"), true, false};
    case TaskState::Running: return {CutWorkflow::tr("Stop"), false, true};
    case TaskState::Stopping: return {CutWorkflow::tr("Start"), true, true};
    }
    return {};
}

CutWorkflow::CutWorkflow(const WindowServices &services, QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_session(std::make_unique<PreviewSession>(services))
{
    m_savedSettings = std::make_unique<SavedSettings>(*m_services.settingsLocation, m_services.homeFolder);
    m_progress = {true, false, 0, progressCaption(), {}}; // as the window opens
}

CutWorkflow::~CutWorkflow() = default;

void CutWorkflow::LoadPresets()
{
    m_presets = ::LoadPresets(m_services.programDir, *m_services.messages);
}

void CutWorkflow::LoadCodecs()
{
    m_codecs = ::LoadCodecs(m_services.programDir, *m_services.messages);
}

void CutWorkflow::LoadSettings(SettingsControls &controls)
{
    m_savedSettings->LoadSettings(controls);
}

BreakThresholds CutWorkflow::breakThresholds() const
{
    return m_savedSettings->breakThresholds();
}

void CutWorkflow::SaveSettings(const SettingsControls &controls) const
{
    m_savedSettings->SaveSettings(controls);
}

void CutWorkflow::RestoreDefaults(SettingsControls &controls)
{
    m_savedSettings->cmdDefaultsClicked(controls);
}

void CutWorkflow::OpenDropped(const QStringList &paths)
{
    // A drop loads like the button does (a drop that only previewed would
    // leave the cut on the old source), but never in the middle of a task.
    if (TaskRunning() || paths.isEmpty())
        return;
    if (IsVideoFileName(paths.constFirst()))
        OpenFile(paths.constFirst());
}

bool CutWorkflow::bNoVideo() const
{
    return m_session->bNoVideo();
}

QString CutWorkflow::sVideoFile() const
{
    return m_session->sVideoFile();
}

void CutWorkflow::OpenFile(const QString &path)
{
    m_selectStart = m_selectEnd = 0;
    setProgress({});
    m_session->Open(path);
}

void CutWorkflow::MarkStart(qint32 value)
{
    mark(m_selectStart, value);
}

void CutWorkflow::MarkEnd(qint32 value)
{
    mark(m_selectEnd, value);
}

void CutWorkflow::mark(double &mark, qint32 value)
{
    if (bNoVideo())
        return;
    // Only the frame shown tells where an exact mark is: the slider counts
    // whole seconds, and some formats seek late.
    mark = m_exactMarks ? RoundMilliseconds(m_session->ShownFrame()) / 1000.0 : value;
    const QString text = m_exactMarks ? FormatExactTime(mark) : FormatTime(value);
    const bool start = &mark == &m_selectStart;
    emit marksChanged(RoundHalfEven(m_selectStart), RoundHalfEven(m_selectEnd), start ? text : QString(),
                      start ? QString() : text);
}

void CutWorkflow::setExactMarks(bool exact)
{
    if (exact == m_exactMarks || TaskRunning())
        return;
    m_exactMarks = exact;
    m_session->setExactTime(exact);
    ResetMarks();
}

void CutWorkflow::ResetMarks()
{
    m_selectStart = m_selectEnd = 0;
    emit marksChanged(0, 0, kResetMarkText, kResetMarkText);
}

bool CutWorkflow::checkSelection() const
{
    MessageSink &messages = *m_services.messages;
    if (bNoVideo()) {
        messages.showMessage(tr("No video file loaded"), MessageIcon::Information, kAppTitle);
        return false;
    }
    if (m_selectStart == m_selectEnd) {
        messages.showMessage(
            tr("No part selected. Please, select a part first using 'Start Selection' and 'End Selection'."),
            MessageIcon::Information, kAppTitle);
        return false;
    }
    if (m_selectEnd < m_selectStart) {
        messages.showMessage(tr("No part selected, 'Start Selection' can not be greater than 'End Selection'."),
                             MessageIcon::Information, kAppTitle);
        return false;
    }
    return true;
}

void CutWorkflow::setState(TaskState state)
{
    m_state = state;
    emit taskStateChanged(state);
}

void CutWorkflow::setProgress(const TaskProgress &progress)
{
    m_progress = progress;
    emit progressChanged(progress);
}

void CutWorkflow::StartOrStop(const CutChoices &choices)
{
    // The cut list's run stops without a look at the selection.
    if (!(m_listStop && m_state == TaskState::Running) && !checkSelection())
        return;
    if (m_state == TaskState::Running) {
        stopJob();
        setState(TaskState::Stopping);
        setProgress({m_progress.shown, false, m_progress.value, stoppedCaption(), {}});
        return;
    }
    if (m_state == TaskState::Stopping) {
        // Start pressed while the stopped encoder still winds down, inside
        // that task's event passes: run it once the old task has returned,
        // so two encoders never overlap.
        m_pendingStart = choices;
        return;
    }

    setProgress({m_progress.shown, false, m_progress.value, progressCaption(), {}});
    setState(TaskState::Running);
    RunConversionTask(choices);
    // Power off after every task, completed, failed or stopped; not when the
    // user has just asked for another one or closed the program.
    if (m_shutdown && !m_pendingStart && !m_closing)
        m_services.power->ShutdownWindows(kForcedPowerOff);
    if (m_progress.label == progressCaption())
        setProgress({m_progress.shown, false, 100, m_progress.label, m_progress.status});
    endTask();
}

void CutWorkflow::stopJob()
{
    if (m_listStop)
        m_listStop();
    else if (m_job)
        m_job->stop();
}

void CutWorkflow::RunConversionTask(const CutChoices &choices)
{
    // Made first, so that a Stop pressed inside the event passes of what
    // follows reaches it and keeps it from starting.
    m_job = std::make_unique<CutJob>(m_presets, m_codecs, *m_services.messages, m_services.programDir);
    m_job->setIndexFolder(m_services.indexFolder);
    connect(m_job.get(), &CutJob::Progress, this, [this](int percent) {
        if (TaskRunning())
            setProgress({m_progress.shown, false, percent, m_progress.label, m_progress.status});
    });
    // Where the smart cut cannot copy exactly, it says so beside the progress.
    connect(m_job.get(), &CutJob::ReEncoding, this, [this](const QString &status) {
        setProgress({m_progress.shown, m_progress.busy, m_progress.value, m_progress.label, status});
    });
    // Until the encoder reports its first time, which may take long when the
    // start mark lies late in the file, show that it is working.
    setProgress({true, true, 0, m_progress.label, {}});
    m_session->Stop();
    if (!m_job->prepare({sVideoFile(), choices, m_selectStart, m_selectEnd, m_exactMarks})) {
        setProgress({false, false, 0, m_progress.label, {}}); // nothing to run
        return;
    }
    m_job->run();
    setProgress({m_progress.shown, false, m_progress.value, m_progress.label, m_progress.status});
}

void CutWorkflow::Close()
{
    if (TaskRunning()) {
        // The task's handler is still on the stack below this call: stop the
        // encoder and let it unwind; the program ends after it.
        m_closing = true;
        stopJob();
    }
    m_session->Close();
}

void CutWorkflow::beginListTask(std::function<void()> stop)
{
    m_listStop = std::move(stop);
    setState(TaskState::Running);
}

void CutWorkflow::endTask()
{
    m_listStop = nullptr;
    setState(TaskState::Idle);
    emit taskEnded();
    if (const std::optional<CutChoices> next = std::exchange(m_pendingStart, std::nullopt); next && !m_closing)
        QMetaObject::invokeMethod(this, [this, choices = *next] { StartOrStop(choices); }, Qt::QueuedConnection);
}
