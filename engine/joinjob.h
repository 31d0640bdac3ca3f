#pragma once

#include "encoderstepjob.h"
#include "joinplan.h"

#include <QHash>
#include <QString>

// Several parts into one file, frame-exact at every joint: either the listed
// parts one after another (Join), or one source without the listed parts
// (Remove: the removals are merged and everything else is kept).
//
// With the smart preset (no encoder options) each part is smart-cut into its
// pieces, the copied middles checked against their source as the smart cut
// checks them, and all pieces joined by copying with the sound of every part
// encoded once over the whole; a part with no clean keyframe inside it is
// one piece, re-encoded whole. Where the parts cannot follow one another in
// one stream, or a copy misses its packets, the whole join is re-encoded in
// one run with a codec like the first source's, and the status says why;
// that run's output is then checked by its frames' times, and a lost or
// misplaced frame fails the join. With a preset's options the join is that
// one run with the preset's codecs.
//
// The pieces live in a temporary folder beside the output, removed when the
// job ends in any way; the output appears under its name only once complete,
// and never replaces a file of that name. Failures reach the message sink
// and say which part they concern (LastResult().failedPart).
class JoinJob final : public EncoderStepJob
{
    Q_OBJECT

public:
    enum class Mode { Join, Remove };
    struct Result
    {
        Outcome outcome = Outcome::NotRun;
        bool fellBack = false;  // joined by re-encoding instead of copying
        SmartCut::Reason fallbackReason; // why
        int failedPart = -1;    // the part (index into setParts) a failure concerns; -1 for all
    };
    struct Source
    {
        QString path;
        double start = 0;  // seconds from the file's start
        double length = 0;
    };

    explicit JoinJob(MessageSink *messages, const QString &sProgramDir = {}, QObject *parent = nullptr);
    ~JoinJob() override;

    void setMode(Mode mode) { m_mode = mode; }
    // Join: the parts in output order. Remove: the parts to cut out, all of
    // one source, in any order.
    void setParts(const QList<Source> &parts) { m_parts = parts; }
    void setOutputFile(const QString &sOutputFile) { m_outputFile = sOutputFile; }
    QString OutputFile() const { return m_outputFile; }
    // The preset's options without the cut's times (see Join::withoutCutTimes);
    // empty for the smart preset.
    void setEncoderOptions(const QString &options) { m_encoderOptions = options; }

    void StartConversion();

    Result LastResult() const { return m_result; }
    // The parts the last run joined, planned.
    QList<Join::Part> LastParts() const { return m_planned; }

signals:
    // Part n (1-based) of m is being made.
    void PartStarted(int n, int m);

private:
    struct Step;
    Outcome run();
    bool probeSources();
    bool planParts();
    Outcome runSmart(const QString &finished, const QString &extension);
    Outcome runFilter(const QString &finished, const QString &extension);
    bool runStep(const Step &step);
    // Named pipes in place of the files of the steps which (by index); false,
    // with none made, where the work folder cannot hold them.
    bool makePipes(const QList<Step> &steps, const QList<qsizetype> &which);
    // Whether a copy run in the background made its file; says why not.
    bool copyCompleted(const Step &step, const BackgroundRuns::Result &ran);
    bool publish(const QString &finished);
    // Whether the joined file holds every planned frame in its place (see
    // Join::misplacedFrames); says what is wrong when not. False also when stopped.
    bool joinedExactly(const QString &finished);
    void reportProgress(double stepFraction) override;
    void reportFailure(const QString &detail, int part);

    Mode m_mode = Mode::Join;
    QList<Source> m_parts;
    QString m_outputFile;
    QString m_encoderOptions;
    Result m_result;
    QHash<QString, SmartCut::Probe> m_probes; // by source path
    QList<Join::Part> m_planned;
    QList<int> m_partOwner; // the setParts index each planned part came from; -1 for all
    int m_currentPart = 0;
    bool m_failedEarly = false; // a source could not be read
    QString m_subtitleList;     // the kept subtitles' list; empty for none
    int m_failedPipe = -1;     // the piped copy that failed before the join could read it
    bool m_filterStep = false; // the step running is the one-run join
};
