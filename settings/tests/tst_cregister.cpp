#include "cregister.h"
#include "registryfile.h"
#include "settingsstorelocation.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

const QString kDefault = u"<default>"_s;

QStringList entries(const QSettings::SettingsMap &map)
{
    QStringList result;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        result += it.key() + u'=' + it.value().toString();
    return result;
}

} // namespace

// The registry-shaped file (RegistryFile) and the store on top of it (CRegister).
class TestCRegister final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); } // a second guard for the real store
    void parseTolerates_data();
    void parseTolerates();
    void fileRoundTrip_data();
    void fileRoundTrip();
    void garbageKeepsReadableValues_data();
    void garbageKeepsReadableValues();
    void trimKeyPath_data();
    void trimKeyPath();
    void addressing_data();
    void addressing();
    void deletion_data();
    void deletion();
    void keyLifetime_data();
    void keyLifetime();
    void specialFileIsNoStore_data();
    void specialFileIsNoStore();

private:
    QTemporaryDir m_dir;
};

void TestCRegister::parseTolerates_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("crlf, blanks, byte order mark") << "\xEF\xBB\xBF[ A \\ B ]\r\n  name  =  v=w  \r\n"_ba
                                                   << QStringList{u"A/B/@name=v=w"_s};
    QTest::newRow("comments, root and default values") << "r=0\n; c\n[A]\n# x=1\n@=d\n"_ba
                                                       << QStringList{u"@r=0"_s, u"A/@=d"_s};
    QTest::newRow("broken headers drop their values") << "[A]\nx=1\n[B\ny=2\n[C\\\\D]\nz=3\n[E]\nw=4\n"_ba
                                                      << QStringList{u"A/@x=1"_s, u"E/@w=4"_s};
    QTest::newRow("lines without a name or =") << "[A]\nno equals\n=nameless\nx=1\nx=2\n"_ba
                                               << QStringList{u"A/@x=2"_s};
    QTest::newRow("names in two spellings are one") << "[A\\B]\nx=1\n[a\\b]\nX=2\ny=3\n"_ba
                                                   << QStringList{u"A/B/@x=2"_s, u"A/B/@y=3"_s};
    QTest::newRow("byte-order marks inside lines are kept") << "[A]\n\xEF\xBB\xBFn=\xEF\xBB\xBFv%25\n"_ba
                                                            << QStringList{u"A/@%EF%BB%BFn=\uFEFFv%"_s};
    QTest::newRow("hand-written escapes and slashes") << "[a/b%5c]\nn%41me=%20v%zz\n@x=%FF\n"_ba
                                                      << QStringList{u"a%2Fb%5C/@%40x=\uFFFD"_s,
                                                                     u"a%2Fb%5C/@nAme= v%zz"_s};
}

void TestCRegister::parseTolerates()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, expected);
    QCOMPARE(entries(RegistryFile::parse(text)), expected);
}

void TestCRegister::fileRoundTrip_data()
{
    // QSettings keys and texts that must come back unchanged from the file.
    QTest::addColumn<QStringList>("values");
    QTest::newRow("byte-order mark starting the first name")
        << QStringList{RegistryFile::settingsKey({}, u"\uFEFFn") + u"=\uFEFFv"_s};
    QTest::newRow("byte-order mark starting a text with an escape") << QStringList{u"A/@n=\uFEFF%\n"_s};
    QTest::newRow("empty key beside a full one") << QStringList{u"A/%="_s, u"B/@x=1"_s};
}

void TestCRegister::fileRoundTrip()
{
    QFETCH(QStringList, values);
    QSettings::SettingsMap map;
    for (const QString &value : values)
        map.insert(value.section(u'=', 0, 0), value.section(u'=', 1));
    QCOMPARE(entries(RegistryFile::parse(RegistryFile::format(map))), values);
}

void TestCRegister::garbageKeepsReadableValues_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::newRow("seed 7") << 7u;
    QTest::newRow("seed 42") << 42u;
}

void TestCRegister::garbageKeepsReadableValues()
{
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);
    QByteArray garbage(256 * 1024, Qt::Uninitialized);
    for (char &byte : garbage)
        byte = char(random.bounded(256));
    const QByteArray text = garbage + "\n[Software\\Tessaly Snipora\\Settings]\ntxtChannels=6\n" + garbage;

    const QSettings::SettingsMap map = RegistryFile::parse(text);
    QCOMPARE(map.value(u"Software/Tessaly Snipora/Settings/@txtChannels"_s).toString(), u"6"_s);
    // Whatever was read writes out as a file that reads back the same.
    QCOMPARE(entries(RegistryFile::parse(RegistryFile::format(map))), entries(map));
}

void TestCRegister::trimKeyPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("trimmed");
    QTest::newRow("nothing to trim") << u"a\\b"_s << u"a\\b"_s;
    QTest::newRow("leading and trailing") << u"\\a\\b\\"_s << u"a\\b"_s;
    QTest::newRow("only one of each") << u"\\\\a\\\\"_s << u"\\a\\"_s;
    QTest::newRow("only a backslash") << u"\\"_s << QString();
}

void TestCRegister::trimKeyPath()
{
    QFETCH(QString, path);
    QFETCH(QString, trimmed);
    QCOMPARE(CRegister::TrimKeyPath(path), trimmed);
}

void TestCRegister::addressing_data()
{
    // Saves "section|name|text" under HKEY_LOCAL_MACHINE, then reads
    // "root|section|name" from a fresh object.
    QTest::addColumn<QString>("save");
    QTest::addColumn<QString>("read");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QString>("expected");

    const QString machine = QString::number(kRegLocalMachine);
    QTest::newRow("any text reads back") << u"Software\\Tessaly Snipora\\Settings|txtOutPath| C:\\Cut Files, 50% =\n"_s
                                         << machine + u"|Software\\Tessaly Snipora\\Settings|txtOutPath"_s << true
                                         << u" C:\\Cut Files, 50% =\n"_s;
    QTest::newRow("empty text reads as the default") << u"A|x|"_s << machine + u"|A|x"_s << true << kDefault;
    QTest::newRow("backslash at either end ignored") << u"\\A\\B\\|x|t"_s << machine + u"|A\\B|x"_s << true << u"t"_s;
    QTest::newRow("names ignore letter case") << u"Software\\Tessaly|Name|t"_s << machine + u"|SOFTWARE\\tessaly|nAME"_s
                                              << true << u"t"_s;
    QTest::newRow("star is the unnamed value") << u"A|*|t"_s << machine + u"|A|"_s << true << u"t"_s;
    QTest::newRow("value and subkey of one name") << u"A|B|t"_s << machine + u"|A\\B|*"_s << true << kDefault;
    QTest::newRow("other root key") << u"A|x|t"_s << QString::number(kRegCurrentUser) + u"|A|x"_s << true << kDefault;
    QTest::newRow("byte-order marks at the file's start") << u"|\uFEFFname|\uFEFF50%"_s
                                                          << machine + u"||\uFEFFname"_s << true << u"\uFEFF50%"_s;
    QTest::newRow("empty path part") << u"A\\\\B|x|t"_s << machine + u"|A\\\\B|x"_s << false << kDefault;
}

void TestCRegister::addressing()
{
    QFETCH(QString, save);
    QFETCH(QString, read);
    QFETCH(bool, saved);
    QFETCH(QString, expected);

    const FolderSettingsStoreLocation location(m_dir.filePath(QString::fromLatin1(QTest::currentDataTag())));
    const QStringList s = save.split(u'|');
    const QStringList r = read.split(u'|');
    QCOMPARE(CRegister(location).REGSaveSetting(kRegLocalMachine, s[0], s[1], s[2]), saved);
    QCOMPARE(CRegister(location).REGGetSetting(r[0].toUInt(), r[1], r[2], kDefault), expected);
}

void TestCRegister::deletion_data()
{
    // Values "section|name" (text "t") are saved first; then one deletion.
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("deleted");
    QTest::addColumn<QStringList>("gone");

    QTest::newRow("value") << QStringList{u"A|x"_s, u"A|y"_s} << u"\\A\\"_s << u"x"_s << true << QStringList{u"A|x"_s};
    QTest::newRow("missing value") << QStringList{u"A|y"_s} << u"A"_s << u"x"_s << false << QStringList();
    QTest::newRow("value, not the subkey of its name") << QStringList{u"A|B"_s, u"A\\B|x"_s} << u"A"_s << u"B"_s
                                                       << true << QStringList{u"A|B"_s};
    QTest::newRow("key without subkeys") << QStringList{u"A\\B|x"_s, u"A\\B|*"_s, u"A|y"_s} << u"a\\b"_s << QString()
                                         << true << QStringList{u"A\\B|x"_s, u"A\\B|*"_s};
    QTest::newRow("key with a subkey") << QStringList{u"A\\B|x"_s, u"A\\B\\C|y"_s} << u"A\\B"_s << QString() << false
                                       << QStringList();
    QTest::newRow("key path taken untrimmed") << QStringList{u"A\\B|x"_s} << u"A\\B\\"_s << QString() << false
                                              << QStringList();
    QTest::newRow("root key") << QStringList{u"|x"_s} << QString() << QString() << false << QStringList();
}

void TestCRegister::deletion()
{
    QFETCH(QStringList, values);
    QFETCH(QString, section);
    QFETCH(QString, name);
    QFETCH(bool, deleted);
    QFETCH(QStringList, gone);

    const FolderSettingsStoreLocation location(m_dir.filePath(QString::fromLatin1(QTest::currentDataTag())));
    const CRegister registry(location);
    for (const QString &value : values)
        QVERIFY(registry.REGSaveSetting(kRegLocalMachine, value.section(u'|', 0, 0), value.section(u'|', 1), u"t"_s));
    QCOMPARE(registry.REGDeleteSetting(kRegLocalMachine, section, name), deleted);
    for (const QString &value : values) {
        const QString text = registry.REGGetSetting(kRegLocalMachine, value.section(u'|', 0, 0), value.section(u'|', 1),
                                                    kDefault);
        QCOMPARE(value + u'=' + text, value + u'=' + (gone.contains(value) ? kDefault : u"t"_s));
    }
}

void TestCRegister::keyLifetime_data()
{
    // The store file's text first (none when empty), then steps "save|key|name",
    // "value|key|name" (delete a value) or "key|key" (delete a key), each with
    // its result; then the keys and values in the file.
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("results");
    QTest::addColumn<QStringList>("inFile");

    QTest::newRow("a key outlives its last value")
        << QByteArray() << QStringList{u"save|A\\B|x"_s, u"value|A\\B|x"_s, u"key|A\\B"_s, u"key|A\\B"_s}
        << QStringList{u"true"_s, u"true"_s, u"true"_s, u"false"_s} << QStringList{u"A/%="_s};
    QTest::newRow("an empty key is written and read back")
        << QByteArray() << QStringList{u"save|A\\B|x"_s, u"value|A\\B|x"_s}
        << QStringList{u"true"_s, u"true"_s} << QStringList{u"A/B/%="_s};
    QTest::newRow("a parent outlives its subkey")
        << QByteArray() << QStringList{u"save|A\\B\\C|x"_s, u"key|A\\B\\C"_s, u"key|A\\B"_s, u"key|A"_s}
        << QStringList{u"true"_s, u"true"_s, u"true"_s, u"true"_s} << QStringList();
    QTest::newRow("a hand-written empty section is a key")
        << "[A\\B]\n"_ba << QStringList{u"key|A"_s, u"key|a\\b"_s, u"key|A"_s}
        << QStringList{u"false"_s, u"true"_s, u"true"_s} << QStringList();
    // Restore Defaults deletes the key: no spelling of it may stay behind.
    QTest::newRow("a key in two spellings goes as one")
        << "[Software\\Tessaly Snipora\\Settings]\nx=1\n[SOFTWARE\\tessaly snipora\\settings]\ny=2\n"_ba
        << QStringList{u"key|Software\\Tessaly Snipora\\Settings"_s}
        << QStringList{u"true"_s} << QStringList{u"Software/Tessaly Snipora/%="_s};
}

void TestCRegister::keyLifetime()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, results);
    QFETCH(QStringList, inFile);

    const QString folder = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    const QString path = QDir(folder).filePath(u"HKEY_LOCAL_MACHINE.ini"_s);
    QVERIFY(QDir().mkpath(folder));
    if (!file.isEmpty()) {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
    }
    const FolderSettingsStoreLocation location(folder);
    const CRegister registry(location);
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const QStringList step = steps.at(i).split(u'|');
        bool done = false;
        if (step[0] == u"save")
            done = registry.REGSaveSetting(kRegLocalMachine, step[1], step[2], u"t"_s);
        else if (step[0] == u"value")
            done = registry.REGDeleteSetting(kRegLocalMachine, step[1], step[2]);
        else
            done = registry.REGDeleteSetting(kRegLocalMachine, step[1], QString());
        QCOMPARE(steps.at(i) + u' ' + QVariant(done).toString(), steps.at(i) + u' ' + results.at(i));
    }
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(entries(RegistryFile::parse(written.readAll())), inFile);
}

void TestCRegister::specialFileIsNoStore_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("named pipe") << u"pipe"_s;
    QTest::newRow("folder") << u"folder"_s;
}

void TestCRegister::specialFileIsNoStore()
{
#ifndef Q_OS_UNIX
    QSKIP("Named pipes in the file system are a Unix matter");
#else
    QFETCH(QString, kind);
    const QString folder = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    const QString path = QDir(folder).filePath(u"HKEY_LOCAL_MACHINE.ini"_s);
    QVERIFY(QDir().mkpath(folder));
    if (kind == u"pipe")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else
        QVERIFY(QDir().mkpath(path));

    // Should the store open the pipe after all, this writer hands it a value
    // and ends the wait, so the test fails on that value instead of hanging.
    std::atomic<bool> finished = false;
    std::thread writer([&] {
        while (!finished && kind == u"pipe") {
            const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                const char text[] = "x=from the pipe\n";
                [[maybe_unused]] const auto written = ::write(fd, text, sizeof text - 1);
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const FolderSettingsStoreLocation location(folder);
    const CRegister registry(location);
    const QString read = registry.REGGetSetting(kRegLocalMachine, QString(), u"x"_s, kDefault);
    const bool saved = registry.REGSaveSetting(kRegLocalMachine, u"A"_s, u"x"_s, u"t"_s);
    const bool deleted = registry.REGDeleteSetting(kRegLocalMachine, u"A"_s, QString());
    finished = true;
    writer.join();
    QCOMPARE(read, kDefault);
    QVERIFY(!saved);
    QVERIFY(!deleted);
    QCOMPARE(QFileInfo(path).isFile(), false); // left as it was
#endif
}

QTEST_APPLESS_MAIN(TestCRegister)
#include "tst_cregister.moc"
