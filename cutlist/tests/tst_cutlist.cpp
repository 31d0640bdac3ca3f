#include "cutlist.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Every field, so that one the file forgets shows up.
QString dump(const CutEntry &e)
{
    const FormatPanelSnapshot &f = e.format;
    return QStringList{e.sourcePath, QString::number(e.selectStart, 'f', 6), QString::number(e.selectEnd, 'f', 6),
                       QString::number(e.exactMarks), QString::number(e.frameRate), QString::number(f.presetMode),
                       f.cmbCategory, f.cmbOutVCodec, f.cmbOutFormat, f.cmbCustContainer, f.cmbCVCodec, f.txtCVBitrate,
                       f.cmbCVSize, f.cmbCVAspect, f.txtFrameRate, f.cmbCACodec, f.txtCABirate, f.cmbCASmapleRate,
                       f.txtChannels, e.formatSummary,
                       QString::number(e.folder.optSameFolder), e.folder.txtOutPath, QString::number(e.fastSeek),
                       QString::number(int(e.state)), e.outputPath, e.errorLines}
        .join(u'|');
}

QList<CutEntry> savedSample(const QString &dir)
{
    CutEntry exact{dir + u"/a.mp4"_s, 1.001, 12.345, true, 29.97,
                   FormatPanelSnapshot{false, u"cat"_s, u"vc"_s, u"mp4"_s, u"mkv"_s, u"h264"_s, u"900"_s, u"320x240"_s,
                                       u"4:3"_s, u"25"_s, u"aac"_s, u"128"_s, u"44.1 KHz"_s, u"2"_s},
                   u"MKV h264"_s, OutputFolderChoice{false, dir + u"/out"_s}, true, CutState::Failed, {},
                   u"line 1\nline 2"_s};
    CutEntry whole{dir + u"/b.mp4"_s, 3600, 3725, false, 0, FormatPanelSnapshot{}, u"MP4"_s,
                   OutputFolderChoice{}, false, CutState::Done, dir + u"/b-out.mp4"_s, {}};
    return {exact, whole};
}

// One line per row: the source's name and the state text.
QStringList rows(const CutListModel &model)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row);
        rows << index.data(CutListModel::SourceNameRole).toString() + u": "_s
                    + index.data(CutListModel::StateTextRole).toString();
    }
    return rows;
}

const QByteArray kHead = R"({"document": "Snipora cut list", "version": 1, "entries": )";

} // namespace

class TestCutList final : public QObject
{
    Q_OBJECT

private slots:
    void listFile_data();
    void listFile();
    void operations_data();
    void operations();
};

void TestCutList::listFile_data()
{
    QTest::addColumn<QByteArray>("file"); // "$DIR" is the temporary folder; "saved" is savedSample
    QTest::addColumn<QStringList>("filesBefore");
    QTest::addColumn<bool>("lockedElsewhere");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("filesAfter");
    QTest::addColumn<QStringList>("goneAfter");

    const QByteArray running = kHead + R"([{"source": "$DIR/a.mp4", "start": 1, "end": 2, "state": "running",
        "output": "$DIR/a_Converted.mp4", "format": {"cmbOutFormat": "mp4"}}]})";
    QTest::newRow("saved list") << QByteArray("saved") << QStringList() << false
                                << QStringList{u"a.mp4: failed"_s, u"b.mp4: done: b-out.mp4"_s} << QString()
                                << QStringList() << QStringList();
    QTest::newRow("no file") << QByteArray() << QStringList() << false << QStringList() << QString() << QStringList()
                             << QStringList{kCutListFileName};
    QTest::newRow("damaged, an earlier one kept")
        << QByteArray("{\"document\": \"Snipora cut") << QStringList{u"cutlist.json.damaged-1"_s} << false
        << QStringList() << u"damaged. It was kept as cutlist.json.damaged-2"_s
        << QStringList{u"cutlist.json.damaged-1"_s, u"cutlist.json.damaged-2"_s} << QStringList{kCutListFileName};
    QTest::newRow("mark of the wrong type")
        << kHead + R"([{"source": "$DIR/a.mp4", "start": "1", "end": 2}]})" << QStringList() << false
        << QStringList() << u"kept as cutlist.json.damaged-1"_s << QStringList{u"cutlist.json.damaged-1"_s}
        << QStringList{kCutListFileName};
    QTest::newRow("end before start") << kHead + R"([{"source": "$DIR/a.mp4", "start": 3, "end": 2}]})"
                                      << QStringList() << false << QStringList() << u"damaged"_s << QStringList()
                                      << QStringList{kCutListFileName};
    QTest::newRow("another program's") << QByteArray(R"({"document": "playlist", "entries": []})") << QStringList()
                                       << false << QStringList() << u"kept as cutlist.json.foreign-1"_s
                                       << QStringList{u"cutlist.json.foreign-1"_s} << QStringList{kCutListFileName};
    QTest::newRow("newer version") << QByteArray(R"({"document": "Snipora cut list", "version": 2, "entries": 7})")
                                   << QStringList() << false << QStringList() << u"newer Snipora"_s
                                   << QStringList{u"cutlist.json.foreign-1"_s} << QStringList();
    QTest::newRow("source missing")
        << kHead + R"([{"source": "$DIR/gone.mp4", "start": 1, "end": 2}, {"source": "$DIR/b.mp4", "start": 1,
            "end": 2, "state": "stopped"}]})"
        << QStringList() << false << QStringList{u"gone.mp4: source missing"_s, u"b.mp4: stopped"_s} << QString()
        << QStringList() << QStringList();
    QTest::newRow("was running") << running << QStringList{u"a_Converted.mp4"_s} << false
                                 << QStringList{u"a.mp4: waiting"_s} << QString() << QStringList{u"a.mp4"_s}
                                 << QStringList{u"a_Converted.mp4"_s};
    QByteArray onSource = running;
    QTest::newRow("was running, output named the source")
        << onSource.replace("a_Converted", "a") << QStringList() << false << QStringList{u"a.mp4: waiting"_s}
        << QString() << QStringList{u"a.mp4"_s} << QStringList();
    QTest::newRow("open in another window")
        << running << QStringList{u"a_Converted.mp4"_s} << true << QStringList() << u"in use by another"_s
        << QStringList{u"a_Converted.mp4"_s} << QStringList();
}

void TestCutList::listFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, filesBefore);
    QFETCH(bool, lockedElsewhere);
    QFETCH(QStringList, rows);
    QFETCH(QString, message);
    QFETCH(QStringList, filesAfter);
    QFETCH(QStringList, goneAfter);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QDir folder(dir.path());
    for (const QString &name : filesBefore + QStringList{u"a.mp4"_s, u"b.mp4"_s})
        QVERIFY(writeFile(folder.filePath(name), name.toUtf8()));
    const QString listPath = folder.filePath(kCutListFileName);
    if (file == "saved")
        QVERIFY(saveCutList(dir.path(), savedSample(dir.path())));
    else if (!file.isEmpty())
        QVERIFY(writeFile(listPath, file.replace("$DIR", dir.path().toUtf8())));
    const QByteArray before = readFile(listPath);
    QLockFile otherWindow(listPath + u".lock"_s);
    QVERIFY(!lockedElsewhere || otherWindow.tryLock());

    {
        CutListModel model(dir.path());
        const QString said = model.restore();
        QVERIFY2(message.isEmpty() ? said.isEmpty() : said.contains(message), qPrintable(said));
        QCOMPARE(::rows(model), rows);
        if (file == "saved") {
            const QList<CutEntry> sample = savedSample(dir.path());
            QCOMPARE(model.entries().size(), sample.size());
            for (qsizetype i = 0; i < sample.size(); ++i)
                QCOMPARE(dump(model.entries().at(i)), dump(sample.at(i)));
            QCOMPARE(model.index(0).data().toString(), u"a.mp4  |  00:00:01.001\u201300:00:12.345  |  MKV h264  |  "_s
                                                           + QDir::toNativeSeparators(folder.filePath(u"out"_s))
                                                           + u"  |  failed"_s);
            QCOMPARE(model.index(1).data().toString(),
                     u"b.mp4  |  01:00:00\u201301:02:05  |  MP4  |  Same folder as input file  |  done: b-out.mp4"_s);
        }
        if (!rows.isEmpty()) // a missing source is passed over
            QCOMPARE(model.nextRunnable(), rows.indexOf(u"a.mp4: waiting"_s));
    }
    for (const QString &name : filesAfter)
        QVERIFY2(QFile::exists(folder.filePath(name)), qPrintable(name));
    for (const QString &name : goneAfter)
        QVERIFY2(!QFile::exists(folder.filePath(name)), qPrintable(name));
    if (filesBefore.contains(u"cutlist.json.damaged-1"_s)) // never overwritten
        QCOMPARE(readFile(folder.filePath(u"cutlist.json.damaged-1"_s)), QByteArray("cutlist.json.damaged-1"));
    if (lockedElsewhere) {
        QCOMPARE(readFile(listPath), before);
        return;
    }
    const QString aside = message.section(u"kept as "_s, 1).section(u',', 0, 0);
    if (!aside.isEmpty()) // what was set aside is the file as it was
        QCOMPARE(readFile(folder.filePath(aside)), before);
    // What the next start finds is what this one showed.
    CutListModel next(dir.path());
    QCOMPARE(next.restore(), QString());
    QCOMPARE(::rows(next), rows);
}

void TestCutList::operations_data()
{
    QTest::addColumn<QString>("names"); // sources; "!" marks one that is not there
    QTest::addColumn<QString>("ops");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("labels");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("powerOff");

    QTest::newRow("move down") << u"a b c d"_s << u"move 0 2"_s << u"b c a d"_s << u"b"_s << QString() << QString()
                               << false;
    QTest::newRow("move to the top") << u"a b c d"_s << u"move 3 0"_s << u"d a b c"_s << u"d"_s << QString()
                                     << QString() << false;
    QTest::newRow("up and down, edges stay") << u"a b c d"_s << u"up 0;down 3;up 2;move 1 4"_s << u"a c b d"_s
                                             << u"a"_s << QString() << QString() << false;
    QTest::newRow("remove several") << u"a b c d"_s << u"remove 1 3 1 9"_s << u"a c"_s << u"a"_s << QString()
                                    << QString() << false;
    QTest::newRow("running entry kept, ends where it moved")
        << u"a b c d"_s << u"run;move 0 2;remove 2 0;done"_s << u"c a:done d"_s << u"c"_s
        << u"Task Progress:[1 of 4]"_s << QString() << false;
    QTest::newRow("missing and failed passed over")
        << u"a gone! b"_s << u"run;fail;run;stop"_s << u"a:failed gone:source b:stopped"_s << QString()
        << u"Task Progress:[1 of 2] Task Progress:[2 of 2]"_s
        << u"0 done, 1 failed, 1 stopped. 1 skipped: source missing."_s << false;
    QTest::newRow("requeued runs again") << u"a b"_s << u"run;stop;requeue 0"_s << u"a b"_s << u"a"_s
                                         << u"Task Progress:[1 of 2]"_s << QString() << false;
    QTest::newRow("added while running joins the run")
        << u"a b"_s << u"run;done;add c;run;done;run;done"_s << u"a:done b:done c:done"_s << QString()
        << u"Task Progress:[1 of 2] Task Progress:[2 of 3] Task Progress:[3 of 3]"_s << QString() << true;
    QTest::newRow("joined: each entry done") << u"a b c"_s << u"join 0 2;joined done"_s << u"a:done b c:done"_s
                                             << u"b"_s << QString() << QString() << false;
    QTest::newRow("join failed: its part fails, the rest wait")
        << u"a b c"_s << u"join 0 1 2;joined fail 1"_s << u"a b:failed c"_s << u"a"_s << QString()
        << u"0 done, 1 failed, 0 stopped."_s << false;
    QTest::newRow("join stopped: all wait again") << u"a b"_s << u"join 0 1;joined stop"_s << u"a b"_s << u"a"_s
                                                  << QString() << QString() << false;
    QTest::newRow("no join over a running entry") << u"a b"_s << u"run;join 1;done"_s << u"a:done b"_s << u"b"_s
                                                  << u"Task Progress:[1 of 2]"_s << QString() << false;
}

void TestCutList::operations()
{
    QFETCH(QString, names);
    QFETCH(QString, ops);
    QFETCH(QString, order);
    QFETCH(QString, next);
    QFETCH(QString, labels);
    QFETCH(QString, message);
    QFETCH(bool, powerOff);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto source = [&dir](QString name) {
        const bool there = !name.endsWith(u'!');
        name.remove(u'!');
        const QString path = QDir(dir.path()).filePath(name + u".mp4"_s);
        if (there)
            writeFile(path, {});
        CutEntry entry;
        entry.sourcePath = path;
        entry.selectEnd = 2;
        return entry;
    };
    // A name, and the state's first word when not waiting.
    const auto orderOf = [](const CutListModel &model) {
        QStringList order;
        for (const QString &row : ::rows(model)) {
            const QString state = row.section(u' ', 1, 1).remove(u':');
            order << row.section(u'.', 0, 0) + (state == u"waiting" ? QString() : u':' + state);
        }
        return order.join(u' ');
    };

    QStringList shown;
    {
        CutListModel model(dir.path());
        QCOMPARE(model.restore(), QString());
        for (const QString &name : names.split(u' '))
            model.add(source(name));
        CutListRun run;
        // Every change is saved at once, the start of a run before its encoder.
        for (const QString &op : ops.split(u';')) {
            const QStringList words = op.split(u' ');
            QList<int> numbers;
            for (const QString &word : words.mid(1))
                numbers << word.toInt();
            if (words[0] == u"move")
                model.move(numbers[0], numbers[1]);
            else if (words[0] == u"up")
                model.moveUp(numbers[0]);
            else if (words[0] == u"down")
                model.moveDown(numbers[0]);
            else if (words[0] == u"remove")
                model.remove(numbers);
            else if (words[0] == u"requeue")
                model.requeue(numbers);
            else if (words[0] == u"add")
                model.add(source(words[1]));
            else if (words[0] == u"join")
                QCOMPARE(model.markRunning(numbers, dir.filePath(u"out.mp4"_s)), model.runningRow() < 0);
            else if (words[0] == u"joined")
                QVERIFY(model.finishAllRunning(words[1] == u"done" ? CutState::Done
                                               : words[1] == u"fail" ? CutState::Failed : CutState::Stopped,
                                               numbers.mid(1), u"error"_s));
                        else if (words[0] == u"run") {
                shown << run.startNext(model.runnableCount());
                QVERIFY(model.markRunning(model.nextRunnable(), dir.filePath(u"out.mp4"_s)));
            } else
                QVERIFY(words[0] == u"done" ? model.markDone()
                                            : words[0] == u"fail" ? model.markFailed(u"error"_s) : model.markStopped());
            QCOMPARE(readFile(QDir(dir.path()).filePath(kCutListFileName)), serializeCutList(model.entries()));
        }
        QCOMPARE(orderOf(model), order);
        QCOMPARE(model.nextRunnable() < 0 ? QString() : cutSourceName(model.entries().at(model.nextRunnable())),
                 next.isEmpty() ? QString() : next + u".mp4"_s);
        QCOMPARE(shown.join(u' '), labels);
        QCOMPARE(cutListEndMessage(model.counts()), message);
        QCOMPARE(cutListPowerOffAllowed(model.counts()), powerOff);
    }
    CutListModel restored(dir.path());
    QCOMPARE(restored.restore(), QString());
    QCOMPARE(orderOf(restored), order);
}

QTEST_APPLESS_MAIN(TestCutList)
#include "tst_cutlist.moc"
