#include "joinjob.h"

#include "cvideoconv.h"
#include "dosoutputs.h"
#include "encodercommand.h"
#include "encoderoutput.h"
#include "messagesink.h"
#include "smartcutoptions.h"
#include "stepmessages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace StepCosts;

namespace {

QString pieceStatus(Join::Piece::Kind kind)
{
    switch (kind) {
    case Join::Piece::Kind::Head:
        return QStringLiteral("Re-encoding up to the first keyframe");
    case Join::Piece::Kind::Middle:
        return QStringLiteral("Copying between keyframes");
    case Join::Piece::Kind::Tail:
        return QStringLiteral("Re-encoding after the last keyframe");
    case Join::Piece::Kind::Whole:
        break;
    }
    return QStringLiteral("Re-encoding the whole part");
}

} // namespace

struct JoinJob::Step
{
    QString status;
    QString input;
    QString parametrs;
    QString output;
    double seconds = 0;
    double weight = 0;
    int part = -1; // the planned part it makes; -1 for the joining step
    bool opensInputs = false; // the options open the source themselves
    int soundFrames = 0; // for a sound piece: the frames it should hold
    bool copies = false; // a stream copy, run in the background beside the encodes
};

JoinJob::JoinJob(MessageSink *messages, const QString &sProgramDir, QObject *parent)
    : EncoderStepJob(messages, sProgramDir, parent)
{
}

JoinJob::~JoinJob() = default;

void JoinJob::StartConversion()
{
    if (m_running)
        return;
    m_result = {};
    m_planned.clear();
    m_partOwner.clear();
    m_probes.clear();
    m_currentPart = 0;
    m_failedEarly = false;
    m_subtitleList.clear();
    runInWorkFolder(m_outputFile, QStringLiteral(".snipora-join-XXXXXX"), m_result.outcome, [this] { return run(); },
                    [this](const QString &why) { reportFailure(why, -1); });
}

JoinJob::Outcome JoinJob::run()
{
    m_failedPipe = -1;
    if (m_parts.isEmpty()) {
        reportFailure(QStringLiteral("There are no parts to join."), -1);
        return Outcome::Failed;
    }
    emit CurrentStatus(QStringLiteral("Reading keyframes..."));
    if (!probeSources())
        return m_failedEarly ? Outcome::Failed : Outcome::Stopped;
    if (!planParts())
        return Outcome::Failed;
    const QString extension = QFileInfo(m_outputFile).suffix().toLower();
    const QString finished = m_work->filePath(QStringLiteral("joined.") + extension);
    // Subtitles come by a list of the parts as ranges of their sources.
    const bool smart = m_encoderOptions.trimmed().isEmpty();
    const QList<int> subtitles = smart ? Join::keptSubtitles(m_planned, extension) : QList<int>{};
    if (!subtitles.isEmpty()) {
        m_subtitleList = m_work->filePath(QStringLiteral("subtitles.ffconcat"));
        QFile list(m_subtitleList);
        if (!list.open(QIODevice::WriteOnly) || list.write(Join::subtitleList(m_planned)) < 0 || !list.flush()) {
            reportFailure(QStringLiteral("The list of parts could not be written: ") + list.errorString(), -1);
            return Outcome::Failed;
        }
    }
    // What the output will not hold is said, not silently left out.
    const QList<SmartCut::LeftOutTrack> left = Join::tracksLeftOut(m_planned, smart, subtitles);
    if (!left.isEmpty()) {
        emit TracksLeftOut({}, left);
        emit CurrentStatus(Join::kNotKeptStatus.arg(SmartCut::trackTexts(left).join(QStringLiteral(", "))));
    }
    if (!m_encoderOptions.trimmed().isEmpty())
        return runFilter(finished, extension);
    const SmartCut::Reason obstacle = Join::copyObstacle(m_planned);
    if (!obstacle.isNone()) {
        m_result.fellBack = true;
        m_result.fallbackReason = obstacle;
        return runFilter(finished, extension);
    }
    return runSmart(finished, extension);
}

bool JoinJob::probeSources()
{
    if (!m_prober)
        m_prober = std::make_unique<DOSOutputs>(nullptr);
    for (const Source &part : std::as_const(m_parts)) {
        if (m_probes.contains(part.path))
            continue;
        // A listing that cannot be read leaves an empty probe: the parts are
        // then re-encoded by their times alone.
        std::optional<SmartCut::SourceRead> read = readSource(part.path);
        if (!read)
            return false;
        const SmartCut::Probe &probe = read->probe;
        if (probe.packets.isEmpty() && probe.tracks.isEmpty()) {
            reportFailure(QStringLiteral("The prober finds no video in it."), int(&part - m_parts.constData()));
            m_failedEarly = true;
            return false;
        }
        m_probes.insert(part.path, probe);
    }
    reportProgress(0);
    return true;
}

bool JoinJob::planParts()
{
    const auto plan = [this](const SmartCut::Probe &probe, double start, double length, int owner) {
        SmartCut::Plan planned = SmartCut::planCut(probe, start, length);
        if (planned.frames == 0 && !probe.packets.isEmpty() && planned.reason.obstacle == SmartCut::Obstacle::EmptyRange) {
            reportFailure(QStringLiteral("The part holds no frame."), owner);
            return false;
        }
        m_planned.append({&m_probes[probe.sourcePath], planned});
        m_partOwner.append(owner);
        return true;
    };
    if (m_mode == Mode::Join) {
        for (int i = 0; i < m_parts.size(); ++i)
            if (!plan(m_probes[m_parts.at(i).path], m_parts.at(i).start, m_parts.at(i).length, i))
                return false;
        return true;
    }

    const QString source = m_parts.first().path;
    if (std::any_of(m_parts.begin(), m_parts.end(), [&source](const Source &part) { return part.path != source; })) {
        reportFailure(QCoreApplication::translate("JoinJob", Join::kOneSourceMessage), -1);
        return false;
    }
    const SmartCut::Probe &probe = m_probes[source];
    const double end = Join::videoEnd(probe);
    if (end <= 0) {
        reportFailure(QStringLiteral("The length of the video could not be read."), -1);
        return false;
    }
    QList<Join::Range> removals;
    for (const Source &part : std::as_const(m_parts))
        removals.append({part.start, part.length});
    const double frame = probe.video.frameRate > 0 ? 1.0 / probe.video.frameRate : 0.001;
    const QList<Join::Range> kept = Join::keptRanges(removals, end, frame / 2);
    if (kept.isEmpty()) {
        reportFailure(QStringLiteral("Nothing is left once the parts are removed."), -1);
        return false;
    }
    // A recording whose sound or teletext starts before its picture leaves
    // a stretch before the first frame, which is no part.
    double firstFrame = end;
    for (const SmartCut::Packet &packet : probe.packets)
        if (packet.hasPts)
            firstFrame = std::min(firstFrame, packet.pts - probe.startTime);
    for (const Join::Range &range : kept) {
        if (range.start + range.length <= firstFrame + frame / 2)
            continue;
        // The last piece runs to the end, whatever the last frame's length.
        const bool last = range.start + range.length >= end - frame / 2;
        if (!plan(probe, range.start, range.length + (last ? 1.0 : 0.0), -1))
            return false;
    }
    return true;
}

JoinJob::Outcome JoinJob::runSmart(const QString &finished, const QString &extension)
{
    using namespace SmartCut;
    using Kind = Join::Piece::Kind;
    QList<Step> steps;
    const QList<Join::Piece> pieces = Join::pieces(m_planned);
    const int count = int(m_planned.size());
    for (const Join::Piece &piece : pieces) {
        const Join::Part &part = m_planned.at(piece.part);
        const QString source = part.probe->sourcePath;
        const bool copy = piece.kind == Kind::Middle;
        steps.append({pieceStatus(piece.kind) + QStringLiteral(" (part %1 of %2)...").arg(piece.part + 1).arg(count),
                      source,
                      copy ? middleCopyOptions(piece.span, source, m_work->filePath(piece.name + QStringLiteral(".crc")))
                           : partEncodeOptions(part.probe->video, piece.span, source),
                      m_work->filePath(piece.name), piece.seconds, piece.span.frames * (copy ? kCopyCost : kEncodeCost),
                      piece.part, true, 0, copy});
    }
    // The sound copied too where the output holds it as it is: each part's
    // pieces follow its picture's.
    const QList<Join::SoundPiece> sound = Join::soundPieces(m_planned, extension);
    for (const Join::SoundPiece &piece : sound) {
        const Join::Part &part = m_planned.at(piece.part);
        const auto after = std::find_if(steps.begin(), steps.end(), [&piece](const Step &step) { return step.part > piece.part; });
        steps.insert(after, {QStringLiteral("Copying the sound (part %1 of %2)...").arg(piece.part + 1).arg(count),
                             part.probe->sourcePath, Join::soundCopyOptions(piece, part.probe->sourcePath),
                             m_work->filePath(piece.name), piece.seconds, part.plan.frames * kCopyCost / 4, piece.part,
                             true, piece.frames, true});
    }
    const auto writeList = [this](const QString &path, const QByteArray &content) {
        QFile list(path);
        if (list.open(QIODevice::WriteOnly) && list.write(content) >= 0 && list.flush())
            return true;
        reportFailure(QStringLiteral("The list of parts could not be written: ") + list.errorString(), -1);
        return false;
    };
    const QString listPath = m_work->filePath(QStringLiteral("parts.ffconcat"));
    if (!writeList(listPath, Join::concatList(pieces)))
        return Outcome::Failed;
    QStringList soundLists;
    for (int t = 0; !sound.isEmpty() && t <= sound.last().track; ++t) {
        soundLists.append(m_work->filePath(QStringLiteral("sound-%1.ffconcat").arg(t + 1)));
        if (!writeList(soundLists.last(), Join::soundList(sound, t)))
            return Outcome::Failed;
    }
    const double total = Join::totalLength(m_planned);
    int frames = 0;
    for (const Join::Part &part : std::as_const(m_planned))
        frames += part.plan.frames;
    steps.append({QStringLiteral("Joining the parts..."), listPath, Join::copyJoinOptions(m_planned, extension, m_subtitleList, soundLists),
                  finished, total, frames * kJoinCost, -1});

    m_totalWeight = 0;
    for (const Step &step : std::as_const(steps))
        m_totalWeight += step.weight;

    // Where the work folder takes named pipes, each middle goes from its copy
    // straight into the join through one: the kept video is then written
    // once, instead of written, read back and written again.
    QList<qsizetype> piped;
    for (qsizetype i = 0; i + 1 < steps.size(); ++i)
        if (steps.at(i).copies && steps.at(i).soundFrames == 0)
            piped.append(i);
    if (!makePipes(steps, piped))
        piped.clear();

    // The other copies, each sound piece followed by its count, run beside
    // the encodes; their results are taken in order once the encodes are done.
    struct Copy
    {
        qsizetype step;
        int run;
        int count = -1; // a sound piece's: the prober counting its frames
    };
    QList<Copy> copies;
    QList<Copy> pipes;
    QStringList commands;
    QStringList pipeCommands;
    for (qsizetype i = 0; i + 1 < steps.size(); ++i) {
        const Step &step = steps.at(i);
        if (!step.copies)
            continue;
        const QString command = EncoderCommand::ownInputsCommandLine(m_programDir, step.parametrs, step.output);
        if (piped.contains(i)) {
            pipes.append({i, int(pipeCommands.size())});
            pipeCommands << command;
            continue;
        }
        copies.append({i, int(commands.size())});
        commands << command;
        if (step.soundFrames > 0) {
            copies.last().count = int(commands.size());
            commands << Join::soundCountCommandLine(m_programDir, step.output);
        }
    }
    BackgroundGuard background(this);
    const auto addWeights = [this, &steps](const QList<Copy> &runs) {
        connect(m_background.get(), &BackgroundRuns::finished, this, [this, &steps, runs](int run) {
            const auto copy = std::find_if(runs.cbegin(), runs.cend(), [run](const Copy &c) { return c.run == run; });
            if (copy != runs.cend())
                m_doneWeight += steps.at(copy->step).weight;
        });
    };
    addWeights(copies);
    m_background->start(commands);
    for (qsizetype i = 0; i + 1 < steps.size(); ++i) {
        const Step &step = steps.at(i);
        if (step.copies)
            continue;
        if (m_stopRequested)
            return Outcome::Stopped;
        if (step.part >= 0 && step.part + 1 != m_currentPart)
            emit PartStarted(m_currentPart = step.part + 1, count);
        if (!runStep(step))
            return m_stopRequested ? Outcome::Stopped : Outcome::Failed;
    }
    // A copy that found another keyframe than planned would put another part
    // of the video in the output: re-encode the whole instead.
    const auto copiedAsPlanned = [this](const Step &step) {
        const Join::Part &part = m_planned.at(step.part);
        QFile listing(step.output + QStringLiteral(".crc"));
        const QList<Packet> copied = listing.open(QIODevice::ReadOnly) ? parseFrameListing(QString::fromUtf8(listing.readAll())) : QList<Packet>{};
        return copiedPartMatches(*part.probe, part.plan, copied);
    };
    const auto fallBack = [&](const Step &step) {
        m_background->stop();
        m_result.fellBack = true;
        m_result.fallbackReason = {SmartCut::Obstacle::CopyMismatch, {}, step.part + 1};
        m_doneWeight = m_totalWeight; // the bar starts over for the one run
        return runFilter(finished, extension);
    };
    for (const Copy &copy : std::as_const(copies)) {
        const Step &step = steps.at(copy.step);
        if (m_stopRequested)
            return Outcome::Stopped;
        // Said even when done: the copy's result is what is taken now.
        emit CurrentStatus(step.status);
        if (step.part + 1 != m_currentPart)
            emit PartStarted(m_currentPart = step.part + 1, count);
        const bool ran = m_background->waitFor(copy.run) && (copy.count < 0 || m_background->waitFor(copy.count));
        if (m_stopRequested || !ran)
            return Outcome::Stopped;
        if (!copyCompleted(step, m_background->result(copy.run)))
            return Outcome::Failed;
        reportProgress(0);
        if (step.soundFrames > 0) {
            // Sound that ends before the picture comes out short: it is
            // re-encoded instead, the silence filled in.
            if (!soundLists.isEmpty() && m_background->result(copy.count).output.trimmed().toInt() < step.soundFrames) {
                soundLists.clear();
                steps.last().parametrs = Join::copyJoinOptions(m_planned, extension, m_subtitleList);
            }
            continue;
        }
        if (!copiedAsPlanned(step))
            return fallBack(step);
    }
    if (m_stopRequested)
        return Outcome::Stopped;

    // The piped copies run while the join reads them, in its order.
    m_failedPipe = -1;
    if (!pipes.isEmpty()) {
        m_background = std::make_unique<BackgroundRuns>();
        addWeights(pipes);
        connect(m_background.get(), &BackgroundRuns::finished, this, [this, &pipes](int run) {
            // A copy that ends before it opened its pipe would leave the
            // join waiting for it for ever.
            const BackgroundRuns::Result result = m_background->result(run);
            if (run >= 0 && run < pipes.size() && m_failedPipe < 0 && !EncoderOutput::hasEncodingStarted(result.output)) {
                m_failedPipe = run;
                if (m_currentStep)
                    m_currentStep->StopConversion();
            }
        });
        m_background->start(pipeCommands);
    }
    const bool joined = m_failedPipe < 0 && runStep(steps.last());
    // Any copy still waiting for the join to read it never will be read.
    if (!pipes.isEmpty())
        m_background->finish();
    if (m_stopRequested)
        return Outcome::Stopped;
    if (m_failedPipe >= 0) {
        const Step &step = steps.at(pipes.at(m_failedPipe).step);
        copyCompleted(step, m_background->result(m_failedPipe));
        return Outcome::Failed;
    }
    if (!joined)
        return Outcome::Failed;
    // The join read each piped copy to its end, which comes after its listing
    // is complete; how its copy ended beyond that tells nothing more.
    for (const Copy &copy : std::as_const(pipes))
        if (!copiedAsPlanned(steps.at(copy.step)))
            return fallBack(steps.at(copy.step));
    // The copied join is checked as the one run is: a part whose frames are
    // not the ones planned (a count the encoder did not keep to) fails it.
    if (!joinedExactly(finished))
        return m_stopRequested ? Outcome::Stopped : Outcome::Failed;
    if (!publish(finished))
        return Outcome::Failed;
    reportProgress(0);
    return Outcome::Completed;
}

bool JoinJob::makePipes(const QList<Step> &steps, const QList<qsizetype> &which)
{
#ifdef Q_OS_UNIX
    for (qsizetype k = 0; k < which.size(); ++k) {
        if (::mkfifo(QFile::encodeName(steps.at(which.at(k)).output).constData(), 0600) == 0)
            continue;
        // A folder that takes none (a Windows volume): the copies go to files.
        for (qsizetype made = 0; made < k; ++made)
            QFile::remove(steps.at(which.at(made)).output);
        return false;
    }
    return !which.isEmpty();
#else
    Q_UNUSED(steps);
    Q_UNUSED(which);
    return false;
#endif
}

bool JoinJob::copyCompleted(const Step &step, const BackgroundRuns::Result &ran)
{
    if (EncoderOutput::ranThrough(ran.output, ran.exitCode) && QFileInfo(step.output).size() > 0)
        return true;
    reportFailure(QStringLiteral("The encoder failed at the step \"") + step.status + QStringLiteral("\":\r\n")
                      + EncoderOutput::shortenForMessage(EncoderOutput::errorDetails(ran.output)),
                  m_partOwner.value(step.part, -1));
    return false;
}

bool JoinJob::joinedExactly(const QString &finished)
{
    const bool listed = std::all_of(m_planned.cbegin(), m_planned.cend(), [](const Join::Part &part) { return part.plan.frames > 0; });
    if (!listed)
        return !m_stopRequested;
    const QString listing = m_prober->ExecuteCommand(SmartCut::partProbeCommandLine(m_programDir, finished));
    if (m_stopRequested)
        return false;
    const QList<SmartCut::Packet> joined = SmartCut::parseProbe(listing).packets;
    QString wrong = Join::misplacedFrames(m_planned, joined);
    // Times and counts alone miss frames taken from the wrong place at the
    // right times: each part's first frame is compared with its own.
    for (const Join::PartStart &start : wrong.isEmpty() ? Join::partStarts(m_planned, joined) : QList<Join::PartStart>{}) {
        // The quick check first; only the wide one may find a picture wrong.
        double match = -1;
        for (const bool narrow : {true, false}) {
            const QString log = m_prober->ExecuteCommand(
                Join::pictureCheckCommandLine(m_programDir, finished, m_planned.at(start.part), start, narrow));
            if (m_stopRequested)
                return false;
            match = Join::pictureMatch(log);
            if (match >= Join::kOwnPictureAbove)
                break;
        }
        // A check that cannot run judges nothing.
        if (match >= 0 && match < Join::kOwnPictureAbove) {
            wrong = QStringLiteral("the first frame of part %1 is another picture, at %2 dB").arg(start.part + 1).arg(match, 0, 'f', 1);
            break;
        }
    }
    if (wrong.isEmpty())
        return true;
    reportFailure(QStringLiteral("The joined file is not exact (") + wrong + QStringLiteral("), so it was not kept."), -1);
    return false;
}

JoinJob::Outcome JoinJob::runFilter(const QString &finished, const QString &extension)
{
    if (m_result.fellBack)
        emit ReEncodingAll(m_result.fallbackReason);
    const QString status = m_result.fellBack
                               ? Join::kReEncodeStatus + QStringLiteral(" (") + SmartCut::reasonText(m_result.fallbackReason) + u')'
                               : QStringLiteral("Joining by re-encoding...");
    int frames = 0;
    for (const Join::Part &part : std::as_const(m_planned))
        frames += std::max(1, part.plan.frames);
    const Step step{status, m_planned.first().probe->sourcePath,
                    Join::filterJoinOptions(m_planned, m_result.fellBack ? QString() : m_encoderOptions, extension,
                                            m_subtitleList),
                    finished, Join::totalLength(m_planned), frames * kEncodeCost, -1};
    m_doneWeight = 0;
    m_totalWeight = step.weight;
    m_currentPart = 0;
    m_filterStep = true;
    emit PartStarted(m_currentPart = 1, int(m_planned.size()));
    const bool ran = runStep(step);
    m_filterStep = false;
    if (!ran)
        return m_stopRequested ? Outcome::Stopped : Outcome::Failed;
    if (m_currentPart < m_planned.size()) // the encoder's last report may come before the last part's time
        emit PartStarted(m_currentPart = int(m_planned.size()), int(m_planned.size()));
    if (m_stopRequested)
        return Outcome::Stopped;
    // The exact join that stands in for a copy is checked by its output's
    // frame times and each part's first picture: a lost, doubled, moved or
    // wrong frame fails the join rather than passing as exact.
    if (m_result.fellBack && !joinedExactly(finished))
        return m_stopRequested ? Outcome::Stopped : Outcome::Failed;
    if (!publish(finished))
        return Outcome::Failed;
    reportProgress(0);
    return Outcome::Completed;
}

bool JoinJob::runStep(const Step &step)
{
    const StepRun ran = runEncoder({step.status, step.input, step.parametrs, step.output, step.seconds, step.weight,
                                    false, step.opensInputs});
    // A copy the join reads failed, and ended it: that is what is said.
    if (ran.stopped || m_failedPipe >= 0)
        return false;
    if (ran.completed && ran.written) {
        reportProgress(0);
        return true;
    }
    const int owner = step.part >= 0 ? m_partOwner.value(step.part, -1) : -1;
    if (ran.messagesShown == 0)
        reportFailure(QStringLiteral("The encoder wrote no output for the step \"") + step.status + u'"', owner);
    m_result.failedPart = owner;
    return false;
}

bool JoinJob::publish(const QString &finished)
{
    // Never over another file: the name was free when it was chosen.
    QFile file(finished);
    if (!QFileInfo::exists(m_outputFile) && file.rename(m_outputFile))
        return true;
    reportFailure(QStringLiteral("The joined file could not be moved to ") + QDir::toNativeSeparators(m_outputFile)
                      + QStringLiteral(": ")
                      + (QFileInfo::exists(m_outputFile) ? QStringLiteral("a file of that name is there")
                                                         : file.errorString()),
                  -1);
    return false;
}

void JoinJob::reportProgress(double stepFraction)
{
    if (m_filterStep && !m_planned.isEmpty()) {
        // One run makes every part in turn: the part its time has reached.
        double reached = stepFraction * Join::totalLength(m_planned);
        int part = 1;
        for (qsizetype k = 0; k + 1 < m_planned.size() && reached >= m_planned.at(k).plan.length; ++k, ++part)
            reached -= m_planned.at(k).plan.length;
        if (part != m_currentPart)
            emit PartStarted(m_currentPart = part, int(m_planned.size()));
    }
    showShare(shareDone(stepFraction));
}

void JoinJob::reportFailure(const QString &detail, int part)
{
    m_result.failedPart = part;
    const QString source = m_parts.isEmpty() ? QString() : m_parts.value(std::max(0, part)).path;
    if (m_messages)
        m_messages->showMessage(QCoreApplication::translate("JoinJob", "Error joining files: %1\r\n%2")
                                    .arg(QFileInfo(source).fileName(), detail),
                                MessageIcon::Critical, kAppTitle);
}
