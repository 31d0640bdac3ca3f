// The whole task from the window: load through the open dialog or a drop,
// preview, mark, Start, Stop, power-off, closing mid-task. Real encoder and
// preview on generated clips; fake encoders where a run must be steered.

#include "controls.h"
#include "cregister.h"
#include "fakeservices.h"
#include "formatpanel.h"
#include "savedsettings.h"
#include "slider.h"
#include "startup.h"
#include "videoarea.h"
#include "windowdriver.h"

#include <QComboBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QProcess>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;
using namespace WindowDriver;

namespace {

// A fake encoder: answers the probe (two arguments: -i file) like the real
// one, and runs a conversion by printing the banner and progress, as mode says.
const QByteArray kFakeEncoder = R"(
if [ "$#" -le 2 ]; then echo "Input #0, mov,mp4, from '$2':"; echo "  Duration: 00:00:06.00"; exit 1; fi
for last; do :; done
echo "$$" >> "$(dirname "$0")/starts.log"
echo "Press [q] to stop, [?] for help"
case "$MODE" in
  done) echo "frame=1 time=00:00:03.00 bitrate=1"; : > "$last"; exit 0 ;;
  fail) echo "frame=1 time=00:00:01.00 bitrate=1"; echo "Conversion failed!"; exit 1 ;;
  loop) : > "$last"; i=0; while true; do i=$((i+1)); echo "frame=$i time=00:00:01.00 bitrate=1"; sleep 0.05; done ;;
esac
)";

} // namespace

class TestCutFlow final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cutFromTheWindow();
    void stopMidCut();
    void unsupportedFile();
    void everyContainerLoads_data();
    void everyContainerLoads();
    void dropLoadsLikeTheButton();
    void powerOffAfterEveryEnd_data();
    void powerOffAfterEveryEnd();
    void startDuringWindDownWaits();
    void closeDuringTask();
    void commandLineFile_data();
    void commandLineFile();
    void keyboardShortcuts();
    void smartCutFromTheWindow_data();
    void smartCutFromTheWindow();

private:
    // A window whose program folder holds the shipped catalogues and the fake
    // encoder, with the 6 s clip loaded and 0..3 marked.
    std::unique_ptr<frmMain> fakeEncoderWindow(FakeServices &fakes, QTemporaryDir &program);

    QTemporaryDir m_dir;
    QString m_clip6;
};

void TestCutFlow::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_clip6 = m_dir.filePath(u"clip.mp4"_s);
    QVERIFY(TestSupport::makeClipWithCodecs(m_clip6, 6.0, u"libx264"_s, u"aac"_s));
}

std::unique_ptr<frmMain> TestCutFlow::fakeEncoderWindow(FakeServices &fakes, QTemporaryDir &program)
{
    for (const QString &name : {u"presets.xml"_s, u"codecs.xml"_s})
        QFile::copy(TestSupport::programDir() + u'/' + name, program.filePath(name));
    TestSupport::writeFakeEncoder(program.path(), kFakeEncoder);
    fakes.services.programDir = program.path();
    auto window = fakes.makeWindow();
    // Outputs go to a folder of the test's own, which starts empty.
    child<OptionButton>(*window, u"optOtherFolder"_s)->setValue(true);
    child<QLineEdit>(*window, u"txtOutPath"_s)->setText(program.filePath(u"out"_s));
    load(*window, fakes, m_clip6);
    markAndSelectFastPreset(*window, 0, 3);
    return window;
}

void TestCutFlow::cutFromTheWindow()
{
    FakeServices fakes;
    auto window = fakes.makeWindow();
    window->show();
    load(*window, fakes, m_clip6);
    QCOMPARE(fakes.dialogs.lastTitle, u"Select a video file"_s);
    QCOMPARE(fakes.dialogs.lastFilter.value(0).description, u"Common Video Files"_s);
    QVERIFY(!window->workflow().bNoVideo());
    auto *slider = child<Slider>(*window, u"Slider"_s);
    QCOMPARE(slider->Max(), 6);
    QVERIFY(slider->Enabled());
    QCOMPARE(child<QLabel>(*window, u"lblTime"_s)->text(), u"00:00:00/00:00:06"_s);
    QCOMPARE(child<PictureButton>(*window, u"cmdPlay"_s)->Caption(), u"Pause"_s);
    QTRY_VERIFY_WITH_TIMEOUT(child<VideoArea>(*window, u"picVideoWindow"_s)->hasFrame(), 10000);

    markAndSelectFastPreset(*window, 1, 4);
    child<OptionButton>(*window, u"optSameFolder"_s)->setValue(true);
    press(*window, "cmdConvert"); // returns when the task has ended

    QVERIFY2(fakes.messages.messages.isEmpty(), qPrintable(fakes.messages.messages.value(0).text));
    // The source's own name is taken, so the mark comes in.
    const QString out = m_dir.filePath(u"clip_Converted.mp4"_s);
    QVERIFY(QFile::exists(out));
    QVERIFY(qAbs(TestSupport::probeDuration(out) - 3.0) < 0.2);
    QCOMPARE(child<ProgressBar>(*window, u"progress"_s)->Value(), 100);
    QCOMPARE(child<PictureButton>(*window, u"cmdConvert"_s)->Caption(), u"Start"_s);
    QCOMPARE(child<QLabel>(*window, u"lblProgress"_s)->text(), u"Task Progress:"_s);
    QVERIFY(!window->workflow().TaskRunning());
    QVERIFY(fakes.power.modes.isEmpty());
    QVERIFY(!child<QWidget>(*window, u"cmdBrowse"_s)->isEnabled()); // same folder: still nothing to browse
    QFile::remove(out);
}

void TestCutFlow::stopMidCut()
{
    FakeServices fakes;
    QTemporaryDir source;
    const QString clip = source.filePath(u"long.mp4"_s);
    QVERIFY(TestSupport::makeClipWithCodecs(clip, 40.0, u"libx264"_s, u"aac"_s, QSize(640, 360)));
    auto window = fakes.makeWindow();
    load(*window, fakes, clip);
    markAndSelectFastPreset(*window, 2, 38);
    // Slow on purpose (VP9 at 720p), so the stop lands mid-run.
    FormatPanel &format = window->formatPanel();
    format.selectIndex(format.controls().cmbCategory, format.controls().cmbCategory->findText(u"WebM"_s));
    child<OptionButton>(*window, u"optSameFolder"_s)->setValue(true);
    child<CheckBox>(*window, u"chkShutdown"_s)->setValue(1);

    qint64 encoder = 0;
    duringTask(window.get(), [&] {
        const QList<qint64> children = childProcesses();
        if (children.isEmpty())
            return false;
        encoder = children.constFirst();
        press(*window, "cmdConvert"); // Stop, handled inside the runner's event passes
        return true;
    });
    press(*window, "cmdConvert");

    QVERIFY(encoder != 0);
    QCOMPARE(child<QLabel>(*window, u"lblProgress"_s)->text(), u"Task Progress:[Stopped]"_s);
    QCOMPARE(child<PictureButton>(*window, u"cmdConvert"_s)->Caption(), u"Start"_s);
    QVERIFY(fakes.messages.messages.isEmpty()); // a stop the user asked for is no error
    QVERIFY(childProcesses().isEmpty());
    QCOMPARE(QDir(source.path()).entryList(QDir::Files), QStringList{u"long.mp4"_s}); // nothing partial left
    QCOMPARE(fakes.power.modes, QList<int>{8});
    QVERIFY(child<QWidget>(*window, u"cmdAddVideoFile"_s)->isEnabled());
}

void TestCutFlow::unsupportedFile()
{
    FakeServices fakes;
    QTemporaryDir dir;
    const QString notVideo = dir.filePath(u"notes.avi"_s);
    QFile file(notVideo);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("just some text\n") > 0);
    file.close();
    auto window = fakes.makeWindow();
    load(*window, fakes, notVideo);
    QCOMPARE(fakes.messages.messages.size(), 1);
    QCOMPARE(fakes.messages.messages[0].text, u"File is not supported"_s);
    QCOMPARE(fakes.messages.messages[0].icon, MessageIcon::Warning);
    QVERIFY(window->workflow().bNoVideo());
    QCOMPARE(window->workflow().sVideoFile(), notVideo);

    // Start refuses without a video.
    press(*window, "cmdConvert");
    QCOMPARE(fakes.messages.messages.value(1).text, u"No video file loaded"_s);
}

void TestCutFlow::everyContainerLoads_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("videoCodec");
    QTest::addColumn<QString>("audioCodec");

    QTest::newRow("mp4") << u"c.mp4"_s << u"libx264"_s << u"aac"_s;
    QTest::newRow("mkv") << u"c.mkv"_s << u"libx264"_s << u"libvorbis"_s;
    QTest::newRow("avi") << u"c.avi"_s << u"mpeg4"_s << u"libmp3lame"_s;
    QTest::newRow("mov") << u"c.mov"_s << u"libx264"_s << u"aac"_s;
    QTest::newRow("webm") << u"c.webm"_s << u"libvpx"_s << u"libvorbis"_s;
    QTest::newRow("flv") << u"c.flv"_s << u"flv"_s << u"libmp3lame"_s;
    QTest::newRow("mpg") << u"c.mpg"_s << u"mpeg1video"_s << u"mp2"_s;
    QTest::newRow("ts") << u"c.ts"_s << u"mpeg2video"_s << u"mp2"_s;
    QTest::newRow("wmv") << u"c.wmv"_s << u"wmv2"_s << u"wmav2"_s;
    QTest::newRow("asf") << u"c.asf"_s << u"wmv2"_s << u"wmav2"_s;
}

void TestCutFlow::everyContainerLoads()
{
    QFETCH(QString, name);
    QFETCH(QString, videoCodec);
    QFETCH(QString, audioCodec);

    const QString path = m_dir.filePath(name);
    QVERIFY(TestSupport::makeClipWithCodecs(path, 3.0, videoCodec, audioCodec));
    FakeServices fakes;
    auto window = fakes.makeWindow();
    window->show();
    load(*window, fakes, path);
    QVERIFY2(fakes.messages.messages.isEmpty(), qPrintable(fakes.messages.messages.value(0).text));
    QCOMPARE(child<Slider>(*window, u"Slider"_s)->Max(), 3);
    auto *area = child<VideoArea>(*window, u"picVideoWindow"_s);
    QTRY_VERIFY_WITH_TIMEOUT(area->framesPainted() > 0, 10000);
}

void TestCutFlow::dropLoadsLikeTheButton()
{
    FakeServices fakes;
    auto window = fakes.makeWindow();
    auto *slider = child<Slider>(*window, u"Slider"_s);
    auto *area = child<VideoArea>(*window, u"picVideoWindow"_s);
    const QString upper = m_dir.filePath(u"CLIP.MP4"_s);
    QVERIFY(QFile::copy(m_clip6, upper));

    emit area->filesDropped({m_dir.filePath(u"notes.txt"_s)}); // not a video: silently ignored
    QVERIFY(window->workflow().bNoVideo());
    QVERIFY(fakes.messages.messages.isEmpty());

    emit area->filesDropped({upper, m_dir.filePath(u"other.mp4"_s)}); // the first only
    QVERIFY(!window->workflow().bNoVideo());
    QCOMPARE(window->workflow().sVideoFile(), upper); // the cut takes the dropped file
    QVERIFY(slider->Enabled());
    QCOMPARE(slider->Max(), 6);

    // A click on the track moves the picture there, not only the handle.
    press(*window, "cmdPlay"); // pause
    slider->SetValue(5);
    emit slider->MouseUp(1, 0, 0, 0);
    QTRY_COMPARE(child<QLabel>(*window, u"lblTime"_s)->text(), u"00:00:05/00:00:06"_s);
    QFile::remove(upper);
}

void TestCutFlow::powerOffAfterEveryEnd_data()
{
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<bool>("tick");
    QTest::addColumn<int>("progressAfter");
    QTest::addColumn<QString>("label");

    QTest::newRow("completed") << QByteArray("done") << true << 100 << u"Task Progress:"_s;
    QTest::newRow("failed: still 100") << QByteArray("fail") << true << 100 << u"Task Progress:"_s;
    QTest::newRow("stopped: keeps its value") << QByteArray("loop") << true << 33 << u"Task Progress:[Stopped]"_s;
    QTest::newRow("not ticked") << QByteArray("done") << false << 100 << u"Task Progress:"_s;
}

void TestCutFlow::powerOffAfterEveryEnd()
{
    QFETCH(QByteArray, mode);
    QFETCH(bool, tick);
    QFETCH(int, progressAfter);
    QFETCH(QString, label);

    qputenv("MODE", mode);
    FakeServices fakes;
    QTemporaryDir program;
    auto window = fakeEncoderWindow(fakes, program);
    child<CheckBox>(*window, u"chkShutdown"_s)->setValue(tick ? 1 : 0);
    auto *bar = child<ProgressBar>(*window, u"progress"_s);
    qsizetype powerOffsBeforeEnd = -1;
    bool busyAfterProgress = true;
    if (mode == "loop") {
        duringTask(window.get(), [&] {
            if (bar->Value() <= 0)
                return false;
            busyAfterProgress = bar->isBusy(); // busy only until the encoder's first time
            powerOffsBeforeEnd = fakes.power.modes.size();
            press(*window, "cmdClose"); // refused while the task runs
            press(*window, "cmdConvert");
            return true;
        });
    }
    press(*window, "cmdConvert");
    if (mode == "loop") {
        QCOMPARE(powerOffsBeforeEnd, 0);
        QVERIFY(!busyAfterProgress);
    }

    QCOMPARE(fakes.power.modes, tick ? QList<int>{8} : QList<int>{});
    QCOMPARE(bar->Value(), progressAfter);
    QCOMPARE(child<QLabel>(*window, u"lblProgress"_s)->text(), label);
    // A stop is no failure: the only message is the refused Close.
    QCOMPARE(fakes.messages.messages.size(), mode == "loop" ? 1 : int(mode == "fail"));
    if (mode == "loop")
        QCOMPARE(fakes.messages.messages[0].text, u"Please Stop the running task first."_s);
    QVERIFY(childProcesses().isEmpty());
    qunsetenv("MODE");
}

void TestCutFlow::startDuringWindDownWaits()
{
    qputenv("MODE", "loop");
    FakeServices fakes;
    QTemporaryDir program;
    auto window = fakeEncoderWindow(fakes, program);
    auto *bar = child<ProgressBar>(*window, u"progress"_s);
    int ended = 0;
    connect(window.get(), &frmMain::taskEnded, this, [&] { ++ended; });
    int stops = 0;
    duringTask(window.get(), [&] {
        if (bar->Value() <= 0)
            return false;
        ++stops;
        press(*window, "cmdConvert"); // Stop
        if (stops == 1)
            press(*window, "cmdConvert"); // Start again while the old encoder winds down
        bar->setValue(0);
        return stops == 2;
    });
    press(*window, "cmdConvert");
    QCOMPARE(ended, 1); // the second task is not nested in the first
    QTRY_COMPARE_WITH_TIMEOUT(ended, 2, 10000);
    QFile log(program.filePath(u"starts.log"_s));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll().count('\n'), 2);
    QVERIFY(childProcesses().isEmpty());
    qunsetenv("MODE");
}

void TestCutFlow::closeDuringTask()
{
    qputenv("MODE", "loop");
    FakeServices fakes;
    QTemporaryDir program;
    auto window = fakeEncoderWindow(fakes, program);
    child<CheckBox>(*window, u"chkShutdown"_s)->setValue(1);
    window->show();
    duringTask(window.get(), [&] {
        if (child<ProgressBar>(*window, u"progress"_s)->Value() <= 0)
            return false;
        window->close(); // the window system's close, not the Close button
        return true;
    });
    press(*window, "cmdConvert");
    QVERIFY(!window->isVisible());
    QVERIFY(!window->workflow().TaskRunning());
    QVERIFY(childProcesses().isEmpty());
    QVERIFY(QDir(program.filePath(u"out"_s)).entryList(QDir::Files).isEmpty()); // the partial output is gone
    QVERIFY(fakes.power.modes.isEmpty()); // closing is not finishing
    const CRegister reg(fakes.settingsLocation);
    QCOMPARE(reg.REGGetSetting(kSettingsRoot, kSettingsKeyPath, u"txtOutPath"_s, {}), program.filePath(u"out"_s));
    qunsetenv("MODE");
}

void TestCutFlow::commandLineFile_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("file");

    QTest::newRow("no argument") << QStringList{u"snipora"_s} << QString();
    QTest::newRow("a file") << QStringList{u"snipora"_s, u"/v/a b.mp4"_s} << u"/v/a b.mp4"_s;
    QTest::newRow("extra arguments ignored") << QStringList{u"snipora"_s, u"/v/a.mp4"_s, u"/v/b.mp4"_s}
                                             << u"/v/a.mp4"_s;
}

void TestCutFlow::commandLineFile()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, file);
    QCOMPARE(FileArgument(arguments), file);

    // The file goes the open dialog's way: probed, loaded, or refused with
    // the same warning when it is missing.
    FakeServices fakes;
    auto window = fakes.makeWindow();
    const QString path = file.isEmpty() ? QString() : m_clip6;
    if (!path.isEmpty())
        window->OpenFile(path);
    QCOMPARE(window->workflow().bNoVideo(), path.isEmpty());
    window->OpenFile(m_dir.filePath(u"missing.mp4"_s));
    QCOMPARE(fakes.messages.messages.size(), 1);
    QCOMPARE(fakes.messages.messages[0].text, u"File is not supported"_s);
    QVERIFY(window->workflow().bNoVideo());
}

void TestCutFlow::keyboardShortcuts()
{
    FakeServices fakes;
    auto window = fakes.makeWindow();
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    auto *slider = child<Slider>(*window, u"Slider"_s);
    auto *play = child<PictureButton>(*window, u"cmdPlay"_s);

    fakes.dialogs.openAnswer = m_clip6;
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier); // Load Video File
    QCOMPARE(fakes.dialogs.openCalls, 1);
    QVERIFY(!window->workflow().bNoVideo());
    QCOMPARE(play->Caption(), u"Pause"_s);
    QTest::keyClick(window.get(), Qt::Key_Space);
    QCOMPARE(play->Caption(), u"Play"_s);
    slider->SetValue(2);
    QTest::keyClick(window.get(), Qt::Key_I);
    slider->SetValue(5);
    QTest::keyClick(window.get(), Qt::Key_O);
    QCOMPARE(QList<qint32>({slider->SelectStart(), slider->SelectEnd()}), QList<qint32>({2, 5}));

    // The keys follow their buttons' guards: not while the format panel is up.
    press(*window, "cmdChangeFormat");
    slider->SetValue(1);
    QTest::keyClick(window.get(), Qt::Key_I);
    QCOMPARE(slider->SelectStart(), 2);
    QCOMPARE(fakes.messages.messages.size(), 0);
}

void TestCutFlow::smartCutFromTheWindow_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("encoder"); // how the source is made, its frame rate first where not 25
    QTest::addColumn<QString>("output"); // the source's container where it can, named as any cut
    QTest::addColumn<bool>("fellBack");
    QTest::newRow("H.264 with B-frames: copied in the middle")
        << u"gop.mp4"_s << QStringList{u"-c:v"_s, u"libx264"_s, u"-g"_s, u"25"_s, u"-bf"_s, u"2"_s} << u"gop_Converted.mp4"_s
        << false;
    QTest::newRow("MPEG-4 Part 2: re-encoded, and it says so")
        << u"old.avi"_s << QStringList{u"-c:v"_s, u"mpeg4"_s, u"-g"_s, u"12"_s} << u"old.mkv"_s << true;
    QTest::newRow("MPEG-2 program stream: copied in the middle")
        << u"dvd.mpg"_s << QStringList{u"-c:v"_s, u"mpeg2video"_s, u"-g"_s, u"12"_s} << u"dvd.mkv"_s << false;
    // A TV recording's transport stream and a camera's Matroska, B-frames at
    // odd rates: copied in the middle too.
    const QStringList bFrames{u"-c:v"_s, u"libx264"_s, u"-g"_s, u"30"_s, u"-bf"_s, u"3"_s};
    QTest::newRow("MPEG-TS at 29.97 fps: copied in the middle")
        << u"tv.ts"_s << QStringList{u"30000/1001"_s} + bFrames << u"tv.mkv"_s << false;
    QTest::newRow("Matroska at 29.83 fps: copied in the middle")
        << u"camera.mkv"_s << QStringList{u"2983/100"_s} + bFrames << u"camera_Converted.mkv"_s << false;
}

void TestCutFlow::smartCutFromTheWindow()
{
    QFETCH(QString, source);
    QFETCH(QStringList, encoder);
    QFETCH(QString, output);
    QFETCH(bool, fellBack);
    const QString clip = m_dir.filePath(source);
    const QString rate = encoder.first().startsWith(u'-') ? u"25"_s : encoder.takeFirst();
    QProcess make;
    make.start(TestSupport::systemFfmpeg(), QStringList{u"-v"_s, u"error"_s, u"-y"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
                                                       u"testsrc2=size=160x90:duration=5:rate="_s + rate}
                                                + encoder + QStringList{clip});
    QVERIFY(make.waitForFinished(60000) && make.exitCode() == 0);

    FakeServices fakes;
    auto window = fakes.makeWindow();
    child<CheckBox>(*window, u"chkExactMarks"_s)->setValue(1);
    load(*window, fakes, clip);
    press(*window, "cmdPlay"); // pause
    // Marks off the keyframes: 1.12 s to 3.92 s, 70 frames.
    auto *slider = child<Slider>(*window, u"Slider"_s);
    for (const auto &[second, frames, button] : {std::tuple{1, 3, "cmdStartSelect"}, std::tuple{4, -2, "cmdEndSelect"}}) {
        slider->SetValue(second);
        emit slider->MouseUp(1, 0, 0, 0);
        QTRY_COMPARE(fakes.previewScript.seeks.value(fakes.previewScript.seeks.size() - 1), double(second));
        for (int i = 0; i < std::abs(frames); ++i)
            QTest::keyClick(window.get(), frames > 0 ? Qt::Key_Period : Qt::Key_Comma);
        press(*window, button);
    }
    FormatPanel &format = window->formatPanel();
    format.selectIndex(format.controls().cmbCategory, format.controls().cmbCategory->findText(u"Keep original"_s));
    format.selectIndex(format.controls().cmbOutVCodec,
                       format.controls().cmbOutVCodec->findText(u"Original quality, exact cut (smart)"_s));
    child<OptionButton>(*window, u"optSameFolder"_s)->setValue(true);
    press(*window, "cmdConvert");

    QVERIFY2(fakes.messages.messages.isEmpty(), qPrintable(fakes.messages.messages.value(0).text));
    const QString out = m_dir.filePath(output);
    QVERIFY2(QFile::exists(out), qPrintable(QDir(m_dir.path()).entryList().join(u' ')));
    const QByteArray counted = TestSupport::ffprobe({u"-v"_s, u"error"_s, u"-count_frames"_s, u"-select_streams"_s,
                                                    u"v:0"_s, u"-show_entries"_s, u"stream=nb_read_frames"_s, u"-of"_s,
                                                    u"csv=p=0"_s},
                                                   out);
    // The frames the source shows from the start mark to before the end mark.
    const auto markSeconds = [&window](const char *label) {
        const QStringList parts = child<QLabel>(*window, QString::fromLatin1(label))->text().split(u':');
        return parts.value(0).toDouble() * 3600 + parts.value(1).toDouble() * 60 + parts.value(2).toDouble();
    };
    const double from = markSeconds("lblStartSelect"), to = markSeconds("lblEndSelect");
    const QList<double> times = TestSupport::frameTimes(clip);
    const auto marked = std::count_if(times.begin(), times.end(), [&](double t) { return t > from - 0.0005 && t < to - 0.0005; });
    QVERIFY(marked > 50);
    QCOMPARE(counted.trimmed().split(',').value(0).toInt(), int(marked)); // side data may follow a comma
    QVERIFY2(child<QLabel>(*window, u"lblProgress"_s)->text().contains(u"re-encoding"_s) == fellBack, qPrintable(child<QLabel>(*window, u"lblProgress"_s)->text()));
    QVERIFY(QDir(m_dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty()); // no temporary folder left
}

QTEST_MAIN(TestCutFlow)
#include "tst_cutflow.moc"
