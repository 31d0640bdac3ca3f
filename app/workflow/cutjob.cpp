#include "cutjob.h"

#include "cutnotices.h"
#include "cvideoconv.h"
#include "dosoutputs.h"
#include "messagesink.h"
#include "smartcutjob.h"
#include "smartcutplan.h"
#include "sourcetracks.h"
#include "timetext.h"

#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

// Passes messages on and notes that one came.
class NotingSink final : public MessageSink
{
public:
    explicit NotingSink(MessageSink &target)
        : m_target(target)
    {
    }
    void showMessage(const QString &text, MessageIcon icon, const QString &title) override
    {
        m_shown = true;
        m_target.showMessage(text, icon, title);
    }
    bool shown() const { return m_shown; }

private:
    MessageSink &m_target;
    bool m_shown = false;
};

} // namespace

CutJob::CutJob(const PresetsLoad &presets, const CodecsLoad &codecs, MessageSink &messages,
               const QString &programDir, QObject *parent)
    : QObject(parent)
    , m_presets(presets)
    , m_codecs(codecs)
    , m_messages(messages)
    , m_programDir(programDir)
{
}

CutJob::~CutJob() = default;

bool CutJob::prepare(const CutRequest &request)
{
    const auto smartOptions = AssembleParamaters(request.choices.format, m_presets.Presets, m_presets.PresetCount,
                                                 m_codecs.Codecs, m_codecs.CodecCount, 0, 1);
    m_smart = std::holds_alternative<QString>(smartOptions)
              && SmartCut::IsSmartCutPreset(std::get<QString>(smartOptions));
    LocalFileSystem fileSystem;
    NotingSink naming(m_messages);
    m_outFile = MakeOutputPath(request.sourcePath,
                               m_smart ? SmartCut::OutputExtension(request.sourcePath)
                                       : OutputExtension(request.choices.format),
                               request.choices.folder, fileSystem, naming);
    // The naming is silent when every numbered name is taken; a cut that
    // does not start must still say why.
    if (m_outFile.isEmpty()) {
        if (!naming.shown())
            m_messages.showMessage(tr("No free output file name."), MessageIcon::Critical, kAppTitle);
        return false;
    }
    const qint32 selectStart = RoundHalfEven(request.selectStart);
    const qint32 selectEnd = RoundHalfEven(request.selectEnd);

    if (m_smart) {
        m_smartCut = std::make_unique<SmartCutJob>(&m_messages, m_programDir);
        connect(m_smartCut.get(), &SmartCutJob::Progress, this, &CutJob::Progress);
        // What matters to the user: the whole part is re-encoded and why, and
        // which tracks the output leaves out; both together when both hold.
        connect(m_smartCut.get(), &SmartCutJob::TracksLeftOut, this,
                [this](const QString &container, const QList<SmartCut::LeftOutTrack> &tracks) {
                    m_leftOut = CutNotices::tracksLeftOut(container, tracks);
                    emit ReEncoding(m_leftOut);
                });
        connect(m_smartCut.get(), &SmartCutJob::MetadataNotKept, this, [this](const QString &metadata, bool wholeRange) {
            const QString note = CutNotices::metadataNotKept(metadata, wholeRange);
            m_leftOut = m_leftOut.isEmpty() ? note : m_leftOut + tr("; ") + note;
            emit ReEncoding(m_leftOut);
        });
        connect(m_smartCut.get(), &SmartCutJob::ReEncodingAll, this, [this](const SmartCut::Reason &why) {
            const QString status = CutNotices::reEncodingCut(why);
            emit ReEncoding(m_leftOut.isEmpty() ? status : status + tr("; ") + m_leftOut);
        });
        const double start = request.exactMarks ? request.selectStart : selectStart;
        const double end = request.exactMarks ? request.selectEnd : selectEnd;
        m_smartCut->setIndexFolder(m_indexFolder);
        m_smartCut->setInputFile(request.sourcePath);
        m_smartCut->setOutputFile(m_outFile);
        m_smartCut->setStart(start);
        m_smartCut->setLength(end - start);
        return true;
    }

    const QString parameters =
        request.exactMarks
            ? GetParamaters(request.choices.format, m_presets.Presets, m_presets.PresetCount, m_codecs.Codecs,
                            m_codecs.CodecCount, ExactSelection{request.selectStart, request.selectEnd}, m_messages)
            : GetParamaters(request.choices.format, m_presets.Presets, m_presets.PresetCount, m_codecs.Codecs,
                            m_codecs.CodecCount, selectStart, selectEnd, m_messages);
    // No options means no cut: the encoder would convert the whole file with
    // whatever it defaults to.
    if (parameters.isEmpty())
        return false;
    const double start = request.exactMarks ? request.selectStart : selectStart;
    const double length =
        request.exactMarks ? request.selectEnd - request.selectStart : double(selectEnd) - selectStart;
    const QString fitted = fittedToSource(request.sourcePath, parameters, OutputExtension(request.choices.format),
                                          start, length);
    m_convert = std::make_unique<CVideoConv>(&m_messages, m_programDir);
    connect(m_convert.get(), &CVideoConv::Progress, this, &CutJob::Progress);
    m_convert->setInputFile(request.sourcePath);
    m_convert->setOutputFile(m_outFile);
    m_convert->setParametrs(fitted + u" -y"_s);
    m_convert->setFileTimeLength(request.exactMarks ? float(request.selectEnd - request.selectStart)
                                                    : float(qint64(selectEnd) - selectStart));
    m_convert->setExactMarks(request.exactMarks);
    m_convert->setFastSeek(request.choices.fastSeek);
    return true;
}

QString CutJob::fittedToSource(const QString &sourcePath, const QString &parameters, const QString &extension,
                               double start, double length)
{
    if (!SourceTracks::mayNeedFit(parameters, extension))
        return parameters;
    // Silent: without a prober the cut runs as the format says, and the
    // encoder reports what it cannot do.
    DOSOutputs prober(nullptr);
    const QString text = prober.ExecuteCommand(SourceTracks::probeCommandLine(m_programDir, sourcePath));
    const std::optional<SourceTracks::Probe> probe = SourceTracks::parseProbe(text.toUtf8());
    if (!probe)
        return parameters;
    SourceTracks::Probe source = *probe;
    QString chapterFile;
    if (!source.chapters.isEmpty()) {
        m_chapters = std::make_unique<QTemporaryDir>();
        chapterFile = m_chapters->filePath(u"chapters.txt"_s);
    }
    SourceTracks::Fit fit = SourceTracks::fitToSource(parameters, extension, source, start, length, chapterFile);
    if (!fit.chapters.isEmpty()) {
        QFile file(chapterFile);
        if (!m_chapters->isValid() || !file.open(QIODevice::WriteOnly) || file.write(fit.chapters.toUtf8()) < 0) {
            // The encoder's own chapters, then, which may include some that
            // only touch the part.
            source.chapters.clear();
            fit = SourceTracks::fitToSource(parameters, extension, source, start, length, {});
        }
    }
    if (!fit.status.isEmpty())
        emit ReEncoding(fit.status);
    return fit.parameters;
}

CutJob::Outcome CutJob::run()
{
    if (!m_smartCut && !m_convert)
        return m_outcome = Outcome::Failed;
    if (m_stopRequested)
        return m_outcome = Outcome::Stopped;
    if (m_smartCut) {
        m_smartCut->StartConversion();
        switch (m_smartCut->LastResult().outcome) {
        case SmartCutJob::Outcome::Completed: return m_outcome = Outcome::Completed;
        case SmartCutJob::Outcome::Stopped: return m_outcome = Outcome::Stopped;
        default: return m_outcome = Outcome::Failed;
        }
    }
    m_convert->StartConversion();
    switch (m_convert->LastResult()) {
    case CVideoConv::Result::Completed: return m_outcome = Outcome::Completed;
    case CVideoConv::Result::Stopped: return m_outcome = Outcome::Stopped;
    default: return m_outcome = Outcome::Failed;
    }
}

void CutJob::stop()
{
    m_stopRequested = true;
    if (m_convert)
        m_convert->StopConversion();
    if (m_smartCut)
        m_smartCut->StopConversion();
}

QString CutJob::BuildCommandLine() const
{
    return m_convert ? m_convert->BuildCommandLine() : QString();
}
