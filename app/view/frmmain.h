#pragma once

#include "windowservices.h"

#include <QWidget>

#include <memory>

class QLockFile;
class CutWorkflow;
class CheckBox;
class CutListPanel;
struct CutChoices;
class FormatPanel;
class FramePanel;
class OptionButton;
class PanelSlider;
class PictureButton;
class ProgressBar;
class QLabel;
class QLineEdit;
class Slider;
class TimelineBand;
class VideoArea;
class WindowSettings;
struct TaskProgress;
enum class TaskState;
struct BreakScan;
enum class BreakScanEnd;

// The main window as a view: built from the layout table, it shows what the
// cut workflow tells it and hands the workflow what the user asked for. It
// keeps to itself only what is the window's own: the chrome, the sliding
// panels and the folder options' enabled states.
class frmMain final : public QWidget
{
    Q_OBJECT

public:
    explicit frmMain(const WindowServices &services, QWidget *parent = nullptr);
    ~frmMain() override;

    CutWorkflow &workflow() { return *m_flow; }
    const CutWorkflow &workflow() const { return *m_flow; }
    FormatPanel &formatPanel() { return *m_format; }
    void OpenFile(const QString &path);
    void SaveSettings();
    qint32 sliderMax() const;

    // The About and format panels' slides.
    PanelSlider &panels() { return *m_panels; }
    CutListPanel &cutList() { return *m_cutList; }

signals:
    // A task has ended (completed, failed or stopped) and the window is idle.
    void taskEnded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    template<typename T>
    T *control(const char *name) const;
    void findControls();
    void wireControls();
    void wireWorkflow();

    void DragWindow();
    void cmdClose_Click();
    void cmdBrowse_Click();
    void cmdHide_Click();
    void cmdConvert_Click();
    CutChoices cutChoices() const; // the option controls as Start takes them
    void Slider_MouseUp();
    void Slider_Scroll();

    // What the workflow says.
    void showVideoCleared();
    void showVideoLoaded(qint32 durationSeconds);
    void showPosition(qint32 seconds, const QString &timeText);
    void showMarks(qint32 start, qint32 end, const QString &startText, const QString &endText);
    void showTaskState(TaskState state);
    void showProgress(const TaskProgress &progress);
    // The break scan's line in the status area, and its end.
    void cmdFindBreaks_Click();
    void cmdAddBreaks_Click();
    void showBreakProgress(double readSeconds, double lengthSeconds);
    void showBreaksFound(const BreakScan &scan, BreakScanEnd end);
    void updateBreakButtons();
    void updateFolderControls();
    void wireTimeline();

    WindowServices m_services;
    std::unique_ptr<QLockFile> m_instanceMarker;
    std::unique_ptr<CutWorkflow> m_flow;
    std::unique_ptr<FormatPanel> m_format;
    std::unique_ptr<WindowSettings> m_settingsControls;
    std::unique_ptr<PanelSlider> m_panels;
    std::unique_ptr<CutListPanel> m_cutList;

    FramePanel *m_frMain = nullptr;
    FramePanel *m_frFormats = nullptr;
    PictureButton *m_cmdPlay = nullptr;
    PictureButton *m_cmdConvert = nullptr;
    PictureButton *m_cmdFindBreaks = nullptr;
    PictureButton *m_cmdAddBreaks = nullptr;
    PictureButton *m_cmdBrowse = nullptr;
    OptionButton *m_optSameFolder = nullptr;
    OptionButton *m_optOtherFolder = nullptr;
    QLineEdit *m_txtOutPath = nullptr;
    ProgressBar *m_progress = nullptr;
    QLabel *m_lblProgress = nullptr;
    QLabel *m_lblTime = nullptr;
    QLabel *m_lblStartSelect = nullptr;
    QLabel *m_lblEndSelect = nullptr;
    VideoArea *m_picVideoWindow = nullptr;
    Slider *m_slider = nullptr;
    TimelineBand *m_timeline = nullptr;
    CheckBox *m_chkTimeline = nullptr;
    QList<QWidget *> m_lockedDuringTask; // disabled while a task runs

    bool m_seekQueued = false; // a release's seek waits for the handle to settle
    qint32 m_scrubbedTo = -1;  // the second a drag last went to; -1: none since the release
};
