#include "cvideoconv.h"
#include "recordingmessagesink.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace {

// Records the job's events as "S:<status>" and "P:<percent>", in order.
void recordEvents(CVideoConv &job, QStringList *events)
{
    QObject::connect(&job, &CVideoConv::CurrentStatus, &job, [events](const QString &s) { *events << "S:" + s; });
    QObject::connect(&job, &CVideoConv::Progress, &job, [events](int p) { *events << "P:" + QString::number(p); });
}

// Canned encoder output: each line padded to one whole 512-byte read, so the
// runner's chunks are exactly these lines however the pipe is drained.
QByteArray padded(const QByteArrayList &lines)
{
    QByteArray out;
    for (const QByteArray &line : lines)
        out += line.leftJustified(511, ' ') + '\n';
    return out;
}

} // namespace

class TestCVideoConv final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void chunkParsing_data();
    void chunkParsing();
    void cannedRuns_data();
    void cannedRuns();
    void commandHandedToRunner_data();
    void commandHandedToRunner();
    void longErrorMessage_data();
    void longErrorMessage();
    void realCut();
    void stopInTheMiddle();
    void stopWhileStarting();
    void failureInAHandler();
    void probe_data();
    void probe();

private:
    QTemporaryDir m_dir;
    QString m_clip;
};

void TestCVideoConv::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_clip = m_dir.filePath(QStringLiteral("clip.mp4"));
    QVERIFY(TestSupport::makeClip(m_clip, 4));
    QFile notes(m_dir.filePath(QStringLiteral("notes.txt")));
    QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("not a video\n") > 0);
}

void TestCVideoConv::chunkParsing_data()
{
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<float>("length");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("old time") << QStringList{"frame= 9 time=10.00 bitrate"} << 40.f << QStringList{"P:25"};
    QTest::newRow("old time, no length") << QStringList{"time=10.00 "} << 0.f
                                         << QStringList{"S:10.00 Seconds Converted"};
    QTest::newRow("current time") << QStringList{"time=00:00:30.00 b"} << 40.f << QStringList{"P:75"};
    QTest::newRow("current time, no length") << QStringList{"time=00:01:05.50 "} << 0.f
                                             << QStringList{"S:65.50 Seconds Converted"};
    QTest::newRow("past the end") << QStringList{"time=50.00 "} << 40.f << QStringList{"P:125"};
    QTest::newRow("half second down to even") << QStringList{"time=12.50 "} << 100.f << QStringList{"P:12"};
    QTest::newRow("half second up to even") << QStringList{"time=13.50 "} << 100.f << QStringList{"P:14"};
    QTest::newRow("half percent to even") << QStringList{"time=1.00 "} << 8.f << QStringList{"P:12"};
    QTest::newRow("beyond 16 bits") << QStringList{"time=12:00:00.00 "} << 86400.f << QStringList{"P:50"};
    QTest::newRow("only the first value counts") << QStringList{"time=10.00 time=20.00 "} << 40.f
                                                 << QStringList{"P:25"};
    QTest::newRow("value split across chunks") << QStringList{"x time=10.", "00 bitrate=1"} << 40.f << QStringList{};
    QTest::newRow("value cut, no length") << QStringList{"x time=10."} << 0.f << QStringList{"S: Seconds Converted"};
    QTest::newRow("not available") << QStringList{"time=N/A bitrate=N/A"} << 40.f << QStringList{};
    QTest::newRow("not available, no length") << QStringList{"time=N/A bitrate=N/A"} << 0.f
                                              << QStringList{"S:N/A Seconds Converted"};
    // Progress carries a 16-bit value.
    QTest::newRow("largest 16-bit percentage") << QStringList{"time=32767.00 "} << 100.f << QStringList{"P:32767"};
    QTest::newRow("percentage past 16 bits") << QStringList{"time=32768.00 "} << 100.f << QStringList{};
    QTest::newRow("percentage of a tiny length") << QStringList{"time=00:10:00.00 "} << 0.5f << QStringList{};
    // A copy that seeks before the input starts at the keyframe before the cut.
    QTest::newRow("lead-in before the cut") << QStringList{"time=-00:00:09.89 bitrate=N/A", "time=-0.40 x"} << 2.f
                                            << QStringList{};
    QTest::newRow("unknown format wins over time") << QStringList{"a: Unknown format time=10.00 "} << 40.f
                                                   << QStringList{"S:Unknown format", "P:-1"};
    QTest::newRow("current unreadable input") << QStringList{"a: Invalid data found when processing input"}
                                              << 40.f << QStringList{"S:Unknown format", "P:-1"};
    QTest::newRow("cancelled") << QStringList{"Cancelled"} << 40.f << QStringList{"S:Cancelled"};
    QTest::newRow("cancelled in lower case") << QStringList{"cancelled"} << 40.f << QStringList{};
}

void TestCVideoConv::chunkParsing()
{
    QFETCH(QStringList, chunks);
    QFETCH(float, length);
    QFETCH(QStringList, events);
    RecordingMessageSink sink;
    CVideoConv job(&sink, m_dir.path());
    job.setFileTimeLength(length);
    QStringList seen;
    recordEvents(job, &seen);
    for (const QString &chunk : chunks)
        job.objDOS_ReceiveOutputs(chunk);
    QCOMPARE(seen, events);
}

void TestCVideoConv::cannedRuns_data()
{
    QTest::addColumn<QByteArray>("canned");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("outputExisted");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("detail"); // empty: no message expected
    const QByteArray oldBanner = "FFmpeg version SVN-r1, built on Jan 1 2009\nInput #0, avi\n";
    const QByteArray mapping = "Stream mapping:\n  Stream #0.0 -> #0.0\n  Stream #0.1 -> #0.1";
    QTest::newRow("old encoder")
        << padded({oldBanner, mapping, "press [q] to stop encoding", "frame= 250 q=2.0 time=10.00 bitrate=1"})
               // a value cut by the 512-byte read gives nothing from either half
               + QByteArray(504, ' ') + "time=15." + padded({"00 bitrate=1", "frame= 500 q=2.0 time=20.00 bitrate=1",
                                                              "frame= 750 q=2.0 Lsize= 1kB time=30.00 b"})
        << 0 << false << QStringList{"S:Starting...", "P:33", "P:67", "P:100"} << QString();
    QTest::newRow("current encoder") << padded({mapping, "Press [q] to stop, [?] for help",
                                                "frame= 25 size= 1kB time=00:00:15.00 bitrate= 1.0kbits/s"})
                                     << 0 << false << QStringList{"S:Starting...", "P:50"} << QString();
    const QByteArray diskFull = padded({mapping, "Press [q] to stop, [?] for help", "frame= 25 time=00:00:15.00 b",
                                        "av_interleaved_write_frame(): No space left on device"});
    QTest::newRow("banner, then a failing exit") << diskFull << 1 << false
                                                 << QStringList{"S:Starting...", "P:50", "S:Error"}
                                                 << "No space left on device";
    QTest::newRow("failure leaves an older file alone") << diskFull << 1 << true
                                                        << QStringList{"S:Starting...", "P:50", "S:Error"}
                                                        << "No space left on device";
    // This encoder exits with 0 although the file's end could not be written.
    QTest::newRow("trailer not written, yet code 0")
        << padded({mapping, "Press [q] to stop, [?] for help", "frame= 25 time=00:00:15.00 b",
                   "Error writing trailer of out.avi: No space left on device"})
        << 0 << false << QStringList{"S:Starting...", "P:50", "S:Error"} << "No space left on device";
    // A negative code: the encoder is killed by that signal instead.
    QTest::newRow("killed from outside") << padded({mapping, "Press [q] to stop, [?] for help"}) << -SIGKILL
                                         << false << QStringList{"S:Starting...", "S:Error"}
                                         << "The encoder was ended by signal 9 (Killed).";
    // A part beyond the real end of the source: the encoder runs through and
    // exits with 0, but writes an empty shell.
    const QByteArray outputHead = "Output #0, avi, to 'out.avi':\n  Stream #0:0: Video: mpeg4, yuv420p, 160x90\n";
    QTest::newRow("nothing encoded")
        << padded({mapping, "Press [q] to stop, [?] for help", outputHead, "frame=    0 Lsize= 10kB time=00:00:00.00 b",
                   "video:0kB audio:0kB subtitle:0kB", "Output file is empty, nothing was encoded (check -ss / -t)"})
        << 0 << false << QStringList{"S:Starting...", "P:0", "S:Error"} << "Output file is empty";
    QTest::newRow("no video in a video output")
        << padded({mapping, "Press [q] to stop, [?] for help", outputHead, "frame=    0 Lsize= 30kB time=00:00:02.00 b",
                   "video:0kB audio:31kB subtitle:0kB"})
        << 0 << false << QStringList{"S:Starting...", "P:7", "S:Error"} << "video:0kB";
    QTest::newRow("a tiny still picture is no empty output")
        << padded({mapping, "Press [q] to stop, [?] for help", outputHead, "frame=    2 Lsize= 1kB time=00:00:00.08 b",
                   "video:0kB audio:0kB subtitle:0kB"})
        << 0 << false << QStringList{"S:Starting...", "P:0"} << QString();
    QTest::newRow("unknown format") << padded({oldBanner.left(43), "in.mp4: Unknown format"}) << 1 << false
                                    << QStringList{"S:Starting...", "S:Unknown format", "P:-1", "S:Error"}
                                    << "in.mp4: Unknown format";
}

void TestCVideoConv::cannedRuns()
{
    QFETCH(QByteArray, canned);
    QFETCH(int, exitCode);
    QFETCH(bool, outputExisted);
    QFETCH(QStringList, events);
    QFETCH(QString, detail);
    QTemporaryDir dir;
    QFile cannedFile(dir.filePath(QStringLiteral("canned.txt")));
    QVERIFY(cannedFile.open(QIODevice::WriteOnly) && cannedFile.write(canned) == canned.size());
    cannedFile.close();
    // Like the real encoder, the fake creates its output before it says anything.
    QByteArray ending = "exit " + QByteArray::number(exitCode);
    if (exitCode < 0)
        ending = "kill -" + QByteArray::number(-exitCode) + " $$";
    TestSupport::writeFakeEncoder(dir.path(), "for last; do :; done; echo partial > \"$last\"\ncat '"
                                                  + cannedFile.fileName().toUtf8() + "'\n" + ending);
    const QString output = dir.filePath(QStringLiteral("out.avi"));
    if (outputExisted)
        QVERIFY(QFile(output).open(QIODevice::WriteOnly));
    RecordingMessageSink sink;
    CVideoConv job(&sink, dir.path());
    job.StopConversion(); // before any run: nothing to stop, nothing stays set
    job.setInputFile(QStringLiteral("/videos/in.mp4"));
    job.setOutputFile(output);
    job.setFileTimeLength(30.f);
    job.setParametrs(QStringLiteral("-ss 0 -t 30 -y"));
    QStringList seen;
    recordEvents(job, &seen);
    job.StartConversion();
    QCOMPARE(seen, events);
    QCOMPARE(sink.messages.size(), detail.isEmpty() ? 0 : 1);
    QCOMPARE(QFile::exists(output), detail.isEmpty() || outputExisted);
    if (detail.isEmpty())
        return;
    QVERIFY(sink.messages.at(0).text.startsWith(QStringLiteral("Error converting file: in.mp4\r\n")));
    QVERIFY(sink.messages.at(0).text.contains(detail));
    QCOMPARE(sink.messages.at(0).icon, MessageIcon::Critical);
}

void TestCVideoConv::commandHandedToRunner_data()
{
    QTest::addColumn<QString>("parametrs");
    QTest::addColumn<bool>("fastSeek");
    QTest::addColumn<QStringList>("arguments"); // IN and OUT stand for the two files

    QTest::newRow("default") << "-c:v mpeg4 -ss 75 -t 30 -y" << false
                             << QStringList{"-i", "IN", "-c:v", "mpeg4", "-ss", "75", "-t", "30", "-y", "OUT"};
    QTest::newRow("fast seek") << "-c:v mpeg4 -ss 75 -t 30 -y" << true
                               << QStringList{"-ss", "75", "-i", "IN", "-c:v", "mpeg4", "-t", "30", "-y", "OUT"};
    QTest::newRow("copy, fast seek off") << "-map 0:v? -map 0:a? -c copy -ss 75 -t 30 -y" << false
                                         << QStringList{"-ss", "75", "-i", "IN", "-map", "0:v?", "-map", "0:a?",
                                                        "-c", "copy", "-t", "30", "-y", "OUT"};
    QTest::newRow("quoted filter, fast seek") << R"(-vf "drawtext=text='a  -ss 1'" -ss 5 -t 3 -y)" << true
                                              << QStringList{"-ss", "5", "-i", "IN", "-vf", "drawtext=text='a  -ss 1'",
                                                             "-t", "3", "-y", "OUT"};
}

void TestCVideoConv::commandHandedToRunner()
{
    QFETCH(QString, parametrs);
    QFETCH(bool, fastSeek);
    QFETCH(QStringList, arguments);
    QTemporaryDir dir;
    const QString argsFile = dir.filePath(QStringLiteral("args"));
    TestSupport::writeFakeEncoder(dir.path(), "for a; do printf '%s\\n' \"$a\"; done > '" + argsFile.toUtf8() + "'");
    const QString input = dir.filePath(QStringLiteral("in \"x\" ü.mp4"));
    const QString output = dir.filePath(QStringLiteral("-out.mp4"));
    RecordingMessageSink sink; // the fake prints no banner, so the job reports an error; not the point here
    CVideoConv job(&sink, dir.path());
    job.setInputFile(input);
    job.setOutputFile(output);
    job.setParametrs(parametrs);
    if (fastSeek)
        job.setFastSeek(true);
    job.StartConversion();
    QFile args(argsFile);
    QVERIFY(args.open(QIODevice::ReadOnly));
    arguments.replace(arguments.indexOf(QStringLiteral("IN")), input);
    arguments.replace(arguments.indexOf(QStringLiteral("OUT")), output);
    QCOMPARE(QString::fromUtf8(args.readAll()).split(u'\n', Qt::SkipEmptyParts), arguments);
}

void TestCVideoConv::longErrorMessage_data()
{
    QTest::addColumn<int>("errorLines");
    QTest::addColumn<int>("lineLength");
    QTest::addColumn<int>("leftOut"); // 0: the details are shown whole
    QTest::newRow("a few lines, shown whole") << 38 << 20 << 0;
    QTest::newRow("a long failed run") << 100000 << 20 << 99963;
    QTest::newRow("one huge line") << 1 << 2000000 << 0;
}

void TestCVideoConv::longErrorMessage()
{
    QFETCH(int, errorLines);
    QFETCH(int, lineLength);
    QFETCH(int, leftOut);
    QTemporaryDir dir;
    // After the stream mapping and its two lines come numbered error lines,
    // each padded to lineLength, then the encoder fails.
    TestSupport::writeFakeEncoder(dir.path(), "printf 'Stream mapping:\\n a\\n b\\n'\nawk 'BEGIN { for (i = 1; i <= "
                                                  + QByteArray::number(errorLines) + "; i++) printf \"error %-"
                                                  + QByteArray::number(lineLength) + "d|\\n\", i }'\nexit 1");
    RecordingMessageSink sink;
    CVideoConv job(&sink, dir.path());
    job.setInputFile(QStringLiteral("/videos/in.mp4"));
    job.setOutputFile(dir.filePath(QStringLiteral("out.avi")));
    job.StartConversion();
    QCOMPARE(sink.messages.size(), 1);
    const QStringList lines = sink.messages.at(0).text.split(QLatin1Char('\n'));
    QVERIFY2(lines.size() <= 41, qPrintable(QString::number(lines.size())));
    QVERIFY(std::all_of(lines.cbegin(), lines.cend(), [](const QString &line) { return line.size() <= 305; }));
    // The first and the last error lines are always there (after the title
    // line and the empty rest of the last line dropped).
    QVERIFY(lines.at(2).startsWith(QStringLiteral("error 1 ")));
    QVERIFY(lines.at(lines.size() - 2).startsWith(QStringLiteral("error %1").arg(errorLines)));
    const QString note = QStringLiteral("[... %1 lines left out ...]").arg(leftOut);
    QCOMPARE(lines.contains(note), leftOut > 0);
    if (leftOut == 0 && lineLength < 300)
        QCOMPARE(lines.size(), errorLines + 3);
}

void TestCVideoConv::realCut()
{
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/program folder XXXXXX"));
    QVERIFY(!TestSupport::linkRealEncoder(dir.path()).isEmpty());
    const QString input = dir.filePath(QStringLiteral("in \"cut\" -é.mp4"));
    QVERIFY(QFile::copy(m_clip, input));
    const QString output = dir.filePath(QStringLiteral("-out 'ü'.avi"));
    RecordingMessageSink sink;
    CVideoConv job(&sink, dir.path());
    job.setInputFile(input);
    job.setOutputFile(output);
    job.setFileTimeLength(2.f);
    job.setParametrs(QStringLiteral("-ar 44100 -ab 64000 -ac 2 -b 196000 -s qvga -aspect 4:3 -r 25 -ss 1 -t 2 -y"));
    QList<int> percents;
    connect(&job, &CVideoConv::Progress, this, [&percents](int p) { percents << p; });
    job.StartConversion();
    QVERIFY2(sink.messages.isEmpty(), qPrintable(sink.messages.value(0).text));
    // Which progress lines survive the 512-byte reads varies from run to run.
    QVERIFY(!percents.isEmpty());
    QVERIFY(std::is_sorted(percents.begin(), percents.end()));
    QVERIFY(percents.first() >= 0 && percents.last() <= 110);
    QVERIFY(qAbs(TestSupport::probeDuration(output) - 2.0) < 0.3);
}

void TestCVideoConv::stopInTheMiddle()
{
    QTemporaryDir dir;
    const QString pidFile = dir.filePath(QStringLiteral("pid"));
    // exec keeps the pid: the process that reports it is the real encoder.
    TestSupport::writeFakeEncoder(dir.path(), "echo $$ > '" + pidFile.toUtf8() + "'\nexec '"
                                                  + TestSupport::systemFfmpeg().toUtf8() + "' \"$@\"");
    const QString output = dir.filePath(QStringLiteral("partial.avi"));
    RecordingMessageSink sink;
    CVideoConv job(&sink, dir.path());
    job.setInputFile(m_clip);
    job.setOutputFile(output);
    job.setFileTimeLength(3.f);
    job.setParametrs(QStringLiteral("-vf realtime -t 3 -y")); // slowed to real time, so it can be caught
    QStringList seen;
    recordEvents(job, &seen);
    bool partialSeen = false;
    connect(&job, &CVideoConv::Progress, this, [&] {
        partialSeen = QFile::exists(output);
        job.StopConversion();
    });
    job.StartConversion();
    QCOMPARE(seen.size(), 3);
    QCOMPARE(seen.at(0), QStringLiteral("S:Starting..."));
    QVERIFY(seen.at(1).startsWith(QStringLiteral("P:")));
    // The user asked for the stop: no error, and nothing half-written left.
    QCOMPARE(seen.mid(2), (QStringList{"S:Cancelled"}));
    QVERIFY(sink.messages.isEmpty());
    QCOMPARE(job.LastResult(), CVideoConv::Result::Stopped);
    QVERIFY(partialSeen);
    QVERIFY(!QFile::exists(output));
    QFile pid(pidFile);
    QVERIFY(pid.open(QIODevice::ReadOnly));
    QVERIFY(::kill(static_cast<pid_t>(pid.readAll().trimmed().toInt()), 0) == -1 && errno == ESRCH);
}

void TestCVideoConv::stopWhileStarting()
{
    QTemporaryDir dir;
    const QString ran = dir.filePath(QStringLiteral("ran"));
    TestSupport::writeFakeEncoder(dir.path(), "touch '" + ran.toUtf8() + "'");
    RecordingMessageSink sink;
    CVideoConv job(&sink, dir.path());
    job.setInputFile(QStringLiteral("/videos/in.mp4"));
    job.setOutputFile(dir.filePath(QStringLiteral("out.avi")));
    QStringList seen;
    recordEvents(job, &seen);
    // A Stop click handled before the encoder starts must not be lost.
    connect(&job, &CVideoConv::CurrentStatus, this, [&job](const QString &s) {
        if (s == QLatin1String("Starting..."))
            job.StopConversion();
    });
    job.StartConversion();
    QCOMPARE(seen, (QStringList{"S:Starting...", "S:Cancelled"}));
    QVERIFY(sink.messages.isEmpty());
    QCOMPARE(job.LastResult(), CVideoConv::Result::Stopped);
    QVERIFY(!QFile::exists(ran));
}

void TestCVideoConv::failureInAHandler()
{
    QTemporaryDir dir;
    const QString pidFile = dir.filePath(QStringLiteral("pid"));
    TestSupport::writeFakeEncoder(dir.path(), "for last; do :; done; echo partial > \"$last\"\necho $$ > '"
                                                  + pidFile.toUtf8()
                                                  + "'\necho 'Press [q] to stop'\necho 'time=1.00 x'\nexec sleep 60");
    const QString output = dir.filePath(QStringLiteral("out.avi"));
    RecordingMessageSink sink;
    CVideoConv job(&sink, dir.path());
    job.setInputFile(QStringLiteral("/videos/in.mp4"));
    job.setOutputFile(output);
    job.setFileTimeLength(2.f);
    QStringList seen;
    recordEvents(job, &seen);
    connect(&job, &CVideoConv::Progress, this, [] { throw std::runtime_error("no progress bar"); });
    job.StartConversion();
    QCOMPARE(seen, (QStringList{"S:Starting...", "P:50"}));
    QCOMPARE(sink.messages.size(), 1);
    QCOMPARE(sink.messages.at(0).text,
             QStringLiteral("Error Occured:\r\nno progress bar - CVideoConv.StartConversion - 0"));
    QCOMPARE(sink.messages.at(0).icon, MessageIcon::None);
    // The failure ends the encoder and its broken output with it.
    QVERIFY(!QFile::exists(output));
    QFile pid(pidFile);
    QVERIFY(pid.open(QIODevice::ReadOnly));
    QVERIFY(::kill(static_cast<pid_t>(pid.readAll().trimmed().toInt()), 0) == -1 && errno == ESRCH);
}

void TestCVideoConv::probe_data()
{
    QTest::addColumn<QByteArray>("encoder"); // empty: the real one; "-": none at all
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("supported");
    QTest::addColumn<QString>("message");
    QTest::newRow("real clip") << QByteArray() << "clip.mp4" << true << QString();
    QTest::newRow("text file") << QByteArray() << "notes.txt" << false << QString();
    QTest::newRow("old encoder, unknown format") << QByteArray("echo 'x.avi: Unknown format'") << "x.avi" << false
                                                 << QString();
    // The runner reports the missing encoder; an empty output holds no refusal.
    QTest::newRow("encoder missing") << QByteArray("-") << "clip.mp4" << true << "File or command not found";
}

void TestCVideoConv::probe()
{
    QFETCH(QByteArray, encoder);
    QFETCH(QString, file);
    QFETCH(bool, supported);
    QFETCH(QString, message);
    QTemporaryDir dir;
    if (encoder.isEmpty())
        QVERIFY(!TestSupport::linkRealEncoder(dir.path()).isEmpty());
    else if (encoder != "-")
        TestSupport::writeFakeEncoder(dir.path(), encoder);
    RecordingMessageSink sink;
    CVideoConv job(&sink, dir.path());
    QCOMPARE(job.IsFileSupported(m_dir.filePath(file)), supported);
    QCOMPARE(sink.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QCOMPARE(sink.messages.at(0).text, message);
}

QTEST_GUILESS_MAIN(TestCVideoConv)
#include "tst_cvideoconv.moc"
