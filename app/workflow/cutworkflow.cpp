#include "cutworkflow.h"

#include "cvideoconv.h"
#include "smartcutjob.h"
#include "smartcutplan.h"
#include "messagesink.h"
#include "poweroff.h"
#include "previewsession.h"
#include "savedsettings.h"
#include "exacttime.h"
#include "timetext.h"
#include "videofiles.h"

using namespace Qt::StringLiterals;

namespace {

const QString kProgressCaption = u"Task Progress:"_s;
const QString kStoppedCaption = u"Task Progress:[Stopped]"_s;
constexpr int kForcedPowerOff = 8;

} // namespace

TaskControls taskControlsFor(TaskState state)
{
    // A stopped task unwinds with the controls already given back, as the
    // user expects once Stop is pressed; only a new Start waits for it.
    switch (state) {
    case TaskState::Idle: return {u"Start"_s, true, false};
    case TaskState::Running: return {u"Stop"_s, false, true};
    case TaskState::Stopping: return {u"Start"_s, true, true};
    }
    return {};
}

CutWorkflow::CutWorkflow(const WindowServices &services, QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_session(std::make_unique<PreviewSession>(services))
{
    m_savedSettings = std::make_unique<SavedSettings>(*m_services.settingsLocation, m_services.homeFolder);
    m_progress = {true, false, 0, kProgressCaption, {}}; // as the window opens
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
        messages.showMessage(u"No video file loaded"_s, MessageIcon::Information, kAppTitle);
        return false;
    }
    if (m_selectStart == m_selectEnd) {
        messages.showMessage(
            u"No part selected. Please, select a part first using 'Start Selection' and 'End Selection'."_s,
            MessageIcon::Information, kAppTitle);
        return false;
    }
    if (m_selectEnd < m_selectStart) {
        messages.showMessage(u"No part selected, 'Start Selection' can not be greater than 'End Selection'."_s,
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
    if (m_listStop && m_state == TaskState::Running) { // Stop of the cut list's run
        m_listStop();
        setState(TaskState::Stopping);
        setProgress({m_progress.shown, false, m_progress.value, kStoppedCaption, {}});
        return;
    }
    if (!checkSelection())
        return;
    if (m_state == TaskState::Running) {
        stopJob();
        setState(TaskState::Stopping);
        setProgress({m_progress.shown, false, m_progress.value, kStoppedCaption, {}});
        return;
    }
    if (m_state == TaskState::Stopping) {
        // Start pressed while the stopped encoder still winds down, inside
        // that task's event passes: run it once the old task has returned,
        // so two encoders never overlap.
        m_pendingStart = choices;
        return;
    }

    setProgress({m_progress.shown, false, m_progress.value, kProgressCaption, {}});
    setState(TaskState::Running);
    RunConversionTask(choices);
    // Power off after every task, completed, failed or stopped; not when the
    // user has just asked for another one or closed the program.
    if (m_shutdown && !m_pendingStart && !m_closing)
        m_services.power->ShutdownWindows(kForcedPowerOff);
    setState(TaskState::Idle);
    if (m_progress.label == kProgressCaption)
        setProgress({m_progress.shown, false, 100, m_progress.label, m_progress.status});
    emit taskEnded();

    if (const std::optional<CutChoices> next = std::exchange(m_pendingStart, std::nullopt); next && !m_closing)
        QMetaObject::invokeMethod(this, [this, choices = *next] { StartOrStop(choices); }, Qt::QueuedConnection);
}

void CutWorkflow::stopJob()
{
    if (m_cConvert)
        m_cConvert->StopConversion();
    if (m_smartCut)
        m_smartCut->StopConversion();
}

bool CutWorkflow::smartCutChosen(const FormatPanelSnapshot &format) const
{
    const auto options = AssembleParamaters(format, m_presets.Presets, m_presets.PresetCount, m_codecs.Codecs,
                                            m_codecs.CodecCount, 0, 1);
    return std::holds_alternative<QString>(options) && SmartCut::IsSmartCutPreset(std::get<QString>(options));
}

void CutWorkflow::RunConversionTask(const CutChoices &choices)
{
    // The smart cut keeps the source's container where it can.
    const bool smart = smartCutChosen(choices.format);
    LocalFileSystem fileSystem;
    const QString outFile =
        MakeOutputPath(sVideoFile(), smart ? SmartCut::OutputExtension(sVideoFile()) : OutputExtension(choices.format),
                       choices.folder, fileSystem, *m_services.messages);
    if (smart)
        SmartCutVideo(outFile);
    else
        ConvertVideo(choices, outFile);
}

void CutWorkflow::SmartCutVideo(const QString &outFile)
{
    setProgress({true, true, 0, m_progress.label, {}});
    m_session->Stop();
    m_cConvert.reset();
    m_smartCut = std::make_unique<SmartCutJob>(m_services.messages, m_services.programDir);
    connect(m_smartCut.get(), &SmartCutJob::Progress, this, [this](int iProgress) {
        if (TaskRunning())
            setProgress({m_progress.shown, false, iProgress, m_progress.label, m_progress.status});
    });
    // Where it cannot copy exactly, it says so and re-encodes the whole part.
    connect(m_smartCut.get(), &SmartCutJob::CurrentStatus, this, [this](const QString &status) {
        if (status.startsWith(SmartCut::kReEncodeStatus.left(24)))
            setProgress({m_progress.shown, m_progress.busy, m_progress.value, m_progress.label, status});
    });
    const double start = m_exactMarks ? m_selectStart : RoundHalfEven(m_selectStart);
    const double end = m_exactMarks ? m_selectEnd : RoundHalfEven(m_selectEnd);
    m_smartCut->setInputFile(sVideoFile());
    m_smartCut->setOutputFile(outFile);
    m_smartCut->setStart(start);
    m_smartCut->setLength(end - start);
    m_smartCut->StartConversion();
    setProgress({m_progress.shown, false, m_progress.value, m_progress.label, m_progress.status});
}

void CutWorkflow::ConvertVideo(const CutChoices &choices, const QString &outFile)
{
    // Until the encoder reports its first time, which may take long when the
    // start mark lies late in the file, show that it is working.
    setProgress({true, true, 0, m_progress.label, {}});
    m_session->Stop();

    m_smartCut.reset();
    m_cConvert = std::make_unique<CVideoConv>(m_services.messages, m_services.programDir);
    connect(m_cConvert.get(), &CVideoConv::Progress, this, [this](int iProgress) {
        if (TaskRunning())
            setProgress({m_progress.shown, m_progress.busy, iProgress, m_progress.label, {}});
    });

    const qint32 selectStart = RoundHalfEven(m_selectStart);
    const qint32 selectEnd = RoundHalfEven(m_selectEnd);
    const QString parameters =
        m_exactMarks ? GetParamaters(choices.format, m_presets.Presets, m_presets.PresetCount, m_codecs.Codecs,
                                     m_codecs.CodecCount, ExactSelection{m_selectStart, m_selectEnd},
                                     *m_services.messages)
                     : GetParamaters(choices.format, m_presets.Presets, m_presets.PresetCount, m_codecs.Codecs,
                                     m_codecs.CodecCount, selectStart, selectEnd, *m_services.messages);
    if (parameters.isEmpty()) {
        // No options means no cut: the encoder would convert the whole file
        // with whatever it defaults to.
        setProgress({false, false, 0, m_progress.label, {}});
        return;
    }
    m_cConvert->setInputFile(sVideoFile());
    m_cConvert->setOutputFile(outFile);
    m_cConvert->setParametrs(parameters + u" -y"_s);
    m_cConvert->setFileTimeLength(m_exactMarks ? float(m_selectEnd - m_selectStart)
                                               : float(qint64(selectEnd) - selectStart));
    m_cConvert->setExactMarks(m_exactMarks);
    m_cConvert->setFastSeek(choices.fastSeek);
    m_cConvert->StartConversion();
    setProgress({m_progress.shown, false, m_progress.value, m_progress.label, {}});
}

void CutWorkflow::Close()
{
    if (TaskRunning()) {
        // The task's handler is still on the stack below this call: stop the
        // encoder and let it unwind; the program ends after it.
        m_closing = true;
        if (m_listStop)
            m_listStop();
        stopJob();
    }
    m_session->Close();
}

void CutWorkflow::beginListTask(std::function<void()> stop)
{
    m_listStop = std::move(stop);
    setState(TaskState::Running);
}

void CutWorkflow::endListTask()
{
    m_listStop = nullptr;
    setState(TaskState::Idle);
    emit taskEnded();
    if (const std::optional<CutChoices> next = std::exchange(m_pendingStart, std::nullopt); next && !m_closing)
        QMetaObject::invokeMethod(this, [this, choices = *next] { StartOrStop(choices); }, Qt::QueuedConnection);
}
