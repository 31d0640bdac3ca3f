#pragma once

#include <QObject>
#include <QString>
#include <QStringView>

#include <memory>
#include <optional>

class DOSOutputs;
class MessageSink;

// A file's length from its last packets, for files whose header gives none
// (a browser's recording, written as it streamed): the latest end (time stamp
// plus duration) of any packet, less the file's start time.
namespace LastPackets {

// The prober's command. With bSeek the prober first jumps as far as it can
// towards the end, which lands on the last keyframe it finds: only the last
// packets are listed, and a long file is not listed whole. The output has
// "packet|pts_time=..|duration_time=.." lines and a "format|start_time=.." line.
QString proberCommandLine(const QString &sProgramDir, const QString &sMediaFile, bool bSeek);

// The length from that output; empty when no packet has a time stamp.
std::optional<double> parseLength(QStringView proberOutput);

} // namespace LastPackets

// One cut: runs the encoder for a cut request through a DOSOutputs runner,
// turns its output into Progress and CurrentStatus while it runs (both
// delivered synchronously, inside StartConversion), and judges the result.
//
// Success means the encoder printed its "press [q] to stop" banner, exited
// normally with code 0, did not report that finishing the output file failed,
// wrote something, and the output file is there. A run ended by
// StopConversion is no failure: it shows no message, but its partial output
// is removed all the same. Otherwise the status is "Error", a critical
// message quotes the error lines of the output (with a line of its own when
// the encoder was killed or the file vanished), and an output file that the
// run created (none of that name existed before) is removed, since a killed or
// failed encoder leaves a broken file behind.
class CVideoConv final : public QObject
{
    Q_OBJECT

public:
    // sProgramDir is the folder that holds the encoder; empty means the
    // executable's own folder. messages must outlive the job.
    explicit CVideoConv(MessageSink *messages, const QString &sProgramDir = {}, QObject *parent = nullptr);
    ~CVideoConv() override;

    // How the last StartConversion ended.
    enum class Result { NotRun, Completed, Failed, Stopped };
    Result LastResult() const { return m_result; }

    void setInputFile(const QString &sInputFile);
    QString InputFile() const;
    void setOutputFile(const QString &sOutputFile);
    QString OutputFile() const;
    // Length of the cut in seconds; the reference for the percentage.
    void setFileTimeLength(float fileTimeLength);
    // Encoder options, inserted verbatim between the input and the output
    // (but see FastSeek for where their start option goes).
    void setParametrs(const QString &sParametrs);
    // Fast seek: the start option ("-ss S") goes before the input, so the
    // encoder jumps to the start instead of decoding up to it. Off by default.
    // Options that copy the video stream seek before the input either way,
    // since that is the only way a copy keeps its opening; see
    // EncoderCommand::conversionCommandLine.
    void setFastSeek(bool bFastSeek);
    // The options open every input themselves ("-i" and all); the input
    // file then only names the conversion in messages.
    void setOpensInputs(bool opensInputs);
    bool FastSeek() const;
    // Exact marks: the options carry the start and length to the
    // millisecond, and a fast seek takes the exact cut's longer way in (see
    // EncoderCommand::exactConversionCommandLine). Off by default.
    void setExactMarks(bool bExact) { m_exactMarks = bExact; }

    // Runs the encoder for the cut request and returns when it has ended or
    // was stopped.
    void StartConversion();
    // Asks a running StartConversion to stop after the current chunk; a stop
    // asked for while it is still starting prevents the encoder's start.
    // Does nothing before the first run.
    void StopConversion();
    // False when the encoder says it cannot read sMediaFile.
    bool IsFileSupported(const QString &sMediaFile);
    // The length the last IsFileSupported read from the encoder's
    // "Duration: hh:mm:ss.xx"; empty when it gave none ("N/A").
    std::optional<double> ProbedDuration() const { return m_probedDuration; }
    // The length of sMediaFile from its last packets (see LastPackets), asked
    // of the prober beside the encoder; for a file whose header has none.
    // Where the jump towards the end finds nothing (a file that cannot be
    // searched), the prober lists the whole file. Empty when it cannot tell.
    std::optional<double> LengthFromLastPackets(const QString &sMediaFile);

    // The encoder command line for the stored cut request.
    QString BuildCommandLine() const;
    QString ProgramDir() const;

    // The error lines of an encoder output; see EncoderOutput::errorDetails.
    static QString GetErrorDetails(const QString &text);

public slots:
    // Parses one chunk of encoder output, on its own.
    void objDOS_ReceiveOutputs(const QString &CommandOutputs);

signals:
    void Progress(int iProgress);
    void CurrentStatus(const QString &sStatus);

private:
    DOSOutputs &runner();
    void showFailure(const char *source, const char *description);

    MessageSink *m_messages;
    QString m_programDir;
    QString m_inputFile;
    QString m_outputFile;
    QString m_parametrs;
    float m_fileTimeLength = 0.0f;
    bool m_fastSeek = false;
    bool m_opensInputs = false;
    bool m_exactMarks = false;
    bool m_stopRequested = false;
    Result m_result = Result::NotRun;
    std::optional<double> m_probedDuration;
    std::unique_ptr<DOSOutputs> m_runner;
};
