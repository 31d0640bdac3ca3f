#include "cutlistrun.h"

#include "cutlist.h"
#include "cutworkflow.h"
#include "cvideoconv.h"
#include "encoderoptions.h"
#include "messagesink.h"
#include "outputpath.h"
#include "poweroff.h"
#include "smartcutjob.h"
#include "smartcutplan.h"
#include "previewsession.h"
#include "timetext.h"

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
        m_services.messages->showMessage(u"No cut in the list is waiting."_s, MessageIcon::Information, kAppTitle);
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
    m_flow.endListTask();
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
    if (m_stopJob)
        m_stopJob();
}

void CutListRunner::runEntry(int row, const QString &label)
{
    const CutEntry entry = m_model.entries().at(row);
    m_flow.showListProgress({true, true, 0, label, {}});
    m_flow.session().Stop();

    const PresetsLoad &presets = m_flow.presets();
    const CodecsLoad &codecs = m_flow.codecs();
    // The smart cut's preset runs its own job and keeps the source's
    // container where it can, as a single task does.
    const auto smartOptions = AssembleParamaters(entry.format, presets.Presets, presets.PresetCount, codecs.Codecs,
                                                 codecs.CodecCount, 0, 1);
    const bool smart = std::holds_alternative<QString>(smartOptions)
                       && SmartCut::IsSmartCutPreset(std::get<QString>(smartOptions));
    EntryMessages messages;
    LocalFileSystem fileSystem;
    const QString outFile = MakeOutputPath(
        entry.sourcePath, smart ? SmartCut::OutputExtension(entry.sourcePath) : OutputExtension(entry.format),
        entry.folder, fileSystem, messages);
    if (!m_model.markRunning(row, outFile))
        return;
    const qint32 selectStart = RoundHalfEven(entry.selectStart);
    const qint32 selectEnd = RoundHalfEven(entry.selectEnd);
    QString parameters;
    if (!smart) {
        parameters = entry.exactMarks ? GetParamaters(entry.format, presets.Presets, presets.PresetCount,
                                                      codecs.Codecs, codecs.CodecCount,
                                                      ExactSelection{entry.selectStart, entry.selectEnd}, messages)
                                      : GetParamaters(entry.format, presets.Presets, presets.PresetCount,
                                                      codecs.Codecs, codecs.CodecCount, selectStart, selectEnd,
                                                      messages);
    }
    if (outFile.isEmpty() || (!smart && parameters.isEmpty())) {
        m_model.markFailed(messages.text().isEmpty() ? u"No free output file name."_s : messages.text());
        return;
    }
    if (m_stopRequested) {
        m_model.markStopped();
        return;
    }
    const auto progress = [this, label](int percent) {
        if (!m_stopRequested)
            m_flow.showListProgress({true, false, percent, label, {}});
    };

    bool completed = false;
    bool stopped = false;
    if (smart) {
        SmartCutJob job(&messages, m_services.programDir);
        connect(&job, &SmartCutJob::Progress, this, progress);
        const double start = entry.exactMarks ? entry.selectStart : selectStart;
        const double end = entry.exactMarks ? entry.selectEnd : selectEnd;
        job.setInputFile(entry.sourcePath);
        job.setOutputFile(outFile);
        job.setStart(start);
        job.setLength(end - start);
        m_stopJob = [&job] { job.StopConversion(); };
        job.StartConversion();
        completed = job.LastResult().outcome == SmartCutJob::Outcome::Completed;
        stopped = job.LastResult().outcome == SmartCutJob::Outcome::Stopped;
    } else {
        CVideoConv conv(&messages, m_services.programDir);
        connect(&conv, &CVideoConv::Progress, this, progress);
        conv.setInputFile(entry.sourcePath);
        conv.setOutputFile(outFile);
        conv.setParametrs(parameters + u" -y"_s);
        conv.setFileTimeLength(entry.exactMarks ? float(entry.selectEnd - entry.selectStart)
                                                : float(qint64(selectEnd) - selectStart));
        conv.setExactMarks(entry.exactMarks);
        conv.setFastSeek(entry.fastSeek);
        m_stopJob = [&conv] { conv.StopConversion(); };
        conv.StartConversion();
        completed = conv.LastResult() == CVideoConv::Result::Completed;
        stopped = conv.LastResult() == CVideoConv::Result::Stopped;
    }
    m_stopJob = nullptr;

    if (completed) {
        m_model.markDone();
        m_flow.showListProgress({true, false, 100, label, {}});
    } else if (stopped) {
        m_model.markStopped();
    } else {
        m_model.markFailed(messages.text());
    }
}
