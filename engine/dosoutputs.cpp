#include "dosoutputs.h"

#include "messagesink.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QScopeGuard>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>
#endif
#if defined(Q_OS_LINUX)
#include <sys/prctl.h>
#endif
#if defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace {

constexpr qint64 kChunkSize = 512;
constexpr int kEventPasses = 6;

// QProcess reports a pipe it could not create only as a failed start. A trial
// pipe made just before tells that case apart and gives the system's code.
int pipeErrorCode()
{
#if defined(Q_OS_UNIX)
    int ends[2];
    if (::pipe(ends) != 0)
        return errno;
    ::close(ends[0]);
    ::close(ends[1]);
    return 0;
#elif defined(Q_OS_WIN)
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &attributes, 0))
        return static_cast<int>(GetLastError());
    CloseHandle(readEnd);
    CloseHandle(writeEnd);
    return 0;
#else
    return 0;
#endif
}

} // namespace

DOSOutputs::DOSOutputs(MessageSink *messages, QObject *parent)
    : QObject(parent)
    , m_messages(messages)
    , m_decoder(QStringDecoder::System)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardInputFile(QProcess::nullDevice());
    // The output is parsed for English markers: keep the child in the C
    // locale whatever the user's language.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    m_process.setProcessEnvironment(environment);
#if defined(Q_OS_UNIX)
    // The child leads its own process group, so that CleanUp can end whatever
    // it started too; on Linux it also dies with us rather than run on orphaned.
    m_process.setChildProcessModifier([] {
        ::setpgid(0, 0);
#if defined(Q_OS_LINUX)
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    });
#endif
}

DOSOutputs::~DOSOutputs()
{
    CleanUp();
}

void DOSOutputs::setCommandLine(const QString &sCommandLine)
{
    m_commandLine = sCommandLine;
}

QString DOSOutputs::CommandLine() const
{
    return m_commandLine;
}

QString DOSOutputs::Outputs() const
{
    return m_output;
}

void DOSOutputs::setStopConvert(bool bStop)
{
    m_stopRequested = bStop;
}

bool DOSOutputs::StopConvert() const
{
    return m_stopRequested;
}

std::optional<int> DOSOutputs::LastExitCode() const
{
    return m_lastExitCode;
}

std::optional<int> DOSOutputs::LastExitSignal() const
{
    return m_lastExitSignal;
}

qint64 DOSOutputs::ProcessId() const
{
    return m_runOpen ? m_childPid : 0;
}

QString DOSOutputs::ExecuteCommand(const QString &sCommandLine)
{
    if (m_runOpen)
        return {};
    m_stopRequested = false;
    m_lastExitCode.reset();
    m_lastExitSignal.reset();
    if (!sCommandLine.isEmpty())
        m_commandLine = sCommandLine;

    auto fail = [this](const QString &text) {
        if (m_messages)
            m_messages->showMessage(text, MessageIcon::Critical, kAppTitle);
        return QString();
    };
    if (m_commandLine.isEmpty())
        return fail(QCoreApplication::translate("DOSOutputs", "Command Line is empty"));
    if (const int code = pipeErrorCode(); code != 0)
        return fail(QCoreApplication::translate("DOSOutputs", "CreatePipe failed. Error: %1").arg(code));
    if (!startChild())
        return fail(QCoreApplication::translate("DOSOutputs", "File or command not found"));

    m_runOpen = true;
    m_childPid = m_process.processId();
    m_output.clear();
    m_decoder.resetState();
    // A handler that throws must not leave the run open with the child still
    // running: the next run would be refused and the encoder would go on alone.
    const auto closeOnExit = qScopeGuard([this] { CleanUp(); });

    char buffer[kChunkSize];
    for (;;) {
        waitForOutput();
        // A handler may have closed the run during the wait.
        const qint64 count = m_runOpen ? m_process.read(buffer, kChunkSize) : 0;
        // Nothing left to read from a child that has ended: the pipe is done.
        const bool ended = count <= 0 && (!m_runOpen || m_process.state() == QProcess::NotRunning);
        // The decoder keeps a character cut by the 512-byte boundary for the
        // next chunk instead of mangling it.
        const QString chunk = count > 0 ? m_decoder.decode(QByteArrayView(buffer, count)) : QString();
        m_output += chunk;

        for (int pass = 0; pass < kEventPasses; ++pass)
            QCoreApplication::processEvents();
        emit ReceiveOutputs(chunk);

        if (m_stopRequested) {
            CleanUp();
            emit ReceiveOutputs(QStringLiteral("Cancelled"));
            return {};
        }
        if (ended || !m_runOpen) {
            if (m_runOpen && m_process.exitStatus() == QProcess::NormalExit)
                m_lastExitCode = m_process.exitCode();
#if defined(Q_OS_UNIX)
            // For a child that crashed, QProcess gives the signal's number.
            else if (m_runOpen)
                m_lastExitSignal = m_process.exitCode();
#endif
            CleanUp();
            return m_output;
        }
    }
}

void DOSOutputs::CleanUp()
{
    if (!m_runOpen)
        return;
    m_runOpen = false;
#if defined(Q_OS_UNIX)
    if (m_childPid > 0)
        ::kill(-static_cast<pid_t>(m_childPid), SIGKILL);
#endif
    m_process.kill();
    // Reaps the child: no zombie is left behind.
    m_process.waitForFinished(-1);
    m_process.close();
    m_childPid = 0;
}

bool DOSOutputs::startChild()
{
    QStringList arguments = QProcess::splitCommand(m_commandLine);
    if (arguments.isEmpty())
        return false;
    const QString program = arguments.takeFirst();
    m_process.start(program, arguments, QIODevice::ReadOnly);
    if (m_process.waitForStarted(-1))
        return true;
    m_process.close();
    return false;
}

void DOSOutputs::waitForOutput()
{
    // Waiting itself runs the event loop, so a silent child never freezes the
    // window; any event (data, the child's end, a timer, a user action that
    // requests a stop) brings us back to test the conditions.
    const bool canProcessEvents = QAbstractEventDispatcher::instance() != nullptr;
    while (m_runOpen && !m_stopRequested && m_process.bytesAvailable() == 0
           && m_process.state() != QProcess::NotRunning) {
        if (canProcessEvents)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        else
            m_process.waitForReadyRead(-1);
    }
}
