#include "smartcutjob.h"

#include "dosoutputs.h"
#include "messagesink.h"
#include "smartcutoptions.h"
#include "stepmessages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <utility>

using namespace StepCosts;

struct SmartCutJob::Step
{
    QString status;
    QString parametrs;
    QString output;
    double seconds = 0; // the length the encoder's time= counts towards
    double weight = 0;
    bool fastSeek = true;
    bool opensInputs = false; // the options open the source themselves
};

SmartCutJob::SmartCutJob(MessageSink *messages, const QString &sProgramDir, QObject *parent)
    : EncoderStepJob(messages, sProgramDir, parent)
{
}

SmartCutJob::~SmartCutJob() = default;

void SmartCutJob::setInputFile(const QString &sInputFile)
{
    m_inputFile = sInputFile;
}

QString SmartCutJob::InputFile() const
{
    return m_inputFile;
}

void SmartCutJob::setOutputFile(const QString &sOutputFile)
{
    m_outputFile = sOutputFile;
}

QString SmartCutJob::OutputFile() const
{
    return m_outputFile;
}

void SmartCutJob::setStart(double seconds)
{
    m_start = seconds;
}

double SmartCutJob::Start() const
{
    return m_start;
}

void SmartCutJob::setLength(double seconds)
{
    m_length = seconds;
}

double SmartCutJob::Length() const
{
    return m_length;
}

SmartCutJob::Result SmartCutJob::LastResult() const
{
    return m_result;
}

SmartCut::Plan SmartCutJob::LastPlan() const
{
    return m_plan;
}

void SmartCutJob::StartConversion()
{
    if (m_running)
        return;
    m_result = {};
    m_plan = {};
    runInWorkFolder(m_outputFile, QStringLiteral(".snipora-cut-XXXXXX"), m_result.outcome, [this] { return run(); },
                    [this](const QString &why) { reportFailure(why); });
}

SmartCutJob::Outcome SmartCutJob::run()
{
    using namespace SmartCut;
    emit CurrentStatus(QStringLiteral("Reading keyframes..."));
    Probe listing;
    if (!probe(&listing))
        return Outcome::Stopped;
    m_plan = planCut(listing, m_start, m_length);
    if (!findShownSubtitles(listing))
        return Outcome::Stopped;
    const VideoStream &video = listing.video;
    const QString extension = QFileInfo(m_outputFile).suffix().toLower();
    const QString finished = m_work->filePath(QStringLiteral("cut.") + extension);
    // What the output cannot hold is said, not silently left out.
    const QList<LeftOutTrack> dropped = droppedTracks(listing, extension);
    const QString droppedNote =
        dropped.isEmpty() ? QString() : kNotKeptStatus.arg(extension.toUpper(), trackTexts(dropped).join(QStringLiteral(", ")));
    if (!droppedNote.isEmpty()) {
        emit TracksLeftOut(extension.toUpper(), dropped);
        emit CurrentStatus(droppedNote);
    }
    // Dolby Vision's dynamic metadata stays in the copied packets; the
    // encoders write none.
    if (!video.dolbyVision.isEmpty() && (!m_plan.smart || m_plan.head.frames > 0 || m_plan.tail.frames > 0)) {
        emit MetadataNotKept(QStringLiteral("Dolby Vision (%1)").arg(video.dolbyVision), !m_plan.smart);
        emit CurrentStatus(kNotKeptStatus.arg(m_plan.smart ? QStringLiteral("the re-encoded start and end")
                                                           : QStringLiteral("the re-encoded video"),
                                              QStringLiteral("Dolby Vision (%1) dynamic metadata").arg(video.dolbyVision)));
    }
    const auto reEncodeStep = [&]() {
        m_result.fellBack = true;
        m_result.fallbackReason = m_plan.reason;
        emit ReEncodingAll(m_plan.reason);
        return Step{kReEncodeStatus + QStringLiteral(" (") + reasonText(m_plan.reason)
                        + (droppedNote.isEmpty() ? QString() : QStringLiteral("; ") + droppedNote) + u')',
                    reEncodeOptions(m_plan, listing, extension), finished, m_plan.length,
                    std::max(1, m_plan.frames) * kEncodeCost, false, true};
    };

    QList<Step> steps;
    const QString middlePath = m_work->filePath(QStringLiteral("middle.ts"));
    const QString tailPath = m_work->filePath(QStringLiteral("tail.ts"));
    if (!m_plan.smart) {
        steps.append(reEncodeStep());
    } else {
        QList<PartFile> parts;
        if (m_plan.head.frames > 0) {
            steps.append({QStringLiteral("Re-encoding up to the first keyframe..."),
                          partEncodeOptions(video, m_plan.head, m_inputFile), m_work->filePath(QStringLiteral("head.ts")),
                          m_plan.head.length, m_plan.head.frames * kEncodeCost, false, true});
            parts.append({QStringLiteral("head.ts"), m_plan.head.length});
        }
        steps.append({QStringLiteral("Copying between keyframes..."), middleCopyOptions(m_plan.middle, m_inputFile, middlePath + QStringLiteral(".crc")),
                      middlePath, m_plan.middle.length, m_plan.middle.frames * kCopyCost, false, true});
        parts.append({QStringLiteral("middle.ts"), m_plan.middle.length});
        if (m_plan.tail.frames > 0) {
            steps.append({QStringLiteral("Re-encoding after the last keyframe..."),
                          partEncodeOptions(video, m_plan.tail, m_inputFile),
                          tailPath, m_plan.tail.length,
                          m_plan.tail.frames * kEncodeCost, false, true});
            parts.append({QStringLiteral("tail.ts"), m_plan.tail.length});
        }
        const QString listPath = m_work->filePath(QStringLiteral("parts.ffconcat"));
        QFile list(listPath);
        if (!list.open(QIODevice::WriteOnly) || list.write(concatList(parts)) < 0 || !list.flush()) {
            reportFailure(QStringLiteral("The list of parts could not be written: ") + list.errorString());
            return Outcome::Failed;
        }
        list.close();
        steps.append({QStringLiteral("Joining the parts..."),
                      joinOptions(m_plan, listing, listPath, extension), finished, m_plan.length,
                      m_plan.frames * kJoinCost, false, true});
    }

    m_totalWeight = 0;
    for (const Step &step : steps)
        m_totalWeight += step.weight;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const Step &step = steps.at(i);
        if (m_stopRequested)
            return Outcome::Stopped;
        if (!runStep(step))
            return m_stopRequested ? Outcome::Stopped : Outcome::Failed;
        // A copy that found another keyframe than planned would put another
        // part of the video in the cut: copy again by decode times, else
        // re-encode the range instead.
        if (step.output == middlePath && !middleMatches(listing)) {
            if (m_stopRequested)
                return Outcome::Stopped;
            if (m_plan.middleByDecode.frames > 0) {
                m_plan.middle = std::exchange(m_plan.middleByDecode, {});
                if (m_plan.tail.frames > 0) {
                    m_plan.tail = m_plan.tailByTime;
                    for (Step &later : steps)
                        if (later.output == tailPath)
                            later.parametrs = partEncodeOptions(video, m_plan.tail, m_inputFile);
                }
                Step again = step;
                again.parametrs = middleCopyOptions(m_plan.middle, m_inputFile, middlePath + QStringLiteral(".crc"));
                if (!runStep(again))
                    return m_stopRequested ? Outcome::Stopped : Outcome::Failed;
                if (middleMatches(listing))
                    continue;
                if (m_stopRequested)
                    return Outcome::Stopped;
            }
            m_plan.smart = false;
            m_plan.reason = {Obstacle::CopyMismatch, {}};
            const Step fallback = reEncodeStep();
            m_totalWeight += fallback.weight;
            if (!runStep(fallback))
                return m_stopRequested ? Outcome::Stopped : Outcome::Failed;
            break;
        }
    }
    if (m_stopRequested)
        return Outcome::Stopped;
    if (!publish(finished))
        return Outcome::Failed;
    reportProgress(0);
    return Outcome::Completed;
}

bool SmartCutJob::probe(SmartCut::Probe *result)
{
    std::optional<SmartCut::SourceRead> read = readSource(m_inputFile);
    if (!read)
        return false;
    *result = std::move(read->probe);
    m_doneWeight = 0;
    reportProgress(0);
    return true;
}

bool SmartCutJob::findShownSubtitles(const SmartCut::Probe &source)
{
    // A display set stays on screen until the next; the one shown when the
    // range starts may have begun long before it. DVB sends one at least
    // every few seconds while a cue shows; half a minute is plenty.
    if (m_plan.start <= 0
        || std::none_of(source.tracks.begin(), source.tracks.end(), [](const SmartCut::Track &track) { return SmartCut::showsUntilReplaced(track); }))
        return true;
    // Packets come up to the muxer's delay ahead of their times: the listing
    // goes on a little past the start.
    const double from = std::max(0.0, m_plan.start - 30.0) + source.startTime;
    const std::optional<QString> listing =
        runProber(SmartCut::subtitlePacketsCommandLine(programDir(), source, from, m_plan.start + 2.0 + source.startTime));
    if (!listing)
        return false;
    m_plan.shownAtStart = SmartCut::shownAt(*listing, source.tracks, source.startTime, m_plan.start);
    return true;
}

bool SmartCutJob::middleMatches(const SmartCut::Probe &source)
{
    // The copy listed its packets as it wrote them.
    QFile listing(m_work->filePath(QStringLiteral("middle.ts.crc")));
    const QList<SmartCut::Packet> copied =
        listing.open(QIODevice::ReadOnly) ? SmartCut::parseFrameListing(QString::fromUtf8(listing.readAll())) : QList<SmartCut::Packet>{};
    return !m_stopRequested && SmartCut::copiedPartMatches(source, m_plan, copied);
}

bool SmartCutJob::runStep(const Step &step)
{
    const StepRun ran = runEncoder({step.status, m_inputFile, step.parametrs, step.output, step.seconds, step.weight,
                                    step.fastSeek, step.opensInputs});
    if (ran.stopped)
        return false;
    if (ran.written) {
        reportProgress(0);
        return true;
    }
    if (ran.messagesShown == 0)
        reportFailure(QStringLiteral("The encoder wrote no output for the step \"") + step.status
                      + QStringLiteral("\""));
    return false;
}

bool SmartCutJob::publish(const QString &finished)
{
    // As the encoder's -y would: the chosen name replaces what is there.
    if (QFileInfo::exists(m_outputFile))
        QFile::remove(m_outputFile);
    QFile file(finished);
    if (file.rename(m_outputFile))
        return true;
    reportFailure(QStringLiteral("The finished cut could not be moved to ") + QDir::toNativeSeparators(m_outputFile)
                  + QStringLiteral(": ") + file.errorString());
    return false;
}

void SmartCutJob::reportFailure(const QString &detail)
{
    if (m_messages)
        m_messages->showMessage(QCoreApplication::translate("CVideoConv", "Error converting file: %1\r\n%2")
                                    .arg(QFileInfo(m_inputFile).fileName(), detail),
                                MessageIcon::Critical, kAppTitle);
}
