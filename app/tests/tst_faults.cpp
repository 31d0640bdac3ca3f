// Faults a user can run into, driven through the window as the user would:
// the encoder killed, missing or out of room, the output folder gone or
// closed to writing, the source gone, awkward and damaged sources. For each:
// what the user is told, that no encoder and no partial output is left, and
// that the next cut works.

#include "controls.h"
#include "previewmodule.h"
#include "timelineband.h"
#include "windowdriver.h"

#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <chrono>
#include <csignal>

#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace WindowDriver;

namespace {

// Each expected message: its icon and a pattern its whole text must match.
using Expected = QList<QPair<MessageIcon, QString>>;

enum class Fault {
    KillEncoder,
    EncoderMissing,
    SizeLimitKills,
    SizeLimitRefuses,
    OutputFolderDeleted,
    SourceDeleted,
    ReadOnlyFolder,
    FolderCannotBeMade,
    EveryNameTaken,
};

// The last three are recordings: a browser's WebM without a length in its
// header, and broadcast TS whose clock starts far from zero or wraps (at 2^33
// ticks of 90 kHz) inside the file.
enum class Content { Clip, Empty, TruncatedNoIndex, TruncatedAfterIndex, LengthlessWebm, BroadcastClock, ClockWraps };

// Encoder stand-ins for the program folder: shell wrappers around the real
// encoder, so the fault is real but set up from outside.
QByteArray wrapper(const QByteArray &before, const QByteArray &options = {})
{
    return before + "exec '" + TestSupport::systemFfmpeg().toUtf8() + "' " + options + " \"$@\"";
}

QByteArray plainEncoder() { return wrapper({}); }
// Reads its input at the video's own pace, so a cut lasts as long as the part
// and can be hit in the middle.
QByteArray pacedEncoder() { return wrapper({}, "-re"); }
// A file size limit of 8 blocks of 512 bytes, as a full disk would impose: by
// default the kernel then ends the encoder with SIGXFSZ; with the signal
// ignored the write fails with EFBIG and the encoder reports it.
QByteArray sizeLimitedEncoder(bool ignoreSignal)
{
    return wrapper(QByteArray(ignoreSignal ? "trap '' XFSZ; " : "") + "ulimit -f 8; ");
}
// Run as root, the encoder could write into any folder: it runs as "nobody"
// instead, for whom a folder of mode 0555 really is closed.
QByteArray unprivilegedEncoder()
{
    if (::geteuid() != 0)
        return plainEncoder();
    return "exec setpriv --reuid=65534 --regid=65534 --clear-groups '" + TestSupport::systemFfmpeg().toUtf8()
           + "' \"$@\"";
}

// The running encoder among our children (the preview may have helpers of its own).
qint64 encoderProcess()
{
    for (const qint64 pid : childProcesses()) {
        QFile comm(u"/proc/%1/comm"_s.arg(pid));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "ffmpeg")
            return pid;
    }
    return 0;
}

// A 10 s recording, a keyframe a second as broadcasts have.
bool makeRecording(Content content, const QString &path)
{
    const QString codecs = content == Content::LengthlessWebm // written as it streams: no Duration element
                               ? u"-c:v libvpx-vp9 -deadline realtime -c:a libopus -live 1 -f webm"_s
                               : u"-c:v libx264 -c:a aac -f mpegts -output_ts_offset "_s
                                     + (content == Content::BroadcastClock ? u"3883"_s : u"95440"_s);
    const QString input = u"-v error -y -f lavfi -i testsrc=size=160x120 -f lavfi -i sine -t 10 -g 25 "_s;
    const QStringList command = QStringList{TestSupport::systemFfmpeg()} + QString(input + codecs).split(u' ');
    return !TestSupport::runTool(command + QStringList{u"-pix_fmt"_s, u"yuv420p"_s, path}).isEmpty();
}

bool messagesMatch(const QList<RecordingMessageSink::Message> &seen, const Expected &expected, QString *why)
{
    QStringList shown;
    for (const auto &message : seen)
        shown.append(u"[%1] %2"_s.arg(int(message.icon)).arg(message.text));
    *why = u"messages shown:\n"_s + shown.join(u"\n---\n"_s);
    if (seen.size() != expected.size())
        return false;
    for (qsizetype i = 0; i < seen.size(); ++i) {
        const QRegularExpression pattern(expected[i].second, QRegularExpression::DotMatchesEverythingOption);
        if (seen[i].icon != expected[i].first || seen[i].title != kAppTitle || !pattern.match(seen[i].text).hasMatch())
            return false;
    }
    return true;
}

} // namespace

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(Content)

class TestFaults final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void faultInACut_data();
    void faultInACut();
    void awkwardSource_data();
    void awkwardSource();

private:
    // A window whose program folder holds the catalogues and the given
    // encoder, with a source in a folder of its own and the output going to
    // "out" beside it.
    struct Rig
    {
        FakeServices fakes;
        QTemporaryDir program;
        QTemporaryDir work;
        QString source;
        QString out;
        std::unique_ptr<frmMain> window;
    };
    std::unique_ptr<Rig> makeRig(const QByteArray &encoder, const QString &sourceName = u"clip.mp4"_s);
    // Another cut of from..from + 1 s, with everything the fault broke put
    // right first: it must succeed without a message.
    void cutAgain(Rig &rig, const QString &expectedOutput, int from = 0);

    QTemporaryDir m_dir;
    QString m_clip;
};

void TestFaults::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_clip = m_dir.filePath(u"clip.mp4"_s);
    QVERIFY(TestSupport::makeClipWithCodecs(m_clip, 3.0, u"libx264"_s, u"aac"_s));
}

std::unique_ptr<TestFaults::Rig> TestFaults::makeRig(const QByteArray &encoder, const QString &sourceName)
{
    auto rig = std::make_unique<Rig>();
    for (const QString &name : {u"presets.xml"_s, u"codecs.xml"_s})
        QFile::copy(TestSupport::programDir() + u'/' + name, rig->program.filePath(name));
    TestSupport::writeFakeEncoder(rig->program.path(), encoder);
    for (const QString &name : QStringList{u"ffprobe"_s, QLatin1StringView(kPreviewModuleName) + u".so"_s})
        QFile::link(TestSupport::programDir() + u'/' + name, rig->program.filePath(name));
    rig->fakes.services.programDir = rig->program.path();
    rig->source = rig->work.filePath(sourceName);
    rig->out = rig->work.filePath(u"out"_s);
    QFile::copy(m_clip, rig->source);
    rig->window = rig->fakes.makeWindow();
    child<OptionButton>(*rig->window, u"optOtherFolder"_s)->setValue(true);
    child<QLineEdit>(*rig->window, u"txtOutPath"_s)->setText(rig->out);
    return rig;
}

void TestFaults::cutAgain(Rig &rig, const QString &expectedOutput, int from)
{
    TestSupport::writeFakeEncoder(rig.program.path(), plainEncoder());
    child<QLineEdit>(*rig.window, u"txtOutPath"_s)->setText(rig.out);
    QFile::setPermissions(rig.out, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(rig.out);
    if (!QFile::exists(rig.source))
        QVERIFY(QFile::copy(m_clip, rig.source));
    rig.fakes.messages.messages.clear();

    markAndSelectFastPreset(*rig.window, from, from + 1);
    press(*rig.window, "cmdConvert");
    QVERIFY2(rig.fakes.messages.messages.isEmpty(), qPrintable(rig.fakes.messages.messages.value(0).text));
    QCOMPARE(QDir(rig.out).entryList(QDir::Files), QStringList{QFileInfo(expectedOutput).fileName()});
    QVERIFY(qAbs(TestSupport::probeDuration(expectedOutput) - 1.0) < 0.2);
    QCOMPARE(child<ProgressBar>(*rig.window, u"progress"_s)->Value(), 100);
}

void TestFaults::faultInACut_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<Expected>("messages");

    const QString failed = u"^Error converting file: clip\\.mp4\\r\\n"_s;
    // The encoder's output does not tell these apart: the job adds a line.
    const auto endedBy = [](int signal) { return u"\nThe encoder was ended by signal %1 \\(.+\\)\\.$"_s.arg(signal); };
    QTest::newRow("encoder killed mid-cut")
        << Fault::KillEncoder << Expected{{MessageIcon::Critical, failed + u".*"_s + endedBy(SIGKILL)}};
    QTest::newRow("encoder missing")
        << Fault::EncoderMissing
        << Expected{{MessageIcon::Critical, u"^File or command not found$"_s}, // at the load's probe
                    {MessageIcon::Critical, u"^File or command not found$"_s},
                    {MessageIcon::Critical, failed + u'$'}};
    QTest::newRow("disk full: the size limit ends the encoder")
        << Fault::SizeLimitKills << Expected{{MessageIcon::Critical, failed + u".*"_s + endedBy(SIGXFSZ)}};
    QTest::newRow("disk full: the size limit refuses the write")
        << Fault::SizeLimitRefuses
        << Expected{{MessageIcon::Critical,
                     failed + u".*\nError (writing trailer of|closing file) /.*/out/clip\\.mp4: File too large\n"_s}};
    QTest::newRow("output folder deleted mid-cut")
        << Fault::OutputFolderDeleted
        << Expected{{MessageIcon::Critical,
                     failed + u".*\nThe output file was not found after the encoder ended: /.*/out/clip\\.mp4$"_s}};
    QTest::newRow("source deleted after loading")
        << Fault::SourceDeleted
        << Expected{{MessageIcon::Critical, failed + u".*\n/.*/clip\\.mp4: No such file or directory\n$"_s}};
    QTest::newRow("read-only output folder")
        << Fault::ReadOnlyFolder
        << Expected{{MessageIcon::Critical, failed + u".*\n/.*/out/clip\\.mp4: Permission denied\n$"_s}};
    QTest::newRow("output folder cannot be made: no encoder without an output")
        << Fault::FolderCannotBeMade
        << Expected{{MessageIcon::Critical, u"^Output Folder is not exist and can not be created\\.$"_s}};
    QTest::newRow("every output name taken: no encoder, and a message")
        << Fault::EveryNameTaken << Expected{{MessageIcon::Critical, u"^No free output file name\\.$"_s}};
}

void TestFaults::faultInACut()
{
    QFETCH(Fault, fault);
    QFETCH(Expected, messages);

    QByteArray encoder = plainEncoder();
    if (fault == Fault::KillEncoder || fault == Fault::OutputFolderDeleted)
        encoder = pacedEncoder();
    else if (fault == Fault::SizeLimitKills || fault == Fault::SizeLimitRefuses)
        encoder = sizeLimitedEncoder(fault == Fault::SizeLimitRefuses);
    else if (fault == Fault::ReadOnlyFolder)
        encoder = unprivilegedEncoder();
    const std::unique_ptr<Rig> rig = makeRig(encoder);
    frmMain &window = *rig->window;
    if (fault == Fault::EncoderMissing)
        QVERIFY(QFile::remove(rig->program.filePath(TestSupport::encoderFileName())));
    if (fault == Fault::FolderCannotBeMade) // two levels missing: only one is made
        child<QLineEdit>(window, u"txtOutPath"_s)->setText(rig->out + u"/deeper"_s);

    load(window, rig->fakes, rig->source);
    QVERIFY(!window.workflow().bNoVideo());
    markAndSelectFastPreset(window, 0, 3);
    bool struck = false;
    switch (fault) {
    case Fault::KillEncoder:
    case Fault::OutputFolderDeleted:
        duringTask(&window, [&] {
            // Mid-cut: the encoder runs and has opened its output. Progress is
            // no sign of that: on a slow build it is read after the encoder ended.
            const qint64 encoder = encoderProcess();
            if (encoder == 0 || !QFile::exists(rig->out + u"/clip.mp4"_s))
                return false;
            if (fault == Fault::KillEncoder)
                ::kill(pid_t(encoder), SIGKILL);
            else
                QDir(rig->out).removeRecursively();
            struck = true;
            return true;
        });
        break;
    case Fault::SourceDeleted:
        QVERIFY(QFile::remove(rig->source));
        struck = true;
        break;
    case Fault::EveryNameTaken:
        QVERIFY(QDir().mkpath(rig->out));
        for (int counter = -2; counter <= kLastOutputCounter; ++counter) {
            const QString suffix = counter == -2 ? QString() : counter == -1 ? u"_Converted"_s
                                                                              : u"_Converted_%1"_s.arg(counter);
            QVERIFY(QFile(rig->out + u"/clip"_s + suffix + u".mp4"_s).open(QIODevice::WriteOnly));
        }
        struck = true;
        break;
    case Fault::ReadOnlyFolder:
        QVERIFY(QDir().mkpath(rig->out));
        QVERIFY(QFile::setPermissions(rig->out, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                                    | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
        // The unprivileged encoder must reach the source.
        QVERIFY(QFile::setPermissions(rig->work.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                            | QFile::ReadOther | QFile::ExeOther));
        struck = true;
        break;
    default:
        struck = true;
        break;
    }

    press(window, "cmdConvert"); // returns when the task has ended
    QVERIFY(struck);
    QString why;
    QVERIFY2(messagesMatch(rig->fakes.messages.messages, messages, &why), qPrintable(why));
    QVERIFY(!window.workflow().TaskRunning());
    QCOMPARE(child<PictureButton>(window, u"cmdConvert"_s)->Caption(), u"Start"_s);
    QVERIFY(child<QWidget>(window, u"cmdAddVideoFile"_s)->isEnabled());
    QVERIFY(childProcesses().isEmpty());
    // Nothing partial: not in the output folder, not beside the source.
    if (fault == Fault::EveryNameTaken)
        QVERIFY(QDir(rig->out).removeRecursively());
    QVERIFY(QDir(rig->out).entryList(QDir::Files | QDir::Hidden | QDir::System).isEmpty());
    QCOMPARE(QDir(rig->work.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
             fault == Fault::SourceDeleted ? QStringList{} : QStringList{u"clip.mp4"_s});

    cutAgain(*rig, rig->out + u"/clip.mp4"_s);
}

void TestFaults::awkwardSource_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Content>("content");
    QTest::addColumn<Expected>("loadMessages");

    const Expected none;
    const Expected unsupported{{MessageIcon::Warning, u"^File is not supported$"_s}};
    QTest::newRow("newline in the name") << u"two\nlines.mp4"_s << Content::Clip << none;
    QTest::newRow("quotes in the name") << uR"(say "cheese" 'now'.mp4)"_s << Content::Clip << none;
    QTest::newRow("three quotes in a row") << uR"(a"""b.mp4)"_s << Content::Clip << none;
    QTest::newRow("leading dash") << u"-y.mp4"_s << Content::Clip << none;
    QTest::newRow("leading dash and option text") << u"-i x -f null.mp4"_s << Content::Clip << none;
    QTest::newRow("0-byte source") << u"empty.mp4"_s << Content::Empty << unsupported;
    QTest::newRow("truncated, index lost") << u"cut.mp4"_s << Content::TruncatedNoIndex << unsupported;
    // The index comes first, so the file still loads; its first second is whole.
    QTest::newRow("truncated after its index") << u"cut.mp4"_s << Content::TruncatedAfterIndex << none;
    QTest::newRow("browser WebM, no length in its header") << u"rec.webm"_s << Content::LengthlessWebm << none;
    QTest::newRow("broadcast TS, clock from 3883 s") << u"dvb.ts"_s << Content::BroadcastClock << none;
    QTest::newRow("broadcast TS, clock wraps") << u"dvb.ts"_s << Content::ClockWraps << none;
}

void TestFaults::awkwardSource()
{
    QFETCH(QString, name);
    QFETCH(Content, content);
    QFETCH(Expected, loadMessages);

    const bool recording = content >= Content::LengthlessWebm;
    const std::unique_ptr<Rig> rig = makeRig(plainEncoder(), name);
    // Through the real preview: its own length for a recording is a guess or wrong, and its
    // timeline must take what a damaged file still gives.
    const bool realPreview = recording || content == Content::TruncatedAfterIndex;
    if (realPreview)
        rig->fakes.useRealPreview();
    QVERIFY(QFile::exists(rig->source));
    if (recording) {
        QVERIFY(makeRecording(content, rig->source));
    } else if (content != Content::Clip) {
        QByteArray bytes;
        if (content != Content::Empty) {
            const QString whole = m_dir.filePath(u"whole.mp4"_s);
            QFile::remove(whole);
            const QStringList flags = content == Content::TruncatedAfterIndex
                                          ? QStringList{u"-movflags"_s, u"+faststart"_s}
                                          : QStringList{};
            QProcess remux;
            remux.start(TestSupport::systemFfmpeg(), QStringList{u"-v"_s, u"error"_s, u"-i"_s, m_clip, u"-c"_s,
                                                                  u"copy"_s} + flags + QStringList{whole});
            QVERIFY(remux.waitForFinished(-1) && remux.exitCode() == 0);
            QFile file(whole);
            QVERIFY(file.open(QIODevice::ReadOnly));
            bytes = file.readAll();
            bytes.truncate(bytes.size() * 6 / 10);
        }
        QFile file(rig->source);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    frmMain &window = *rig->window;
    load(window, rig->fakes, rig->source);
    QString why;
    QVERIFY2(messagesMatch(rig->fakes.messages.messages, loadMessages, &why), qPrintable(why));
    QCOMPARE(window.workflow().sVideoFile(), rig->source);

    if (!loadMessages.isEmpty()) {
        // Not loaded: Start refuses and runs nothing.
        QVERIFY(window.workflow().bNoVideo());
        rig->fakes.messages.messages.clear();
        press(window, "cmdConvert");
        QVERIFY2(messagesMatch(rig->fakes.messages.messages,
                               {{MessageIcon::Information, u"^No video file loaded$"_s}}, &why),
                 qPrintable(why));
        QVERIFY(childProcesses().isEmpty());
        QVERIFY(!QFileInfo::exists(rig->out));
        return;
    }
    QVERIFY(!window.workflow().bNoVideo());
    const int length = recording ? 10 : 3;
    QCOMPARE(child<Slider>(window, u"Slider"_s)->Max(), length);
    if (realPreview) {
        // The timeline ends, with the keyframes, pictures and sound that could be read.
        auto *band = child<TimelineBand>(window, u"picTimeline"_s);
        QTRY_VERIFY_WITH_TIMEOUT(band->waveformComplete(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!band->keyframes().empty(), 20000); // the frame index may finish after the waveform
        QVERIFY(band->hasSound());
        QTRY_VERIFY_WITH_TIMEOUT(band->thumbnailsShown() >= 1, 10000);
    }
    // The output keeps the source's name, whatever it holds. A recording's
    // last second lies beyond what its header or the preview alone tell.
    cutAgain(*rig, rig->out + u'/' + QFileInfo(name).completeBaseName() + u".mp4"_s, recording ? length - 1 : 0);
    QVERIFY(childProcesses().isEmpty());
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
