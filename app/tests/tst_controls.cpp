#include "colorscheme.h"
#include "controls.h"
#include "keyfilters.h"
#include "timetext.h"
#include "twips.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

// The window's control kit, its colour scheme, the number boxes' key filters
// and the time text.
class tst_Controls : public QObject
{
    Q_OBJECT

private slots:
    void formatTime_data();
    void formatTime();
    void roundHalfEven_data();
    void roundHalfEven();
    void keyFilter_data();
    void keyFilter();
    void typingAndPasting_data();
    void typingAndPasting();
    void contextMenuPasteAndDrop();
    void applyColors();
    void progressBar_data();
    void progressBar();
    void progressBarBusy();
    void framePanelTwips_data();
    void framePanelTwips();
    void framePanelMouseDown();
    void pictureButton();
};

// ------------------------------------------------------------------ time text

void tst_Controls::formatTime_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << 0 << QStringLiteral("00:00:00");
    QTest::newRow("60") << 60 << QStringLiteral("00:01:00");
    QTest::newRow("3600") << 3600 << QStringLiteral("01:00:00");
    QTest::newRow("past a day") << 90061 << QStringLiteral("25:01:01");
    QTest::newRow("hundred hours") << 360000 << QStringLiteral("100:00:00");
    QTest::newRow("32-bit max") << std::numeric_limits<qint32>::max() << QStringLiteral("596523:14:07");
    QTest::newRow("negative keeps signs") << -61 << QStringLiteral("00:-01:-01");
    QTest::newRow("32-bit min") << std::numeric_limits<qint32>::min() << QStringLiteral("-596523:-14:-08");
}

void tst_Controls::formatTime()
{
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(FormatTime(seconds), text);
}

void tst_Controls::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("rounded");

    QTest::newRow("2.5 down") << 2.5 << 2;
    QTest::newRow("3.5 up") << 3.5 << 4;
    QTest::newRow("NaN") << std::nan("") << 0;
    QTest::newRow("too large") << 1e12 << std::numeric_limits<qint32>::max();
    QTest::newRow("infinity") << -std::numeric_limits<double>::infinity() << std::numeric_limits<qint32>::min();
}

void tst_Controls::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(int, rounded);
    QCOMPARE(RoundHalfEven(value), rounded);
}

// ---------------------------------------------------------------- key filters

void tst_Controls::keyFilter_data()
{
    QTest::addColumn<KeyFilterBox>("box");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QChar>("key");
    QTest::addColumn<bool>("accepted");

    const auto audio = KeyFilterBox::txtCABirate;
    const auto video = KeyFilterBox::txtCVBitrate;
    const auto channels = KeyFilterBox::txtChannels;
    const auto rate = KeyFilterBox::txtFrameRate;
    const QChar backspace(8);
    const QChar enter(13);

    QTest::newRow("audio digit") << audio << QStringLiteral("12") << QChar(u'8') << true;
    QTest::newRow("audio letter") << audio << QString() << QChar(u'k') << false;
    QTest::newRow("audio enter") << audio << QStringLiteral("1") << enter << true;
    QTest::newRow("audio full") << audio << QStringLiteral("1280") << QChar(u'1') << false;
    QTest::newRow("audio full backspace") << audio << QStringLiteral("1280") << backspace << true;
    QTest::newRow("audio overlong") << audio << QStringLiteral("12800") << QChar(u'1') << false;
    QTest::newRow("video full") << video << QStringLiteral("8000") << QChar(u'0') << false;
    QTest::newRow("video arabic-indic digit") << video << QString() << QChar(0x0665) << false;
    QTest::newRow("channels 2 empty") << channels << QString() << QChar(u'2') << true;
    QTest::newRow("channels zero empty") << channels << QString() << QChar(u'0') << false;
    QTest::newRow("channels 5 into 2") << channels << QStringLiteral("2") << QChar(u'5') << false;
    QTest::newRow("channels enter empty") << channels << QString() << enter << true;
    QTest::newRow("rate dot into 29.9") << rate << QStringLiteral("29.9") << QChar(u'.') << false;
    QTest::newRow("rate 7 into 29.9") << rate << QStringLiteral("29.9") << QChar(u'7') << true;
    QTest::newRow("rate zero after dot") << rate << QStringLiteral("25.") << QChar(u'0') << false;
    QTest::newRow("rate first dot") << rate << QStringLiteral("29") << QChar(u'.') << true;
    QTest::newRow("rate nine chars") << rate << QStringLiteral("23.976023") << QChar(u'5') << false;
    QTest::newRow("rate nine chars backspace") << rate << QStringLiteral("23.976023") << backspace << true;
}

void tst_Controls::keyFilter()
{
    QFETCH(KeyFilterBox, box);
    QFETCH(QString, before);
    QFETCH(QChar, key);
    QFETCH(bool, accepted);
    QCOMPARE(KeyFilterAccepts(box, key, before), accepted);
}

void tst_Controls::typingAndPasting_data()
{
    QTest::addColumn<KeyFilterBox>("box");
    QTest::addColumn<QString>("initial");
    QTest::addColumn<bool>("selectAll");
    QTest::addColumn<QString>("clipboard"); // pasted with Ctrl+V when not empty
    QTest::addColumn<QString>("typed");     // typed after the paste
    QTest::addColumn<QString>("result");

    const auto audio = KeyFilterBox::txtCABirate;
    const auto channels = KeyFilterBox::txtChannels;
    const auto rate = KeyFilterBox::txtFrameRate;

    QTest::newRow("typed digits stop at four") << audio << QString() << false << QString()
                                               << QStringLiteral("12a8k05") << QStringLiteral("1280");
    QTest::newRow("full box refuses a digit over a selection")
        << audio << QStringLiteral("1280") << true << QString() << QStringLiteral("9") << QStringLiteral("1280");
    QTest::newRow("short box replaces the selection")
        << audio << QStringLiteral("128") << true << QString() << QStringLiteral("9") << QStringLiteral("9");
    QTest::newRow("channels: 5 after 2 is swallowed")
        << channels << QStringLiteral("2") << false << QString() << QStringLiteral("5") << QStringLiteral("2");
    QTest::newRow("typed frame rate") << rate << QString() << false << QString() << QStringLiteral("29.970.5")
                                      << QStringLiteral("29.975");
    QTest::newRow("paste filtered per character")
        << audio << QString() << false << QStringLiteral("1 2\n8x0 9") << QString() << QStringLiteral("1280");
    QTest::newRow("paste replaces the selection first")
        << channels << QStringLiteral("2") << true << QStringLiteral("6") << QString() << QStringLiteral("6");
    QTest::newRow("paste then typing") << rate << QString() << false << QStringLiteral("23.0976")
                                       << QStringLiteral(".5") << QStringLiteral("23.9765");
    QTest::newRow("paste into full box") << audio << QStringLiteral("1280") << false << QStringLiteral("7")
                                         << QString() << QStringLiteral("1280");
}

void tst_Controls::typingAndPasting()
{
    QFETCH(KeyFilterBox, box);
    QFETCH(QString, initial);
    QFETCH(bool, selectAll);
    QFETCH(QString, clipboard);
    QFETCH(QString, typed);
    QFETCH(QString, result);

    QLineEdit edit;
    InstallKeyFilter(&edit, box);
    edit.setText(initial);
    if (selectAll)
        edit.selectAll();
    if (!clipboard.isEmpty()) {
        QGuiApplication::clipboard()->setText(clipboard);
        QTest::keySequence(&edit, QKeySequence(QKeySequence::Paste));
    }
    QTest::keyClicks(&edit, typed);
    QCOMPARE(edit.text(), result);

    // Editing keys still work on whatever got in.
    const qsizetype length = edit.text().size();
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Delete);
    QCOMPARE(edit.text(), result.mid(1, std::max<qsizetype>(0, length - 2)));
}

void tst_Controls::contextMenuPasteAndDrop()
{
    QWidget window;
    auto *edit = new QLineEdit(&window);
    InstallKeyFilter(edit, KeyFilterBox::txtCVBitrate);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QGuiApplication::clipboard()->setText(QStringLiteral("4a0-0"));
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(2, 2), edit->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(edit, &menuEvent);
    QMenu *menu = edit->findChild<QMenu *>();
    QVERIFY(menu);
    // The item that Ctrl+V also names; the menu shows its shortcut after a tab.
    const QString pasteKeys = QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
    QAction *paste = nullptr;
    for (QAction *action : menu->actions()) {
        if (action->objectName() == QLatin1String("edit-paste") || action->text().endsWith(pasteKeys))
            paste = action;
    }
    QVERIFY(paste);
    paste->trigger();
    QCOMPARE(edit->text(), QStringLiteral("400"));
    menu->close();

    // A drop goes in at the drop point, filtered, and never as a move.
    edit->setText(QStringLiteral("9"));
    QMimeData data;
    data.setText(QStringLiteral("x12345"));
    const QPoint end(edit->width() - 3, edit->height() / 2);
    QDragEnterEvent enter(end, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit, &enter); // a drop is only delivered after its enter
    QDropEvent drop(end, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit, &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(drop.dropAction(), Qt::CopyAction);
    QCOMPARE(edit->text(), QStringLiteral("9123"));
}

// --------------------------------------------------------------- colour scheme

void tst_Controls::applyColors()
{
    // Distinct colours in every slot, none of them the controls' defaults.
    const ColorScheme scheme{0x0A0B0C, 0x1A1B1C, 0x2A2B2C, 0x3A3B3C};

    QWidget window;
    auto *frMain = new FramePanel(&window);
    frMain->setObjectName(QStringLiteral("frMain"));
    auto *myFrame1 = new FramePanel(frMain);
    myFrame1->setObjectName(QStringLiteral("MyFrame1"));
    auto *nested = new FramePanel(myFrame1); // inside the excluded panel, still coloured
    auto *button = new PictureButton(QStringLiteral("&Start"), frMain);
    auto *edit = new QLineEdit(nested);
    auto *list = new QComboBox(frMain);
    auto *label = new QLabel(QStringLiteral("Duration"), frMain);
    auto *webSite = new QLabel(QStringLiteral("site"), frMain);
    webSite->setObjectName(QStringLiteral("lblWebSite"));
    auto *ffmpegLink = new QLabel(QStringLiteral("encoder"), nested);
    ffmpegLink->setObjectName(QStringLiteral("lblFFmpeg"));
    auto *line = new LineControl(frMain);
    auto *option = new OptionButton(QStringLiteral("Presets"), frMain);
    const qint32 untouchedOptionColor = option->property("ForeColor").value<qint32>();
    const QColor webSiteText = webSite->palette().color(QPalette::WindowText);

    ApplyColors(&window, scheme);

    const auto color = [](const QWidget *w, const char *name) { return w->property(name).value<qint32>(); };
    const QList<std::pair<const char *, qint32>> panelColors{
        {"BodyColorBottomLeft", scheme.Light}, {"BodyColorBottomRight", scheme.Medium},
        {"BodyColorTopLeft", scheme.Light},    {"BorderColor", scheme.Dark},
        {"ForeColor", scheme.Darkest},         {"HeaderColorBottomLeft", scheme.Dark},
        {"HeaderColorTopLeft", scheme.Medium}};
    for (const auto &[name, value] : panelColors) {
        QCOMPARE(color(frMain, name), value);
        QCOMPARE(color(nested, name), value);
        QVERIFY2(color(myFrame1, name) != value, name);
    }
    for (const char *name : {"BackColor", "BackColorDisabled", "BackColorFocus", "BorderColor", "ToolTipBackColor"})
        QCOMPARE(color(button, name), scheme.Light);
    // The tool tip, shown, in the button's colours.
    button->setToolTip(QStringLiteral("tip"));
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(button, &help);
    QWidget *tip = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        tip = top->objectName() == QLatin1StringView("qtooltip_label") && top->isVisible() ? top : tip;
    QVERIFY(tip);
    QCOMPARE(tip->palette().color(QPalette::ToolTipBase), colorFromWin(scheme.Light));
    QCOMPARE(tip->palette().color(QPalette::ToolTipText), colorFromWin(button->property("ForeColor").value<qint32>()));
    for (QWidget *w : {static_cast<QWidget *>(edit), static_cast<QWidget *>(list)}) {
        QCOMPARE(w->palette().color(QPalette::Base), colorFromWin(scheme.Light));
        QCOMPARE(color(w, "BackColor"), scheme.Light);
    }
    QCOMPARE(label->palette().color(QPalette::Active, QPalette::WindowText), colorFromWin(scheme.Darkest));
    QCOMPARE(color(label, "ForeColor"), scheme.Darkest);
    QCOMPARE(webSite->palette().color(QPalette::WindowText), webSiteText);
    QVERIFY(!ffmpegLink->property("ForeColor").isValid());
    QCOMPARE(color(line, "BorderColor"), scheme.Darkest);
    QCOMPARE(color(option, "ForeColor"), untouchedOptionColor);

    // The conversions the scheme relies on, both ways.
    QCOMPARE(colorFromWin(ColorScheme{}.Light), QColor(255, 192, 192));
    QCOMPARE(colorFromWin(ColorScheme{}.Darkest), QColor(64, 0, 0));
    QCOMPARE(winFromColor(QColor(255, 128, 128)), ColorScheme{}.Medium);
    QCOMPARE(colorFromWin(qint32(0xFF010203)), QColor(3, 2, 1));
}

// ---------------------------------------------------------------- progress bar

void tst_Controls::progressBar_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("trackWidth");
    QTest::addColumn<int>("fill");

    QTest::newRow("-1 empty") << -1 << 200 << 0;
    QTest::newRow("0") << 0 << 200 << 0;
    QTest::newRow("55") << 55 << 200 << 110;
    QTest::newRow("100") << 100 << 200 << 200;
    QTest::newRow("250 full") << 250 << 200 << 200;
    QTest::newRow("largest") << std::numeric_limits<int>::max() << 200 << 200;
    QTest::newRow("half pixel to even, down") << 50 << 5 << 2;   // 2.5
    QTest::newRow("half pixel to even, up") << 50 << 7 << 4;     // 3.5
}

void tst_Controls::progressBar()
{
    QFETCH(int, value);
    QFETCH(int, trackWidth);
    QFETCH(int, fill);
    QCOMPARE(progressFillWidth(value, trackWidth), fill);

    ProgressBar bar;
    bar.setValue(value);
    QCOMPARE(bar.Value(), value); // kept raw
    QCOMPARE(bar.property("Value").toInt(), value);
}

void tst_Controls::progressBarBusy()
{
    // The block runs from end to end and back.
    QCOMPARE(busyBlockLeft(50, 10, 50), 30);
    QCOMPARE(busyBlockLeft(80, 10, 50), 0);
    QCOMPARE(busyBlockLeft(-10, 10, 50), 10);
    QCOMPARE(busyBlockLeft(std::numeric_limits<int>::max(), 10, 50), 33); // 2147483647 % 80 = 47
    QCOMPARE(busyBlockLeft(5, 60, 50), 0);

    QWidget window;
    auto *bar = new ProgressBar(&window);
    bar->setValue(40);
    bar->setBusy(true);
    QVERIFY(bar->isBusy());
    QCOMPARE(bar->Value(), 40);
    QVERIFY(!bar->isAnimating()); // not shown yet
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(bar->isAnimating());
    bar->hide();
    QVERIFY(!bar->isAnimating());
    bar->show();
    QVERIFY(bar->isAnimating());
    bar->setValue(-1);
    QVERIFY(!bar->isBusy());
    QVERIFY(!bar->isAnimating());
    QCOMPARE(bar->Value(), -1);
}

// ------------------------------------------------------------------ frame panel

void tst_Controls::framePanelTwips_data()
{
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QRect>("pixels");

    QTest::newRow("whole pixels") << 0 << 8070 << 9000 << 5355 << QRect(0, 538, 600, 357);
    QTest::newRow("resting top") << 150 << 2715 << 300 << 150 << QRect(10, 181, 20, 10);
    QTest::newRow("halves to even") << 7 << 22 << 37 << 52 << QRect(0, 1, 2, 3);
    QTest::newRow("overshoot below") << 0 << 2595 << 15 << 15 << QRect(0, 173, 1, 1);
    QTest::newRow("above the top") << -112 << -8 << 8 << 22 << QRect(-7, -1, 1, 1);
}

void tst_Controls::framePanelTwips()
{
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QRect, pixels);

    QWidget window;
    auto *panel = new FramePanel(&window);
    panel->setTwipsGeometry(left, top, width, height);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(panel->geometry(), pixels);
    QCOMPARE(panel->Left(), left);
    QCOMPARE(panel->Top(), top);
    QCOMPARE(panel->Width(), width);
    QCOMPARE(panel->Height(), height);

    // Moving by twips keeps them exact; moving by pixels restates them.
    panel->setTop(top - 75);
    QCOMPARE(panel->Top(), top - 75);
    QCOMPARE(panel->y(), twipsToPixels(top - 75));
    panel->move(pixels.x() + 3, pixels.y());
    QCOMPARE(panel->Left(), (pixels.x() + 3) * kTwipsPerPixel);
    QCOMPARE(panel->Top(), pixels.y() * kTwipsPerPixel);
}

void tst_Controls::framePanelMouseDown()
{
    QWidget window;
    window.resize(300, 200);
    auto *panel = new FramePanel(&window);
    panel->setCaption(QStringLiteral("Snipora"));
    panel->setGeometry(0, 0, 300, 200);
    auto *label = new QLabel(QStringLiteral("label"), panel);
    label->setGeometry(100, 100, 80, 20);
    auto *button = new PictureButton(QStringLiteral("Go"), panel);
    button->setGeometry(200, 150, 60, 25);
    button->setEnabled(false);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(panel->headerHeight() > 0);

    QSignalSpy spy(panel, &FramePanel::MouseDown);
    QTest::mousePress(panel, Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier, QPoint(10, 4));
    QTest::mouseRelease(panel, Qt::RightButton, Qt::NoModifier, QPoint(10, 4));
    QTest::mousePress(label, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseRelease(label, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mousePress(button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mousePress(panel, Qt::MiddleButton, Qt::AltModifier, QPoint(20, 150));
    QTest::mouseRelease(panel, Qt::MiddleButton, Qt::NoModifier, QPoint(20, 150));
    QCOMPARE(spy.size(), 2);
    QCOMPARE(spy.at(0), (QVariantList{2, 3, 150.0f, 60.0f}));
    QCOMPARE(spy.at(1), (QVariantList{4, 4, 300.0f, 2250.0f}));

    // No caption, no strip.
    panel->setCaption(QString());
    QCOMPARE(panel->headerHeight(), 0);
}

// --------------------------------------------------------------- picture button

void tst_Controls::pictureButton()
{
    QWidget window;
    auto *button = new PictureButton(&window);
    button->setCaption(QStringLiteral("Save && Close"));
    QCOMPARE(button->Caption(), QStringLiteral("Save && Close"));
    QCOMPARE(button->property("Caption").toString(), QStringLiteral("Save && Close"));
    QVERIFY(button->sizeHint().width() > button->fontMetrics().horizontalAdvance(QStringLiteral("Save & Close")));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    button->setFocus();

    QSignalSpy clicked(button, &QAbstractButton::clicked);
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClick(button, Qt::Key_Return);
    QTest::keyClick(button, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(button, Qt::Key_Return, Qt::ControlModifier); // not a press
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(clicked.size(), 4);

    button->setEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::keyClick(button, Qt::Key_Return);
    QCOMPARE(clicked.size(), 4);

    // Colours by name repaint through the notify signal.
    QSignalSpy changed(button, &PictureButton::colorsChanged);
    QVERIFY(button->setProperty("BackColorDisabled", QVariant::fromValue<qint32>(0x00FF00)));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(button->property("BackColorDisabled").value<qint32>(), 0x00FF00);
    const QImage shot = button->grab().toImage();
    const QColor centre = shot.pixelColor(shot.width() / 2, 3);
    QVERIFY2(centre.green() > 200 && centre.red() < 150, qPrintable(centre.name()));
}

QTEST_MAIN(tst_Controls)
#include "tst_controls.moc"
