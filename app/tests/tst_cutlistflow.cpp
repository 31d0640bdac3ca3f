// The cut list from the window, end to end with the real encoder: entries of
// two files added as a user adds them, one whose source turns bad and one
// whose source goes, then Run List.

#include "controls.h"
#include "cutlist.h"
#include "cutlistpanel.h"
#include "fakeservices.h"
#include "windowdriver.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace WindowDriver;

class TestCutListFlow final : public QObject
{
    Q_OBJECT

private slots:
    void runListFromTheWindow();
};

void TestCutListFlow::runListFromTheWindow()
{
    QTemporaryDir dir;
    const QString a = dir.filePath(u"a.mp4"_s), b = dir.filePath(u"b.mp4"_s), c = dir.filePath(u"c.mp4"_s);
    QVERIFY(TestSupport::makeClip(a, 4.0) && TestSupport::makeClip(b, 3.0) && QFile::copy(a, c));
    const QString out = dir.filePath(u"out"_s);

    FakeServices fakes;
    auto window = fakes.makeWindow();
    window->show();
    child<OptionButton>(*window, u"optOtherFolder"_s)->setValue(true);
    child<QLineEdit>(*window, u"txtOutPath"_s)->setText(out);
    child<CheckBox>(*window, u"chkShutdown"_s)->setValue(1);
    CutListModel &list = window->cutList().model();

    load(*window, fakes, a);
    markAndSelectFastPreset(*window, 0, 2);
    press(*window, "cmdAddToList");
    markAndSelectFastPreset(*window, 1, 4);
    press(*window, "cmdAddToList");
    load(*window, fakes, b);
    press(*window, "cmdAddToList"); // no marks yet: refused as Start refuses
    QCOMPARE(list.rowCount(), 2);
    markAndSelectFastPreset(*window, 0, 2);
    press(*window, "cmdAddToList");
    load(*window, fakes, c);
    markAndSelectFastPreset(*window, 0, 1);
    press(*window, "cmdAddToList");
    QCOMPARE(list.rowCount(), 4);
    QCOMPARE(child<QLabel>(*window, u"lblEndSelect"_s)->text(), u"00:00:01"_s); // the marks stay

    QFile bad(b); // bound to fail: no video any more
    QVERIFY(bad.open(QIODevice::WriteOnly | QIODevice::Truncate) && bad.write("not a video") > 0);
    bad.close();
    QVERIFY(QFile::remove(c));
    QVERIFY(list.index(3).data().toString().endsWith(u"source missing"_s));

    QStringList labels;
    bool locked = false;
    duringTask(window.get(), [&] {
        const QString label = child<QLabel>(*window, u"lblProgress"_s)->text();
        if (labels.value(labels.size() - 1) != label)
            labels.append(label);
        if (labels.size() == 1 && !locked) {
            locked = child<PictureButton>(*window, u"cmdConvert"_s)->Caption() == u"Stop"_s
                     && !child<QWidget>(*window, u"cmdAddVideoFile"_s)->isEnabled();
            press(*window, "cmdClose"); // refused while the list runs
        }
        return false;
    });
    // Run from the parked panel: with the panel up the window's Close could
    // not be pressed at all.
    press(*window, "cmdRunList"); // returns when the list has ended

    QVERIFY(locked);
    QCOMPARE(labels.mid(0, 3), (QStringList{u"Task Progress:[1 of 3]"_s, u"Task Progress:[2 of 3]"_s,
                                            u"Task Progress:[3 of 3]"_s}));
    QCOMPARE(list.entries().at(0).state, CutState::Done);
    QCOMPARE(list.entries().at(1).state, CutState::Done);
    QCOMPARE(list.entries().at(2).state, CutState::Failed);
    QCOMPARE(list.entries().at(3).state, CutState::Waiting);
    // Never overwriting: the second cut of a.mp4 takes the next free name.
    QCOMPARE(list.entries().at(0).outputPath, QDir(out).filePath(u"a.mp4"_s));
    QCOMPARE(list.entries().at(1).outputPath, QDir(out).filePath(u"a_Converted.mp4"_s));
    QVERIFY(qAbs(TestSupport::probeDuration(list.entries().at(0).outputPath) - 2.0) < 0.2);
    QVERIFY(qAbs(TestSupport::probeDuration(list.entries().at(1).outputPath) - 3.0) < 0.2);
    QVERIFY2(list.entries().at(2).errorLines.startsWith(u"Error converting file: b.mp4\n"_s),
             qPrintable(list.entries().at(2).errorLines));
    QVERIFY(!QFile::exists(QDir(out).filePath(u"b.mp4"_s)));

    QStringList messages;
    for (const auto &message : std::as_const(fakes.messages.messages))
        messages.append(message.text);
    QCOMPARE(messages, (QStringList{
                           u"No part selected. Please, select a part first using 'Start Selection' and 'End "
                           u"Selection'."_s,
                           u"Please Stop the running task first."_s,
                           u"2 done, 1 failed, 0 stopped. 1 skipped: source missing."_s,
                       }));
    QVERIFY(fakes.power.modes.isEmpty()); // not every entry got done
    QVERIFY(childProcesses().isEmpty());
    QVERIFY(!window->workflow().TaskRunning());
    QCOMPARE(child<PictureButton>(*window, u"cmdRunList"_s)->Caption(), u"Run List"_s);

    window->cutList().view().setCurrentIndex(list.index(2));
    press(*window, "cmdCutErrors");
    QVERIFY(fakes.messages.messages.constLast().text.contains(list.entries().at(2).errorLines));
    fakes.messages.answer = false;
    press(*window, "cmdClearList"); // a cut still waits: asked, and kept
    QCOMPARE(fakes.messages.questions.size(), 1);
    QCOMPARE(list.rowCount(), 4);

    // Kept for the next start.
    window.reset();
    auto again = fakes.makeWindow();
    QCOMPARE(again->cutList().model().rowCount(), 4);
    QCOMPARE(again->cutList().model().entries().at(2).state, CutState::Failed);
}

QTEST_MAIN(TestCutListFlow)
#include "tst_cutlistflow.moc"
