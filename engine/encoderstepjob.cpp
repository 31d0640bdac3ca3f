#include "encoderstepjob.h"

#include "cvideoconv.h"
#include "dosoutputs.h"
#include "stepmessages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

EncoderStepJob::EncoderStepJob(MessageSink *messages, const QString &programDir, QObject *parent)
    : QObject(parent)
    , m_messages(messages)
    , m_programDir(programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir)
{
}

// Out of line: the members' types are complete here. The temporary folder goes with the job,
// so closing the window mid-run leaves nothing behind.
EncoderStepJob::~EncoderStepJob() = default;

void EncoderStepJob::StopConversion()
{
    if (!m_running)
        return;
    m_stopRequested = true;
    if (m_prober)
        m_prober->setStopConvert(true);
    if (m_currentStep)
        m_currentStep->StopConversion();
    if (m_background)
        m_background->stop();
}

void EncoderStepJob::setIndexFolder(const QString &folder)
{
    m_indexFolder = folder;
}

std::optional<SmartCut::SourceRead> EncoderStepJob::readSource(const QString &path)
{
    return SmartCut::readSource(m_programDir, path, m_indexFolder, [this](const QString &commandLine) { return runProber(commandLine); });
}

std::optional<QString> EncoderStepJob::runProber(const QString &commandLine)
{
    if (!m_prober)
        m_prober = std::make_unique<DOSOutputs>(nullptr);
    QString output = m_prober->ExecuteCommand(commandLine);
    if (m_stopRequested)
        return std::nullopt;
    return output;
}

void EncoderStepJob::runInWorkFolder(const QString &outputFile, const QString &pattern, Outcome &outcome,
                                     const std::function<Outcome()> &body,
                                     const std::function<void(const QString &)> &failure)
{
    m_running = true;
    m_stopRequested = false;
    m_doneWeight = 0;
    m_totalWeight = 1;
    m_stepWeight = 0;
    m_lastPercent = -1;

    // Beside the output, so the finished file is renamed rather than copied.
    const QString outputDir = QFileInfo(outputFile).absolutePath();
    m_work = std::make_unique<QTemporaryDir>(QDir(outputDir).filePath(pattern));
    if (!m_work->isValid())
        m_work = std::make_unique<QTemporaryDir>();
    if (m_work->isValid()) {
        outcome = body();
    } else {
        outcome = Outcome::Failed;
        failure(QStringLiteral("No temporary folder could be made: ") + m_work->errorString());
    }
    m_work.reset();
    m_running = false;

    if (outcome == Outcome::Stopped)
        emit CurrentStatus(QStringLiteral("Cancelled"));
    else if (outcome == Outcome::Failed)
        emit CurrentStatus(QStringLiteral("Error"));
}

EncoderStepJob::StepRun EncoderStepJob::runEncoder(const EncoderStep &step)
{
    emit CurrentStatus(step.status);
    StepMessages messages(m_messages, m_stopRequested);
    CVideoConv conversion(&messages, m_programDir);
    conversion.setInputFile(step.input);
    conversion.setOutputFile(step.output);
    conversion.setFileTimeLength(float(step.seconds));
    conversion.setParametrs(step.parametrs);
    conversion.setFastSeek(step.fastSeek);
    conversion.setOpensInputs(step.opensInputs);
    m_stepWeight = step.weight;
    connect(&conversion, &CVideoConv::Progress, this,
            [this](int percent) { reportProgress(std::clamp(percent, 0, 100) / 100.0); });
    m_currentStep = &conversion;
    conversion.StartConversion();
    m_currentStep = nullptr;
    m_doneWeight += step.weight;
    m_stepWeight = 0;
    const QFileInfo written(step.output);
    return StepRun{m_stopRequested, conversion.LastResult() == CVideoConv::Result::Completed,
                   written.exists() && written.size() > 0, messages.shown};
}

void EncoderStepJob::reportProgress(double stepFraction)
{
    showShare(shareDone(stepFraction));
}

double EncoderStepJob::shareDone(double stepFraction) const
{
    return m_totalWeight > 0 ? (m_doneWeight + m_stepWeight * stepFraction) / m_totalWeight : 0;
}

void EncoderStepJob::showShare(double share)
{
    using StepCosts::kProbeShare;
    const int percent = int(std::lround(100 * (kProbeShare + (1 - kProbeShare) * std::clamp(share, 0.0, 1.0))));
    if (percent == m_lastPercent)
        return;
    m_lastPercent = percent;
    emit Progress(percent);
}
