#include "frmmain.h"

#include "aboutpanel.h"
#include "breakpartsdialog.h"
#include "colorscheme.h"
#include "controls.h"
#include "cutlistpanel.h"
#include "cutworkflow.h"
#include "drivecheck.h"
#include "filedialogs.h"
#include "formatpanel.h"
#include "panelslider.h"
#include "windowkeys.h"
#include "previewsession.h"
#include "messagesink.h"
#include "slider.h"
#include "timelineband.h"
#include "timelinelayout.h"
#include "timetext.h"
#include "videoarea.h"
#include "videofiles.h"
#include "windowbuilder.h"
#include "windowsettings.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QWindow>

using namespace Qt::StringLiterals;

frmMain::frmMain(const WindowServices &services, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_services(services)
    , m_flow(std::make_unique<CutWorkflow>(services))
{
    BuildWindowControls(*this);
    findControls();
    m_panels = std::make_unique<PanelSlider>(*m_frMain);
    connect(m_panels.get(), &PanelSlider::arrivedDown, this, [this] {
        m_picVideoWindow->update();
        m_slider->hide();
        m_slider->show();
    });
    m_flow->session().setVideoOutput([area = QPointer(m_picVideoWindow)](const PreviewPicture &picture) {
        if (area)
            area->showPicture(picture);
    });
    connect(m_picVideoWindow, &VideoArea::paintSizeChanged, &m_flow->session(), &PreviewSession::setPictureSize);
    m_cutList = std::make_unique<CutListPanel>(*this, m_services, *m_flow, *m_panels, [this] { return cutChoices(); });

    // Start-up, in an order the rest relies on: the lists are filled before
    // the saved settings select items in them.
    m_instanceMarker = MarkRunningInstance(m_services.markerFolder);
    ApplyColors(this);
    wireControls();
    wireWorkflow();
    wireTimeline();
    m_flow->LoadPresets();
    m_format->fillCategories();
    m_flow->LoadCodecs();
    m_format->fillCodecs();
    m_flow->LoadSettings(*m_settingsControls);
    updateFolderControls();
    AddButtonKeys(*this);
    new PreviewKeys(*this, *m_slider, *m_cmdPlay, m_flow->session());
}

frmMain::~frmMain() = default;

template<typename T>
T *frmMain::control(const char *name) const
{
    T *widget = findChild<T *>(QString::fromLatin1(name));
    Q_ASSERT_X(widget, "frmMain", name);
    return widget;
}

void frmMain::findControls()
{
    m_frMain = control<FramePanel>("frMain");
    m_frFormats = control<FramePanel>("frFormats");
    m_cmdPlay = control<PictureButton>("cmdPlay");
    m_cmdConvert = control<PictureButton>("cmdConvert");
    m_cmdFindBreaks = control<PictureButton>("cmdFindBreaks");
    m_cmdAddBreaks = control<PictureButton>("cmdAddBreaks");
    m_cmdBrowse = control<PictureButton>("cmdBrowse");
    m_optSameFolder = control<OptionButton>("optSameFolder");
    m_optOtherFolder = control<OptionButton>("optOtherFolder");
    m_txtOutPath = control<QLineEdit>("txtOutPath");
    m_progress = control<ProgressBar>("progress");
    m_lblProgress = control<QLabel>("lblProgress");
    m_lblTime = control<QLabel>("lblTime");
    m_lblStartSelect = control<QLabel>("lblStartSelect");
    m_lblEndSelect = control<QLabel>("lblEndSelect");
    m_picVideoWindow = control<VideoArea>("picVideoWindow");
    m_slider = control<Slider>("Slider");
    m_chkTimeline = control<CheckBox>("chkTimeline");
    m_timeline = new TimelineBand(*m_slider, control<FramePanel>("MyFrame3"));
    PlaceTimelineBand(*this, *m_timeline, false);
    for (const char *name : {"cmdChangeFormat", "cmdPlay", "cmdBrowse", "optSameFolder", "optOtherFolder",
                             "cmdAddVideoFile", "cmdAbout", "cmdStartSelect", "cmdStop", "cmdEndSelect",
                             "cmdDeleteSelect", "chkExactMarks"})
        m_lockedDuringTask.append(control<QWidget>(name));

    const FormatPanel::Controls f = FormatPanel::findIn(*this);
    m_format = std::make_unique<FormatPanel>(f, m_flow->presets(), m_flow->codecs(), *m_services.messages);
    m_settingsControls = std::make_unique<WindowSettings>(
        WindowSettings::Controls{m_optOtherFolder, m_optSameFolder, m_txtOutPath, m_cmdBrowse, f.chkFastSeek,
                                 control<CheckBox>("chkExactMarks"), m_chkTimeline},
        *m_format);
}

void frmMain::wireControls()
{
    const auto clicked = [this](const char *name, auto slot) {
        connect(control<QAbstractButton>(name), &QAbstractButton::clicked, this, slot);
    };
    connect(m_frMain, &FramePanel::MouseDown, this, &frmMain::DragWindow);
    clicked("cmdMinimize", &QWidget::showMinimized);
    clicked("cmdClose", &frmMain::cmdClose_Click);
    SetUpAboutPanel(*this, *m_panels, m_services);

    clicked("cmdChangeFormat", [this] { m_panels->open(m_frFormats); });
    clicked("cmdHide", &frmMain::cmdHide_Click);
    clicked("cmdDefaults", [this] { m_flow->RestoreDefaults(*m_settingsControls); });
    connect(m_optSameFolder, &QAbstractButton::toggled, this, &frmMain::updateFolderControls);
    connect(m_optOtherFolder, &QAbstractButton::toggled, this, &frmMain::updateFolderControls);
    connect(m_cmdBrowse, &QAbstractButton::clicked, this, &frmMain::cmdBrowse_Click);

    clicked("cmdAddVideoFile", [this] {
        QString path = m_services.dialogs->ShowOpenDialog(this, VideoFileTypes(), tr("Select a video file"));
        if (path != kDialogCancel && !path.remove(QChar(0)).isEmpty())
            m_flow->OpenFile(path);
    });
    connect(m_picVideoWindow, &VideoArea::filesDropped, m_flow.get(), &CutWorkflow::OpenDropped);
    clicked("cmdPlay", [this] { m_flow->session().PlayPause(); });
    clicked("cmdStop", [this] { m_flow->session().Stop(); });
    connect(m_slider, &Slider::MouseUp, this, &frmMain::Slider_MouseUp);
    connect(m_slider, &Slider::Scroll, this, &frmMain::Slider_Scroll);
    // A paused preview shows a sought frame only once it is decoded.
    connect(m_picVideoWindow, &VideoArea::pictureChanged, &m_flow->session(), &PreviewSession::FrameShown);
    clicked("cmdStartSelect", [this] { m_flow->MarkStart(m_slider->Value()); });
    clicked("cmdEndSelect", [this] { m_flow->MarkEnd(m_slider->Value()); });
    clicked("cmdDeleteSelect", [this] { m_flow->ResetMarks(); });
    clicked("cmdConvert", &frmMain::cmdConvert_Click);
    connect(control<CheckBox>("chkShutdown"), &QAbstractButton::toggled, m_flow.get(),
            &CutWorkflow::setShutdownAfterTask);
    connect(control<CheckBox>("chkExactMarks"), &QAbstractButton::toggled, m_flow.get(),
            &CutWorkflow::setExactMarks);
    connect(control<CheckBox>("chkExactMarks"), &QAbstractButton::toggled, m_format.get(),
            &FormatPanel::setExactMarks);
}

void frmMain::wireWorkflow()
{
    PreviewSession *session = &m_flow->session();
    connect(session, &PreviewSession::videoCleared, this, &frmMain::showVideoCleared);
    connect(session, &PreviewSession::videoLoaded, this, &frmMain::showVideoLoaded);
    connect(session, &PreviewSession::positionChanged, this, &frmMain::showPosition);
    connect(session, &PreviewSession::playingChanged, this,
            [this](bool playing) { m_cmdPlay->setCaption(playing ? tr("Pause") : tr("Play")); });
    connect(m_flow.get(), &CutWorkflow::marksChanged, this, &frmMain::showMarks);
    connect(m_flow.get(), &CutWorkflow::taskStateChanged, this, &frmMain::showTaskState);
    connect(m_flow.get(), &CutWorkflow::progressChanged, this, &frmMain::showProgress);
    connect(m_flow.get(), &CutWorkflow::taskEnded, this, &frmMain::taskEnded);
}

void frmMain::wireTimeline()
{
    PreviewSession *session = &m_flow->session();
    connect(m_chkTimeline, &QAbstractButton::toggled, this, [this, session](bool on) {
        PlaceTimelineBand(*this, *m_timeline, on);
        if (on && !session->bNoVideo())
            m_timeline->start();
    });
    // A hidden band asks for nothing: its pictures and waveform are read only to be shown.
    connect(m_timeline, &TimelineBand::thumbnailsWanted, this, [this, session](const std::vector<double> &times, int height) {
        if (m_chkTimeline->Value() == 1)
            session->RequestThumbnails(times, height);
    });
    connect(m_timeline, &TimelineBand::waveformWanted, this, [this, session] {
        if (m_chkTimeline->Value() == 1)
            session->RequestWaveform();
    });
    connect(m_timeline, &TimelineBand::seekRequested, this, [this, session](qint32 value) {
        m_slider->SetValue(value);
        session->SeekTo(value);
    });
    connect(session, &PreviewSession::videoCleared, m_timeline, &TimelineBand::clear);
    connect(session, &PreviewSession::keyframesChanged, this, [this](const std::vector<double> &keyframes) {
        m_timeline->setKeyframes(keyframes);
        m_slider->setAccessibleDescription(m_timeline->keyframeDescription());
    });
    connect(session, &PreviewSession::thumbnailReady, m_timeline, &TimelineBand::setThumbnail);
    connect(session, &PreviewSession::waveformRead, m_timeline, &TimelineBand::addWaveform);

    connect(m_cmdFindBreaks, &QAbstractButton::clicked, this, &frmMain::cmdFindBreaks_Click);
    connect(m_cmdAddBreaks, &QAbstractButton::clicked, this, &frmMain::cmdAddBreaks_Click);
    connect(session, &PreviewSession::breaksProgress, this, &frmMain::showBreakProgress);
    connect(session, &PreviewSession::breaksFound, this, &frmMain::showBreaksFound);
    // A load clears the status area itself (the workflow's progress), and the breaks go.
    connect(session, &PreviewSession::videoCleared, this, &frmMain::updateBreakButtons);
    // The video counts as loaded once it plays.
    connect(session, &PreviewSession::playingChanged, this, &frmMain::updateBreakButtons);
    connect(session, &PreviewSession::placeReached, this, [this](PreviewSession::Place place, double seconds) {
        if (place == PreviewSession::Place::Break)
            m_timeline->showCurrentBreak(seconds);
    });
    updateBreakButtons();
}

void frmMain::cmdFindBreaks_Click()
{
    PreviewSession &session = m_flow->session();
    // While it runs the button is its Stop.
    if (session.findingBreaks()) {
        session.StopBreaks();
        return;
    }
    if (session.bNoVideo() || m_flow->TaskRunning())
        return;
    session.FindBreaks(m_flow->breakThresholds());
    if (session.findingBreaks())
        showBreakProgress(0.0, 0.0);
    updateBreakButtons();
}

void frmMain::cmdAddBreaks_Click()
{
    const std::vector<BreakPart> parts = partsBetweenBreaks(m_flow->session().breaks().breaks);
    if (parts.empty())
        return;
    auto *dialog = new BreakPartsDialog(parts, this);
    connect(dialog, &BreakPartsDialog::partsChosen, this, [this](const std::vector<BreakPart> &chosen) {
        m_cutList->addParts(chosen);
    });
    dialog->open();
}

void frmMain::showBreakProgress(double readSeconds, double lengthSeconds)
{
    const int percent = lengthSeconds > 0.0 ? std::clamp(int(readSeconds * 100.0 / lengthSeconds), 0, 100) : 0;
    m_lblProgress->setText(tr("Finding breaks: %1 of %2")
                               .arg(FormatTime(qint32(readSeconds)), FormatTime(qint32(std::lround(lengthSeconds)))));
    m_lblProgress->setVisible(true);
    m_progress->setValue(percent);
    m_progress->setBusy(lengthSeconds <= 0.0);
    m_progress->setVisible(true);
}

void frmMain::showBreaksFound(const BreakScan &scan, BreakScanEnd end)
{
    m_timeline->setBreaks(scan.breaks, [&scan] {
        std::vector<double> scenes;
        for (const SceneChange &scene : scan.scenes)
            scenes.push_back(scene.seconds);
        return scenes;
    }());
    updateBreakButtons();
    // A cut that started meanwhile has the status area.
    if (m_flow->TaskRunning())
        return;
    const int breaks = int(scan.breaks.size()), scenes = int(scan.scenes.size());
    QString text;
    switch (end) {
    case BreakScanEnd::Complete:
    case BreakScanEnd::FromCache:
        text = scan.damaged ? tr("Breaks: %1, scene changes: %2 (the file is damaged: read up to the damage)")
                                  .arg(breaks).arg(scenes)
                            : tr("Breaks: %1, scene changes: %2").arg(breaks).arg(scenes);
        break;
    case BreakScanEnd::Stopped:
        text = tr("Stopped. Breaks so far: %1, scene changes: %2").arg(breaks).arg(scenes);
        break;
    case BreakScanEnd::Failed: text = tr("The breaks could not be found: the video cannot be read"); break;
    }
    m_lblProgress->setText(text);
    m_lblProgress->setVisible(true);
    m_progress->setBusy(false);
    m_progress->setValue(end == BreakScanEnd::Stopped || end == BreakScanEnd::Failed ? 0 : 100);
}

void frmMain::updateBreakButtons()
{
    const PreviewSession &session = m_flow->session();
    const bool finding = session.findingBreaks();
    m_cmdFindBreaks->setCaption(finding ? tr("Stop") : QCoreApplication::translate("WindowLayout", "Find Breaks"));
    m_cmdFindBreaks->setEnabled(finding || (!session.bNoVideo() && !m_flow->TaskRunning()));
    m_cmdAddBreaks->setEnabled(!finding && !m_flow->TaskRunning()
                               && !partsBetweenBreaks(session.breaks().breaks).empty());
}

void frmMain::OpenFile(const QString &path)
{
    m_flow->OpenFile(path);
}

qint32 frmMain::sliderMax() const
{
    return m_slider->Max();
}

void frmMain::SaveSettings()
{
    m_flow->SaveSettings(*m_settingsControls);
}

void frmMain::DragWindow()
{
    if (QWindow *window = windowHandle())
        window->startSystemMove();
}

void frmMain::cmdClose_Click()
{
    if (m_flow->TaskRunning()) {
        m_services.messages->showMessage(tr("Please Stop the running task first."), MessageIcon::Warning, kAppTitle);
        return;
    }
    close();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    SaveSettings();
    m_flow->Close();
    event->accept();
}

void frmMain::cmdBrowse_Click()
{
    const QString folder = m_services.dialogs->BrowseForFolder(this, tr("Select folder to add"));
    if (const auto accepted = AcceptBrowsedFolder(folder, *m_services.mounts, *m_services.messages))
        m_txtOutPath->setText(*accepted);
}

void frmMain::cmdHide_Click()
{
    if (!m_format->checkBeforeClose())
        return;
    m_panels->close();
    m_format->UpdateFormatDescription();
}

void frmMain::cmdConvert_Click()
{
    m_flow->StartOrStop(cutChoices());
}

CutChoices frmMain::cutChoices() const
{
    return CutChoices{m_format->snapshot(), OutputFolderChoice{m_optSameFolder->Value(), m_txtOutPath->text()},
                      m_format->fastSeek()};
}

void frmMain::Slider_Scroll()
{
    // Dragged while paused: the picture follows the handle, each new second at once (the preview
    // shows its keyframe until the handle rests there); the release seeks where the handle ends.
    if (!m_slider->Pressed() || !m_slider->Dragging() || m_flow->session().playing()
        || m_slider->Value() == m_scrubbedTo)
        return;
    m_scrubbedTo = m_slider->Value();
    m_flow->session().SeekTo(m_scrubbedTo);
}

void frmMain::Slider_MouseUp()
{
    const qint32 scrubbed = std::exchange(m_scrubbedTo, -1);
    // The slider raises MouseUp (and Click) before a click on its track moves
    // the handle: seek once the release is handled, to where the handle ends.
    if (std::exchange(m_seekQueued, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this, scrubbed] {
            m_seekQueued = false;
            // A drag that ended where it last sought has asked for that second already.
            if (m_slider->Value() == scrubbed)
                m_flow->session().FrameShown();
            else
                m_flow->session().SeekTo(m_slider->Value());
        },
        Qt::QueuedConnection);
}

void frmMain::showVideoCleared()
{
    m_lblTime->setText(kLoadingTimeText);
    m_slider->SetValue(0);
    m_slider->setAccessibleDescription({});
    showMarks(0, 0, kResetMarkText, kResetMarkText);
}

void frmMain::showVideoLoaded(qint32 durationSeconds)
{
    m_slider->SetMax(durationSeconds);
    m_slider->SetValue(0);
    m_slider->SetEnabled(true);
    m_timeline->start();
    m_picVideoWindow->unsetCursor(); // the pointer stays visible over the video
    update();
}

void frmMain::showPosition(qint32 seconds, const QString &timeText)
{
    m_picVideoWindow->update();
    m_lblTime->setText(timeText);
    // A handle held by the pointer stays under it.
    if (!m_slider->Pressed())
        m_slider->SetValue(seconds);
}

void frmMain::showMarks(qint32 start, qint32 end, const QString &startText, const QString &endText)
{
    m_slider->SetSelectEnd(end);
    m_slider->SetSelectStart(start);
    if (!startText.isEmpty())
        m_lblStartSelect->setText(startText);
    if (!endText.isEmpty())
        m_lblEndSelect->setText(endText);
}

void frmMain::showTaskState(TaskState state)
{
    const TaskControls shown = taskControlsFor(state);
    m_cmdConvert->setCaption(shown.convertCaption);
    for (QWidget *widget : std::as_const(m_lockedDuringTask))
        widget->setEnabled(shown.controlsEnabled);
    updateFolderControls();
    // A cut takes the status area: a scan that runs stops with what it found.
    if (state != TaskState::Idle)
        m_flow->session().StopBreaks();
    updateBreakButtons();
}

void frmMain::showProgress(const TaskProgress &progress)
{
    m_lblProgress->setText(progress.status.isEmpty()
                               ? progress.label
                               : tr("%1 %2", "the progress caption, then what the task says of itself")
                                     .arg(progress.label, progress.status));
    m_lblProgress->setVisible(progress.shown);
    m_progress->setValue(progress.value);
    m_progress->setBusy(progress.busy);
    m_progress->setVisible(progress.shown);
}

void frmMain::updateFolderControls()
{
    const FolderControlState folder = folderControlState(m_optOtherFolder->Value(), m_flow->TaskRunning());
    m_cmdBrowse->setEnabled(folder.browseEnabled);
    m_txtOutPath->setEnabled(folder.outPathEnabled);
}
