#include "backgroundruns.h"

#include "dosoutputs.h"

#include <QEventLoop>
#include <QMutexLocker>
#include <QThread>

BackgroundRuns::BackgroundRuns(QObject *parent)
    : QObject(parent)
{
}

BackgroundRuns::~BackgroundRuns()
{
    finish();
}

void BackgroundRuns::finish()
{
    stop();
    if (m_thread)
        m_thread->wait();
}

void BackgroundRuns::start(const QStringList &commandLines)
{
    if (m_thread)
        return;
    m_results = QList<std::optional<Result>>(commandLines.size());
    m_thread.reset(QThread::create([this, commandLines] { runAll(commandLines); }));
    m_thread->start();
}

void BackgroundRuns::runAll(const QStringList &commandLines)
{
    for (qsizetype i = 0; i < commandLines.size() && !m_stopped; ++i) {
        // Made on this thread, so that its child's events arrive here.
        DOSOutputs runner(nullptr);
        {
            QMutexLocker lock(&m_mutex);
            if (m_stopped)
                break;
            m_current = &runner;
        }
        Result result;
        result.output = runner.ExecuteCommand(commandLines.at(i));
        result.exitCode = runner.LastExitCode();
        {
            QMutexLocker lock(&m_mutex);
            m_current = nullptr;
            result.ran = !m_stopped && !runner.StopConvert();
            m_results[i] = result;
        }
        emit finished(int(i));
    }
    // Wakes a waiter whose command never ran.
    if (m_stopped)
        emit finished(-1);
}

bool BackgroundRuns::waitFor(int index)
{
    if (!m_thread || index < 0 || index >= m_results.size())
        return false;
    QEventLoop loop;
    const auto connection = connect(this, &BackgroundRuns::finished, &loop, [this, index, &loop] {
        if (isDone(index) || m_stopped)
            loop.quit();
    });
    if (!isDone(index) && !m_stopped)
        loop.exec();
    disconnect(connection);
    return isDone(index) && result(index).ran;
}

void BackgroundRuns::stop()
{
    QMutexLocker lock(&m_mutex);
    if (m_stopped.exchange(true))
        return;
    if (DOSOutputs *runner = m_current)
        // Delivered on the runner's thread, which processes events while it waits.
        QMetaObject::invokeMethod(runner, [runner] { runner->setStopConvert(true); }, Qt::QueuedConnection);
}

bool BackgroundRuns::isDone(int index) const
{
    QMutexLocker lock(&m_mutex);
    return index >= 0 && index < m_results.size() && m_results.at(index).has_value();
}

BackgroundRuns::Result BackgroundRuns::result(int index) const
{
    QMutexLocker lock(&m_mutex);
    return index >= 0 && index < m_results.size() ? m_results.at(index).value_or(Result{}) : Result{};
}
