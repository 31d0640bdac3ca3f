#pragma once

#include "encoderstepjob.h"
#include "smartcutplan.h"

#include <QString>

// One frame-exact cut that copies what it can: it lists the source's keyframes
// (from the preview's kept frame index where there is one, see setIndexFolder,
// else with the prober), re-encodes the frames before the first clean keyframe and
// after the last one with the source's codec and settings, copies the groups of
// pictures between them, and joins the parts with the sound re-encoded once
// over the whole range. Where copying could lose or misplace a frame (another
// codec, open GOPs, a varying frame rate, no keyframe inside the range) it
// re-encodes the whole range instead and says so in CurrentStatus.
//
// Each step is a CVideoConv run; its failures reach the message sink as that
// job reports them ("Error converting file: " and the error lines). The parts
// live in a temporary folder beside the output, removed when the cut ends in
// any way or the job is destroyed; the output appears under its name only
// once it is complete. Progress counts over all steps, 0 to 100.
class SmartCutJob final : public EncoderStepJob
{
    Q_OBJECT

public:
    struct Result
    {
        Outcome outcome = Outcome::NotRun;
        bool fellBack = false;  // the whole range was re-encoded
        SmartCut::Reason fallbackReason; // why
    };

    // sProgramDir holds the encoder and the prober; empty means the
    // executable's own folder. messages must outlive the job.
    explicit SmartCutJob(MessageSink *messages, const QString &sProgramDir = {}, QObject *parent = nullptr);
    ~SmartCutJob() override;

    void setInputFile(const QString &sInputFile);
    QString InputFile() const;
    // The output's extension picks the container; see SmartCut::OutputExtension.
    void setOutputFile(const QString &sOutputFile);
    QString OutputFile() const;
    // The range in seconds from the file's start (millisecond precision).
    void setStart(double seconds);
    double Start() const;
    void setLength(double seconds);
    double Length() const;

    // Runs every step and returns when the cut has ended or was stopped.
    void StartConversion();
    Result LastResult() const;
    // The plan of the last run: which frames were re-encoded and copied.
    SmartCut::Plan LastPlan() const;

private:
    struct Step;
    Outcome run();
    bool probe(SmartCut::Probe *result);
    bool runStep(const Step &step);
    // Fills the plan's subtitles shown at its start; false when stopped meanwhile.
    bool findShownSubtitles(const SmartCut::Probe &source);
    // Whether the copied middle holds the packets the plan meant to copy.
    bool middleMatches(const SmartCut::Probe &source);
    bool publish(const QString &finished);
    void reportFailure(const QString &detail);

    QString m_inputFile;
    QString m_outputFile;
    double m_start = 0;
    double m_length = 0;
    Result m_result;
    SmartCut::Plan m_plan;
};
