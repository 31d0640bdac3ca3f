#pragma once

#include "catalogue.h"
#include "cutjob.h"
#include "windowservices.h"

#include <QObject>
#include <QString>

#include <memory>
#include <functional>
#include <optional>

class PreviewSession;
class SavedSettings;
struct BreakThresholds;
class SettingsControls;

// What the cut task is doing. Stopping: Stop was pressed and the encoder
// winds down inside the run, which is still on the stack.
enum class TaskState { Idle, Running, Stopping };

// What the window's controls show for a task state: the Start button's
// caption, whether the controls that must not be used during a run are
// enabled, and whether a task is under way at all (Running or Stopping).
struct TaskControls
{
    QString convertCaption;
    bool controlsEnabled = true;
    bool taskUnderWay = false;
};
TaskControls taskControlsFor(TaskState state);

// The progress area under the format: label, bar and its value.
struct TaskProgress
{
    bool shown = false;
    bool busy = false; // the encoder has not reported a time yet
    int value = 0;
    QString label;
    QString status; // what the task says of itself, as an exact cut that re-encodes
};

// The cut workflow: loading a video, the preview, the marks and the task
// from Start to its end. It owns the catalogues, the saved settings, the
// preview engine and the conversion job, decides everything, and tells the
// view what to show through its signals; it holds no widgets. Everything
// runs on the UI thread: a task runs inside StartOrStop, and every other
// request, a Stop among them, arrives nested inside the encoder runner's
// event passes.
class CutWorkflow final : public QObject
{
    Q_OBJECT

public:
    explicit CutWorkflow(const WindowServices &services, QObject *parent = nullptr);
    ~CutWorkflow() override;

    // Start-up, in this order: the catalogues fill the view's lists before
    // the saved settings select items in them.
    void LoadPresets();
    void LoadCodecs();
    void LoadSettings(SettingsControls &controls);
    void SaveSettings(const SettingsControls &controls) const;
    // The break finder's thresholds from the settings store.
    BreakThresholds breakThresholds() const;
    void RestoreDefaults(SettingsControls &controls);
    const PresetsLoad &presets() const { return m_presets; }
    const CodecsLoad &codecs() const { return m_codecs; }

    // Loading a file from the open dialog or the command line, or a drop;
    // the marks go with the old file.
    void OpenFile(const QString &path);
    void OpenDropped(const QStringList &paths);
    PreviewSession &session() { return *m_session; }
    bool bNoVideo() const;
    QString sVideoFile() const;

    // The marks: the slider's value when the button is pressed, or with
    // exact marks the start time of the frame shown.
    void MarkStart(qint32 value);
    void MarkEnd(qint32 value);
    void ResetMarks();
    // Exact marks on or off; a switch resets the marks, since a mark made in
    // one unit means nothing in the other. Ignored while a task runs.
    void setExactMarks(bool exact);
    bool exactMarks() const { return m_exactMarks; }
    double selectStart() const { return m_selectStart; }
    double selectEnd() const { return m_selectEnd; }

    // The Start/Stop button.
    void StartOrStop(const CutChoices &choices);
    void setShutdownAfterTask(bool shutdown) { m_shutdown = shutdown; }
    TaskState taskState() const { return m_state; }
    bool TaskRunning() const { return m_state != TaskState::Idle; }
    // The last task's cut, kept after it ends; null before the first.
    const CutJob *cutJob() const { return m_job.get(); }

    // The cut list's run is a task too: between beginListTask and endTask the
    // window locks as for one, Stop and Close call stop, and a Start pressed
    // while it stops runs after it. endTask ends either kind of task.
    void beginListTask(std::function<void()> stop);
    void endTask();
    void showListProgress(const TaskProgress &progress) { setProgress(progress); }
    bool selectionReady() const { return checkSelection(); } // with Start's messages
    bool shutdownAfterTask() const { return m_shutdown; }
    bool closing() const { return m_closing; }

    // The window closes: a running task is stopped and unwinds, the preview
    // stops.
    void Close();

signals:
    void marksChanged(qint32 start, qint32 end, const QString &startText, const QString &endText);
    void taskStateChanged(TaskState state);
    void progressChanged(const TaskProgress &progress);
    // A task has ended (completed, failed or stopped) and the window is idle.
    void taskEnded();

private:
    void setState(TaskState state);
    void setProgress(const TaskProgress &progress);
    bool checkSelection() const;
    void mark(double &mark, qint32 value);
    void RunConversionTask(const CutChoices &choices);
    void stopJob();

    WindowServices m_services;
    PresetsLoad m_presets;
    CodecsLoad m_codecs;
    std::unique_ptr<SavedSettings> m_savedSettings;

    std::unique_ptr<PreviewSession> m_session;

    double m_selectStart = 0;
    double m_selectEnd = 0;
    bool m_exactMarks = false;

    std::unique_ptr<CutJob> m_job;
    TaskState m_state = TaskState::Idle;
    TaskProgress m_progress;
    std::optional<CutChoices> m_pendingStart; // Start pressed while a stopped task winds down
    bool m_shutdown = false;
    bool m_closing = false; // the window closed while a task ran
    std::function<void()> m_listStop; // the cut list runs
};
