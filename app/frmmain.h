#pragma once

#include "catalogue.h"
#include "slideanimator.h"
#include "windowservices.h"

#include <QLockFile>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

class CheckBox;
class CVideoConv;
class FormatPanel;
class FramePanel;
class OptionButton;
class PictureButton;
class ProgressBar;
class QComboBox;
class QLabel;
class QLineEdit;
class SavedSettings;
class Slider;
class VideoArea;
class WindowSettings;
enum class PreviewStatus;

// The main window. It owns the catalogues, the slider, the preview and the
// current conversion job, and is the one place where they are wired together.
// Everything runs on the one UI thread; a task runs inside the Start button's
// handler and every other event, Stop among them, is handled nested inside
// the encoder runner's event passes.
class frmMain final : public QWidget
{
    Q_OBJECT

public:
    explicit frmMain(const WindowServices &services, QWidget *parent = nullptr);
    ~frmMain() override;

    // The load that follows the open dialog: stop, reset, probe, record the
    // source, load the preview. For a dropped file and a file named on the
    // command line too.
    void OpenFile(const QString &path);

    // Window state other parts and tests read.
    bool bNoVideo() const { return m_bNoVideo; }
    bool TaskRunning() const { return m_taskRunning; }
    QString sVideoFile() const { return m_sVideoFile; }
    QString sTotalTime() const { return m_sTotalTime; }
    qint32 sliderMax() const;
    const QList<PresetEntry> &Presets() const { return m_presets.Presets; }
    const QList<CodecEntry> &Codecs() const { return m_codecs.Codecs; }
    FormatPanel &formatPanel() { return *m_format; }
    CVideoConv *cConvert() const { return m_cConvert.get(); }

    // For tests of the marks before loading exists in a test's setup.
    void setNoVideo(bool noVideo) { m_bNoVideo = noVideo; }

    // The About and format panels' slide timer and its logic.
    QTimer &tmrAnimate() { return m_tmrAnimate; }
    QTimer &tmrVideo() { return m_tmrVideo; }
    const SlideAnimator &animator() const { return m_animator; }

    // One tick of each timer, for tests that step them without real time.
    void tmrAnimate_Timer();
    void tmrVideo_Timer();

    void SaveSettings();

signals:
    // A task has ended (completed, failed or stopped) and the window is idle.
    void taskEnded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    template<typename T>
    T *control(const char *name) const;
    void buildControls();
    void findControls();
    void wireControls();
    void addShortcuts();

    // Start-up and chrome.
    void SetupWindow();
    void LoadPresets();
    void LoadCodecs();
    void DragWindow();
    void cmdClose_Click();
    void MyButton1_Click();
    void openPanel(FramePanel *panel);
    void AnimatePanel(const QString &sMoveObject);
    void updateFolderControls();
    void cmdBrowse_Click();
    void cmdHide_Click();
    void cmdDefaults_Click();

    // Loading and preview.
    void cmdAddVideoFile_Click();
    QString SelectVideoFile();
    void LoadVideo(const QString &path, std::optional<double> probedDuration);
    bool loadStep(PreviewStatus status);
    void picVideoWindow_filesDropped(const QStringList &paths);
    void cmdPlay_Click();
    void cmdStop_Click();
    void Slider_MouseUp();
    void seekToSlider();
    void showShownFrame();
    void showPosition();

    // Marks.
    void cmdStartSelect_Click();
    void cmdEndSelect_Click();
    void cmdDeleteSelect_Click();

    // The task.
    void cmdConvert_Click();
    void RunConversionTask();
    void ConvertVideo(const QString &origfile, const QString &outFile, const QString &sDuration);
    void EnableControls(bool bEnable);
    void cConvert_Progress(int iProgress);

    WindowServices m_services;
    std::unique_ptr<QLockFile> m_instanceMarker;

    // Controls, found by name after the window is built from its layout table.
    FramePanel *frMain = nullptr;
    FramePanel *frAbout = nullptr;
    FramePanel *frFormats = nullptr;
    PictureButton *cmdAbout = nullptr;
    PictureButton *MyButton1 = nullptr;
    PictureButton *cmdMinimize = nullptr;
    PictureButton *cmdClose = nullptr;
    PictureButton *cmdAddVideoFile = nullptr;
    PictureButton *cmdPlay = nullptr;
    PictureButton *cmdStop = nullptr;
    PictureButton *cmdStartSelect = nullptr;
    PictureButton *cmdEndSelect = nullptr;
    PictureButton *cmdDeleteSelect = nullptr;
    PictureButton *cmdChangeFormat = nullptr;
    PictureButton *cmdBrowse = nullptr;
    PictureButton *cmdConvert = nullptr;
    PictureButton *cmdCloseHelp = nullptr;
    PictureButton *cmdHide = nullptr;
    PictureButton *cmdDefaults = nullptr;
    OptionButton *optSameFolder = nullptr;
    OptionButton *optOtherFolder = nullptr;
    QLineEdit *txtOutPath = nullptr;
    CheckBox *chkShutdown = nullptr;
    ProgressBar *progress = nullptr;
    QLabel *lblProgress = nullptr;
    QLabel *lblTime = nullptr;
    QLabel *lblStartSelect = nullptr;
    QLabel *lblEndSelect = nullptr;
    QLabel *lblVer = nullptr;
    QLabel *lblFFmpeg = nullptr;
    QLabel *lblWebSite = nullptr;
    VideoArea *picVideoWindow = nullptr;
    Slider *m_slider = nullptr;

    std::unique_ptr<FormatPanel> m_format;
    std::unique_ptr<WindowSettings> m_settingsControls;
    std::unique_ptr<SavedSettings> m_savedSettings;

    PresetsLoad m_presets;
    CodecsLoad m_codecs;

    // Sliding panels.
    SlideAnimator m_animator;
    QTimer m_tmrAnimate;
    QPointer<FramePanel> m_objMovePanel;

    // Loaded video and preview.
    std::unique_ptr<PreviewEngine> m_preview;
    QTimer m_tmrVideo;
    bool m_bNoVideo = true;
    bool m_seekQueued = false; // a release's seek waits for the handle to settle
    QString m_sVideoFile;
    QString m_sTotalTime;

    // The task.
    std::unique_ptr<CVideoConv> m_cConvert;
    bool m_taskRunning = false;
    bool m_startPending = false; // Start pressed while a stopped task winds down
    bool m_closing = false;      // the window closed while a task ran
};
