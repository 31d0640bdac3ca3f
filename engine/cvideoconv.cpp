#include "cvideoconv.h"

#include "dosoutputs.h"
#include "encodercommand.h"
#include "encoderoutput.h"
#include "messagesink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <optional>

namespace {

void appendLine(QString &text, const QString &line)
{
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    text += line;
}

// The system's description of a signal ("Killed", "File size limit exceeded").
QString signalName(int signal)
{
#if defined(Q_OS_UNIX)
    if (const char *name = ::strsignal(signal))
        return QString::fromLocal8Bit(name);
#endif
    return QStringLiteral("unknown signal");
}

} // namespace

namespace LastPackets {

QString proberCommandLine(const QString &sProgramDir, const QString &sMediaFile, bool bSeek)
{
    const QString prober = EncoderCommand::proberPath(sProgramDir);
    // A jump to a time far past any recording's end: the demuxer goes as far
    // as it can.
    return EncoderCommand::quoteArgument(prober) + QStringLiteral(" -v error")
           + (bSeek ? QStringLiteral(" -read_intervals 99999999%") : QString())
           + QStringLiteral(" -show_entries packet=pts_time,duration_time:format=start_time -of compact ")
           + EncoderCommand::quoteArgument(sMediaFile);
}

std::optional<double> parseLength(QStringView proberOutput)
{
    std::optional<double> end;
    double start = 0.0;
    for (QStringView line : proberOutput.tokenize(u'\n')) {
        const QList<QStringView> fields = line.trimmed().split(u'|');
        const auto value = [&fields](QLatin1StringView key) -> std::optional<double> {
            for (QStringView field : fields) {
                if (field.size() > key.size() && field.startsWith(key) && field.at(key.size()) == u'=') {
                    bool ok = false;
                    const double number = field.sliced(key.size() + 1).toDouble(&ok);
                    if (ok && std::isfinite(number))
                        return number;
                }
            }
            return std::nullopt;
        };
        if (fields.first() == u"packet") {
            // Packets come in file order, not time order: the end is the latest.
            if (const std::optional<double> pts = value(QLatin1StringView("pts_time"))) {
                const double packetEnd = *pts + value(QLatin1StringView("duration_time")).value_or(0.0);
                end = std::max(end.value_or(packetEnd), packetEnd);
            }
        } else if (fields.first() == u"format") {
            start = value(QLatin1StringView("start_time")).value_or(0.0);
        }
    }
    if (!end || *end - start <= 0.0)
        return std::nullopt;
    return *end - start;
}

} // namespace LastPackets

CVideoConv::CVideoConv(MessageSink *messages, const QString &sProgramDir, QObject *parent)
    : QObject(parent)
    , m_messages(messages)
    , m_programDir(sProgramDir.isEmpty() ? QCoreApplication::applicationDirPath() : sProgramDir)
{
}

// Out of line: DOSOutputs is complete here. Its destructor ends an open run.
CVideoConv::~CVideoConv() = default;

void CVideoConv::setInputFile(const QString &sInputFile)
{
    m_inputFile = sInputFile;
}

QString CVideoConv::InputFile() const
{
    return m_inputFile;
}

void CVideoConv::setOutputFile(const QString &sOutputFile)
{
    m_outputFile = sOutputFile;
}

QString CVideoConv::OutputFile() const
{
    return m_outputFile;
}

void CVideoConv::setFileTimeLength(float fileTimeLength)
{
    m_fileTimeLength = fileTimeLength;
}

void CVideoConv::setParametrs(const QString &sParametrs)
{
    m_parametrs = sParametrs;
}

void CVideoConv::setFastSeek(bool bFastSeek)
{
    m_fastSeek = bFastSeek;
}

bool CVideoConv::FastSeek() const
{
    return m_fastSeek;
}

QString CVideoConv::ProgramDir() const
{
    return m_programDir;
}

void CVideoConv::setOpensInputs(bool opensInputs)
{
    m_opensInputs = opensInputs;
}

QString CVideoConv::BuildCommandLine() const
{
    if (m_opensInputs)
        return EncoderCommand::ownInputsCommandLine(m_programDir, m_parametrs, m_outputFile);
    if (m_exactMarks)
        return EncoderCommand::exactConversionCommandLine(m_programDir, m_inputFile, m_parametrs, m_outputFile,
                                                          m_fastSeek);
    return EncoderCommand::conversionCommandLine(m_programDir, m_inputFile, m_parametrs, m_outputFile, m_fastSeek);
}

QString CVideoConv::GetErrorDetails(const QString &text)
{
    return EncoderOutput::errorDetails(text);
}

DOSOutputs &CVideoConv::runner()
{
    if (!m_runner) {
        m_runner = std::make_unique<DOSOutputs>(m_messages);
        connect(m_runner.get(), &DOSOutputs::ReceiveOutputs, this, &CVideoConv::objDOS_ReceiveOutputs);
    }
    return *m_runner;
}

void CVideoConv::showFailure(const char *source, const char *description)
{
    if (!m_messages)
        return;
    m_messages->showMessage(QCoreApplication::translate("CVideoConv", "Error Occured:\r\n%1 - %2 - 0")
                                .arg(QString::fromLocal8Bit(description), QLatin1String(source)),
                            MessageIcon::None, kAppTitle);
}

void CVideoConv::StartConversion()
{
    // Known once the encoder is about to start; a failure before that point
    // leaves any file of the output's name alone.
    bool outputExisted = true;
    m_result = Result::Failed;
    try {
        DOSOutputs &dos = runner();
        dos.setCommandLine(BuildCommandLine());
        m_stopRequested = false;
        QCoreApplication::processEvents();
        emit CurrentStatus(QStringLiteral("Starting..."));

        // The output name is chosen free, so a file that appears during the run
        // is ours; one that was there before is left alone whatever happens.
        outputExisted = m_outputFile.isEmpty() || QFileInfo::exists(m_outputFile);
        QString output;
        // The runner forgets a stop requested before it starts (a Stop click
        // handled in the passes above); honour it as a stop of this run.
        if (m_stopRequested)
            objDOS_ReceiveOutputs(QStringLiteral("Cancelled"));
        else
            output = dos.ExecuteCommand(QString());

        if (m_stopRequested) {
            // The user asked for it: no error, and no half-written file.
            if (!outputExisted)
                QFile::remove(m_outputFile);
            m_result = Result::Stopped;
            return;
        }
        // The banner alone is not enough: an encoder that started and then
        // failed (a codec error) exits with a non-zero code; one that could
        // not finish its file (a full disk) says so but exits with 0; and one
        // whose output folder was deleted during the run wrote to no name.
        const bool ranThrough = EncoderOutput::hasEncodingStarted(output) && dos.LastExitCode() == 0;
        const bool outputGone = ranThrough && !QFileInfo::exists(m_outputFile);
        if (ranThrough && !outputGone && !EncoderOutput::hasOutputWriteFailed(output)
            && !EncoderOutput::hasEmptyOutput(output)) {
            m_result = Result::Completed;
            return;
        }

        if (!outputExisted)
            QFile::remove(m_outputFile);
        emit CurrentStatus(QStringLiteral("Error"));
        if (m_messages) {
            // A long failed run can leave megabytes of error lines.
            QString details = EncoderOutput::shortenForMessage(GetErrorDetails(output));
            // Where the encoder could not say what went wrong, say it for it.
            if (outputGone)
                appendLine(details, QCoreApplication::translate("CVideoConv", "The output file was not found after the encoder ended: %1")
                                        .arg(QDir::toNativeSeparators(m_outputFile)));
            if (const std::optional<int> signal = dos.LastExitSignal())
                appendLine(details, QCoreApplication::translate("CVideoConv", "The encoder was ended by signal %1 (%2).")
                                        .arg(*signal)
                                        .arg(signalName(*signal)));
            m_messages->showMessage(QCoreApplication::translate("CVideoConv", "Error converting file: %1\r\n%2")
                                        .arg(QFileInfo(m_inputFile).fileName(), details),
                                    MessageIcon::Critical, kAppTitle);
        }
    } catch (const std::exception &failure) {
        // The runner has killed the encoder by now; what it wrote is broken.
        if (!outputExisted)
            QFile::remove(m_outputFile);
        showFailure("CVideoConv.StartConversion", failure.what());
    }
}

void CVideoConv::StopConversion()
{
    if (!m_runner)
        return;
    m_stopRequested = true;
    m_runner->setStopConvert(true);
}

bool CVideoConv::IsFileSupported(const QString &sMediaFile)
{
    m_probedDuration.reset();
    try {
        DOSOutputs &dos = runner();
        dos.setCommandLine(EncoderCommand::probeCommandLine(m_programDir, sMediaFile));
        QCoreApplication::processEvents();
        const QString output = dos.ExecuteCommand(QString());
        m_probedDuration = EncoderOutput::parseDuration(output);
        return !EncoderOutput::hasUnknownFormat(output);
    } catch (const std::exception &failure) {
        showFailure("CVideoConv.IsFileSupported", failure.what());
        return false;
    }
}

std::optional<double> CVideoConv::LengthFromLastPackets(const QString &sMediaFile)
{
    // A runner of its own: the prober's "pts_time=" is no progress of ours.
    // Silent, since a program folder without the prober only means no length.
    DOSOutputs prober(nullptr);
    for (const bool seek : {true, false}) {
        prober.setCommandLine(LastPackets::proberCommandLine(m_programDir, sMediaFile, seek));
        if (const std::optional<double> length = LastPackets::parseLength(prober.ExecuteCommand(QString())))
            return length;
    }
    return std::nullopt;
}

void CVideoConv::objDOS_ReceiveOutputs(const QString &CommandOutputs)
{
    if (EncoderOutput::hasUnknownFormat(CommandOutputs)) {
        emit CurrentStatus(QStringLiteral("Unknown format"));
        emit Progress(-1);
        return;
    }
    if (CommandOutputs == QLatin1String("Cancelled")) {
        emit CurrentStatus(QStringLiteral("Cancelled"));
        return;
    }
    const EncoderOutput::TimeField time = EncoderOutput::findTimeField(CommandOutputs);
    if (!time.present)
        return;

    if (m_fileTimeLength > 0.0f) {
        // A value cut off by the chunk's end, "N/A" or anything unreadable
        // gives no event; the next progress line will do.
        if (!time.complete)
            return;
        const std::optional<double> seconds = EncoderOutput::parseElapsedSeconds(time.text);
        if (!seconds)
            return;
        if (const std::optional<int> percent = EncoderOutput::progressPercent(*seconds, m_fileTimeLength))
            emit Progress(*percent);
        return;
    }

    // Without a length there is no percentage, only the elapsed time.
    emit CurrentStatus(EncoderOutput::secondsText(time.text) + QStringLiteral(" Seconds Converted"));
}
