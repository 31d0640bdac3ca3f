#include "helpopener.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Records every URL it is asked about and answers as told.
class RecordingDesktop final : public DesktopServices
{
public:
    bool handlerForChm = true;
    bool openSucceeds = true;
    QStringList opened;
    mutable QStringList asked;

    bool openUrl(const QUrl &url) override
    {
        opened.append(url.toString());
        return openSucceeds;
    }
    bool canOpen(const QUrl &url) const override
    {
        asked.append(url.toString());
        return handlerForChm;
    }
};

bool writeFile(const QString &path, const QByteArray &content, QFileDevice::Permissions extra = {})
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return false;
    file.close();
    return !extra || file.setPermissions(file.permissions() | extra);
}

} // namespace

class tst_HelpOpener : public QObject
{
    Q_OBJECT

private slots:
    void openHelp_data();
    void openHelp();
    void linkUrl_data();
    void linkUrl();
    void systemCanOpen_data();
    void systemCanOpen();
};

void tst_HelpOpener::openHelp_data()
{
    QTest::addColumn<QString>("chmKind"); // "file", "none" or "folder"
    QTest::addColumn<bool>("handlerForChm");
    QTest::addColumn<bool>("openSucceeds");
    QTest::addColumn<QStringList>("expectedOpened"); // names relative to the program folder

    const QString chm = QStringLiteral("Help.chm");
    const QString pages = QStringLiteral("help/index.html");
    QTest::newRow("chm opened by its viewer") << "file" << true << true << QStringList{chm};
    QTest::newRow("chm, viewer fails to start") << "file" << true << false << QStringList{chm, pages};
    QTest::newRow("chm, desktop has no viewer") << "file" << false << true << QStringList{pages};
    QTest::newRow("chm missing") << "none" << true << true << QStringList{pages};
    QTest::newRow("a folder named Help.chm") << "folder" << true << true << QStringList{pages};
}

void tst_HelpOpener::openHelp()
{
    QFETCH(QString, chmKind);
    QFETCH(bool, handlerForChm);
    QFETCH(bool, openSucceeds);
    QFETCH(QStringList, expectedOpened);

    QTemporaryDir programDir;
    QVERIFY(programDir.isValid());
    QDir dir(programDir.path());
    if (chmKind == u"file")
        QVERIFY(writeFile(dir.filePath(QStringLiteral("Help.chm")), "ITSF"));
    else if (chmKind == u"folder")
        QVERIFY(dir.mkdir(QStringLiteral("Help.chm")));

    RecordingDesktop desktop;
    desktop.handlerForChm = handlerForChm;
    desktop.openSucceeds = openSucceeds;
    OpenHelp(programDir.path(), desktop);

    QStringList expected;
    for (const QString &name : expectedOpened)
        expected.append(QUrl::fromLocalFile(dir.filePath(name)).toString());
    QCOMPARE(desktop.opened, expected);
    // The desktop is only asked about a help file that is there.
    const QStringList expectedAsked = chmKind == u"file"
        ? QStringList{QUrl::fromLocalFile(dir.filePath(QStringLiteral("Help.chm"))).toString()}
        : QStringList{};
    QCOMPARE(desktop.asked, expectedAsked);
}

void tst_HelpOpener::linkUrl_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("expected");

    QTest::newRow("encoder home page") << kFFmpegHomePage << QStringLiteral("https://ffmpeg.org/");
    QTest::newRow("maker page in the program folder")
        << kMakerHomePage << QUrl::fromLocalFile(QStringLiteral("/opt/snip ora/help/about.html")).toString();
    QTest::newRow("plain http") << QStringLiteral("http://example.org/a?b=c")
                                << QStringLiteral("http://example.org/a?b=c");
    QTest::newRow("file name with #") << QStringLiteral("help/a#b.html")
                                      << QUrl::fromLocalFile(QStringLiteral("/opt/snip ora/help/a#b.html")).toString();
}

void tst_HelpOpener::linkUrl()
{
    QFETCH(QString, link);
    QFETCH(QString, expected);
    const QUrl url = LinkUrl(QStringLiteral("/opt/snip ora"), link);
    QCOMPARE(url.toString(), expected);
    // A local page must name the file itself, not a fragment of it.
    if (url.isLocalFile())
        QVERIFY(url.toLocalFile().endsWith(link));
}

void tst_HelpOpener::systemCanOpen_data()
{
    QTest::addColumn<QString>("fakeScript"); // empty: no xdg-mime on PATH
    QTest::addColumn<bool>("localFile");
    QTest::addColumn<bool>("expected");
    QTest::addColumn<bool>("expectQuery");

    // Shell built-ins only: PATH holds nothing but the fake's folder.
    const QString record = QStringLiteral("echo \"$@\" > \"${0%/*}/args\"\n");
    const QString answers = record + QStringLiteral("echo xchm.desktop\n");
    const QString silent = record;
    const QString fails = record + QStringLiteral("exit 2\n");
    QTest::newRow("a default program") << answers << true << true << true;
    QTest::newRow("no default program") << silent << true << false << true;
    QTest::newRow("xdg-mime fails: cannot tell") << fails << true << true << true;
    QTest::newRow("no xdg-mime: cannot tell") << QString() << true << true << false;
    QTest::newRow("web page: not asked") << silent << false << true << false;
}

void tst_HelpOpener::systemCanOpen()
{
#if !defined(Q_OS_UNIX) || defined(Q_OS_DARWIN)
    QSKIP("The MIME defaults are asked on freedesktop systems only");
#else
    QFETCH(QString, fakeScript);
    QFETCH(bool, localFile);
    QFETCH(bool, expected);
    QFETCH(bool, expectQuery);

    QTemporaryDir binDir;
    QVERIFY(binDir.isValid());
    if (!fakeScript.isEmpty()) {
        QVERIFY(writeFile(binDir.filePath(QStringLiteral("xdg-mime")),
                          QByteArray("#!/bin/sh\n") + fakeScript.toUtf8(), QFileDevice::ExeOwner));
    }
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(binDir.path()));
    const QUrl url = localFile ? QUrl::fromLocalFile(binDir.filePath(QStringLiteral("Help.chm")))
                               : QUrl(QStringLiteral("https://ffmpeg.org/"));
    const bool result = SystemDesktopServices().canOpen(url);
    qputenv("PATH", savedPath);

    QCOMPARE(result, expected);
    QFile args(binDir.filePath(QStringLiteral("args")));
    QCOMPARE(args.exists(), expectQuery);
    if (expectQuery) {
        QVERIFY(args.open(QIODevice::ReadOnly));
        QCOMPARE(args.readAll().trimmed(), QByteArray("query default application/vnd.ms-htmlhelp"));
    }
#endif
}

QTEST_GUILESS_MAIN(tst_HelpOpener)
#include "tst_helpopener.moc"
