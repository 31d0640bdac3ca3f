#include "cregister.h"
#include "registryfile.h"
#include "settingsstorelocation.h"

#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

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
    void garbageKeepsReadableValues_data();
    void garbageKeepsReadableValues();
    void trimKeyPath_data();
    void trimKeyPath();
    void addressing_data();
    void addressing();
    void deletion_data();
    void deletion();

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

QTEST_APPLESS_MAIN(TestCRegister)
#include "tst_cregister.moc"
