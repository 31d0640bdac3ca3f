#include "outputpath.h"

#include "recordingmessagesink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <sys/stat.h>

namespace {

// Answers from sets and a rule instead of the disk, for names no test should
// have to create (the root, ten thousand taken names).
class FakeFileSystem final : public OutputFileSystem
{
public:
    bool folderExists(const QString &path) const override { return folders.contains(path); }
    bool createFolder(const QString &path) override
    {
        ++createCalls;
        if (!allowCreate)
            return false;
        folders.insert(path);
        return true;
    }
    bool fileExists(const QString &path) const override
    {
        ++fileQueries;
        return taken(path);
    }

    QSet<QString> folders;
    std::function<bool(const QString &)> taken = [](const QString &) { return false; };
    bool allowCreate = true;
    int createCalls = 0;
    mutable int fileQueries = 0;
};

QString expand(QString text, const QString &root)
{
    return text.replace(QStringLiteral("<tmp>"), root);
}

} // namespace

class TestOutputPath final : public QObject
{
    Q_OBJECT

private slots:
    void pathPieces_data();
    void pathPieces();
    void namingSequence_data();
    void namingSequence();
    void folderThatCannotBeUsed_data();
    void folderThatCannotBeUsed();
    void sourceInTheRoot();
    void counterRange_data();
    void counterRange();
    void markedNames_data();
    void markedNames();
};

void TestOutputPath::pathPieces_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("base");

    QTest::newRow("plain") << "/videos/holiday.avi" << "/videos" << "holiday";
    QTest::newRow("in the root") << "/movie.avi" << "/" << "movie";
    QTest::newRow("last extension only") << "/v/holiday.part1.avi" << "/v" << "holiday.part1";
    QTest::newRow("no extension") << "/videos/clip" << "/videos" << "clip";
    QTest::newRow("dot in a folder name") << "/my.videos/clip" << "/my.videos" << "clip";
    QTest::newRow("hidden file keeps its dot") << "/v/.clip" << "/v" << ".clip";
    QTest::newRow("trailing slash") << "/v/dir/" << "/v" << "dir";
    QTest::newRow("no folder part") << "clip.avi" << QString() << "clip";
    QTest::newRow("the root itself") << "/" << QString() << QString();
}

void TestOutputPath::pathPieces()
{
    QFETCH(QString, path);
    QFETCH(QString, parent);
    QFETCH(QString, base);
    QCOMPARE(ParentFolderName(path), parent);
    QCOMPARE(BaseName(path), base);
}

void TestOutputPath::namingSequence_data()
{
    QTest::addColumn<bool>("sameFolder");
    QTest::addColumn<QString>("outPath");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("extension");
    // Created before the call; "pipe:" makes a named pipe, "link:" a dangling link.
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders"); // created before the call
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("numbered"); // events run only for numbered names

    const QStringList none;
    QTest::newRow("same folder, same extension: the source is taken")
        << true << QString() << "<tmp>/movie.avi" << "avi" << QStringList{"movie.avi"} << none
        << "<tmp>/movie_Converted.avi" << false;
    QTest::newRow("same folder, other extension")
        << true << QString() << "<tmp>/movie.avi" << "mp4" << QStringList{"movie.avi"} << none << "<tmp>/movie.mp4"
        << false;
    QTest::newRow("other folder, extension as given")
        << false << "<tmp>/out" << "/videos/holiday.avi" << "MP4" << none << QStringList{"out"}
        << "<tmp>/out/holiday.MP4" << false;
    QTest::newRow("other folder with trailing slash")
        << false << "<tmp>/out/" << "/videos/holiday.avi" << "MP4" << none << QStringList{"out"}
        << "<tmp>/out/holiday.MP4" << false;
    QTest::newRow("plain, marked and _0 taken")
        << false << "<tmp>/out" << "/videos/name.avi" << "ext"
        << QStringList{"out/name.ext", "out/name_Converted.ext", "out/name_Converted_0.ext"} << QStringList{"out"}
        << "<tmp>/out/name_Converted_1.ext" << true;
    QTest::newRow("counter starts at 0")
        << true << QString() << "<tmp>/a.avi" << "avi" << QStringList{"a.avi", "a_Converted.avi"} << none
        << "<tmp>/a_Converted_0.avi" << true;
    QTest::newRow("marked base goes straight to the counter")
        << true << QString() << "<tmp>/clip_Converted.avi" << "MP4" << QStringList{"clip_Converted.MP4"} << none
        << "<tmp>/clip_Converted_0.MP4" << true;
    QTest::newRow("lower-case mark is not the mark")
        << true << QString() << "<tmp>/name_converted.avi" << "avi" << QStringList{"name_converted.avi"} << none
        << "<tmp>/name_converted_Converted.avi" << false;
    QTest::newRow("a folder does not take a name")
        << false << "<tmp>/out" << "/v/holiday.avi" << "mp4" << none
        << QStringList{"out", "out/holiday.mp4", "out/holiday_Converted.mp4"} << "<tmp>/out/holiday.mp4" << false;
    QTest::newRow("a dangling link takes a name")
        << false << "<tmp>/out" << "/v/holiday.avi" << "mp4" << QStringList{"link:out/holiday.mp4"}
        << QStringList{"out"} << "<tmp>/out/holiday_Converted.mp4" << false;
    QTest::newRow("a named pipe takes a name")
        << false << "<tmp>/out" << "/v/holiday.avi" << "mp4" << QStringList{"pipe:out/holiday.mp4"}
        << QStringList{"out"} << "<tmp>/out/holiday_Converted.mp4" << false;
    QTest::newRow("letter case of names matters")
        << false << "<tmp>/out" << "/v/holiday.avi" << "mp4" << QStringList{"out/holiday.MP4"} << QStringList{"out"}
        << "<tmp>/out/holiday.mp4" << false;
    QTest::newRow("missing folder is created")
        << false << "<tmp>/new" << "/v/holiday.avi" << "mp4" << none << none << "<tmp>/new/holiday.mp4" << false;
    QTest::newRow("source without extension")
        << false << "<tmp>" << "/videos/clip" << "mp4" << none << none << "<tmp>/clip.mp4" << false;
    QTest::newRow("base with dots")
        << false << "<tmp>" << "/v/holiday.part1.avi" << "mp4" << QStringList{"holiday.part1.mp4"} << none
        << "<tmp>/holiday.part1_Converted.mp4" << false;
}

void TestOutputPath::namingSequence()
{
    QFETCH(bool, sameFolder);
    QFETCH(QString, outPath);
    QFETCH(QString, source);
    QFETCH(QString, extension);
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QString, expected);
    QFETCH(bool, numbered);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString &folder : folders)
        QVERIFY(QDir(dir.path()).mkpath(folder));
    for (const QString &name : files) {
        if (name.startsWith(u"pipe:")) {
            QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(name.mid(5))).constData(), 0600), 0);
        } else if (name.startsWith(u"link:")) {
            QVERIFY(QFile::link(dir.filePath("missing"), dir.filePath(name.mid(5))));
        } else {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }

    bool eventsRan = false;
    QMetaObject::invokeMethod(qApp, [&eventsRan] { eventsRan = true; }, Qt::QueuedConnection);

    LocalFileSystem fileSystem;
    RecordingMessageSink sink;
    const OutputFolderChoice choice{sameFolder, expand(outPath, dir.path())};
    const QString result = MakeOutputPath(expand(source, dir.path()), extension, choice, fileSystem, sink);
    QCOMPARE(result, expand(expected, dir.path()));
    QVERIFY(sink.messages.isEmpty());
    QVERIFY(QFileInfo(result).dir().exists());
    QCOMPARE(eventsRan, numbered);
    QCoreApplication::processEvents(); // drop the queued call if it did not run
}

void TestOutputPath::folderThatCannotBeUsed_data()
{
    QTest::addColumn<bool>("sameFolder");
    QTest::addColumn<QString>("outPath");
    QTest::addColumn<QString>("source");

    QTest::newRow("two missing levels") << false << "<tmp>/a/b" << "/v/clip.avi";
    QTest::newRow("empty text") << false << QString() << "/v/clip.avi";
    QTest::newRow("relative folder") << false << "out" << "/v/clip.avi";
    QTest::newRow("a file stands there") << false << "<tmp>/file" << "/v/clip.avi";
    QTest::newRow("source without folder") << true << QString() << "clip.avi";
}

void TestOutputPath::folderThatCannotBeUsed()
{
    QFETCH(bool, sameFolder);
    QFETCH(QString, outPath);
    QFETCH(QString, source);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath("file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    LocalFileSystem fileSystem;
    RecordingMessageSink sink;
    const OutputFolderChoice choice{sameFolder, expand(outPath, dir.path())};
    QCOMPARE(MakeOutputPath(source, "mp4", choice, fileSystem, sink), QString());
    QCOMPARE(sink.messages.size(), 1);
    QCOMPARE(sink.messages.first().text, QStringLiteral("Output Folder is not exist and can not be created."));
    QCOMPARE(sink.messages.first().icon, MessageIcon::Critical);
    QCOMPARE(sink.messages.first().title, QStringLiteral("Snipora"));
    QVERIFY(!QFileInfo::exists(dir.filePath("a")));
    QVERIFY(!QFileInfo::exists(QDir::current().filePath("out")));
}

void TestOutputPath::sourceInTheRoot()
{
    FakeFileSystem fileSystem;
    fileSystem.folders.insert("/");
    fileSystem.taken = [](const QString &path) { return path == u"/movie.avi"; };
    RecordingMessageSink sink;
    QCOMPARE(MakeOutputPath("/movie.avi", "avi", {true, QString()}, fileSystem, sink),
             QStringLiteral("/movie_Converted.avi"));
    QCOMPARE(fileSystem.createCalls, 0);
    QVERIFY(sink.messages.isEmpty());
}

void TestOutputPath::markedNames_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("mark");
    QTest::addColumn<QStringList>("taken");
    QTest::addColumn<QString>("expected");

    QTest::newRow("joined, never the plain name") << "/v/a.mp4" << "_Joined" << QStringList{} << "/out/a_Joined.mp4";
    QTest::newRow("joined taken: the counter")
        << "/v/a.mp4" << "_Joined" << QStringList{"/out/a_Joined.mp4", "/out/a_Joined_0.mp4"} << "/out/a_Joined_1.mp4";
    QTest::newRow("edited") << "/v/a.mkv" << "_Edited" << QStringList{"/out/a.mp4"} << "/out/a_Edited.mp4";
    QTest::newRow("an edited source's next edit") << "/out/a_Edited.mp4" << "_Edited" << QStringList{"/out/a_Edited.mp4"}
                                                  << "/out/a_Edited_0.mp4";
}

void TestOutputPath::markedNames()
{
    QFETCH(QString, source);
    QFETCH(QString, mark);
    QFETCH(QStringList, taken);
    QFETCH(QString, expected);
    FakeFileSystem fileSystem;
    fileSystem.folders.insert(QStringLiteral("/out"));
    fileSystem.taken = [&taken](const QString &path) { return taken.contains(path); };
    RecordingMessageSink sink;
    QCOMPARE(MakeMarkedOutputPath(source, QStringLiteral("mp4"), mark, OutputFolderChoice{false, QStringLiteral("/out")},
                                  fileSystem, sink),
             expected);
}

void TestOutputPath::counterRange_data()
{
    QTest::addColumn<int>("firstFree"); // -1: every name is taken
    QTest::addColumn<QString>("expected");

    QTest::newRow("last counter tried is 10000") << 10000 << "/out/clip_Converted_10000.mkv";
    QTest::newRow("9999 taken") << 9999 << "/out/clip_Converted_9999.mkv";
    QTest::newRow("all taken: nothing, no message") << -1 << QString();
}

void TestOutputPath::counterRange()
{
    QFETCH(int, firstFree);
    QFETCH(QString, expected);

    FakeFileSystem fileSystem;
    fileSystem.folders.insert("/out");
    const QString freeName = QStringLiteral("/out/clip_Converted_%1.mkv").arg(firstFree);
    fileSystem.taken = [&](const QString &path) { return firstFree < 0 || path != freeName; };
    RecordingMessageSink sink;
    QCOMPARE(MakeOutputPath("/v/clip.avi", "mkv", {false, "/out"}, fileSystem, sink), expected);
    QVERIFY(sink.messages.isEmpty());
    // Plain, marked, then the numbered names up to the one returned (or all 10001).
    QCOMPARE(fileSystem.fileQueries, 2 + (firstFree < 0 ? 10001 : firstFree + 1));
}

QTEST_GUILESS_MAIN(TestOutputPath)
#include "tst_outputpath.moc"
