#pragma once

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class DOSOutputs;
class QThread;

// Console commands run one after another on a thread of their own. A stream
// copy hardly uses a core and mostly waits for the disk, so the copies of a
// cut run beside its encodes instead of after them.
class BackgroundRuns final : public QObject
{
    Q_OBJECT

public:
    struct Result
    {
        bool ran = false;             // the command ended by itself (not stopped, not unstarted)
        std::optional<int> exitCode;  // as DOSOutputs gives it
        QString output;               // everything the command printed
    };

    explicit BackgroundRuns(QObject *parent = nullptr);
    // Stops what still runs, and waits for the thread to end.
    ~BackgroundRuns() override;

    // Starts the commands, in order; once only.
    void start(const QStringList &commandLines);
    // Runs the caller's event loop until command index has ended; false when
    // the runs were stopped before it did.
    bool waitFor(int index);
    // Kills the running command; those after it never start.
    void stop();
    // Stops, and waits until the thread and its child have ended.
    void finish();
    bool isDone(int index) const;
    Result result(int index) const;

signals:
    // On the owner's thread, after each command.
    void finished(int index);

private:
    void runAll(const QStringList &commandLines);

    std::unique_ptr<QThread> m_thread;
    mutable QMutex m_mutex;
    QList<std::optional<Result>> m_results; // guarded by m_mutex
    DOSOutputs *m_current = nullptr;        // guarded by m_mutex; lives on m_thread
    std::atomic_bool m_stopped = false;
};
