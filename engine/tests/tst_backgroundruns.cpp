#include "backgroundruns.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// What a run gave, in one comparable word: its exit code and output, or how it ended otherwise.
QString summary(const BackgroundRuns &runs, int index)
{
    if (!runs.isDone(index))
        return QStringLiteral("not run");
    const BackgroundRuns::Result result = runs.result(index);
    if (!result.ran)
        return QStringLiteral("stopped");
    if (!result.exitCode)
        return QStringLiteral("no exit code");
    return QString::number(*result.exitCode) + u':' + result.output.trimmed();
}

} // namespace

class TestBackgroundRuns final : public QObject
{
    Q_OBJECT

private slots:
    void runsInOrder_data();
    void runsInOrder();
    void goneWithItsOwner();
};

void TestBackgroundRuns::runsInOrder_data()
{
    QTest::addColumn<QStringList>("scripts");  // each a fake program's body
    QTest::addColumn<int>("stopWhenStarted");  // the run whose start stops them all; -1 for none
    QTest::addColumn<QStringList>("expected"); // each run's summary

    QTest::newRow("each in turn, each its own output")
        << QStringList{"echo one", "echo two >&2; exit 2", "echo three"} << -1 << QStringList{"0:one", "2:two", "0:three"};
    // A run waits for the one before it: the second reads what the first wrote.
    QTest::newRow("one after another") << QStringList{"sleep 0.5; echo done > '%1/mark'", "cat '%1/mark'"} << -1
                                       << QStringList{"0:", "0:done"};
    QTest::newRow("stopped while running, the rest never start")
        << QStringList{"echo one", "echo started > \"$0.started\"; sleep 60", "echo never"} << 1
        << QStringList{"0:one", "stopped", "not run"};
    QTest::newRow("a program that cannot start") << QStringList{"", "echo after"} << -1 << QStringList{"no exit code", "0:after"};
}

void TestBackgroundRuns::runsInOrder()
{
    QFETCH(QStringList, scripts);
    QFETCH(int, stopWhenStarted);
    QFETCH(QStringList, expected);

    QTemporaryDir dir;
    QStringList commands;
    QString started;
    for (int i = 0; i < scripts.size(); ++i) {
        const QString folder = dir.filePath(QString::number(i));
        QDir().mkpath(folder);
        const QString program = scripts.at(i).isEmpty() ? folder + "/missing" : TestSupport::writeFakeEncoder(folder, QString(scripts.at(i)).replace("%1", dir.path()).toUtf8());
        if (i == stopWhenStarted)
            started = program + ".started";
        commands << '"' + program + '"';
    }
    BackgroundRuns runs;
    runs.start(commands);
    if (stopWhenStarted >= 0) {
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(started), 20000);
        runs.stop();
        QVERIFY(!runs.waitFor(stopWhenStarted));
        // The stopped child is reaped before its result is kept.
        QTRY_VERIFY_WITH_TIMEOUT(runs.isDone(stopWhenStarted), 20000);
    }
    for (int i = 0; i < scripts.size(); ++i) {
        if (stopWhenStarted < 0)
            QVERIFY(runs.waitFor(i));
        QCOMPARE(summary(runs, i), expected.at(i));
    }
}

void TestBackgroundRuns::goneWithItsOwner()
{
    // Closing the window mid-cut leaves no encoder running.
    QTemporaryDir dir;
    const QString program = TestSupport::writeFakeEncoder(dir.path(), "echo $$ > \"$0.pid\"; exec sleep 60");
    qint64 pid = 0;
    {
        BackgroundRuns runs;
        runs.start({'"' + program + '"'});
        QTRY_VERIFY_WITH_TIMEOUT(QFile(program + ".pid").size() > 0, 20000);
        QFile file(program + ".pid");
        QVERIFY(file.open(QIODevice::ReadOnly));
        pid = file.readAll().trimmed().toLongLong();
        QVERIFY(pid > 0 && !TestSupport::processGone(pid));
    }
    QVERIFY(TestSupport::processGone(pid));
}

QTEST_GUILESS_MAIN(TestBackgroundRuns)
#include "tst_backgroundruns.moc"
