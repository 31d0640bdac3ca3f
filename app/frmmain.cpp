#include "frmmain.h"

#include "colorscheme.h"
#include "controls.h"
#include "cvideoconv.h"
#include "drivecheck.h"
#include "filedialogs.h"
#include "formatpanel.h"
#include "helpopener.h"
#include "messagesink.h"
#include "previewengine.h"
#include "savedsettings.h"
#include "slider.h"
#include "twips.h"
#include "videoarea.h"
#include "windowlayout.h"
#include "windowsettings.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QUrl>
#include <QVersionNumber>
#include <QVideoSink>
#include <QWindow>

using namespace Qt::StringLiterals;

// Outside any namespace, as Q_INIT_RESOURCE requires: the icon lives in a
// static library, whose resources are only linked in when referenced.
static void initAppResources()
{
    Q_INIT_RESOURCE(snipora);
}

namespace {

const QString kInstanceMarkerName = u"Tessalysnipora"_s;
const QString kStopFirstMessage = u"Please Stop the running task first."_s;

QRect pixelRect(const ControlSpec &spec)
{
    return QRect(twipsToPixels(spec.left), twipsToPixels(spec.top), twipsToPixels(spec.width),
                 twipsToPixels(spec.height));
}

// The slider as the window's design data has it: whole seconds, nothing
// loaded yet, and no mouse placement until a video loads.
PropertyBag sliderDesignData()
{
    PropertyBag bag;
    bag.setRaw(u"Value"_s, 0);
    bag.setRaw(u"Min"_s, 0);
    bag.setRaw(u"Max"_s, 1000000);
    bag.setRaw(u"Enabled"_s, false);
    return bag;
}

} // namespace

QString VersionLabel(int major, int minor, int revision)
{
    return u"%1.%2.0.%3"_s.arg(major).arg(minor).arg(revision);
}

frmMain::frmMain(const WindowServices &services, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_services(services)
{
    setObjectName(u"frmMain"_s);
    setWindowTitle(u"Aurelith"_s);
    initAppResources();
    QIcon icon;
    for (const char *size : {"32", "64", "128"})
        icon.addFile(u":/snipora/icon-%1.png"_s.arg(QLatin1StringView(size)));
    setWindowIcon(icon);
    setAttribute(Qt::WA_QuitOnClose);
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);

    m_tmrAnimate.setObjectName(u"tmrAnimate"_s);
    m_tmrVideo.setObjectName(u"tmrVideo"_s);
    m_tmrVideo.setInterval(1000);
    connect(&m_tmrAnimate, &QTimer::timeout, this, &frmMain::tmrAnimate_Timer);
    connect(&m_tmrVideo, &QTimer::timeout, this, &frmMain::tmrVideo_Timer);

    buildControls();
    findControls();
    if (m_services.makePreviewEngine)
        m_preview = m_services.makePreviewEngine();

    // Start-up, in an order the rest relies on: the lists are filled before
    // the saved settings select items in them.
    m_bNoVideo = true;
    if (!m_services.markerFolder.isEmpty()) {
        // Only marks that a copy runs; a second copy starts all the same.
        m_instanceMarker = std::make_unique<QLockFile>(QDir(m_services.markerFolder).filePath(kInstanceMarkerName));
        m_instanceMarker->setStaleLockTime(0);
        m_instanceMarker->tryLock(0);
    }
    SetupWindow();
    wireControls();
    LoadPresets();
    LoadCodecs();
    m_savedSettings = std::make_unique<SavedSettings>(*m_services.settingsLocation, m_services.homeFolder);
    m_savedSettings->LoadSettings(*m_settingsControls);
    updateFolderControls();
    addShortcuts();
}

frmMain::~frmMain()
{
    m_tmrVideo.stop();
    m_tmrAnimate.stop();
    if (m_preview)
        m_preview->Release();
}

template<typename T>
T *frmMain::control(const char *name) const
{
    T *widget = findChild<T *>(QString::fromLatin1(name));
    Q_ASSERT_X(widget, "frmMain", name);
    return widget;
}

void frmMain::buildControls()
{
    for (const ControlSpec &spec : windowLayout()) {
        QWidget *parent = spec.container ? control<QWidget>(spec.container) : this;
        const QString caption = QString::fromUtf8(spec.caption ? spec.caption : "");
        QWidget *widget = nullptr;
        switch (spec.kind) {
        case ControlKind::Panel: {
            auto *panel = new FramePanel(parent);
            panel->setCaption(caption);
            widget = panel;
            break;
        }
        case ControlKind::Button: {
            auto *button = new PictureButton(parent);
            button->setCaption(caption);
            widget = button;
            break;
        }
        case ControlKind::Option: widget = new OptionButton(caption, parent); break;
        case ControlKind::Check: {
            auto *check = new CheckBox(parent);
            check->setText(caption);
            widget = check;
            break;
        }
        case ControlKind::Label: widget = new QLabel(caption, parent); break;
        case ControlKind::Link: {
            auto *link = new QLabel(parent);
            link->setText(u"<a href=\"#\">%1</a>"_s.arg(caption.toHtmlEscaped()));
            link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
            widget = link;
            break;
        }
        case ControlKind::TextBox: widget = new QLineEdit(caption, parent); break;
        case ControlKind::List: widget = new QComboBox(parent); break;
        case ControlKind::Progress: widget = new ProgressBar(parent); break;
        case ControlKind::Video: widget = new VideoArea(parent); break;
        case ControlKind::Slider: widget = new Slider(parent); break;
        }
        widget->setObjectName(QString::fromLatin1(spec.name));
        // What a control says is what a screen reader reads: a text of its
        // own speaks for itself (and follows every change), its role goes
        // into the description; only controls without a text get a name.
        if (speaksItsText(spec)) {
            if (spec.accessible)
                widget->setAccessibleDescription(QString::fromUtf8(spec.accessible));
        } else {
            widget->setAccessibleName(accessibleNameOf(spec));
        }
        if (spec.toolTip)
            widget->setToolTip(QString::fromUtf8(spec.toolTip));
        if (auto *panel = qobject_cast<FramePanel *>(widget))
            panel->setTwipsGeometry(spec.left, spec.top, spec.width, spec.height);
        else
            widget->setGeometry(pixelRect(spec));
    }

    // Type that the table leaves to the window: headings, the product name,
    // texts that wrap.
    auto emphasise = [this](const char *name, int pixelSize) {
        auto *label = control<QLabel>(name);
        QFont f = label->font();
        f.setBold(true);
        if (pixelSize)
            f.setPixelSize(pixelSize);
        label->setFont(f);
    };
    emphasise("lblProduct", 22);
    emphasise("lblVideoOptions", 0);
    emphasise("lblAudioOptions", 0);
    emphasise("lblFormatCaption", 0);
    emphasise("lblFolderCaption", 0);
    emphasise("lblProgress", 0);
    for (const char *name : {"lblFormat", "lblAboutText"})
        control<QLabel>(name)->setWordWrap(true);
    for (const char *name : {"lblTime", "lblStartSelect", "lblEndSelect"})
        control<QLabel>(name)->setAlignment(Qt::AlignCenter);
    control<QLabel>("imgAbout")->setPixmap(QIcon(u":/snipora/icon-128.png"_s).pixmap(twipsToPixels(960)));
}

void frmMain::findControls()
{
    frMain = control<FramePanel>("frMain");
    frAbout = control<FramePanel>("frAbout");
    frFormats = control<FramePanel>("frFormats");
    cmdAbout = control<PictureButton>("cmdAbout");
    MyButton1 = control<PictureButton>("MyButton1");
    cmdMinimize = control<PictureButton>("cmdMinimize");
    cmdClose = control<PictureButton>("cmdClose");
    cmdAddVideoFile = control<PictureButton>("cmdAddVideoFile");
    cmdPlay = control<PictureButton>("cmdPlay");
    cmdStop = control<PictureButton>("cmdStop");
    cmdStartSelect = control<PictureButton>("cmdStartSelect");
    cmdEndSelect = control<PictureButton>("cmdEndSelect");
    cmdDeleteSelect = control<PictureButton>("cmdDeleteSelect");
    cmdChangeFormat = control<PictureButton>("cmdChangeFormat");
    cmdBrowse = control<PictureButton>("cmdBrowse");
    cmdConvert = control<PictureButton>("cmdConvert");
    cmdCloseHelp = control<PictureButton>("cmdCloseHelp");
    cmdHide = control<PictureButton>("cmdHide");
    cmdDefaults = control<PictureButton>("cmdDefaults");
    optSameFolder = control<OptionButton>("optSameFolder");
    optOtherFolder = control<OptionButton>("optOtherFolder");
    txtOutPath = control<QLineEdit>("txtOutPath");
    chkShutdown = control<CheckBox>("chkShutdown");
    progress = control<ProgressBar>("progress");
    lblProgress = control<QLabel>("lblProgress");
    lblTime = control<QLabel>("lblTime");
    lblStartSelect = control<QLabel>("lblStartSelect");
    lblEndSelect = control<QLabel>("lblEndSelect");
    lblVer = control<QLabel>("lblVer");
    lblFFmpeg = control<QLabel>("lblFFmpeg");
    lblWebSite = control<QLabel>("lblWebSite");
    picVideoWindow = control<VideoArea>("picVideoWindow");
    m_slider = control<Slider>("Slider");
    m_slider->ReadProperties(sliderDesignData());

    FormatPanel::Controls f;
    f.optFormat = {control<OptionButton>("optFormat(0)"), control<OptionButton>("optFormat(1)")};
    f.frFormat = {control<FramePanel>("frFormat(0)"), control<FramePanel>("frFormat(1)")};
    f.cmbCategory = control<QComboBox>("cmbCategory");
    f.cmbOutVCodec = control<QComboBox>("cmbOutVCodec");
    f.cmbOutFormat = control<QComboBox>("cmbOutFormat");
    f.cmbCustContainer = control<QComboBox>("cmbCustContainer");
    f.cmbCVCodec = control<QComboBox>("cmbCVCodec");
    f.cmbCVSize = control<QComboBox>("cmbCVSize");
    f.cmbCVAspect = control<QComboBox>("cmbCVAspect");
    f.cmbCACodec = control<QComboBox>("cmbCACodec");
    f.cmbCASmapleRate = control<QComboBox>("cmbCASmapleRate");
    f.txtCVBitrate = control<QLineEdit>("txtCVBitrate");
    f.txtFrameRate = control<QLineEdit>("txtFrameRate");
    f.txtCABirate = control<QLineEdit>("txtCABirate");
    f.txtChannels = control<QLineEdit>("txtChannels");
    f.lblFormat = control<QLabel>("lblFormat");
    f.chkFastSeek = control<CheckBox>("chkFastSeek");
    m_format = std::make_unique<FormatPanel>(f, m_presets, m_codecs, *m_services.messages);
    m_settingsControls = std::make_unique<WindowSettings>(
        WindowSettings::Controls{optOtherFolder, optSameFolder, txtOutPath, cmdBrowse, f.chkFastSeek}, *m_format);
}

void frmMain::wireControls()
{
    connect(frMain, &FramePanel::MouseDown, this, &frmMain::DragWindow);
    connect(cmdMinimize, &QAbstractButton::clicked, this, &QWidget::showMinimized);
    connect(cmdClose, &QAbstractButton::clicked, this, &frmMain::cmdClose_Click);
    connect(MyButton1, &QAbstractButton::clicked, this, &frmMain::MyButton1_Click);
    connect(cmdAbout, &QAbstractButton::clicked, this, [this] { openPanel(frAbout); });
    connect(cmdCloseHelp, &QAbstractButton::clicked, this, [this] { AnimatePanel(u"EDIT_FRAME_DOWN"_s); });
    connect(lblFFmpeg, &QLabel::linkActivated, this,
            [this] { OpenLink(m_services.programDir, kFFmpegHomePage, *m_services.desktop); });
    connect(lblWebSite, &QLabel::linkActivated, this,
            [this] { OpenLink(m_services.programDir, kMakerHomePage, *m_services.desktop); });

    connect(cmdChangeFormat, &QAbstractButton::clicked, this, [this] { openPanel(frFormats); });
    connect(cmdHide, &QAbstractButton::clicked, this, &frmMain::cmdHide_Click);
    connect(cmdDefaults, &QAbstractButton::clicked, this, &frmMain::cmdDefaults_Click);
    connect(optSameFolder, &QAbstractButton::toggled, this, &frmMain::updateFolderControls);
    connect(optOtherFolder, &QAbstractButton::toggled, this, &frmMain::updateFolderControls);
    connect(cmdBrowse, &QAbstractButton::clicked, this, &frmMain::cmdBrowse_Click);

    connect(cmdAddVideoFile, &QAbstractButton::clicked, this, &frmMain::cmdAddVideoFile_Click);
    connect(picVideoWindow, &VideoArea::filesDropped, this, &frmMain::picVideoWindow_filesDropped);
    connect(cmdPlay, &QAbstractButton::clicked, this, &frmMain::cmdPlay_Click);
    connect(cmdStop, &QAbstractButton::clicked, this, &frmMain::cmdStop_Click);
    connect(m_slider, &Slider::MouseUp, this, &frmMain::Slider_MouseUp);
    // A paused preview shows a sought frame only once it is decoded.
    connect(picVideoWindow->videoSink(), &QVideoSink::videoFrameChanged, this, &frmMain::showShownFrame);
    connect(cmdStartSelect, &QAbstractButton::clicked, this, &frmMain::cmdStartSelect_Click);
    connect(cmdEndSelect, &QAbstractButton::clicked, this, &frmMain::cmdEndSelect_Click);
    connect(cmdDeleteSelect, &QAbstractButton::clicked, this, &frmMain::cmdDeleteSelect_Click);
    connect(cmdConvert, &QAbstractButton::clicked, this, &frmMain::cmdConvert_Click);
}

void frmMain::addShortcuts()
{
    // Each key presses its button, so a disabled button (a task running, a
    // panel up) ignores its key as well.
    const auto bind = [this](const QKeySequence &keys, QAbstractButton *button) {
        auto *shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, button, &QAbstractButton::click);
    };
    bind(QKeySequence(Qt::Key_Space), cmdPlay);
    bind(QKeySequence(Qt::Key_I), cmdStartSelect);
    bind(QKeySequence(Qt::Key_O), cmdEndSelect);
    bind(QKeySequence(Qt::CTRL | Qt::Key_O), cmdAddVideoFile);
    bind(QKeySequence(Qt::CTRL | Qt::Key_Return), cmdConvert);
    bind(QKeySequence(Qt::CTRL | Qt::Key_Enter), cmdConvert);
}

void frmMain::SetupWindow()
{
    frMain->setTwipsGeometry(0, 0, frMain->Width(), frMain->Height());
    setFixedSize(twipsToPixels(frMain->Width()), twipsToPixels(frMain->Height()));
    for (FramePanel *panel : {frFormats, frAbout}) {
        panel->setTop(frMain->Height());
        panel->setLeft((frMain->Width() - panel->Width()) / 2);
    }
    const QVersionNumber version = QVersionNumber::fromString(QLatin1StringView(SNIPORA_VERSION));
    lblVer->setText(VersionLabel(version.majorVersion(), version.minorVersion(), version.microVersion()));
    ApplyColors(this);
}

void frmMain::LoadPresets()
{
    m_presets = ::LoadPresets(m_services.programDir, *m_services.messages);
    m_format->fillCategories();
}

void frmMain::LoadCodecs()
{
    m_codecs = ::LoadCodecs(m_services.programDir, *m_services.messages);
    m_format->fillCodecs();
}

void frmMain::SaveSettings()
{
    m_savedSettings->SaveSettings(*m_settingsControls);
}

void frmMain::DragWindow()
{
    if (QWindow *window = windowHandle())
        window->startSystemMove();
}

void frmMain::cmdClose_Click()
{
    if (m_taskRunning) {
        m_services.messages->showMessage(kStopFirstMessage, MessageIcon::Warning, kAppTitle);
        return;
    }
    close();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    SaveSettings();
    if (m_taskRunning) {
        // The task's handler is still on the stack below this event: stop the
        // encoder and let the handler unwind; the program ends after it.
        m_closing = true;
        if (m_cConvert)
            m_cConvert->StopConversion();
    }
    m_tmrVideo.stop();
    if (m_preview)
        m_preview->Stop();
    event->accept();
}

void frmMain::MyButton1_Click()
{
    OpenHelp(m_services.programDir, *m_services.desktop);
}

void frmMain::openPanel(FramePanel *panel)
{
    if (m_animator.timerEnabled())
        return;
    m_objMovePanel = panel;
    frMain->setEnabled(false);
    AnimatePanel(u"EDIT_FRAME_UP"_s);
}

void frmMain::AnimatePanel(const QString &sMoveObject)
{
    m_animator.AnimatePanel(sMoveObject);
    m_tmrAnimate.start(m_animator.interval());
}

void frmMain::tmrAnimate_Timer()
{
    if (!m_objMovePanel || !m_animator.timerEnabled()) {
        m_tmrAnimate.stop();
        return;
    }
    const SlideAnimator::Tick tick = m_animator.OnTick(m_objMovePanel->Top(), frMain->Height());
    m_objMovePanel->setTop(tick.top);
    if (tick.timerEnabled)
        m_tmrAnimate.setInterval(tick.interval);
    else
        m_tmrAnimate.stop();
    if (tick.arrivedDown) {
        frMain->setEnabled(true);
        picVideoWindow->update();
        m_slider->hide();
        m_slider->show();
    }
}

void frmMain::updateFolderControls()
{
    // Browse and the folder box serve the other-folder mode only.
    const bool other = optOtherFolder->Value() && !m_taskRunning;
    cmdBrowse->setEnabled(other);
    txtOutPath->setEnabled(optOtherFolder->Value());
}

void frmMain::cmdBrowse_Click()
{
    const QString folder = m_services.dialogs->BrowseForFolder(this, u"Select folder to add"_s);
    if (const auto accepted = AcceptBrowsedFolder(folder, *m_services.mounts, *m_services.messages))
        txtOutPath->setText(*accepted);
}

void frmMain::cmdHide_Click()
{
    if (!m_format->checkBeforeClose())
        return;
    AnimatePanel(u"EDIT_FRAME_DOWN"_s);
    m_format->UpdateFormatDescription();
}

void frmMain::cmdDefaults_Click()
{
    m_savedSettings->cmdDefaultsClicked(*m_settingsControls);
}
