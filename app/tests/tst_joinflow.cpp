// Join into One File and Remove Listed Parts from the window, end to end with
// the real encoder: entries added as a user adds them, the buttons pressed on
// the cut list panel, the output's frames counted.

#include "controls.h"
#include "cutlist.h"
#include "cutlistpanel.h"
#include "cutlistrun.h"
#include "fakeservices.h"
#include "windowdriver.h"

#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace WindowDriver;

namespace {

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// The progress labels shown while the next task runs, each once, caught as
// the workflow sends them (a poll misses the short ones on a busy machine);
// pressStop names a button pressed once, as soon as the task runs.
std::shared_ptr<QStringList> watchLabels(frmMain &window, const char *pressStop = nullptr)
{
    auto labels = std::make_shared<QStringList>();
    auto pressed = std::make_shared<bool>(false);
    auto *watch = new QObject(&window);
    QObject::connect(&window.workflow(), &CutWorkflow::progressChanged, watch, [&window, labels, pressStop, pressed] {
        const QString label = child<QLabel>(window, u"lblProgress"_s)->text();
        if (labels->value(labels->size() - 1) != label)
            labels->append(label);
        if (pressStop && !*pressed && window.workflow().taskState() == TaskState::Running) {
            *pressed = true;
            QTimer::singleShot(0, &window, [&window, pressStop] { press(window, pressStop); });
        }
    });
    QObject::connect(&window.workflow(), &CutWorkflow::taskEnded, watch, &QObject::deleteLater);
    return labels;
}

} // namespace

class TestJoinFlow final : public QObject
{
    Q_OBJECT

private slots:
    void joinIntoOneFile();
    void removeListedParts();
};

void TestJoinFlow::joinIntoOneFile()
{
    QTemporaryDir dir;
    const QString a = dir.filePath(u"a.mp4"_s), b = dir.filePath(u"b.mp4"_s), bad = dir.filePath(u"bad.mp4"_s);
    QVERIFY(TestSupport::makeClip(a, 4.0) && TestSupport::makeClip(b, 3.0) && TestSupport::writeFile(bad, "not a video"));
    const QString out = dir.filePath(u"out"_s);
    FakeServices fakes;
    auto window = fakes.makeWindow();
    window->show();
    child<OptionButton>(*window, u"optOtherFolder"_s)->setValue(true);
    child<QLineEdit>(*window, u"txtOutPath"_s)->setText(out);
    child<CheckBox>(*window, u"chkShutdown"_s)->setValue(1);
    CutListModel &list = window->cutList().model();

    // A part whose source is no video fails on its own entry; the rest wait again.
    load(*window, fakes, a);
    markAndSelectFastPreset(*window, 0, 2);
    press(*window, "cmdAddToList");
    list.add([&] { CutEntry entry = list.entries().at(0); entry.sourcePath = bad; return entry; }());
    press(*window, "cmdJoinList");
    QCOMPARE(list.entries().at(0).state, CutState::Waiting);
    QCOMPARE(list.entries().at(1).state, CutState::Failed);
    QVERIFY2(list.entries().at(1).errorLines.startsWith(u"Error joining files: bad.mp4\n"_s),
             qPrintable(list.entries().at(1).errorLines));
    QCOMPARE(fakes.messages.messages.constLast().text, u"0 done, 1 failed, 0 stopped."_s);
    QVERIFY(fakes.power.modes.isEmpty());
    list.remove({1});

    markAndSelectFastPreset(*window, 1, 4);
    press(*window, "cmdAddToList");
    load(*window, fakes, b);
    markAndSelectFastPreset(*window, 0, 2);
    press(*window, "cmdAddToList");
    QCOMPARE(list.rowCount(), 3);
    auto labels = watchLabels(*window);
    press(*window, "cmdJoinList"); // returns when the join has ended

    // Parts of 2, 3 and 2 s, in list order, as one file named after the first.
    const QString joined = QDir(out).filePath(u"a_Joined.mp4"_s);
    QCOMPARE(labels->first(), u"Task Progress:[Joining 1 of 3]"_s);
    QVERIFY2(labels->contains(u"Task Progress:[Joining 3 of 3]"_s), qPrintable(labels->join(u", "_s)));
    for (const CutEntry &entry : list.entries()) {
        QCOMPARE(entry.state, CutState::Done);
        QCOMPARE(entry.outputPath, joined);
    }
    QVERIFY(list.index(2).data().toString().endsWith(u"done: a_Joined.mp4"_s));
    QCOMPARE(TestSupport::frameTimes(joined).size(), 7 * 25);
    QCOMPARE(fakes.power.modes, QList<int>{8}); // the join is complete

    // Again: a new name, never over the first; stopped, nothing is left and
    // the entries wait again.
    list.requeue({0, 1, 2});
    labels = watchLabels(*window, "cmdJoinList");
    press(*window, "cmdJoinList");
    QCOMPARE(filesIn(out), QStringList(u"a_Joined.mp4"_s));
    for (const CutEntry &entry : list.entries())
        QCOMPARE(entry.state, CutState::Waiting);
    QCOMPARE(fakes.power.modes.size(), 1);
    QVERIFY(childProcesses().isEmpty());
    QVERIFY(!window->workflow().TaskRunning());
    QCOMPARE(child<PictureButton>(*window, u"cmdJoinList"_s)->Caption(), u"Join into One File"_s);
    press(*window, "cmdJoinList");
    QCOMPARE(list.entries().at(0).outputPath, QDir(out).filePath(u"a_Joined_0.mp4"_s));
}

void TestJoinFlow::removeListedParts()
{
    QTemporaryDir dir;
    const QString a = dir.filePath(u"a.mp4"_s), b = dir.filePath(u"b.mp4"_s);
    QVERIFY(TestSupport::makeClip(a, 5.0) && TestSupport::makeClip(b, 3.0));
    FakeServices fakes;
    auto window = fakes.makeWindow();
    window->show();
    child<OptionButton>(*window, u"optOtherFolder"_s)->setValue(true);
    child<QLineEdit>(*window, u"txtOutPath"_s)->setText(dir.filePath(u"out"_s));
    CutListModel &list = window->cutList().model();

    load(*window, fakes, a);
    markAndSelectFastPreset(*window, 3, 4);
    press(*window, "cmdAddToList");
    markAndSelectFastPreset(*window, 1, 2);
    press(*window, "cmdAddToList");
    load(*window, fakes, b);
    markAndSelectFastPreset(*window, 0, 1);
    press(*window, "cmdAddToList");
    press(*window, "cmdRemoveParts");
    QCOMPARE(fakes.messages.messages.constLast().text, u"Remove Listed Parts works on the parts of one video."_s);
    QCOMPARE(list.entries().at(0).state, CutState::Waiting);
    list.remove({2});

    auto labels = watchLabels(*window);
    press(*window, "cmdRemoveParts");
    // 0-1, 2-3 and 4-5 s kept.
    const QString edited = dir.filePath(u"out/a_Edited.mp4"_s);
    QVERIFY2(labels->contains(u"Task Progress:[Joining 3 of 3]"_s), qPrintable(labels->join(u", "_s)));
    QCOMPARE(list.entries().at(0).state, CutState::Done);
    QCOMPARE(list.entries().at(1).outputPath, edited);
    QCOMPARE(TestSupport::frameTimes(edited).size(), 3 * 25);
    QVERIFY(qAbs(TestSupport::soundSeconds(edited) - 3.0) < 0.03);
    QCOMPARE(filesIn(dir.filePath(u"out"_s)), QStringList(u"a_Edited.mp4"_s));
    QVERIFY(fakes.power.modes.isEmpty()); // not asked for
}

QTEST_MAIN(TestJoinFlow)
#include "tst_joinflow.moc"
