#pragma once

#include "windowservices.h"

#include <QObject>
#include <QString>

class CutJob;
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
    // Ends the running cut, which is marked stopped; the rest stay waiting.
    void stop();
    bool running() const { return m_running; }

signals:
    void runningChanged(bool running);

private:
    // The entry at row, under the progress label; returns once it has ended.
    void runEntry(int row, const QString &label);

    WindowServices m_services;
    CutWorkflow &m_flow;
    CutListModel &m_model;
    CutJob *m_job = nullptr; // the running entry's cut, owned by runEntry
    bool m_running = false;
    bool m_stopRequested = false;
};
