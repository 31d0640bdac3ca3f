#pragma once

#include "encoderoptions.h"
#include "outputpath.h"

#include <QAbstractListModel>
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <memory>
#include <variant>

class QLockFile;
class SettingsStoreLocation;

enum class CutState { Waiting, Running, Done, Failed, Stopped };

// One cut of the list, taken whole when it was added: later changes on the
// format panel or to the output folder leave it as it is.
struct CutEntry
{
    QString sourcePath;
    // The marks in seconds, kept to the millisecond. Whole seconds unless
    // exactMarks, which also shows them to the millisecond.
    double selectStart = 0.0;
    double selectEnd = 0.0;
    bool exactMarks = false;
    // Exact marks: the source's frames per second, which bounds the cut's
    // frame count; not positive when unknown.
    double frameRate = 0.0;
    FormatPanelSnapshot format;
    QString formatSummary; // the format description as the panel showed it
    OutputFolderChoice folder;
    bool fastSeek = false;

    CutState state = CutState::Waiting;
    // Recorded as the entry starts running, so that the half-written file of
    // a run the program did not live to finish can be removed; the written
    // file once done; empty otherwise.
    QString outputPath;
    QString errorLines; // Failed: the encoder's error lines
};

// Tallies over the whole list. skipped: waiting entries whose source is gone,
// which a run passes over.
struct CutCounts
{
    int total = 0;
    int done = 0;
    int failed = 0;
    int stopped = 0;
    int skipped = 0;
};

// Texts a view shows for an entry. sourceMissing: the source file is gone.
// "01:02:03", or "01:02:03.250" when exact; negative times read as zero.
QString cutTimeText(double seconds, bool exact);
// "00:00:05–00:00:10"
QString cutSpanText(const CutEntry &entry);
QString cutSourceName(const CutEntry &entry);
// The option's caption for the same folder, else the folder itself.
QString cutFolderText(const OutputFolderChoice &folder);
// "waiting", "running", "done: <output file name>", "failed", "stopped", or
// "source missing" for an entry a run would take or has not finished.
QString cutStateText(const CutEntry &entry, bool sourceMissing);
// Source name, span, format summary, folder and state on one line.
QString cutEntryLine(const CutEntry &entry, bool sourceMissing);

// Run List: the progress label for the position-th of total entries,
// "Task Progress:[2 of 5]".
QString cutProgressText(int position, int total);
// Join into One File and Remove Listed Parts: "Task Progress:[Joining 2 of 5]"
// while the position-th of total parts is made.
QString cutJoinProgressText(int position, int total);
// What the window says when a run ends, counted over the whole list:
// "3 done, 1 failed, 1 stopped." and how many were skipped for a missing
// source; empty when nothing failed, stopped or was skipped.
QString cutListEndMessage(const CutCounts &counts);
// Power-off at the end of a run only when every entry of the list is done.
bool cutListPowerOffAllowed(const CutCounts &counts);

// Counts the entries one Run List press takes: those runnable when it
// starts and any added while it runs; entries removed meanwhile drop out.
class CutListRun final
{
public:
    // As the next entry starts. runnableLeft counts the runnable entries in
    // the list, the starting one included. Gives the progress label.
    QString startNext(int runnableLeft);

private:
    int m_started = 0;
};

// The list file, "cutlist.json" in the settings folder: a UTF-8 JSON object
// {"document": "Snipora cut list", "version": 1, "entries": [...]}; see
// cutlist.cpp for the entry's keys.
inline const QString kCutListFileName = QStringLiteral("cutlist.json");

// The settings' folder, or where the settings would be kept outside the
// registry on Windows.
QString cutListFolder(const SettingsStoreLocation &location);

enum class CutListFileError {
    Damaged, // not JSON, or not the shape this version writes
    Foreign, // another program's document, or a newer version's
};
QByteArray serializeCutList(const QList<CutEntry> &entries);
std::variant<QList<CutEntry>, CutListFileError> parseCutList(QByteArrayView bytes);

// Writes the list file atomically, creating the folder. False on failure.
bool saveCutList(const QString &folder, const QList<CutEntry> &entries);

struct CutListLoad
{
    QList<CutEntry> entries;
    QString message; // for the user; empty when all went well
    bool keepSaving = true; // false: saving would overwrite a file not set aside
};

// Reads the list file at start-up. An entry that was running is waiting again
// and its half-written output is removed. A damaged or foreign file is
// renamed to "cutlist.json.damaged-<n>" or "cutlist.json.foreign-<n>" (the
// first free n from 1) and the list starts empty. No file: an empty list.
CutListLoad loadCutList(const QString &folder);

// The cut list for a view, one row per entry, saved to its file on every
// change once restore() has attached it. At most one entry runs at a time;
// the mark* calls for the end of a run apply to it wherever it has moved.
class CutListModel final : public QAbstractListModel
{
    Q_OBJECT

public:
    // The parts of the display line, each as text; StateRole is the CutState
    // as an int. Qt::ToolTipRole holds the source path and any error lines.
    enum Role { SourceNameRole = Qt::UserRole + 1, SpanRole, FormatRole, FolderRole, StateTextRole, StateRole };

    // folder: where the list file lives (cutListFolder); empty keeps the list
    // in memory only.
    explicit CutListModel(QString folder, QObject *parent = nullptr);
    ~CutListModel() override;

    // Loads the list file (loadCutList) and keeps it locked against a second
    // program instance, which keeps its list in memory only. Returns a
    // message for the user, empty when there is nothing to say.
    QString restore();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    const QList<CutEntry> &entries() const { return m_entries; }
    bool sourceMissing(int row) const;

    // Appends the entry as waiting, its marks rounded to the millisecond.
    // Returns its row.
    int add(CutEntry entry);
    // Rows in any order; invalid rows and the running entry are passed over.
    void remove(QList<int> rows);
    void clear();
    // The entry at from ends up at row to. False when nothing moved.
    bool move(int from, int to);
    bool moveUp(int row) { return move(row, row - 1); }
    bool moveDown(int row) { return move(row, row + 1); }
    // Done, failed or stopped entries wait again, for another run.
    void requeue(QList<int> rows);

    // Runnable: waiting, with its source there. nextRunnable is the first in
    // list order, -1 when none.
    int nextRunnable() const;
    int runnableCount() const;
    bool hasRunnable() const { return nextRunnable() >= 0; }
    int runningRow() const;

    // A waiting entry starts; saved before the encoder is started so that a
    // crash leaves the output's name behind. False when another entry runs
    // or the row is not waiting.
    bool markRunning(int row, const QString &outputPath);
    // The running entry ended. False when none runs.
    bool markDone();
    bool markFailed(const QString &errorLines);
    bool markStopped();
    // A join: the waiting rows run together, all with the one output. False,
    // and nothing marked, when an entry runs or a row is not waiting.
    bool markRunning(const QList<int> &rows, const QString &outputPath);
    // The running entries end together. Those in concerned (positions among
    // the running entries in list order; all when empty) take state and, when
    // failed, the error lines; the others, and all of a stopped join, wait again.
    bool finishAllRunning(CutState state, const QList<int> &concerned = {}, const QString &errorLines = {});

    CutCounts counts() const;
    // Rereads whether the sources are there (for example when the window is
    // activated) and updates the view.
    void refreshSources();

signals:
    // A save failed after the previous one succeeded; the list in memory is
    // still whole.
    void saveFailed(const QString &filePath);

private:
    bool finishRunning(CutState state, const QString &errorLines);
    void rowChanged(int row);
    void save();

    QString m_folder;
    QString m_saveFolder; // set once restore() holds the file
    std::unique_ptr<QLockFile> m_lock;
    QList<CutEntry> m_entries;
    bool m_saveFailing = false;
};
