#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringDecoder>

#include <optional>

class MessageSink;

// Runs one console command as a child process on the caller's thread and hands
// its merged standard output and standard error to the owner in chunks of at
// most 512 bytes, through ReceiveOutputs, while the child runs. Between chunks,
// and while the child is silent, pending events are processed, so the window
// stays usable and a handler may call setStopConvert(true).
//
// The command line is one text: the program, then its arguments, separated by
// whitespace; double quotes group, and three double quotes in a row inside a
// quoted part give a literal quote (EncoderCommand::quoteArgument writes that).
//
// Needs an event dispatcher on the calling thread (a QCoreApplication or a
// QThread); without one it still works, but waits without processing events.
class DOSOutputs final : public QObject
{
    Q_OBJECT

public:
    // messages receives the runner's failure messages; it must outlive the runner.
    explicit DOSOutputs(MessageSink *messages, QObject *parent = nullptr);
    // Ends a run that is still open (kills and reaps the child).
    ~DOSOutputs() override;

    void setCommandLine(const QString &sCommandLine);
    QString CommandLine() const;

    // Everything read from the child in the current or last run.
    QString Outputs() const;

    // Runs sCommandLine (or the stored command line when it is empty) and
    // returns the whole output once the child has ended, or an empty text when
    // the run could not start or was stopped. Failures to start are shown
    // through the message sink. Calling it while a run is open on this object
    // (from a handler) does nothing and returns an empty text. An exception
    // from a handler closes the run (the child is killed) and passes on.
    QString ExecuteCommand(const QString &sCommandLine = {});

    // Kills the child of an open run, waits for it, and closes the run.
    // Harmless when no run is open.
    void CleanUp();

    // Requests (or withdraws a request) that the running ExecuteCommand stop.
    // The run stops right after ReceiveOutputs for the current chunk; a request
    // made while the child is silent ends the wait with an empty chunk.
    void setStopConvert(bool bStop);
    bool StopConvert() const;

    // The child's exit code when the last run ended by itself with a normal
    // exit; empty when it did not start, was stopped, or died from a signal.
    std::optional<int> LastExitCode() const;
    // The signal that ended the child when the last run ended through one
    // that the runner did not send (someone killed the encoder, or the system
    // did, as for a file size limit); empty otherwise, and always on Windows.
    std::optional<int> LastExitSignal() const;

    // The child's process id while a run is open, else 0.
    qint64 ProcessId() const;

signals:
    // One chunk of output (possibly empty); "Cancelled" after a stop.
    void ReceiveOutputs(const QString &CommandOutputs);

private:
    bool startChild();
    void waitForOutput();

    MessageSink *m_messages;
    QProcess m_process;
    QString m_commandLine;
    QString m_output;
    QStringDecoder m_decoder;
    std::optional<int> m_lastExitCode;
    std::optional<int> m_lastExitSignal;
    qint64 m_childPid = 0;
    bool m_runOpen = false;
    bool m_stopRequested = false;
};
