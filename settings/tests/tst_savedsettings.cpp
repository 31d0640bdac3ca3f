#include "cregister.h"
#include "fakesettingscontrols.h"
#include "registryfile.h"
#include "savedsettings.h"
#include "settingsstorelocation.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kMissing = u"<missing>"_s;
const QString kStoreFile = u"HKEY_LOCAL_MACHINE.ini"_s;
const QStringList kNames = QStringList{u"optOtherFolder"_s, u"optSameFolder"_s, u"txtOutPath"_s, u"optFormat"_s}
                           + FakeSettingsControls::kLists + FakeSettingsControls::kTexts.mid(1)
                           + FakeSettingsControls::kCheckBoxes;

QString defaultOutPath()
{
#ifdef Q_OS_WIN
    return u"C:\\Cut Files"_s;
#else
    return u"/home/tester/Cut Files"_s;
#endif
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList toolArguments(const QStringList &arguments, bool unprivileged)
{
    return unprivileged ? QStringList{u"--unprivileged"_s} + arguments : arguments;
}

// Runs a second program instance to its end: exit code and output.
std::pair<int, QString> runTool(const QStringList &arguments, bool unprivileged = false)
{
    QProcess tool;
    tool.start(QStringLiteral(SETTINGS_STORE_TOOL), toolArguments(arguments, unprivileged));
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit)
        return {-1, {}};
    return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput())};
}

QMap<QString, QString> controlStates(const QString &lines)
{
    QMap<QString, QString> states;
    for (const QString &line : lines.split(u'\n', Qt::SkipEmptyParts))
        states[line.section(u'=', 0, 0)] = line.section(u'=', 1);
    return states;
}

} // namespace

class TestSavedSettings final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); } // a second guard for the real store
    void init();
    void cleanup();
    void firstStart();
    void roundTrip_data();
    void roundTrip();
    void restoreDefaults();
    void badValues_data();
    void badValues();
    void breakThresholds_data();
    void breakThresholds();
    void corruptStore_data();
    void corruptStore();
    void unwritableStore_data();
    void unwritableStore();
    void twoInstances_data();
    void twoInstances();

private:
    QString folder() const { return m_dir->filePath(u"store"_s); }
    QString file() const { return QDir(folder()).filePath(kStoreFile); }
    SavedSettings settings() const { return SavedSettings(*m_location, u"/home/tester"_s); }
    QString stored(const QString &name) const
    {
        return CRegister(*m_location).REGGetSetting(kRegLocalMachine, kSettingsKeyPath, name, kMissing);
    }
    // Every value in the file on disk equals the control it was saved from.
    void verifyStored(const FakeSettingsControls &controls) const
    {
        const QSettings::SettingsMap map = RegistryFile::parse(readFile(file()));
        for (const QString &name : kNames) {
            const QString key = RegistryFile::settingsKey(kSettingsKeyPath.split(u'\\'), name);
            QString text = kMissing;
            for (auto it = map.cbegin(); it != map.cend(); ++it) {
                if (it.key().compare(key, Qt::CaseInsensitive) == 0)
                    text = it.value().toString();
            }
            QCOMPARE(name + u'=' + text, name + u'=' + controls.state.value(name));
        }
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FolderSettingsStoreLocation> m_location;
};

void TestSavedSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_location = std::make_unique<FolderSettingsStoreLocation>(folder());
}

void TestSavedSettings::cleanup()
{
    const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    QFile::setPermissions(folder(), all);
    QFile::setPermissions(file(), all);
}

void TestSavedSettings::firstStart()
{
    FakeSettingsControls controls;
    settings().LoadSettings(controls);

    QCOMPARE(controls.calls,
             (QStringList{u"optOtherFolder=True"_s, u"optSameFolder=False"_s, u"txtOutPath="_s + defaultOutPath(),
                          u"txtOutPath.Enabled=True"_s, u"cmdBrowse.Enabled=True"_s, u"optFormat=0"_s, u"frFormat=0"_s,
                          u"cmbCategory=1"_s, u"cmbOutVCodec=1"_s, u"cmbOutFormat=1"_s, u"cmbCustContainer=2"_s,
                          u"cmbCACodec=1"_s, u"cmbCASmapleRate=4"_s, u"cmbCVCodec=1"_s, u"cmbCVSize=0"_s,
                          u"cmbCVAspect=0"_s, u"txtCABirate=64"_s, u"txtChannels=2"_s, u"txtCVBitrate=320"_s,
                          u"txtFrameRate=25"_s, u"chkFastSeek=False"_s, u"chkExactMarks=False"_s, u"chkTimeline=True"_s,
                          u"UpdateFormatDescription"_s}));
    QVERIFY(!QFileInfo::exists(folder())); // loading writes nothing
}

void TestSavedSettings::roundTrip_data()
{
    QTest::addColumn<int>("example");
    QTest::addColumn<QString>("outPath");
    QTest::addColumn<bool>("emptyLists");

    QTest::newRow("presets, other folder") << 0 << QString() << false;
    QTest::newRow("custom, same folder") << 1 << QString() << false;
    QTest::newRow("lists without a selection") << 0 << QString() << true;
    QTest::newRow("folder with odd characters") << 0 << u" /mnt/Vidéos 100% = fun;\\\n"_s << false;
    QTest::newRow("folder with other spaces at the ends") << 0 << u"\u00A0/mnt/Videos\u3000"_s << false;
}

void TestSavedSettings::roundTrip()
{
    QFETCH(int, example);
    QFETCH(QString, outPath);
    QFETCH(bool, emptyLists);

    FakeSettingsControls closing;
    setExampleState(closing, example);
    if (!outPath.isEmpty())
        closing.state[u"txtOutPath"_s] = outPath;
    for (const QString &list : FakeSettingsControls::kLists) {
        if (emptyLists) {
            closing.counts[list] = 0;
            closing.state[list] = u"-1"_s;
        }
    }
    QVERIFY(settings().SaveSettings(closing));
    verifyStored(closing);

    FakeSettingsControls starting;
    starting.counts = closing.counts;
    settings().LoadSettings(starting);
    QCOMPARE(starting.state, closing.state);
    QVERIFY(starting.rejected.isEmpty());
}

void TestSavedSettings::restoreDefaults()
{
    FakeSettingsControls controls;
    setExampleState(controls, 1);
    QVERIFY(settings().SaveSettings(controls));

    settings().cmdDefaultsClicked(controls);
    FakeSettingsControls defaults;
    defaults.counts = controls.counts;
    settings().LoadSettings(defaults);
    QCOMPARE(controls.state, defaults.state);
    QCOMPARE(controls.state.value(u"txtOutPath.Enabled"_s), u"True"_s);

    // The key is gone from the file until the next save brings it back.
    const QStringList keys = RegistryFile::parse(readFile(file())).keys();
    QVERIFY2(keys.filter(u"Settings/"_s).isEmpty(), qPrintable(keys.join(u' ')));
    QVERIFY(settings().SaveSettings(controls));
    verifyStored(controls);
}

void TestSavedSettings::badValues_data()
{
    // Stored "name=text" values; expected "control=state" afterwards, or
    // "!prefix" for a call that must not happen. The controls start at list
    // index 0 of 10, text "initial", presets, other folder; values not stored
    // get their defaults.
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("index not a number, next one applied") << QStringList{u"cmbCategory=abc"_s, u"cmbOutVCodec=3"_s}
                                                          << QStringList{u"cmbCategory=0"_s, u"cmbOutVCodec=3"_s};
    QTest::newRow("index past the list") << QStringList{u"cmbCVSize=10"_s, u"cmbCVAspect=9"_s}
                                         << QStringList{u"cmbCVSize=0"_s, u"cmbCVAspect=9"_s};
    QTest::newRow("-1 clears, -2 is skipped") << QStringList{u"cmbCACodec=-1"_s, u"cmbCVAspect=-2"_s}
                                              << QStringList{u"cmbCACodec=-1"_s, u"cmbCVAspect=0"_s};
    QTest::newRow("past 16 bits") << QStringList{u"cmbOutFormat=99999999999999999999"_s, u"cmbCustContainer=32768"_s}
                                  << QStringList{u"cmbOutFormat=0"_s, u"cmbCustContainer=0"_s};
    QTest::newRow("blanks, fraction, hex")
        << QStringList{u"cmbCASmapleRate= 5 "_s, u"cmbCVCodec=1.5"_s, u"cmbCVSize=0x3"_s}
        << QStringList{u"cmbCASmapleRate=5"_s, u"cmbCVCodec=0"_s, u"cmbCVSize=0"_s};
    QTest::newRow("empty texts read as defaults")
        << QStringList{u"cmbCategory="_s, u"txtOutPath="_s}
        << QStringList{u"cmbCategory=1"_s, u"txtOutPath="_s + defaultOutPath()};
    QTest::newRow("option not a boolean") << QStringList{u"optOtherFolder=maybe"_s, u"optSameFolder=TRUE"_s}
                                          << QStringList{u"!optOtherFolder"_s, u"optSameFolder=True"_s,
                                                         u"txtOutPath.Enabled=False"_s, u"cmdBrowse.Enabled=False"_s};
    QTest::newRow("format mode out of range") << QStringList{u"optFormat=2"_s, u"cmbCategory=4"_s}
                                              << QStringList{u"!optFormat"_s, u"!frFormat"_s, u"cmbCategory=4"_s};
    QTest::newRow("format mode not a number") << QStringList{u"optFormat=Custom"_s}
                                              << QStringList{u"!optFormat"_s, u"!frFormat"_s};
    QTest::newRow("texts the boxes would refuse")
        << QStringList{u"txtChannels=0"_s, u"txtCABirate=12345"_s, u"txtCVBitrate=64 -i x"_s, u"txtFrameRate=2.9.7"_s}
        << QStringList{u"txtChannels=initial"_s, u"txtCABirate=initial"_s, u"txtCVBitrate=initial"_s,
                       u"txtFrameRate=initial"_s};
    QTest::newRow("check box not a boolean") << QStringList{u"chkFastSeek=1"_s, u"txtChannels=6"_s}
                                             << QStringList{u"!chkFastSeek"_s, u"txtChannels=6"_s};
    QTest::newRow("check box in other letter case") << QStringList{u"chkFastSeek= tRUE "_s}
                                                    << QStringList{u"chkFastSeek=True"_s};
    QTest::newRow("texts the boxes take") << QStringList{u"txtChannels=6"_s, u"txtFrameRate=29.97"_s}
                                          << QStringList{u"txtChannels=6"_s, u"txtFrameRate=29.97"_s};
}

void TestSavedSettings::badValues()
{
    QFETCH(QStringList, values);
    QFETCH(QStringList, expected);

    const CRegister registry(*m_location);
    for (const QString &value : values)
        QVERIFY(registry.REGSaveSetting(kRegLocalMachine, kSettingsKeyPath, value.section(u'=', 0, 0),
                                        value.section(u'=', 1)));
    FakeSettingsControls controls;
    settings().LoadSettings(controls);

    for (const QString &item : expected) {
        if (item.startsWith(u'!'))
            QCOMPARE(controls.calls.filter(item.sliced(1)), QStringList());
        else
            QCOMPARE(item.section(u'=', 0, 0) + u'=' + controls.state.value(item.section(u'=', 0, 0), kMissing), item);
    }
    QVERIFY(controls.rejected.isEmpty());
    QCOMPARE(controls.calls.last(), u"UpdateFormatDescription"_s);
}

void TestSavedSettings::corruptStore_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("optFormat");
    QTest::addColumn<QString>("txtChannels");

    QByteArray binary(4096, Qt::Uninitialized);
    for (qsizetype i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 97 + 13) % 256);
    const QByteArray values = "[Software\\Tessaly Snipora\\Settings]\noptFormat=1\ntxtChannels=6\n";

    QTest::newRow("garbage around readable values") << binary + '\n' + values + binary << u"1"_s << u"6"_s;
    QTest::newRow("only garbage") << binary << u"0"_s << u"2"_s;
    QTest::newRow("cut off") << values.first(values.size() - 4) << u"1"_s << u"2"_s;
    QTest::newRow("names in another letter case") << values.toUpper() << u"1"_s << u"6"_s;
}

void TestSavedSettings::corruptStore()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, optFormat);
    QFETCH(QString, txtChannels);

    QVERIFY(QDir().mkpath(folder()));
    QVERIFY(writeFile(file(), bytes));
    FakeSettingsControls controls;
    settings().LoadSettings(controls);
    QCOMPARE(controls.state.value(u"optFormat"_s), optFormat);
    QCOMPARE(controls.state.value(u"txtChannels"_s), txtChannels);
    QCOMPARE(controls.state.value(u"cmbCategory"_s), u"1"_s);

    QVERIFY(settings().SaveSettings(controls)); // and the next save mends the file
    verifyStored(controls);
}

void TestSavedSettings::unwritableStore_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("readable");

    QTest::newRow("read-only folder") << u"folder"_s << true;
    QTest::newRow("read-only file") << u"file"_s << true;
    QTest::newRow("unreadable file") << u"unreadable"_s << false;
    QTest::newRow("a file where the folder goes") << u"blocked"_s << false;
}

void TestSavedSettings::unwritableStore()
{
    QFETCH(QString, kind);
    QFETCH(bool, readable);
#ifdef Q_OS_WIN
    QSKIP("file permissions are Unix ones here");
#endif

    FakeSettingsControls saved;
    setExampleState(saved, 1);
    if (kind == u"blocked"_s) {
        QVERIFY(writeFile(folder(), "not a folder"));
    } else {
        QVERIFY(settings().SaveSettings(saved));
        const auto readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        const auto everyone = readOnly | QFile::WriteOwner | QFile::WriteOther | QFile::ExeOwner | QFile::ExeOther;
        QVERIFY(kind == u"folder"_s ? QFile::setPermissions(folder(), readOnly | QFile::ExeOwner | QFile::ExeOther)
                : kind == u"file"_s ? QFile::setPermissions(file(), readOnly) && QFile::setPermissions(folder(), everyone)
                                    : QFile::setPermissions(file(), {}));
    }
    const QByteArray before = readFile(file());
    QVERIFY(QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                     | QFile::ReadOther | QFile::ExeOther));

    // Another instance without root's rights reads what it can and writes nothing.
    const auto [loaded, output] = runTool({u"load-settings"_s, folder()}, true);
    if (loaded == 3)
        QSKIP("no second instance without root's rights here");
    QCOMPARE(loaded, 0);
    QCOMPARE(controlStates(output).value(u"txtOutPath"_s), readable ? u"/srv/cuts B"_s : defaultOutPath());
    QCOMPARE(controlStates(output).value(u"optFormat"_s), readable ? u"1"_s : u"0"_s);
    // A save that failed is not read back afterwards as if it had been stored.
    const auto [wrote, reloaded] = runTool({u"save-settings"_s, folder(), u"0"_s, u"1"_s}, true);
    QCOMPARE(wrote, 1);
    QCOMPARE(controlStates(reloaded), controlStates(output));
    QCOMPARE(readFile(file()), before);
}

void TestSavedSettings::twoInstances_data()
{
    QTest::addColumn<bool>("sideBySide");
    QTest::newRow("one after the other") << false;
    QTest::newRow("side by side") << true;
}

void TestSavedSettings::twoInstances()
{
    QFETCH(bool, sideBySide);

    // One after the other the last save wins; side by side each value is
    // one of the two, and the file stays whole either way.
    FakeSettingsControls zero;
    FakeSettingsControls one;
    setExampleState(zero, 0);
    setExampleState(one, 1);
    const QString times = sideBySide ? u"10"_s : u"1"_s;
    QProcess first;
    QProcess last;
    first.start(QStringLiteral(SETTINGS_STORE_TOOL), {u"save-settings"_s, folder(), u"0"_s, times});
    QVERIFY(first.waitForStarted(60000));
    if (!sideBySide) {
        QVERIFY(first.waitForFinished(60000));
        verifyStored(zero);
    }
    last.start(QStringLiteral(SETTINGS_STORE_TOOL), {u"save-settings"_s, folder(), u"1"_s, times});
    QVERIFY(last.waitForStarted(60000));
    QVERIFY(first.waitForFinished(60000) || first.state() == QProcess::NotRunning);
    QVERIFY(last.waitForFinished(60000));
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(last.exitStatus(), QProcess::NormalExit);
    QCOMPARE(last.exitCode(), 0);

    if (!sideBySide)
        verifyStored(one);
    for (const QString &name : kNames)
        QVERIFY2(stored(name) == zero.state.value(name) || stored(name) == one.state.value(name), qPrintable(name));
    // The control values and the six break thresholds.
    QCOMPARE(RegistryFile::parse(readFile(file())).size(), kNames.size() + 6);
    QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList{kStoreFile});
}

void TestSavedSettings::breakThresholds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text"); // empty: no value
    QTest::addColumn<double>("applied");
    QTest::newRow("none stored: the default") << u"BreakBlackSeconds"_s << QString() << 0.1;
    QTest::newRow("a longer black") << u"BreakBlackSeconds"_s << u" 0.5 "_s << 0.5;
    QTest::newRow("quieter silence") << u"BreakSilenceDb"_s << u"-60"_s << -60.0;
    QTest::newRow("not a number") << u"BreakSilenceSeconds"_s << u"long"_s << 0.3;
    QTest::newRow("a share over one") << u"BreakBlackPicture"_s << u"1.5"_s << 0.98;
    QTest::newRow("a decimal comma") << u"BreakBlackPixel"_s << u"0,2"_s << 0.10;
    QTest::newRow("the scene change") << u"BreakSceneChange"_s << u"0.25"_s << 0.25;
}

void TestSavedSettings::breakThresholds()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(double, applied);
    if (!text.isEmpty())
        QVERIFY(CRegister(*m_location).REGSaveSetting(kRegLocalMachine, kSettingsKeyPath, name, text));
    const BreakThresholds thresholds = settings().breakThresholds();
    const QMap<QString, double> values{{u"BreakBlackSeconds"_s, thresholds.blackSeconds},
                                       {u"BreakBlackPixel"_s, thresholds.blackPixel},
                                       {u"BreakBlackPicture"_s, thresholds.blackPicture},
                                       {u"BreakSilenceDb"_s, thresholds.silenceDb},
                                       {u"BreakSilenceSeconds"_s, thresholds.silenceSeconds},
                                       {u"BreakSceneChange"_s, thresholds.sceneChange}};
    QCOMPARE(values.value(name), applied);
    // A save keeps what was applied, so that the file shows every threshold.
    FakeSettingsControls controls;
    QVERIFY(settings().SaveSettings(controls));
    QCOMPARE(stored(name).toDouble(), applied);
}

QTEST_APPLESS_MAIN(TestSavedSettings)
#include "tst_savedsettings.moc"
