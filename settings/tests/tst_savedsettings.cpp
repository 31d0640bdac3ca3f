#include "cregister.h"
#include "fakesettingscontrols.h"
#include "registryfile.h"
#include "savedsettings.h"
#include "settingsstorelocation.h"
#include "storetesthelpers.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kHome = u"/home/tester"_s;
const QString kMissing = u"<missing>"_s;

// The 17 value names, in the order of the settings.
const QStringList kNames{
    u"optOtherFolder"_s, u"optSameFolder"_s, u"txtOutPath"_s,   u"optFormat"_s,     u"cmbCategory"_s,
    u"cmbOutVCodec"_s,   u"cmbOutFormat"_s,  u"cmbCustContainer"_s, u"cmbCACodec"_s, u"cmbCASmapleRate"_s,
    u"cmbCVCodec"_s,     u"cmbCVSize"_s,     u"cmbCVAspect"_s,  u"txtCABirate"_s,   u"txtChannels"_s,
    u"txtCVBitrate"_s,   u"txtFrameRate"_s};

QString expectedDefaultOutPath()
{
#ifdef Q_OS_WIN
    return u"C:\\Cut Files"_s;
#else
    return kHome + u"/Cut Files"_s;
#endif
}

// What a save of these controls must leave in the store, value by value.
QMap<QString, QString> storedTexts(const FakeSettingsControls &controls)
{
    QMap<QString, QString> texts;
    texts[u"optOtherFolder"_s] = controls.sameFolder ? u"False"_s : u"True"_s;
    texts[u"optSameFolder"_s] = controls.sameFolder ? u"True"_s : u"False"_s;
    texts[u"optFormat"_s] = controls.formatOption == 0 ? u"0"_s : u"1"_s;
    for (const auto &[list, name] : FakeSettingsControls::listNames())
        texts[name] = QString::number(controls.indices.value(list));
    for (const auto &[box, name] : FakeSettingsControls::textNames())
        texts[name] = controls.texts.value(box);
    return texts;
}

// The states a load of what these controls saved must produce.
QMap<QString, QString> restoredStates(const FakeSettingsControls &controls)
{
    QMap<QString, QString> states = controls.states();
    states[u"frFormat"_s] = states.value(u"optFormat"_s);
    const QString enabled = controls.sameFolder ? u"False"_s : u"True"_s;
    states[u"txtOutPath.Enabled"_s] = enabled;
    states[u"cmdBrowse.Enabled"_s] = enabled;
    return states;
}

QMap<QString, QString> parseStates(const QString &lines)
{
    QMap<QString, QString> states;
    for (const QString &line : lines.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype equals = line.indexOf(u'=');
        states[line.first(equals)] = line.sliced(equals + 1);
    }
    return states;
}

// Checks "control=state" entries against the controls; "!prefix" entries
// require that no call starting with prefix was made.
void verifyExpectations(const FakeSettingsControls &controls, const QStringList &expected)
{
    const QMap<QString, QString> states = controls.states();
    for (const QString &item : expected) {
        if (item.startsWith(u'!')) {
            const QString prefix = item.sliced(1);
            for (const QString &call : controls.calls)
                QVERIFY2(!call.startsWith(prefix), qPrintable(call));
            continue;
        }
        const qsizetype equals = item.indexOf(u'=');
        QCOMPARE(item.first(equals) + u'=' + states.value(item.first(equals), kMissing), item);
    }
}

} // namespace

class TestSavedSettings final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();

    void firstStart();
    void roundTrip_data();
    void roundTrip();
    void restoreDefaults();
    void badValues_data();
    void badValues();
    void corruptStore_data();
    void corruptStore();
    void readOnlyStore();
    void twoInstancesOneAfterTheOther_data();
    void twoInstancesOneAfterTheOther();
    void twoInstancesSideBySide();

private:
    QString storeFolder() const { return m_dir->filePath(u"store"_s); }
    QString storeFile() const { return QDir(storeFolder()).filePath(StoreTest::kStoreFile); }
    QString stored(const QString &name) const
    {
        return CRegister(*m_location).REGGetSetting(kRegLocalMachine, kSettingsKeyPath, name, kMissing);
    }
    SavedSettings settings() const { return SavedSettings(*m_location, kHome); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FolderSettingsStoreLocation> m_location;
};

void TestSavedSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_location = std::make_unique<FolderSettingsStoreLocation>(storeFolder());
}

void TestSavedSettings::cleanup()
{
    QFile::setPermissions(storeFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_location.reset();
    m_dir.reset();
}

void TestSavedSettings::firstStart()
{
    FakeSettingsControls controls;
    for (const auto &[list, name] : FakeSettingsControls::listNames())
        controls.counts[list] = 30;

    settings().LoadSettings(controls);

    const QString outPath = expectedDefaultOutPath();
    QCOMPARE(controls.calls,
             (QStringList{u"optOtherFolder=True"_s, u"optSameFolder=False"_s, u"txtOutPath="_s + outPath,
                          u"txtOutPath.Enabled=True"_s, u"cmdBrowse.Enabled=True"_s, u"optFormat=0"_s, u"frFormat=0"_s,
                          u"cmbCategory=1"_s, u"cmbOutVCodec=1"_s, u"cmbOutFormat=1"_s, u"cmbCustContainer=2"_s,
                          u"cmbCACodec=1"_s, u"cmbCASmapleRate=4"_s, u"cmbCVCodec=1"_s, u"cmbCVSize=0"_s,
                          u"cmbCVAspect=0"_s, u"txtCABirate=64"_s, u"txtChannels=2"_s, u"txtCVBitrate=320"_s,
                          u"txtFrameRate=25"_s, u"UpdateFormatDescription"_s}));
    // Loading alone writes nothing.
    QVERIFY(!QFileInfo::exists(storeFolder()));
}

void TestSavedSettings::roundTrip_data()
{
    QTest::addColumn<int>("example");
    QTest::addColumn<QString>("outPath");
    QTest::addColumn<bool>("nothingSelected");

    QTest::newRow("presets, other folder") << 0 << QString() << false;
    QTest::newRow("custom, same folder") << 1 << QString() << false;
    QTest::newRow("lists without selection") << 0 << QString() << true;
    QTest::newRow("folder with odd characters") << 1 << u" /media/ext/Vidéos 100% = fun;\\ "_s << false;
}

void TestSavedSettings::roundTrip()
{
    QFETCH(int, example);
    QFETCH(QString, outPath);
    QFETCH(bool, nothingSelected);

    FakeSettingsControls closing;
    setExampleState(closing, example);
    if (!outPath.isEmpty())
        closing.texts[SettingsTextBox::txtOutPath] = outPath;
    if (nothingSelected) {
        for (const auto &[list, name] : FakeSettingsControls::listNames()) {
            closing.indices[list] = -1;
            closing.counts[list] = 0;
        }
    }

    QVERIFY(settings().SaveSettings(closing));
    const QMap<QString, QString> texts = storedTexts(closing);
    for (const QString &name : kNames)
        QCOMPARE(name + u'=' + stored(name), name + u'=' + texts.value(name));

    FakeSettingsControls starting;
    starting.counts = closing.counts;
    settings().LoadSettings(starting);
    QCOMPARE(starting.states(), restoredStates(closing));
    QVERIFY(starting.rejected.isEmpty());
    QCOMPARE(starting.descriptionUpdates, 1);
}

void TestSavedSettings::restoreDefaults()
{
    FakeSettingsControls controls;
    setExampleState(controls, 1);
    QVERIFY(settings().SaveSettings(controls));
    controls.outPathEnabled = controls.browseEnabled = false; // as loading left them in same-folder mode

    settings().cmdDefaultsClicked(controls);

    FakeSettingsControls defaults;
    defaults.counts = controls.counts;
    settings().LoadSettings(defaults);
    QCOMPARE(controls.states(), defaults.states());
    QCOMPARE(controls.states().value(u"txtOutPath"_s), expectedDefaultOutPath());
    QCOMPARE(controls.states().value(u"txtOutPath.Enabled"_s), u"True"_s);
    QCOMPARE(controls.states().value(u"cmdBrowse.Enabled"_s), u"True"_s);

    // The key is gone until the next save.
    const QString group = RegistryFile::settingsGroup(kSettingsKeyPath.split(u'\\'));
    for (const QString &key : RegistryFile::parse(StoreTest::readFile(storeFile())).keys())
        QVERIFY2(!key.startsWith(group), qPrintable(key));
    for (const QString &name : kNames)
        QCOMPARE(stored(name), kMissing);

    QVERIFY(settings().SaveSettings(controls));
    QCOMPARE(stored(u"optFormat"_s), u"0"_s);
    QCOMPARE(stored(u"optSameFolder"_s), u"False"_s);
    QCOMPARE(stored(u"txtOutPath"_s), expectedDefaultOutPath());
}

void TestSavedSettings::badValues_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("expected");

    // The controls start with every list at 0 of 10 items, every text box at
    // "initial", other-folder mode, presets. Values not stored get defaults.
    QTest::newRow("index not a number") << QStringList{u"cmbCategory=abc"_s, u"cmbOutVCodec=3"_s}
                                        << QStringList{u"cmbCategory=0"_s, u"cmbOutVCodec=3"_s};
    QTest::newRow("index past the list") << QStringList{u"cmbCVSize=10"_s, u"cmbCVAspect=4"_s}
                                         << QStringList{u"cmbCVSize=0"_s, u"cmbCVAspect=4"_s};
    QTest::newRow("last index of the list") << QStringList{u"cmbCVSize=9"_s} << QStringList{u"cmbCVSize=9"_s};
    QTest::newRow("index below -1") << QStringList{u"cmbCVAspect=-2"_s} << QStringList{u"cmbCVAspect=0"_s};
    QTest::newRow("-1 clears the selection") << QStringList{u"cmbCACodec=-1"_s} << QStringList{u"cmbCACodec=-1"_s};
    QTest::newRow("enormous number") << QStringList{u"cmbOutFormat=99999999999999999999"_s, u"cmbCVCodec=5"_s}
                                     << QStringList{u"cmbOutFormat=0"_s, u"cmbCVCodec=5"_s};
    QTest::newRow("just past 16 bits") << QStringList{u"cmbCustContainer=32768"_s}
                                       << QStringList{u"cmbCustContainer=0"_s};
    QTest::newRow("blanks around an index") << QStringList{u"cmbCASmapleRate= 5 "_s}
                                            << QStringList{u"cmbCASmapleRate=5"_s};
    QTest::newRow("fraction") << QStringList{u"cmbCASmapleRate=1.5"_s} << QStringList{u"cmbCASmapleRate=0"_s};
    QTest::newRow("hexadecimal") << QStringList{u"cmbCVCodec=0x3"_s} << QStringList{u"cmbCVCodec=0"_s};
    QTest::newRow("empty values read as defaults") << QStringList{u"cmbCategory="_s, u"txtOutPath="_s}
                                                   << QStringList{u"cmbCategory=1"_s,
                                                                  u"txtOutPath="_s + expectedDefaultOutPath()};
    QTest::newRow("option not a boolean") << QStringList{u"optOtherFolder=maybe"_s, u"optSameFolder=TRUE"_s}
                                          << QStringList{u"!optOtherFolder"_s, u"optSameFolder=True"_s,
                                                         u"txtOutPath.Enabled=False"_s, u"cmdBrowse.Enabled=False"_s};
    QTest::newRow("format mode out of range") << QStringList{u"optFormat=2"_s, u"cmbCategory=4"_s}
                                              << QStringList{u"!optFormat="_s, u"!frFormat="_s, u"cmbCategory=4"_s};
    QTest::newRow("format mode negative") << QStringList{u"optFormat=-1"_s}
                                          << QStringList{u"!optFormat="_s, u"!frFormat="_s};
    QTest::newRow("format mode not a number") << QStringList{u"optFormat=Custom"_s}
                                              << QStringList{u"!optFormat="_s, u"!frFormat="_s};
    QTest::newRow("custom format mode") << QStringList{u"optFormat=1"_s}
                                        << QStringList{u"optFormat=1"_s, u"frFormat=1"_s};
    QTest::newRow("channels zero or two digits") << QStringList{u"txtChannels=0"_s, u"txtCABirate=12345"_s}
                                                 << QStringList{u"txtChannels=initial"_s, u"txtCABirate=initial"_s};
    QTest::newRow("options smuggled into a bitrate")
        << QStringList{u"txtCVBitrate=64 -i /etc/passwd"_s, u"txtFrameRate=30"_s}
        << QStringList{u"txtCVBitrate=initial"_s, u"txtFrameRate=30"_s};
    QTest::newRow("frame rate with two points") << QStringList{u"txtFrameRate=29.9.7"_s}
                                                << QStringList{u"txtFrameRate=initial"_s};
    QTest::newRow("frame rate only a point") << QStringList{u"txtFrameRate=."_s}
                                             << QStringList{u"txtFrameRate=initial"_s};
    QTest::newRow("frame rate fraction") << QStringList{u"txtFrameRate=29.97"_s, u"txtChannels=6"_s}
                                         << QStringList{u"txtFrameRate=29.97"_s, u"txtChannels=6"_s};
}

void TestSavedSettings::badValues()
{
    QFETCH(QStringList, values);
    QFETCH(QStringList, expected);

    const CRegister registry(*m_location);
    for (const QString &value : values) {
        const qsizetype equals = value.indexOf(u'=');
        QVERIFY(registry.REGSaveSetting(kRegLocalMachine, kSettingsKeyPath, value.first(equals),
                                        value.sliced(equals + 1)));
    }

    FakeSettingsControls controls;
    settings().LoadSettings(controls);

    verifyExpectations(controls, expected);
    QVERIFY2(controls.rejected.isEmpty(), qPrintable(controls.rejected.join(u", "_s)));
    QCOMPARE(controls.calls.last(), u"UpdateFormatDescription"_s);
}

void TestSavedSettings::corruptStore_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");

    QByteArray binary(4096, Qt::Uninitialized);
    for (qsizetype i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 97 + 13) % 256);
    const QByteArray header = "[Software\\Tessaly Snipora\\Settings]\n"_ba;

    QTest::newRow("garbage around readable values")
        << binary + "\n" + header + "optFormat=1\ntxtChannels=6\n" + binary
        << QStringList{u"optFormat=1"_s, u"txtChannels=6"_s, u"cmbCategory=1"_s, u"txtFrameRate=25"_s};
    QTest::newRow("only garbage") << binary
                                  << QStringList{u"optFormat=0"_s, u"txtChannels=2"_s, u"cmbCategory=1"_s};
    QTest::newRow("cut off") << header + "optFormat=1\ntxtChan"_ba
                             << QStringList{u"optFormat=1"_s, u"txtChannels=2"_s};
    QTest::newRow("broken header") << "[Software\\Tessaly Snipora\\Settings\noptFormat=1\n"_ba
                                   << QStringList{u"optFormat=0"_s};
    QTest::newRow("names in another letter case") << "[SOFTWARE\\tessaly snipora\\SETTINGS]\nOPTFORMAT=1\n"_ba
                                                   << QStringList{u"optFormat=1"_s};
}

void TestSavedSettings::corruptStore()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);

    QVERIFY(QDir().mkpath(storeFolder()));
    QVERIFY(StoreTest::writeFile(storeFile(), bytes));

    FakeSettingsControls controls;
    settings().LoadSettings(controls);
    verifyExpectations(controls, expected);

    // The next save works and leaves every value readable.
    QVERIFY(settings().SaveSettings(controls));
    const QMap<QString, QString> texts = storedTexts(controls);
    for (const QString &name : kNames)
        QCOMPARE(name + u'=' + stored(name), name + u'=' + texts.value(name));
}

void TestSavedSettings::readOnlyStore()
{
    FakeSettingsControls closing;
    setExampleState(closing, 1);
    QVERIFY(settings().SaveSettings(closing));
    const QByteArray before = StoreTest::readFile(storeFile());
    QVERIFY(StoreTest::makeReadOnly(storeFolder(), true));
    QVERIFY(StoreTest::makeReadOnly(storeFile(), false));
    QVERIFY(StoreTest::openToOthers(m_dir->path()));

    // Another instance without root's rights: reads everything, writes nothing.
    const StoreTest::ToolResult load = StoreTest::runTool({u"load-settings"_s, storeFolder()}, true);
    if (load.exitCode == 3)
        QSKIP("root's rights could not be dropped");
    QCOMPARE(load.exitCode, 0);
    QMap<QString, QString> expected = restoredStates(closing);
    QCOMPARE(parseStates(load.output), expected);

    QCOMPARE(StoreTest::runTool({u"save-settings"_s, storeFolder(), u"0"_s, u"1"_s}, true).exitCode, 1);
    QCOMPARE(StoreTest::readFile(storeFile()), before);
}

void TestSavedSettings::twoInstancesOneAfterTheOther_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");

    QTest::newRow("presets then custom") << 0 << 1;
    QTest::newRow("custom then presets") << 1 << 0;
}

void TestSavedSettings::twoInstancesOneAfterTheOther()
{
    QFETCH(int, first);
    QFETCH(int, last);

    QCOMPARE(StoreTest::runTool({u"save-settings"_s, storeFolder(), QString::number(first), u"1"_s}).exitCode, 0);
    QCOMPARE(StoreTest::runTool({u"save-settings"_s, storeFolder(), QString::number(last), u"1"_s}).exitCode, 0);

    FakeSettingsControls expected;
    setExampleState(expected, last);
    FakeSettingsControls controls;
    controls.counts = expected.counts;
    settings().LoadSettings(controls);
    QCOMPARE(controls.states(), restoredStates(expected));

    // One intact file: exactly the 17 values, nothing left beside it.
    const QSettings::SettingsMap map = RegistryFile::parse(StoreTest::readFile(storeFile()));
    QCOMPARE(map.size(), kNames.size());
    QCOMPARE(StoreTest::strayFiles(storeFolder()), QStringList());
}

void TestSavedSettings::twoInstancesSideBySide()
{
    // Both instances save many times at once. Which one wins each value is
    // up to the timing; the file must stay whole either way.
    QProcess one;
    QProcess other;
    StoreTest::startTool(one, {u"save-settings"_s, storeFolder(), u"0"_s, u"10"_s});
    StoreTest::startTool(other, {u"save-settings"_s, storeFolder(), u"1"_s, u"10"_s});
    QVERIFY(one.waitForFinished(60000));
    QVERIFY(other.waitForFinished(60000));
    QCOMPARE(one.exitCode(), 0);
    QCOMPARE(other.exitCode(), 0);

    FakeSettingsControls zero;
    setExampleState(zero, 0);
    FakeSettingsControls oneState;
    setExampleState(oneState, 1);
    const QMap<QString, QString> fromZero = storedTexts(zero);
    const QMap<QString, QString> fromOne = storedTexts(oneState);
    for (const QString &name : kNames) {
        const QString text = stored(name);
        QVERIFY2(text == fromZero.value(name) || text == fromOne.value(name), qPrintable(name + u'=' + text));
    }
    QCOMPARE(RegistryFile::parse(StoreTest::readFile(storeFile())).size(), kNames.size());
    QCOMPARE(StoreTest::strayFiles(storeFolder()), QStringList());
}

QTEST_APPLESS_MAIN(TestSavedSettings)
#include "tst_savedsettings.moc"
