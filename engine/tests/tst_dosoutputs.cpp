#include "dosoutputs.h"
#include "encodercommand.h"
#include "recordingmessagesink.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

class TestDosOutputs final : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void runDeliversEveryChunk_data();
    void runDeliversEveryChunk();
    void stopEndsTheRunAndTheChildren_data();
    void stopEndsTheRunAndTheChildren();
    void failuresToStart_data();
    void failuresToStart();
    void pipeFailureShowsTheSystemCode();

private:
    QString script(const QByteArray &body) { return TestSupport::writeFakeEncoder(m_dir.path(), body); }
    QTemporaryDir m_dir;
};

void TestDosOutputs::runDeliversEveryChunk_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("both channels in order") << QByteArray("echo one; echo two >&2; echo three; exit 3")
                                            << "one\ntwo\nthree\n" << 3;
    // 511 ASCII bytes put the two-byte 'é' across the 512-byte boundary.
    QTest::newRow("character cut by a chunk") << QByteArray("printf '%511sé%1200s' x y")
                                              << QString(510, ' ') + "xé" + QString(1199, ' ') + "y" << 0;
    QTest::newRow("silent child") << QByteArray("exit 0") << "" << 0;
    // A negative code stands for the signal that ended the child.
    QTest::newRow("killed by someone else") << QByteArray("echo one; kill -KILL $$") << "one\n" << -SIGKILL;
}

void TestDosOutputs::runDeliversEveryChunk()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, output);
    QFETCH(int, exitCode);
    RecordingMessageSink sink;
    DOSOutputs dos(&sink);
    dos.setStopConvert(true); // a request from before the run does not stop it
    QSignalSpy chunks(&dos, &DOSOutputs::ReceiveOutputs);
    QCOMPARE(dos.ExecuteCommand(EncoderCommand::quoteArgument(script(body))), output);
    QCOMPARE(dos.Outputs(), output);
    QCOMPARE(dos.LastExitCode(), exitCode >= 0 ? std::optional<int>(exitCode) : std::nullopt);
    QCOMPARE(dos.LastExitSignal(), exitCode < 0 ? std::optional<int>(-exitCode) : std::nullopt);
    QString joined;
    for (const QList<QVariant> &chunk : chunks) {
        QVERIFY(chunk.at(0).toString().toUtf8().size() <= 512 + 3); // plus a carried partial character
        joined += chunk.at(0).toString();
    }
    QCOMPARE(joined, output);
    QVERIFY(chunks.last().at(0).toString().isEmpty());
    QVERIFY(sink.messages.isEmpty());
    dos.CleanUp(); // a second clean-up after the run is harmless
}

namespace {
enum class Ending { Stop, PostedStop, HandlerThrows };
} // namespace

void TestDosOutputs::stopEndsTheRunAndTheChildren_data()
{
    // The child writes a full 512-byte chunk and "second\n" at once, then
    // stays silent. A chunk marked '*' arrived with the stop already set.
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<int>("atChunk");
    QTest::addColumn<QStringList>("expected");
    const QString first = QString(506, QLatin1Char(' ')) + "first\n";
    QTest::newRow("from the chunk's handler") << Ending::Stop << 1 << QStringList{first, "Cancelled*"};
    // Taken during the passes before the next chunk's event: that chunk still comes.
    QTest::newRow("during the event passes") << Ending::PostedStop << 1
                                             << QStringList{first, "second\n*", "Cancelled*"};
    QTest::newRow("while the child is silent") << Ending::PostedStop << 2
                                               << QStringList{first, "second\n", "*", "Cancelled*"};
    // The exception passes on, but the child must not run on behind a run
    // that stays open and refuses the next one.
    QTest::newRow("a handler throws") << Ending::HandlerThrows << 1 << QStringList{first};
}

void TestDosOutputs::stopEndsTheRunAndTheChildren()
{
    QFETCH(Ending, ending);
    QFETCH(int, atChunk);
    QFETCH(QStringList, expected);
    const QString grandchildFile = m_dir.filePath(QStringLiteral("grandchild"));
    const QString command = EncoderCommand::quoteArgument(
        script("sleep 60 & echo $! > '" + grandchildFile.toUtf8() + "'; printf '%511s\\nsecond\\n' first; wait"));
    RecordingMessageSink sink;
    DOSOutputs dos(&sink);
    QStringList chunks;
    qint64 childPid = 0;
    connect(&dos, &DOSOutputs::ReceiveOutputs, this, [&](const QString &chunk) {
        chunks << chunk + (dos.StopConvert() ? "*" : "");
        if (chunks.size() != atChunk)
            return;
        childPid = dos.ProcessId();
        if (ending == Ending::PostedStop) // handled in the runner's next event processing
            QTimer::singleShot(0, this, [&dos] { dos.setStopConvert(true); });
        else if (ending == Ending::Stop)
            dos.setStopConvert(true);
        else
            throw std::runtime_error("handler failed");
    });
    if (ending == Ending::HandlerThrows)
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, dos.ExecuteCommand(command));
    else
        QCOMPARE(dos.ExecuteCommand(command), QString());
    QCOMPARE(chunks, expected);
    QCOMPARE(dos.LastExitCode(), std::nullopt);
    QCOMPARE(dos.ProcessId(), 0);
    QVERIFY(childPid > 0);
    QVERIFY(::kill(static_cast<pid_t>(childPid), 0) == -1 && errno == ESRCH); // reaped, not a zombie
    QFile grandchild(grandchildFile);
    QVERIFY(grandchild.open(QIODevice::ReadOnly));
    // Not our child, so it cannot be reaped here; SIGKILL ends it soon after.
    const qint64 grandchildPid = grandchild.readAll().trimmed().toLongLong();
    QTRY_VERIFY_WITH_TIMEOUT(TestSupport::processGone(grandchildPid), 20000);
}

void TestDosOutputs::failuresToStart_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty command line") << "" << "Command Line is empty";
    QTest::newRow("missing program") << "/no/such/ffmpeg -i x" << "File or command not found";
    QTest::newRow("nothing but quotes") << R"("" "")" << "File or command not found";
}

void TestDosOutputs::failuresToStart()
{
    QFETCH(QString, command);
    QFETCH(QString, message);
    RecordingMessageSink sink;
    DOSOutputs dos(&sink);
    dos.CleanUp(); // never ran: nothing to do
    QSignalSpy chunks(&dos, &DOSOutputs::ReceiveOutputs);
    QCOMPARE(dos.ExecuteCommand(command), QString());
    QCOMPARE(chunks.count(), 0);
    QCOMPARE(sink.messages.size(), 1);
    QCOMPARE(sink.messages.at(0).text, message);
    QCOMPARE(sink.messages.at(0).icon, MessageIcon::Critical);
    QCOMPARE(sink.messages.at(0).title, QStringLiteral("Snipora"));
    dos.CleanUp();
}

void TestDosOutputs::pipeFailureShowsTheSystemCode()
{
    RecordingMessageSink sink;
    DOSOutputs dos(&sink);
    // With the descriptor limit at the lowest free descriptor no pipe can be made.
    const int lowestFree = ::open("/dev/null", O_RDONLY);
    QVERIFY(lowestFree >= 0);
    ::close(lowestFree);
    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(lowestFree);
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    const QString result = dos.ExecuteCommand(QStringLiteral("/bin/true"));
    ::setrlimit(RLIMIT_NOFILE, &saved);
    QCOMPARE(result, QString());
    QCOMPARE(sink.messages.size(), 1);
    QCOMPARE(sink.messages.at(0).text, QStringLiteral("CreatePipe failed. Error: %1").arg(EMFILE));
}

QTEST_GUILESS_MAIN(TestDosOutputs)
#include "tst_dosoutputs.moc"
