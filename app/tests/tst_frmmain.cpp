// The main window without a video: start-up order, layout, the format panel,
// the sliding panels, the folder options, the marks and closing.

#include "controls.h"
#include "cregister.h"
#include "fakeservices.h"
#include "panelslider.h"
#include "windowdriver.h"
#include "formatchoice.h"
#include "formatpanel.h"
#include "savedsettings.h"
#include "slider.h"
#include "twips.h"
#include "timelineband.h"
#include "windowlayout.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;

QString VersionLabel(int major, int minor, int revision);

using WindowDriver::child;

namespace {

// The cascade example: (category, label, extension) = (A, x, avi), (A, y, mp4),
// (A, x, wmv), (B, z, flv), plus a repeated (A, x, avi).
QByteArray cascadePresets()
{
    QByteArray text = "<?xml version=\"1.0\"?>\r\n<presets>\r\n";
    const char *rows[][3] = {{"A", "x", "avi"}, {"A", "y", "mp4"}, {"A", "x", "wmv"}, {"B", "z", "flv"},
                             {"A", "x", "avi"}};
    for (const auto &row : rows) {
        text += "  <preset>\r\n    <label>" + QByteArray(row[1]) + "</label>\r\n    <params>-c copy</params>\r\n"
                + "    <extension>" + row[2] + "</extension>\r\n    <category>" + row[0]
                + "</category>\r\n  </preset>\r\n";
    }
    return text + "</presets>\r\n";
}

QStringList items(QComboBox *list)
{
    QStringList all;
    for (int i = 0; i < list->count(); ++i)
        all.append(list->itemText(i));
    return all;
}

void slideFully(frmMain &window)
{
    for (int ticks = 0; window.panels().animator().timerEnabled() && ticks < 100; ++ticks)
        window.panels().tmrAnimate_Timer();
}

} // namespace

class TestFrmMain final : public QObject
{
    Q_OBJECT

private slots:
    void layoutMatchesTable_data();
    void layoutMatchesTable();
    void savedIndicesSelectFilledLists_data();
    void savedIndicesSelectFilledLists();
    void cascades();
    void saveAndClose_data();
    void saveAndClose();
    void summary_data();
    void summary();
    void slidingPanels();
    void folderOptionsAndBrowse_data();
    void folderOptionsAndBrowse();
    void marks();
    void colours();
    void closeSavesAndHelpOpens();
    void versionLabel();
};

void TestFrmMain::layoutMatchesTable_data()
{
    QTest::addColumn<bool>("timeline");
    QTest::newRow("timeline off: as designed") << false;
    QTest::newRow("timeline on: the band under the slider") << true;
}

void TestFrmMain::layoutMatchesTable()
{
    QFETCH(bool, timeline);
    FakeServices fakes;
    auto window = fakes.makeWindow();
    // On by default; turned off and on again, the layout must come back exactly.
    auto *chkTimeline = child<CheckBox>(*window, u"chkTimeline"_s);
    QCOMPARE(chkTimeline->Value(), 1);
    chkTimeline->setValue(0);
    chkTimeline->setValue(timeline ? 1 : 0);
    const int band = timeline ? TimelineBand::kHeightTwips : 0;
    const ControlSpec *frame = findControlSpec(u"MyFrame3");
    QCOMPARE(window->size(), QSize(728, twipsToPixels(kWindowHeightTwips + band)));
    QCOMPARE(window->windowTitle(), u"Aurelith"_s);
    QVERIFY(window->windowFlags() & Qt::FramelessWindowHint);
    QWidget *bandWidget = child(*window, u"picTimeline"_s);
    QCOMPARE(bandWidget->isVisibleTo(window.get()), timeline);
    QCOMPARE(bandWidget->geometry().top(), child(*window, u"Slider"_s)->geometry().top() + twipsToPixels(300));
    for (const ControlSpec &spec : windowLayout()) {
        const QString name = QString::fromLatin1(spec.name);
        QWidget *widget = child(*window, name);
        // A text of its own, or a fixed name for a screen reader.
        QVERIFY2(speaksItsText(spec) || !widget->accessibleName().isEmpty(), spec.name);
        QCOMPARE(widget->parentWidget(), spec.container ? child(*window, QString::fromLatin1(spec.container))
                                                         : window.get());
        // Start-up moves the main panel to the corner and parks the sliding
        // panels below the window, centred. The band moves down what lies
        // below the preview frame, which grows by it.
        QPoint at(spec.left, spec.top);
        int height = spec.height;
        if (name == u"frMain") {
            at = {0, 0};
            height += band;
        } else if (name == u"frAbout" || name == u"frFormats") {
            at = {(kWindowWidthTwips - spec.width) / 2, kWindowHeightTwips + band};
        } else if (!spec.container && spec.top == kWindowHeightTwips) {
            at.ry() += band; // parked below the window, which the band makes taller
        } else if (&spec == frame) {
            height += band;
        } else if (spec.container && qstrcmp(spec.container, "frMain") == 0 && spec.top >= frame->top + frame->height) {
            at.ry() += band;
        }
        const QRect expected(twipsToPixels(at.x()), twipsToPixels(at.y()), twipsToPixels(spec.width),
                             twipsToPixels(height));
        if (spec.kind == ControlKind::Slider) // the skin decides the slider's height
            QCOMPARE(widget->geometry().topLeft(), expected.topLeft());
        else
            QCOMPARE(widget->geometry(), expected);
    }
    auto *slider = child<Slider>(*window, u"Slider"_s);
    QCOMPARE(QList<qint32>({slider->Value(), slider->Min(), slider->Max()}), QList<qint32>({0, 0, 1000000}));
    QVERIFY(!slider->Enabled());
    QVERIFY(slider->isEnabled()); // disabled through its own flag, so it still sends its mouse events
    QVERIFY(window->workflow().bNoVideo());
    QVERIFY(fakes.messages.messages.isEmpty());
}

void TestFrmMain::savedIndicesSelectFilledLists_data()
{
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("wantCategory");
    QTest::addColumn<int>("wantLabel");

    // The saved label index only makes sense in the saved category's list,
    // which exists only because the catalogue filled the lists first.
    QTest::newRow("third category, second label") << u"2"_s << u"1"_s << 2 << 1;
    QTest::newRow("first category, first label") << u"0"_s << u"0"_s << 0 << 0;
    // A value that cannot be applied leaves the list as loading the catalogue left it.
    QTest::newRow("index past the list") << u"99"_s << u"0"_s << 0 << 0;
    QTest::newRow("not a number") << u"two"_s << u"1"_s << 0 << 1;
}

void TestFrmMain::savedIndicesSelectFilledLists()
{
    QFETCH(QString, category);
    QFETCH(QString, label);
    QFETCH(int, wantCategory);
    QFETCH(int, wantLabel);

    FakeServices fakes;
    const CRegister reg(fakes.settingsLocation);
    QVERIFY(reg.REGSaveSetting(kSettingsRoot, kSettingsKeyPath, u"cmbCategory"_s, category));
    QVERIFY(reg.REGSaveSetting(kSettingsRoot, kSettingsKeyPath, u"cmbOutVCodec"_s, label));
    QVERIFY(reg.REGSaveSetting(kSettingsRoot, kSettingsKeyPath, u"cmbOutFormat"_s, u"0"_s));
    auto window = fakes.makeWindow();

    auto *cmbCategory = child<QComboBox>(*window, u"cmbCategory"_s);
    auto *cmbOutVCodec = child<QComboBox>(*window, u"cmbOutVCodec"_s);
    QCOMPARE(cmbCategory->currentIndex(), wantCategory);
    const QString cat = cmbCategory->currentText();
    const auto &presets = window->workflow().presets().Presets;
    QCOMPARE(items(cmbOutVCodec), LabelsForCategory(presets, qint32(presets.size()), cat));
    QCOMPARE(cmbOutVCodec->currentIndex(), wantLabel);
    QCOMPARE(items(child<QComboBox>(*window, u"cmbOutFormat"_s)),
             ExtensionsFor(presets, qint32(presets.size()), cat, cmbOutVCodec->currentText()));
    QCOMPARE(child<QLabel>(*window, u"lblFormat"_s)->text(),
             FormatDescription(window->formatPanel().snapshot()));
}

void TestFrmMain::cascades()
{
    FakeServices fakes;
    QTemporaryDir program;
    QFile presets(program.filePath(u"presets.xml"_s));
    QVERIFY(presets.open(QIODevice::WriteOnly) && presets.write(cascadePresets()) > 0);
    presets.close();
    QVERIFY(QFile::copy(TestSupport::programDir() + u"/codecs.xml"_s, program.filePath(u"codecs.xml"_s)));
    fakes.services.programDir = program.path();
    const CRegister reg(fakes.settingsLocation);
    for (const char *name : {"cmbCategory", "cmbOutVCodec", "cmbOutFormat"})
        QVERIFY(reg.REGSaveSetting(kSettingsRoot, kSettingsKeyPath, QString::fromLatin1(name), u"0"_s));
    auto window = fakes.makeWindow();

    auto *cmbCategory = child<QComboBox>(*window, u"cmbCategory"_s);
    auto *cmbOutVCodec = child<QComboBox>(*window, u"cmbOutVCodec"_s);
    auto *cmbOutFormat = child<QComboBox>(*window, u"cmbOutFormat"_s);
    QCOMPARE(items(cmbCategory), QStringList({u"A"_s, u"B"_s}));
    QCOMPARE(items(cmbOutVCodec), QStringList({u"x"_s, u"y"_s}));
    QCOMPARE(items(cmbOutFormat), QStringList({u"avi"_s, u"wmv"_s})); // avi once
    QCOMPARE(cmbOutFormat->currentText(), u"avi"_s);

    // A user's pick goes through the same handlers.
    cmbOutVCodec->setCurrentIndex(1);
    emit cmbOutVCodec->activated(1);
    QCOMPARE(items(cmbOutFormat), QStringList({u"mp4"_s}));
    cmbCategory->setCurrentIndex(1);
    emit cmbCategory->activated(1);
    QCOMPARE(items(cmbOutVCodec), QStringList({u"z"_s}));
    QCOMPARE(items(cmbOutFormat), QStringList({u"flv"_s}));
    QCOMPARE(cmbOutVCodec->currentIndex(), 0);
}

void TestFrmMain::saveAndClose_data()
{
    QTest::addColumn<bool>("customMode");
    QTest::addColumn<QStringList>("emptied"); // txtChannels, txtFrameRate, ... to clear
    QTest::addColumn<QString>("message");

    const QString channels = u"Channels Field in the custom Format can not be empty."_s;
    QTest::newRow("all filled closes") << true << QStringList() << QString();
    QTest::newRow("frame rate and channels: channels first")
        << true << QStringList{u"txtFrameRate"_s, u"txtChannels"_s} << channels;
    QTest::newRow("preset mode checks the custom fields too") << false << QStringList{u"txtChannels"_s} << channels;
    QTest::newRow("frame rate") << true << QStringList{u"txtFrameRate"_s, u"txtCVBitrate"_s}
                                << u"Frame Rate Field in the custom Format can not be empty."_s;
    QTest::newRow("audio bitrate") << false << QStringList{u"txtCABirate"_s, u"txtCVBitrate"_s}
                                   << u"Audio Bitrate Field in the custom Format can not be empty."_s;
    QTest::newRow("video bitrate") << true << QStringList{u"txtCVBitrate"_s}
                                   << u"Video Bitrate Field in the custom Format can not be empty."_s;
}

void TestFrmMain::saveAndClose()
{
    QFETCH(bool, customMode);
    QFETCH(QStringList, emptied);
    QFETCH(QString, message);

    FakeServices fakes;
    auto window = fakes.makeWindow();
    auto *frFormats = child<FramePanel>(*window, u"frFormats"_s);
    child<QAbstractButton>(*window, u"cmdChangeFormat"_s)->click();
    slideFully(*window);
    QCOMPARE(frFormats->Top(), 2715);
    child<QAbstractButton>(*window, customMode ? u"optFormat(1)"_s : u"optFormat(0)"_s)->click();
    for (const QString &name : emptied)
        child<QLineEdit>(*window, name)->clear();
    const QString before = child<QLabel>(*window, u"lblFormat"_s)->text();

    child<QAbstractButton>(*window, u"cmdHide"_s)->click();
    slideFully(*window);
    if (message.isEmpty()) {
        QVERIFY(fakes.messages.messages.isEmpty());
        QCOMPARE(frFormats->Top(), child<FramePanel>(*window, u"frMain"_s)->Height());
        QVERIFY(child(*window, u"frMain"_s)->isEnabled());
        QCOMPARE(child<QLabel>(*window, u"lblFormat"_s)->text(), FormatDescription(window->formatPanel().snapshot()));
        QCOMPARE(child<QLabel>(*window, u"lblFormat"_s)->text().startsWith(u"Container:"_s), customMode);
    } else {
        QCOMPARE(fakes.messages.messages.size(), 1);
        QCOMPARE(fakes.messages.messages[0].text, message);
        QCOMPARE(fakes.messages.messages[0].icon, MessageIcon::Warning);
        QCOMPARE(frFormats->Top(), 2715); // stays up
        QCOMPARE(child<QLabel>(*window, u"lblFormat"_s)->text(), before);
    }
}

void TestFrmMain::summary_data()
{
    QTest::addColumn<bool>("presetMode");
    QTest::addColumn<QString>("expected");

    QTest::newRow("presets") << true << uR"(Category:A, Codec:"x", Container:"avi")"_s;
    QTest::newRow("custom") << false << uR"(Container:AVI, Video Codec:"MPEG-4", Audio Codec:"MP3")"_s;
}

void TestFrmMain::summary()
{
    QFETCH(bool, presetMode);
    QFETCH(QString, expected);

    FormatPanelSnapshot panel;
    panel.presetMode = presetMode;
    panel.cmbCategory = u"A"_s;
    panel.cmbOutVCodec = u"x"_s;
    panel.cmbOutFormat = u"avi"_s;
    panel.cmbCustContainer = u"AVI"_s;
    panel.cmbCVCodec = u"MPEG-4"_s;
    panel.cmbCACodec = u"MP3"_s;
    QCOMPARE(FormatDescription(panel), expected);
}

void TestFrmMain::slidingPanels()
{
    FakeServices fakes;
    auto window = fakes.makeWindow();
    auto *frAbout = child<FramePanel>(*window, u"frAbout"_s);
    auto *frMain = child<FramePanel>(*window, u"frMain"_s);
    auto *cmdAbout = child<QAbstractButton>(*window, u"cmdAbout"_s);

    cmdAbout->click();
    QVERIFY(!frMain->isEnabled());
    QVERIFY(window->panels().tmrAnimate().isActive());
    for (int i = 0; i < 5; ++i)
        window->panels().tmrAnimate_Timer();
    const int midway = frAbout->Top();
    // A second opener during the slide is ignored, and so is the other panel's.
    child<QAbstractButton>(*window, u"cmdChangeFormat"_s)->click();
    window->panels().tmrAnimate_Timer();
    QCOMPARE(frAbout->Top(), midway - 300);
    QCOMPARE(child<FramePanel>(*window, u"frFormats"_s)->Top(), frMain->Height());

    // Closing mid-slide sends it back from where it is, and only the end of
    // the downward slide gives the main panel back.
    child<QAbstractButton>(*window, u"cmdCloseHelp"_s)->click();
    window->panels().tmrAnimate_Timer();
    QCOMPARE(frAbout->Top(), midway - 300 + 500);
    QVERIFY(!frMain->isEnabled());
    slideFully(*window);
    QCOMPARE(frAbout->Top(), frMain->Height());
    QVERIFY(frMain->isEnabled());
    QVERIFY(!window->panels().tmrAnimate().isActive());

    // A new slide starts afresh and rests at 2715.
    cmdAbout->click();
    slideFully(*window);
    QCOMPARE(frAbout->Top(), 2715);
    QCOMPARE(frAbout->y(), twipsToPixels(2715));
}

void TestFrmMain::folderOptionsAndBrowse_data()
{
    QTest::addColumn<bool>("sameFolder");
    QTest::addColumn<QString>("browsed");
    QTest::addColumn<QString>("refusedRoot");
    QTest::addColumn<bool>("taken");

    QTest::newRow("other folder, local disk") << false << u"/data/cuts"_s << QString() << true;
    QTest::newRow("other folder, network share refused") << false << u"/net/cuts"_s << u"/net"_s << false;
    QTest::newRow("other folder, cancelled") << false << QString() << QString() << false;
    QTest::newRow("same folder: nothing to browse") << true << u"/data/cuts"_s << QString() << false;
}

void TestFrmMain::folderOptionsAndBrowse()
{
    QFETCH(bool, sameFolder);
    QFETCH(QString, browsed);
    QFETCH(QString, refusedRoot);
    QFETCH(bool, taken);

    FakeServices fakes;
    fakes.dialogs.folderAnswer = browsed;
    fakes.mounts.refusedRoot = refusedRoot;
    auto window = fakes.makeWindow();
    auto *txtOutPath = child<QLineEdit>(*window, u"txtOutPath"_s);
    auto *cmdBrowse = child<QAbstractButton>(*window, u"cmdBrowse"_s);
    child<QAbstractButton>(*window, sameFolder ? u"optSameFolder"_s : u"optOtherFolder"_s)->click();
    QCOMPARE(cmdBrowse->isEnabled(), !sameFolder);
    QCOMPARE(txtOutPath->isEnabled(), !sameFolder);

    const QString before = txtOutPath->text();
    cmdBrowse->click();
    QCOMPARE(txtOutPath->text(), taken ? browsed : before);
    const bool refused = !refusedRoot.isEmpty();
    QCOMPARE(fakes.messages.messages.size(), refused ? 1 : 0);
    if (refused)
        QCOMPARE(fakes.messages.messages[0].text, u"You can't choose this drive!"_s);
    if (!sameFolder)
        QCOMPARE(fakes.dialogs.lastTitle, u"Select folder to add"_s);
}

void TestFrmMain::marks()
{
    FakeServices fakes;
    auto window = fakes.makeWindow();
    auto *slider = child<Slider>(*window, u"Slider"_s);
    auto *lblStart = child<QLabel>(*window, u"lblStartSelect"_s);
    auto *lblEnd = child<QLabel>(*window, u"lblEndSelect"_s);
    const auto press = [&](const char *name) { child<QAbstractButton>(*window, QString::fromLatin1(name))->click(); };

    slider->SetValue(3725);
    press("cmdStartSelect"); // no video: nothing
    QCOMPARE(slider->SelectStart(), 0);
    QCOMPARE(lblStart->text(), u"00:00:00"_s);
    press("cmdDeleteSelect"); // works without a video
    QCOMPARE(lblStart->text(), u"00.00.00"_s);

    window->workflow().session().setNoVideo(false);
    press("cmdEndSelect");
    QCOMPARE(slider->SelectEnd(), 3725);
    QCOMPARE(lblEnd->text(), u"01:02:05"_s);
    slider->SetValue(90061);
    press("cmdStartSelect"); // later than the end is accepted here
    QCOMPARE(slider->SelectStart(), 90061);
    QCOMPARE(lblStart->text(), u"25:01:01"_s);
    press("cmdDeleteSelect");
    QCOMPARE(QList<qint32>({slider->SelectStart(), slider->SelectEnd()}), QList<qint32>({0, 0}));
    QCOMPARE(lblEnd->text(), u"00.00.00"_s);
    QCOMPARE(slider->Value(), 90061); // marks only, the position stays
}

void TestFrmMain::colours()
{
    FakeServices fakes;
    auto window = fakes.makeWindow();
    // Panels, buttons and labels take the scheme; the links keep their own look.
    auto *frMain = child(*window, u"frMain"_s);
    QCOMPARE(frMain->property("BorderColor").value<qint32>(), 128);
    QCOMPARE(frMain->property("HeaderColorTopLeft").value<qint32>(), 8421631);
    QCOMPARE(child(*window, u"cmdConvert"_s)->property("BackColor").value<qint32>(), 12632319);
    QCOMPARE(child(*window, u"lblTime"_s)->palette().color(QPalette::WindowText), colorFromWin(64));
    QLabel plain;
    QCOMPARE(child(*window, u"lblWebSite"_s)->palette().color(QPalette::WindowText),
             plain.palette().color(QPalette::WindowText));
}

void TestFrmMain::closeSavesAndHelpOpens()
{
    FakeServices fakes;
    auto window = fakes.makeWindow();
    child<QAbstractButton>(*window, u"MyButton1"_s)->click();
    QCOMPARE(fakes.desktop.opened.size(), 1);
    QVERIFY(fakes.desktop.opened[0].toLocalFile().endsWith(u"Help.chm"_s)
            || fakes.desktop.opened[0].toLocalFile().endsWith(u"index.html"_s));

    child<QAbstractButton>(*window, u"optFormat(1)"_s)->click();
    child<QLineEdit>(*window, u"txtOutPath"_s)->setText(u"/srv/cuts"_s);
    window->show();
    child<QAbstractButton>(*window, u"cmdClose"_s)->click();
    QVERIFY(!window->isVisible());
    const CRegister reg(fakes.settingsLocation);
    QCOMPARE(reg.REGGetSetting(kSettingsRoot, kSettingsKeyPath, u"optFormat"_s, {}), u"1"_s);
    QCOMPARE(reg.REGGetSetting(kSettingsRoot, kSettingsKeyPath, u"txtOutPath"_s, {}), u"/srv/cuts"_s);

    // A second window (a second copy) starts and reads what the first saved.
    auto second = fakes.makeWindow();
    QVERIFY(!second->formatPanel().presetMode());
}

void TestFrmMain::versionLabel()
{
    QCOMPARE(VersionLabel(2, 3, 15), u"2.3.0.15"_s);
    QCOMPARE(VersionLabel(0, 1, 0), u"0.1.0.0"_s);
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
