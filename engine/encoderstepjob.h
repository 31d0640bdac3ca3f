#pragma once

#include "backgroundruns.h"
#include "cutreason.h"
#include "sourceprobe.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class CVideoConv;
class DOSOutputs;
class MessageSink;
class QTemporaryDir;

// What the jobs made of several encoder runs (the smart cut, the join) share: a work folder
// beside the output for the pieces, the prober, the run in progress and Stop, and one progress
// bar shared out by the runs' weights.
class EncoderStepJob : public QObject
{
    Q_OBJECT

public:
    enum class Outcome { NotRun, Completed, Failed, Stopped };

    // Asks a running job to stop; the running step's encoder is ended and nothing is left
    // behind. Does nothing when no job runs.
    void StopConversion();
    // Where the preview keeps its frame indexes: a source with one there is
    // planned from it instead of being listed whole by the prober. Empty (the
    // default): the prober lists every source.
    void setIndexFolder(const QString &folder);

signals:
    void Progress(int iProgress);
    void CurrentStatus(const QString &sStatus);
    // Besides the status line, for the window to word: the whole range (or
    // join) is re-encoded, and why.
    void ReEncodingAll(const SmartCut::Reason &why);
    // The output leaves these tracks out, as the container (its extension in
    // capitals; empty for a join, which keeps only picture and sound) cannot
    // hold them.
    void TracksLeftOut(const QString &container, const QList<SmartCut::LeftOutTrack> &tracks);
    // The re-encoded frames (all of them with wholeRange) lose the source's
    // dynamic metadata, such as "Dolby Vision (profile 8.4)", which the
    // copied ones keep.
    void MetadataNotKept(const QString &metadata, bool wholeRange);

protected:
    // programDir holds the encoder and the prober; empty means the executable's own folder.
    EncoderStepJob(MessageSink *messages, const QString &programDir, QObject *parent);
    ~EncoderStepJob() override;

    // One run: clears the stop and the progress, makes the work folder (pattern, beside
    // outputFile; the system's temporary folder where that refuses), runs body in it, removes
    // it, sets outcome and says "Cancelled" or "Error" when it did not complete. failure hears
    // why when no folder could be made.
    void runInWorkFolder(const QString &outputFile, const QString &pattern, Outcome &outcome,
                         const std::function<Outcome()> &body, const std::function<void(const QString &)> &failure);

    struct EncoderStep
    {
        QString status;
        QString input;
        QString parametrs;
        QString output;
        double seconds = 0; // the length the encoder's time= counts towards
        double weight = 0;  // its share of the progress bar
        bool fastSeek = false;
        // The options open the source themselves, with its seeks: an input
        // the options do not use would still be read through.
        bool opensInputs = false;
    };
    struct StepRun
    {
        bool stopped = false;
        bool completed = false; // the encoder says it completed
        bool written = false;   // the output is there and not empty
        int messagesShown = 0;  // errors passed on to the message sink
    };
    StepRun runEncoder(const EncoderStep &step);
    // What the plan needs of the source at path (see SmartCut::readSource),
    // through the job's prober; nullopt when stopped meanwhile.
    std::optional<SmartCut::SourceRead> readSource(const QString &path);
    // The prober's output for commandLine; nullopt when stopped meanwhile.
    std::optional<QString> runProber(const QString &commandLine);
    const QString &programDir() const { return m_programDir; }

    // The steps' share done, with stepFraction of the running one, as the bar's percent
    // (after the prober's sliver); emitted when it changes.
    virtual void reportProgress(double stepFraction);
    double shareDone(double stepFraction) const;
    void showShare(double share);

    // The background runs of one cut, stopped with it, and gone (their
    // children ended) before its work folder is.
    class BackgroundGuard
    {
    public:
        explicit BackgroundGuard(EncoderStepJob *job)
            : m_job(job)
        {
            m_job->m_background = std::make_unique<BackgroundRuns>();
        }
        ~BackgroundGuard() { m_job->m_background.reset(); }
        BackgroundGuard(const BackgroundGuard &) = delete;
        BackgroundGuard &operator=(const BackgroundGuard &) = delete;

    private:
        EncoderStepJob *m_job;
    };

    MessageSink *m_messages;
    QString m_programDir;
    QString m_indexFolder;
    bool m_running = false;
    bool m_stopRequested = false;
    std::unique_ptr<QTemporaryDir> m_work;
    std::unique_ptr<DOSOutputs> m_prober;
    CVideoConv *m_currentStep = nullptr;
    std::unique_ptr<BackgroundRuns> m_background;
    double m_doneWeight = 0;
    double m_totalWeight = 1;
    double m_stepWeight = 0;
    int m_lastPercent = -1;
};
