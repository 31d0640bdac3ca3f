#pragma once

#include "windowservices.h"

#include <QObject>
#include <QString>

class CutJob;
class JoinJob;
class CutListModel;
class CutWorkflow;

// Run List: the list's runnable entries one after another, each a CutJob as
// a single task runs it, from the entry's own source, choices and marks. The
// window's task state is held for the whole run, so the window locks as for a
// task and its Stop and Close reach the running cut. An entry's errors stay
// with the entry; one message at the end counts what did not get done. No
// widgets.
class CutListRunner final : public QObject
{
    Q_OBJECT

public:
    CutListRunner(const WindowServices &services, CutWorkflow &flow, CutListModel &model,
                  QObject *parent = nullptr);
    ~CutListRunner() override;

    // Returns when the run has ended: every runnable entry taken (entries
    // added meanwhile included), or a cut stopped. Ignored while a task runs.
    void run();
    // Join into One File (removeParts false): the waiting entries, in list
    // order, become one output named after the first's source with
    // "_Joined", in the first's format and folder. Remove Listed Parts
    // (removeParts): the waiting entries, all of one source, are cut out of
    // it and the rest becomes one output with "_Edited". One JoinJob, under
    // the task state as a run; the entries show the output once done, wait
    // again when stopped, and a failure's errors stay on the entries it
    // concerns. Returns when it has ended.
    void join(bool removeParts);
    // Ends the running cut or join; a stopped cut is marked stopped, a
    // stopped join's entries wait again; the rest stay waiting.
    void stop();
    bool running() const { return m_running; }
    // Running a join (or a removal) rather than the list.
    bool joining() const { return m_joinJob != nullptr; }
    bool removingParts() const { return joining() && m_removeParts; }

signals:
    void runningChanged(bool running);

private:
    // The entry at row, under the progress label; returns once it has ended.
    void runEntry(int row, const QString &label);

    WindowServices m_services;
    CutWorkflow &m_flow;
    CutListModel &m_model;
    CutJob *m_job = nullptr; // the running entry's cut, owned by runEntry
    JoinJob *m_joinJob = nullptr; // the running join, owned by join
    bool m_removeParts = false;
    bool m_running = false;
    bool m_stopRequested = false;
};
