#include "cregister.h"
#include "registryfile.h"
#include "settingsstorelocation.h"
#include "storetesthelpers.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kSettingsPath = u"Software\\Tessaly Snipora\\Settings"_s;
const QString kDefault = u"<default>"_s;

// "section|name|value"
struct Entry
{
    QString section;
    QString name;
    QString value;
};
Entry entry(const QString &text)
{
    const QStringList parts = text.split(u'|');
    return {parts.value(0), parts.value(1), parts.value(2)};
}

} // namespace

class TestCRegister final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();

    void trimKeyPath_data();
    void trimKeyPath();
    void addressing_data();
    void addressing();
    void readsDefault_data();
    void readsDefault();
    void textsRoundTrip_data();
    void textsRoundTrip();
    void deletion_data();
    void deletion();
    void corruptStore_data();
    void corruptStore();
    void unwritableStore_data();
    void unwritableStore();
    void userLocationIsConfigFolder();

private:
    QString storeFolder() const { return m_dir->filePath(u"store"_s); }
    QString storeFile() const { return QDir(storeFolder()).filePath(StoreTest::kStoreFile); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FolderSettingsStoreLocation> m_location;
};

void TestCRegister::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_location = std::make_unique<FolderSettingsStoreLocation>(storeFolder());
}

void TestCRegister::cleanup()
{
    // Give back the rights a test took away, so the folder can be removed.
    const QFile::Permissions all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    QFile::setPermissions(storeFile(), all);
    QFile::setPermissions(storeFolder(), all);
    m_location.reset();
    m_dir.reset();
}

void TestCRegister::trimKeyPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("trimmed");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("only a backslash") << u"\\"_s << QString();
    QTest::newRow("nothing to trim") << kSettingsPath << kSettingsPath;
    QTest::newRow("leading") << u"\\a\\b"_s << u"a\\b"_s;
    QTest::newRow("trailing") << u"a\\b\\"_s << u"a\\b"_s;
    QTest::newRow("both") << u"\\a\\"_s << u"a"_s;
    QTest::newRow("only one of each") << u"\\\\a\\\\"_s << u"\\a\\"_s;
    QTest::newRow("two backslashes") << u"\\\\"_s << QString();
}

void TestCRegister::trimKeyPath()
{
    QFETCH(QString, path);
    QFETCH(QString, trimmed);
    QCOMPARE(CRegister::TrimKeyPath(path), trimmed);
}

void TestCRegister::addressing_data()
{
    QTest::addColumn<quint32>("saveRoot");
    QTest::addColumn<QString>("saveSection");
    QTest::addColumn<QString>("saveName");
    QTest::addColumn<quint32>("readRoot");
    QTest::addColumn<QString>("readSection");
    QTest::addColumn<QString>("readName");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("found");

    const quint32 machine = kRegLocalMachine;
    QTest::newRow("same address") << machine << kSettingsPath << u"optFormat"_s << machine << kSettingsPath
                                  << u"optFormat"_s << true << true;
    QTest::newRow("leading and trailing backslash ignored")
        << machine << u"\\"_s + kSettingsPath + u"\\"_s << u"x"_s << machine << kSettingsPath << u"x"_s << true << true;
    QTest::newRow("names ignore letter case") << machine << u"Software\\Tessaly"_s << u"Name"_s << machine
                                              << u"SOFTWARE\\tessaly"_s << u"nAME"_s << true << true;
    QTest::newRow("star is the default value") << machine << u"A"_s << u"*"_s << machine << u"A"_s << QString()
                                               << true << true;
    QTest::newRow("star is not a named value") << machine << u"A"_s << u"*"_s << machine << u"A"_s << u"v"_s << true
                                               << false;
    QTest::newRow("value and subkey of one name are apart")
        << machine << u"A"_s << u"B"_s << machine << u"A\\B"_s << u"*"_s << true << false;
    QTest::newRow("other key") << machine << u"A"_s << u"x"_s << machine << u"B"_s << u"x"_s << true << false;
    QTest::newRow("other root") << machine << u"A"_s << u"x"_s << kRegCurrentUser << u"A"_s << u"x"_s << true << false;
    QTest::newRow("values of the root key itself") << machine << QString() << u"x"_s << machine << u"\\"_s << u"x"_s
                                                   << true << true;
    QTest::newRow("empty path part names no key") << machine << u"A\\\\B"_s << u"x"_s << machine << u"A\\B"_s
                                                  << u"x"_s << false << false;
    QTest::newRow("unknown root") << 0x80000010u << u"A"_s << u"x"_s << 0x80000010u << u"A"_s << u"x"_s << false
                                  << false;
}

void TestCRegister::addressing()
{
    QFETCH(quint32, saveRoot);
    QFETCH(QString, saveSection);
    QFETCH(QString, saveName);
    QFETCH(quint32, readRoot);
    QFETCH(QString, readSection);
    QFETCH(QString, readName);
    QFETCH(bool, saved);
    QFETCH(bool, found);

    const CRegister registry(*m_location);
    QCOMPARE(registry.REGSaveSetting(saveRoot, saveSection, saveName, u"stored"_s), saved);
    QCOMPARE(CRegister(*m_location).REGGetSetting(readRoot, readSection, readName, kDefault),
             found ? u"stored"_s : kDefault);
}

void TestCRegister::readsDefault_data()
{
    QTest::addColumn<bool>("writeEmpty");
    QTest::addColumn<bool>("noFolder");

    QTest::newRow("no store at all") << false << false;
    QTest::newRow("value written empty") << true << false;
    QTest::newRow("location without a folder") << false << true;
}

void TestCRegister::readsDefault()
{
    QFETCH(bool, writeEmpty);
    QFETCH(bool, noFolder);

    if (writeEmpty)
        QVERIFY(CRegister(*m_location).REGSaveSetting(kRegLocalMachine, kSettingsPath, u"txtOutPath"_s, QString()));
    const FolderSettingsStoreLocation noStore{QString()};
    const CRegister registry(noFolder ? static_cast<const SettingsStoreLocation &>(noStore) : *m_location);
    QCOMPARE(registry.REGGetSetting(kRegLocalMachine, kSettingsPath, u"txtOutPath"_s, kDefault), kDefault);
    QCOMPARE(registry.REGGetSetting(kRegLocalMachine, kSettingsPath, u"*"_s, kDefault), kDefault);
    // Reading leaves no trace behind.
    QCOMPARE(QFileInfo::exists(storeFolder()), writeEmpty);
}

void TestCRegister::textsRoundTrip_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("boolean") << u"True"_s;
    QTest::newRow("index") << u"-1"_s;
    QTest::newRow("windows folder") << u"C:\\Cut Files"_s;
    QTest::newRow("unix folder") << u"/home/u/Cut Files"_s;
    QTest::newRow("blanks at the ends") << u"  padded\t"_s;
    QTest::newRow("percent and equals") << u"50% = half"_s;
    QTest::newRow("commas") << u"a, b, c"_s;
    QTest::newRow("line breaks") << u"one\r\ntwo\n"_s;
    QTest::newRow("looks like a header") << u"[Software]"_s;
    QTest::newRow("looks like a serialised variant") << u"@Variant(\\0\\0\\0\\t\\xff\\xff\\xff\\xff)"_s;
    QTest::newRow("non-ascii") << u"Vidéos 🎬"_s;
}

void TestCRegister::textsRoundTrip()
{
    QFETCH(QString, text);

    QVERIFY(CRegister(*m_location).REGSaveSetting(kRegLocalMachine, kSettingsPath, u"value"_s, text));
    QCOMPARE(CRegister(*m_location).REGGetSetting(kRegLocalMachine, kSettingsPath, u"value"_s, kDefault), text);
    // The file alone carries it: a fresh parse of its bytes gives the same text.
    const QSettings::SettingsMap map = RegistryFile::parse(StoreTest::readFile(storeFile()));
    QCOMPARE(map.value(RegistryFile::settingsKey(kSettingsPath.split(u'\\'), u"value"_s)).toString(), text);
}

void TestCRegister::deletion_data()
{
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("deleted");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<QStringList>("gone");

    QTest::newRow("value") << QStringList{u"A|x|1"_s, u"A|y|2"_s} << u"A"_s << u"x"_s << true
                           << QStringList{u"A|y|2"_s} << QStringList{u"A|x"_s};
    QTest::newRow("value through a trimmed path") << QStringList{u"A\\B|x|1"_s} << u"\\A\\B\\"_s << u"x"_s << true
                                                  << QStringList() << QStringList{u"A\\B|x"_s};
    QTest::newRow("missing value") << QStringList{u"A|y|2"_s} << u"A"_s << u"x"_s << false << QStringList{u"A|y|2"_s}
                                   << QStringList();
    QTest::newRow("default value through star") << QStringList{u"A|*|d"_s, u"A|x|1"_s} << u"A"_s << u"*"_s << true
                                                << QStringList{u"A|x|1"_s} << QStringList{u"A|*"_s};
    QTest::newRow("value keeps the subkey of its name")
        << QStringList{u"A|B|1"_s, u"A\\B|x|2"_s} << u"A"_s << u"B"_s << true << QStringList{u"A\\B|x|2"_s}
        << QStringList{u"A|B"_s};
    QTest::newRow("key without subkeys")
        << QStringList{u"A\\B|x|1"_s, u"A\\B|*|d"_s, u"A|y|2"_s, u"A\\C|z|3"_s} << u"A\\B"_s << QString() << true
        << QStringList{u"A|y|2"_s, u"A\\C|z|3"_s} << QStringList{u"A\\B|x"_s, u"A\\B|*"_s};
    QTest::newRow("key with a subkey stays") << QStringList{u"A\\B|x|1"_s, u"A\\B\\C|y|2"_s} << u"A\\B"_s << QString()
                                             << false << QStringList{u"A\\B|x|1"_s, u"A\\B\\C|y|2"_s}
                                             << QStringList();
    QTest::newRow("key path is not trimmed") << QStringList{u"A\\B|x|1"_s} << u"\\A\\B\\"_s << QString() << false
                                             << QStringList{u"A\\B|x|1"_s} << QStringList();
    QTest::newRow("key names ignore letter case") << QStringList{u"A\\B|x|1"_s} << u"a\\b"_s << QString() << true
                                                  << QStringList() << QStringList{u"A\\B|x"_s};
    QTest::newRow("missing key") << QStringList{u"A|x|1"_s} << u"B"_s << QString() << false
                                 << QStringList{u"A|x|1"_s} << QStringList();
    QTest::newRow("root key") << QStringList{u"|x|1"_s} << QString() << QString() << false
                              << QStringList{u"|x|1"_s} << QStringList();
}

void TestCRegister::deletion()
{
    QFETCH(QStringList, setup);
    QFETCH(QString, section);
    QFETCH(QString, name);
    QFETCH(bool, deleted);
    QFETCH(QStringList, kept);
    QFETCH(QStringList, gone);

    const CRegister registry(*m_location);
    for (const QString &text : setup) {
        const Entry e = entry(text);
        QVERIFY(registry.REGSaveSetting(kRegLocalMachine, e.section, e.name, e.value));
    }
    QCOMPARE(registry.REGDeleteSetting(kRegLocalMachine, section, name), deleted);
    for (const QString &text : kept) {
        const Entry e = entry(text);
        QCOMPARE(registry.REGGetSetting(kRegLocalMachine, e.section, e.name, kDefault), e.value);
    }
    for (const QString &text : gone) {
        const Entry e = entry(text);
        QCOMPARE(registry.REGGetSetting(kRegLocalMachine, e.section, e.name, kDefault), kDefault);
    }
}

void TestCRegister::corruptStore_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("readable");

    const QByteArray header = "[Software\\Tessaly Snipora\\Settings]\n"_ba;
    QByteArray binary(2048, Qt::Uninitialized);
    for (qsizetype i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 131 + 7) % 256);

    QTest::newRow("binary before and after") << binary + "\n" + header + "txtChannels=6\n" + binary << u"6"_s;
    QTest::newRow("cut off in the middle of a line") << header + "txtChannels=6\ntxtFrameRa"_ba << u"6"_s;
    QTest::newRow("nul bytes") << header + "txtCh\0x=1\ntxtChannels=6\n\0\0\0"_ba << u"6"_s;
    QTest::newRow("serialised variant lines")
        << header + "a=@Variant(\\0\\0\\0\\t\\xff\\xff\\xff\\xff)\ntxtChannels=6\n"_ba << u"6"_s;
    QTest::newRow("only garbage") << binary << kDefault;
}

void TestCRegister::corruptStore()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, readable);

    QVERIFY(QDir().mkpath(storeFolder()));
    QVERIFY(StoreTest::writeFile(storeFile(), bytes));

    const CRegister registry(*m_location);
    QCOMPARE(registry.REGGetSetting(kRegLocalMachine, kSettingsPath, u"txtChannels"_s, kDefault), readable);

    // Saving into it works and keeps what could be read.
    QVERIFY(registry.REGSaveSetting(kRegLocalMachine, kSettingsPath, u"txtFrameRate"_s, u"25"_s));
    QCOMPARE(CRegister(*m_location).REGGetSetting(kRegLocalMachine, kSettingsPath, u"txtChannels"_s, kDefault),
             readable);
    const QSettings::SettingsMap map = RegistryFile::parse(StoreTest::readFile(storeFile()));
    QCOMPARE(map.value(RegistryFile::settingsKey(kSettingsPath.split(u'\\'), u"txtFrameRate"_s)).toString(), u"25"_s);
}

void TestCRegister::unwritableStore_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("readable");

    QTest::newRow("read-only folder") << u"read-only folder"_s << true;
    QTest::newRow("read-only file") << u"read-only file"_s << true;
    QTest::newRow("unreadable file") << u"unreadable file"_s << false;
    QTest::newRow("store file is a folder") << u"file is a folder"_s << false;
    QTest::newRow("store folder is a file") << u"folder is a file"_s << false;
}

void TestCRegister::unwritableStore()
{
    QFETCH(QString, kind);
    QFETCH(bool, readable);

    if (kind == u"folder is a file"_s) {
        QVERIFY(StoreTest::writeFile(storeFolder(), "not a folder"));
    } else if (kind == u"file is a folder"_s) {
        QVERIFY(QDir().mkpath(storeFile()));
    } else {
        QVERIFY(CRegister(*m_location).REGSaveSetting(kRegLocalMachine, kSettingsPath, u"txtOutPath"_s, u"/kept"_s));
        if (kind == u"read-only folder"_s)
            QVERIFY(StoreTest::makeReadOnly(storeFolder(), true));
        else if (kind == u"read-only file"_s)
            QVERIFY(StoreTest::makeReadOnly(storeFile(), false));
        else
            QVERIFY(QFile::setPermissions(storeFile(), {}));
    }
    const QByteArray before = StoreTest::readFile(storeFile());

    // Another instance, without root's rights, reads and tries to write.
    QVERIFY(StoreTest::openToOthers(m_dir->path()));
    const StoreTest::ToolResult read = StoreTest::runTool(
        {u"get"_s, storeFolder(), kSettingsPath, u"txtOutPath"_s, kDefault}, true);
    if (read.exitCode == 3)
        QSKIP("root's rights could not be dropped");
    QCOMPARE(read.exitCode, 0);
    QCOMPARE(read.output, readable ? u"/kept"_s : kDefault);

    const StoreTest::ToolResult save = StoreTest::runTool(
        {u"save"_s, storeFolder(), kSettingsPath, u"txtOutPath"_s, u"/lost"_s}, true);
    QCOMPARE(save.exitCode, 1);
    QCOMPARE(StoreTest::readFile(storeFile()), before);
}

void TestCRegister::userLocationIsConfigFolder()
{
    // Test mode is on: this only names a folder under the test configuration.
#ifdef Q_OS_WIN
    QCOMPARE(UserSettingsStoreLocation().storeFolder(), QString());
#else
    QCOMPARE(UserSettingsStoreLocation().storeFolder(),
             QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/Snipora"_s);
#endif
}

QTEST_APPLESS_MAIN(TestCRegister)
#include "tst_cregister.moc"
