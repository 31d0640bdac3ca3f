#include "registryfile.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Map = QSettings::SettingsMap;

// "key=value" per entry, in key order: readable in failure messages.
QStringList entries(const Map &map)
{
    QStringList result;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        result += it.key() + u'=' + it.value().toString();
    return result;
}

const QString kSettingsGroup = u"Software/Tessaly Snipora/Settings"_s;

} // namespace

class TestRegistryFile final : public QObject
{
    Q_OBJECT

private slots:
    void escaping_data();
    void escaping();
    void unescapeTolerates_data();
    void unescapeTolerates();
    void settingsKeys_data();
    void settingsKeys();
    void parse_data();
    void parse();
    void garbageKeepsReadableValues_data();
    void garbageKeepsReadableValues();
    void roundTrip_data();
    void roundTrip();
    void fileShape();
};

void TestRegistryFile::escaping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("asName");
    QTest::addColumn<QString>("asValue");

    QTest::newRow("plain") << u"optFormat"_s << u"optFormat"_s << u"optFormat"_s;
    QTest::newRow("inner blanks kept") << u"Tessaly Snipora"_s << u"Tessaly Snipora"_s << u"Tessaly Snipora"_s;
    QTest::newRow("blanks at the ends") << u" x "_s << u"%20x%20"_s << u"%20x%20"_s;
    QTest::newRow("separators") << u"a/b\\c"_s << u"a%2Fb%5Cc"_s << u"a/b\\c"_s;
    QTest::newRow("windows path value") << u"C:\\Cut Files"_s << u"C:%5CCut Files"_s << u"C:\\Cut Files"_s;
    QTest::newRow("equals") << u"a=b"_s << u"a%3Db"_s << u"a=b"_s;
    QTest::newRow("percent") << u"100%"_s << u"100%25"_s << u"100%25"_s;
    QTest::newRow("line breaks and tab") << u"a\r\nb\t"_s << u"a%0D%0Ab%09"_s << u"a%0D%0Ab%09"_s;
    QTest::newRow("nul") << QString(u"a\0b"_s) << u"a%00b"_s << u"a%00b"_s;
    QTest::newRow("default value mark first") << u"@x@"_s << u"%40x@"_s << u"@x@"_s;
    QTest::newRow("header and comment marks first") << u"[;#"_s << u"%5B;#"_s << u"[;#"_s;
    QTest::newRow("comment mark first") << u"#x"_s << u"%23x"_s << u"#x"_s;
    QTest::newRow("non-ascii untouched") << u"Vidéos ✂"_s << u"Vidéos ✂"_s << u"Vidéos ✂"_s;
    QTest::newRow("empty") << QString() << QString() << QString();
}

void TestRegistryFile::escaping()
{
    QFETCH(QString, text);
    QFETCH(QString, asName);
    QFETCH(QString, asValue);

    QCOMPARE(RegistryFile::escapeName(text), asName);
    QCOMPARE(RegistryFile::escapeValue(text), asValue);
    QCOMPARE(RegistryFile::unescape(asName), text);
    QCOMPARE(RegistryFile::unescape(asValue), text);
}

void TestRegistryFile::unescapeTolerates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("lower-case hex") << u"%c3%a9"_s << u"é"_s;
    QTest::newRow("utf-8 sequence") << u"caf%C3%A9"_s << u"café"_s;
    QTest::newRow("not hex") << u"%zz1"_s << u"%zz1"_s;
    QTest::newRow("one digit at the end") << u"a%4"_s << u"a%4"_s;
    QTest::newRow("lone percent") << u"%"_s << u"%"_s;
    QTest::newRow("escaped then broken") << u"%41%G1"_s << u"A%G1"_s;
    QTest::newRow("invalid utf-8 byte") << u"%FF"_s << u"\uFFFD"_s;
    QTest::newRow("surrogate pair beside an escape") << u"\U0001F3AC%20"_s << u"\U0001F3AC "_s;
}

void TestRegistryFile::unescapeTolerates()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(RegistryFile::unescape(text), expected);
}

void TestRegistryFile::settingsKeys_data()
{
    QTest::addColumn<QStringList>("parts");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("key");

    const QStringList path{u"Software"_s, u"Tessaly Snipora"_s, u"Settings"_s};
    QTest::newRow("named value") << path << u"optFormat"_s << kSettingsGroup + u"/@optFormat"_s;
    QTest::newRow("default value") << path << QString() << kSettingsGroup + u"/@"_s;
    QTest::newRow("value named @") << path << u"@"_s << kSettingsGroup + u"/@%40"_s;
    QTest::newRow("root key value") << QStringList() << u"x"_s << u"@x"_s;
    QTest::newRow("part that looks like a value") << QStringList{u"@x"_s} << u"y"_s << u"%40x/@y"_s;
    QTest::newRow("slash in a part") << QStringList{u"a/b"_s} << u"c/d"_s << u"a%2Fb/@c%2Fd"_s;
}

void TestRegistryFile::settingsKeys()
{
    QFETCH(QStringList, parts);
    QFETCH(QString, name);
    QFETCH(QString, key);
    QCOMPARE(RegistryFile::settingsKey(parts, name), key);
}

void TestRegistryFile::parse_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("settings key")
        << "[Software\\Tessaly Snipora\\Settings]\noptOtherFolder=True\ntxtOutPath=/home/u/Cut Files\n"_ba
        << QStringList{kSettingsGroup + u"/@optOtherFolder=True"_s, kSettingsGroup + u"/@txtOutPath=/home/u/Cut Files"_s};
    QTest::newRow("crlf and blanks") << "\r\n[ A \\ B ]\r\n  name  =  value  \r\n"_ba
                                     << QStringList{u"A/B/@name=value"_s};
    QTest::newRow("byte order mark, no final line end") << "\xEF\xBB\xBF[A]\nx=1"_ba << QStringList{u"A/@x=1"_s};
    QTest::newRow("comments") << "; c\n# c\n[A]\n;x=1\ny=2\n"_ba << QStringList{u"A/@y=2"_s};
    QTest::newRow("default value") << "[A]\n@=d\n"_ba << QStringList{u"A/@=d"_s};
    QTest::newRow("root values before any section") << "x=1\n[A]\ny=2\n"_ba << QStringList{u"@x=1"_s, u"A/@y=2"_s};
    QTest::newRow("empty header is the root") << "[A]\nx=1\n[]\ny=2\n"_ba << QStringList{u"@y=2"_s, u"A/@x=1"_s};
    QTest::newRow("broken header drops its values") << "[A]\nx=1\n[B\ny=2\n[C]\nz=3\n"_ba
                                                    << QStringList{u"A/@x=1"_s, u"C/@z=3"_s};
    QTest::newRow("empty key part drops its values") << "[A\\\\B]\nx=1\n[C]\nz=3\n"_ba << QStringList{u"C/@z=3"_s};
    QTest::newRow("lines without name or equals") << "[A]\nno equals\n=nameless\nx=1\n"_ba
                                                  << QStringList{u"A/@x=1"_s};
    QTest::newRow("duplicate keeps the last") << "[A]\nx=1\nx=2\n"_ba << QStringList{u"A/@x=2"_s};
    QTest::newRow("equals in the value") << "[A]\nx=a=b\n"_ba << QStringList{u"A/@x=a=b"_s};
    QTest::newRow("empty value kept") << "[A]\nx=\n"_ba << QStringList{u"A/@x="_s};
    QTest::newRow("escapes made canonical") << "[A%5cB]\nn%41me=%20v%25\n"_ba << QStringList{u"A%5CB/@nAme= v%"_s};
    QTest::newRow("hand-written slashes") << "[a/b]\nc/d=1\n"_ba << QStringList{u"a%2Fb/@c%2Fd=1"_s};
    QTest::newRow("hand-written @ name") << "[A]\n@x=1\n"_ba << QStringList{u"A/@%40x=1"_s};
    QTest::newRow("invalid utf-8 value") << "[A]\nx=\xff\xfe\n"_ba << QStringList{u"A/@x=\uFFFD\uFFFD"_s};
}

void TestRegistryFile::parse()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, expected);
    QCOMPARE(entries(RegistryFile::parse(text)), expected);
}

void TestRegistryFile::garbageKeepsReadableValues_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("garbageBytes");

    QTest::newRow("small") << 1u << 64;
    QTest::newRow("medium") << 7u << 4096;
    QTest::newRow("large") << 42u << 256 * 1024;
}

void TestRegistryFile::garbageKeepsReadableValues()
{
    QFETCH(quint32, seed);
    QFETCH(int, garbageBytes);

    QRandomGenerator random(seed);
    const auto garbage = [&] {
        QByteArray bytes(garbageBytes, Qt::Uninitialized);
        for (char &byte : bytes)
            byte = char(random.bounded(256));
        return bytes;
    };
    // Readable lines between garbage: the section header right after a line
    // end, the value on the line after it.
    const QByteArray text = garbage() + "\n[Software\\Tessaly Snipora\\Settings]\ntxtChannels=6\n"_ba + garbage();

    const Map map = RegistryFile::parse(text);
    QCOMPARE(map.value(kSettingsGroup + u"/@txtChannels"_s).toString(), u"6"_s);

    // What was read writes out as a file that reads back the same.
    QCOMPARE(entries(RegistryFile::parse(RegistryFile::format(map))), entries(map));
}

void TestRegistryFile::roundTrip_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("values");

    const QStringList settingsPath{u"Software"_s, u"Tessaly Snipora"_s, u"Settings"_s};
    QTest::newRow("settings")
        << QStringList{RegistryFile::settingsKey(settingsPath, u"optOtherFolder"_s),
                       RegistryFile::settingsKey(settingsPath, u"txtOutPath"_s),
                       RegistryFile::settingsKey(settingsPath, u"cmbCVSize"_s)}
        << QStringList{u"True"_s, u"/home/u/Cut Files"_s, u"-1"_s};
    QTest::newRow("odd names and texts")
        << QStringList{RegistryFile::settingsKey({u" [a]\\b "_s, u"@c"_s}, u"=x\ny%"_s),
                       RegistryFile::settingsKey({u"#k"_s}, u"@"_s), RegistryFile::settingsKey({u"#k"_s}, QString())}
        << QStringList{u"  two\tlines\nhere  "_s, u";not a comment"_s, u"[not a header]"_s};
    QTest::newRow("root, default and nested keys")
        << QStringList{RegistryFile::settingsKey({}, u"top"_s), RegistryFile::settingsKey({u"A"_s}, QString()),
                       RegistryFile::settingsKey({u"A"_s, u"B"_s}, u"x"_s), RegistryFile::settingsKey({u"A"_s}, u"B"_s)}
        << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s};
}

void TestRegistryFile::roundTrip()
{
    QFETCH(QStringList, keys);
    QFETCH(QStringList, values);

    Map map;
    for (qsizetype i = 0; i < keys.size(); ++i)
        map.insert(keys.at(i), values.at(i));
    QCOMPARE(entries(RegistryFile::parse(RegistryFile::format(map))), entries(map));
}

void TestRegistryFile::fileShape()
{
    // The file is meant to be read and mended by hand: one section per key,
    // the registry's "\" between its parts, "@" for the default value.
    Map map;
    map.insert(RegistryFile::settingsKey({u"Software"_s, u"Tessaly Snipora"_s, u"Settings"_s}, u"optFormat"_s), u"0"_s);
    map.insert(RegistryFile::settingsKey({u"Software"_s, u"Tessaly Snipora"_s, u"Settings"_s}, u"txtOutPath"_s),
               u"/home/u/Cut Files"_s);
    map.insert(RegistryFile::settingsKey({u"Software"_s}, QString()), u"d"_s);
    map.insert(RegistryFile::settingsKey({}, u"top"_s), u"t"_s);

    QCOMPARE(RegistryFile::format(map), "top=t\n"
                                        "\n[Software]\n@=d\n"
                                        "\n[Software\\Tessaly Snipora\\Settings]\noptFormat=0\ntxtOutPath=/home/u/Cut Files\n"_ba);
}

QTEST_APPLESS_MAIN(TestRegistryFile)
#include "tst_registryfile.moc"
