#pragma once

#include "catalogue.h"
#include "encoderoptions.h"
#include "outputpath.h"

#include <QObject>
#include <QString>

#include <memory>

class CVideoConv;
class MessageSink;
class SmartCutJob;
class QTemporaryDir;

// The choices on the window's option controls when Start is pressed.
struct CutChoices
{
    FormatPanelSnapshot format;
    OutputFolderChoice folder;
    bool fastSeek = false;
};

// One cut as Start or the cut list asks for it.
struct CutRequest
{
    QString sourcePath;
    CutChoices choices;
    // The marks in seconds. Without exact marks the cut takes them rounded to
    // whole seconds (half to even), as the slider counts.
    double selectStart = 0;
    double selectEnd = 0;
    bool exactMarks = false;
};

// Runs one cut: the smart cut's job when the format is the smart preset (it
// keeps the source's container where it can), else the encoder with the
// format's options. Everything the cut has to say goes to the message sink.
// Runs on the UI thread and blocks in run(); stop() arrives nested inside the
// job's event passes. No widgets.
class CutJob final : public QObject
{
    Q_OBJECT

public:
    enum class Outcome { NotRun, Completed, Failed, Stopped };

    // The catalogues and the sink must outlive the job; programDir holds the
    // encoder and the prober.
    CutJob(const PresetsLoad &presets, const CodecsLoad &codecs, MessageSink &messages, const QString &programDir,
           QObject *parent = nullptr);
    ~CutJob() override;

    // Picks a free output name (creating a missing output folder) and builds
    // the encoder's options, showing failures through the sink. False, and
    // nothing to run, when there is no output name (a folder that cannot be
    // made, or every name taken) or no options: the encoder must never
    // convert the whole file or write to an empty name. Call it once; it lets
    // pending events run (see MakeOutputPath).
    bool prepare(const CutRequest &request);
    // Where the preview keeps its frame indexes, for the smart cut to plan
    // from; set before prepare. Empty: the prober lists the source.
    void setIndexFolder(const QString &folder) { m_indexFolder = folder; }
    // Runs the prepared cut and returns when it has ended; Failed without a
    // prepared cut. A stop asked for before the run keeps it from starting.
    Outcome run();
    // Ends a running cut, or the coming run; its partial output goes.
    void stop();
    Outcome LastOutcome() const { return m_outcome; }

    bool smartCut() const { return m_smart; }
    // The prepared output path; empty before prepare or when it found none.
    QString OutputFile() const { return m_outFile; }
    // The encoder command line of a prepared plain cut; empty for a smart cut,
    // which runs several.
    QString BuildCommandLine() const;

signals:
    // Percent of the cut done.
    void Progress(int percent);
    // Part of the cut is not as the format copies or encodes it: the smart
    // cut re-encodes the whole part, or a copy of every track converts or
    // leaves out tracks the container cannot hold. The status says which.
    void ReEncoding(const QString &status);

private:
    // The options fitted to the source's tracks (see SourceTracks); as they
    // are when the prober cannot tell.
    QString fittedToSource(const QString &sourcePath, const QString &parameters, const QString &extension,
                           double start, double length);

    const PresetsLoad &m_presets;
    const CodecsLoad &m_codecs;
    MessageSink &m_messages;
    QString m_programDir;
    QString m_indexFolder;
    QString m_outFile;
    bool m_smart = false;
    bool m_stopRequested = false;
    Outcome m_outcome = Outcome::NotRun;
    std::unique_ptr<CVideoConv> m_convert;
    std::unique_ptr<SmartCutJob> m_smartCut;
    QString m_leftOut; // the smart cut's note of the tracks it leaves out
    std::unique_ptr<QTemporaryDir> m_chapters; // the part's chapters, read by the encoder
};
