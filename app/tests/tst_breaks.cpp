// Find Breaks in the window: the keys land on the first frame after a break's black and on a
// scene change's first frame, the markers are heard as a list, Add Breaks to List adds the parts
// ticked, and on the real engine a clip's break is found and comes from the cache the second time.

#include "breakpartsdialog.h"
#include "controls.h"
#include "cutlist.h"
#include "cutlistpanel.h"
#include "fakeservices.h"
#include "previewsession.h"
#include "testsupport.h"
#include "timelineband.h"
#include "windowdriver.h"

#include <QAccessible>
#include <QApplication>
#include <QDirIterator>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using namespace WindowDriver;

namespace {

// At 25 fps: breaks on frames 50..64, 300..309 and 500..519; scene changes where pictures start.
BreakScan scriptedScan()
{
    BreakScan scan;
    scan.breaks = {{50, 64, 2.0, 2.6}, {300, 309, 12.0, 12.4}, {500, 519, 20.0, 20.8}};
    for (const auto &[frame, seconds] : std::vector<std::pair<int, double>>{{50, 2.0}, {65, 2.6}, {176, 7.04}, {300, 12.0}, {310, 12.4}})
        scan.scenes.push_back({frame, seconds, 0.5});
    scan.frames = 750;
    return scan;
}

// A window on the fake engine with a 30 s video loaded and its breaks found.
std::unique_ptr<frmMain> scannedWindow(FakeServices &fakes, const QString &clip)
{
    fakes.previewScript.duration = 30.0;
    fakes.previewScript.breaks = scriptedScan();
    auto window = fakes.makeWindow();
    load(*window, fakes, clip);
    press(*window, "cmdFindBreaks");
    return window;
}

} // namespace

class TestBreaks final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void keysGoToBreaks_data();
    void keysGoToBreaks();
    void addBreaksToList_data();
    void addBreaksToList();
    void realEngine();

private:
    QTemporaryDir m_dir;
    QString m_clip;
};

void TestBreaks::initTestCase()
{
    m_clip = m_dir.filePath(u"clip.mp4"_s);
    QVERIFY(TestSupport::makeClip(m_clip, 30.0));
}

void TestBreaks::keysGoToBreaks_data()
{
    QTest::addColumn<double>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("scene"); // Shift as well: scene changes
    QTest::addColumn<QString>("focus"); // the control the key goes to
    QTest::addColumn<double>("expected");
    QTest::addColumn<int>("current"); // the break heard as current afterwards; -1 none
    QTest::newRow("next break from the start") << 0.0 << int(Qt::Key_Right) << false << u""_s << 2.6 << 0;
    QTest::newRow("next break from inside one") << 2.2 << int(Qt::Key_Right) << false << u""_s << 2.6 << 0;
    QTest::newRow("next break from after one") << 2.6 << int(Qt::Key_Right) << false << u""_s << 12.4 << 1;
    QTest::newRow("previous break from after one") << 12.4 << int(Qt::Key_Left) << false << u""_s << 2.6 << 0;
    QTest::newRow("previous break from between") << 15.0 << int(Qt::Key_Left) << false << u""_s << 12.4 << 1;
    QTest::newRow("none before the first") << 2.0 << int(Qt::Key_Left) << false << u""_s << 2.0 << -1;
    QTest::newRow("none after the last") << 25.0 << int(Qt::Key_Right) << false << u""_s << 25.0 << -1;
    QTest::newRow("next scene change") << 2.6 << int(Qt::Key_Right) << true << u""_s << 7.04 << -1;
    QTest::newRow("previous scene change") << 7.04 << int(Qt::Key_Left) << true << u""_s << 2.6 << -1;
    QTest::newRow("the slider has the focus") << 0.0 << int(Qt::Key_Right) << false << u"Slider"_s << 2.6 << 0;
    QTest::newRow("a button has the focus") << 13.0 << int(Qt::Key_Left) << false << u"cmdPlay"_s << 12.4 << 1;
}

void TestBreaks::keysGoToBreaks()
{
    QFETCH(double, from);
    QFETCH(int, key);
    QFETCH(bool, scene);
    QFETCH(QString, focus);
    QFETCH(double, expected);
    QFETCH(int, current);
    FakeServices fakes;
    auto window = scannedWindow(fakes, m_clip);
    PreviewSession &session = window->workflow().session();
    auto *band = child<TimelineBand>(*window, u"picTimeline"_s);
    QTRY_COMPARE(band->breaks().size(), size_t(3));
    QCOMPARE(child<QLabel>(*window, u"lblProgress"_s)->text(), u"Breaks: 3, scene changes: 5"_s);
    fakes.preview->SetCurrentPosition(from);
    QWidget *target = window.get();
    if (!focus.isEmpty()) {
        // Keys reach a control with the focus only in the active window, as a user's do.
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        target = child(*window, focus);
        target->setFocus();
        QTRY_VERIFY(target->hasFocus());
    }
    QTest::keyClick(target, Qt::Key(key), scene ? Qt::AltModifier | Qt::ShiftModifier : Qt::AltModifier);
    QVERIFY2(std::abs(*fakes.preview->ShownFramePosition() - expected) < 1e-6,
             qPrintable(QString::number(*fakes.preview->ShownFramePosition())));
    QCOMPARE(band->markers().currentMarker(), current);
    QVERIFY(!session.playing() || expected == from);

    // The markers as a screen reader hears them.
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&band->markers());
    QVERIFY(list);
    QCOMPARE(list->role(), QAccessible::List);
    QCOMPARE(list->childCount(), 3);
    QCOMPARE(list->child(0)->text(QAccessible::Name), u"Break at 00:00:02.000, 0.6 s"_s);
    QCOMPARE(list->child(2)->text(QAccessible::Name), u"Break at 00:00:20.000, 0.8 s"_s);
    QCOMPARE(list->child(2)->role(), QAccessible::ListItem);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(list->child(i)->state().selected, i == current);
}

void TestBreaks::addBreaksToList_data()
{
    QTest::addColumn<QList<int>>("ticks");
    QTest::addColumn<QList<double>>("marks"); // start, end of each entry added
    QTest::newRow("nothing ticked") << QList<int>{} << QList<double>{};
    QTest::newRow("the second part") << QList<int>{1} << QList<double>{12.4, 20.0};
    QTest::newRow("both parts") << QList<int>{0, 1} << QList<double>{2.6, 12.0, 12.4, 20.0};
}

void TestBreaks::addBreaksToList()
{
    QFETCH(QList<int>, ticks);
    QFETCH(QList<double>, marks);
    FakeServices fakes;
    auto window = scannedWindow(fakes, m_clip);
    auto *add = child<PictureButton>(*window, u"cmdAddBreaks"_s);
    QTRY_VERIFY(add->isEnabled());
    press(*window, "cmdAddBreaks");
    auto *dialog = window->findChild<BreakPartsDialog *>();
    QVERIFY(dialog);
    QTRY_VERIFY(dialog->isVisible());
    QTreeWidget &list = dialog->list();
    QCOMPARE(list.topLevelItemCount(), 2);
    const QTreeWidgetItem *second = list.topLevelItem(1);
    QCOMPARE((QStringList{second->text(0), second->text(1), second->text(2)}),
             (QStringList{u"00:00:12.400"_s, u"00:00:20.000"_s, u"00:00:07.600"_s}));
    for (const int row : ticks)
        list.topLevelItem(row)->setCheckState(0, Qt::Checked);
    dialog->findChild<QAbstractButton *>(u"cmdAddParts"_s)->click();
    const QList<CutEntry> &entries = window->cutList().model().entries();
    QCOMPARE(entries.size(), marks.size() / 2);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QCOMPARE(entries[i].sourcePath, m_clip);
        QVERIFY(entries[i].exactMarks);
        QCOMPARE(entries[i].selectStart, marks[2 * i]);
        QCOMPARE(entries[i].selectEnd, marks[2 * i + 1]);
    }
    QTRY_VERIFY(!window->findChild<BreakPartsDialog *>());
    // The breaks and their line go with the video.
    load(*window, fakes, m_clip);
    QTRY_VERIFY(window->workflow().session().playing());
    QVERIFY(!child<QLabel>(*window, u"lblProgress"_s)->text().contains(u"Breaks"_s));
    QVERIFY(!add->isEnabled());
    QCOMPARE(child<TimelineBand>(*window, u"picTimeline"_s)->breaks().size(), size_t(0));
}

void TestBreaks::realEngine()
{
    // A hard cut to black and silence on frames 75..89.
    const QString clip = m_dir.filePath(u"break.mp4"_s);
    const QString graph = u"testsrc2=s=320x180:r=25:d=3[a];color=c=black:s=320x180:r=25:d=0.6[b];"
                          "testsrc2=s=320x180:r=25:d=3[c];[a][b][c]concat=n=3:v=1:a=0[v];"
                          "sine=r=48000:d=3[x];anullsrc=r=48000:cl=mono,atrim=duration=0.6[y];"
                          "sine=r=48000:d=3[z];[x][y][z]concat=n=3:v=0:a=1[s]"_s;
    QVERIFY(!TestSupport::runTool({TestSupport::systemFfmpeg(), u"-v"_s, u"error"_s, u"-y"_s, u"-filter_complex"_s, graph,
                                   u"-map"_s, u"[v]"_s, u"-map"_s, u"[s]"_s, u"-c:v"_s, u"libx264"_s, u"-c:a"_s,
                                   u"aac"_s, clip})
                 .isEmpty());
    FakeServices fakes;
    fakes.useRealPreview();
    for (const bool cached : {false, true}) {
        auto window = fakes.makeWindow();
        load(*window, fakes, clip);
        PreviewSession &session = window->workflow().session();
        QList<BreakScanEnd> ends;
        connect(&session, &PreviewSession::breaksFound, this,
                [&ends](const BreakScan &, BreakScanEnd end) { ends.append(end); });
        QTRY_VERIFY(child<PictureButton>(*window, u"cmdFindBreaks"_s)->isEnabled());
        press(*window, "cmdFindBreaks");
        QTRY_COMPARE_WITH_TIMEOUT(ends.size(), 1, 60000);
        QCOMPARE(ends.first(), cached ? BreakScanEnd::FromCache : BreakScanEnd::Complete);
        const std::vector<FrameSpan> &breaks = session.breaks().breaks;
        QCOMPARE(breaks.size(), size_t(1));
        QCOMPARE(breaks[0].first, 75);
        QCOMPARE(breaks[0].last, 89);
        // Alt+Right lands on the first frame after the black.
        QTest::keyClick(window.get(), Qt::Key_Right, Qt::AltModifier);
        QTRY_COMPARE_WITH_TIMEOUT(std::lround(session.ShownFrame() * 25.0), 90L, 10000);
    }
    QStringList kept;
    for (QDirIterator it(fakes.temp.filePath(u"cache"_s), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        kept << QFileInfo(it.next()).suffix();
    QVERIFY2(kept.contains(u"breaks"_s), qPrintable(kept.join(u' ')));
}

QTEST_MAIN(TestBreaks)
#include "tst_breaks.moc"
