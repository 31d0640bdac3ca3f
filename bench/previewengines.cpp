// Preview engine figures: prints them, asserts nothing.
// Two clips, each played by the FFmpeg engine twice, in child runs of this program so that one's
// memory does not count for the other: as seeks were ("classic": the frame asked for decodes
// before anything shows, frames before it become pictures as they decode) and as they are now
// (a keyframe or cached picture at once, the exact frame after it, read-ahead while resting).
//   1080p: 40 s 1080p30 H.264 High (B-frames, 10 s groups, AAC)
//   4K:    6 s 2160p30 HEVC Main 10 (1 s groups, no sound)
// Per run: first frame after a load, forward and backward steps from mid-group, paused seeks to
// seeded random frames, drags (a move every 100 ms: the time to the first picture after each
// move, and to the exact frame after the last), the first step back over a keyframe after a
// second's rest, playback, and resident memory after filling the frame cache.
// Times run from the call to the picture's delivery to the output (pictures are kept, as the
// video area keeps its last one, but not converted).
// The clips are made once into bench-cache/ beside the build's bench folder.
// Run headless: QT_QPA_PLATFORM=offscreen build/bench/bench_previewengines [CLIP...] (1080p, 4K; both
// when none is named)
#include "avpreviewengine.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMap>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include <sys/resource.h>

namespace {

constexpr int kSteps = 20;
constexpr int kSeeks = 20;
constexpr int kReloads = 5;
constexpr int kDrags = 5;
constexpr int kDragMoves = 8;
constexpr int kMoveMs = 100;  // a slider sends a new place this often while dragged
constexpr int kRestMs = 1000; // a rest before the step back over a keyframe
constexpr int kWaitMs = 15000;

// What differs between the clips; places are in groups of pictures from the start.
struct Clip
{
    QString name;
    QString file;
    QString description;
    double fps = 30.0;
    double seconds = 0.0;
    double group = 0.0; // seconds between keyframes
    QStringList encode; // ffmpeg's arguments after -y
};

std::vector<Clip> clips()
{
    const auto split = [](const QString &text) { return text.split(u' ', Qt::SkipEmptyParts); };
    return {
        {QStringLiteral("1080p"), QStringLiteral("h264-1080p-g300.mp4"),
         QStringLiteral("1920x1080 30 fps libx264 High, 3 B-frames, -g 300, AAC, 40 s"), 30.0, 40.0, 10.0,
         split(QStringLiteral("-f lavfi -i testsrc2=size=1920x1080:rate=30:duration=40 -f lavfi -i "
                              "sine=frequency=440:duration=40 -c:v libx264 -preset veryfast -profile:v high -bf 3 "
                              "-g 300 -sc_threshold 0 -pix_fmt yuv420p -c:a aac -shortest"))},
        {QStringLiteral("4K"), QStringLiteral("hevc-2160p-main10-g30.mp4"),
         QStringLiteral("3840x2160 30 fps libx265 Main 10, -g 30, no sound, 6 s"), 30.0, 6.0, 1.0,
         split(QStringLiteral("-f lavfi -i testsrc2=size=3840x2160:rate=30:duration=6 -c:v libx265 -preset "
                              "ultrafast -pix_fmt yuv420p10le -x265-params keyint=30:min-keyint=30:scenecut=0:"
                              "log-level=error -tag:v hvc1"))},
    };
}

bool makeClip(const Clip &clip, const QString &path)
{
    if (QFileInfo(path).size() > 0)
        return true;
    QProcess ffmpeg;
    ffmpeg.start(TestSupport::systemFfmpeg(), QStringList{QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                                                          QStringLiteral("error"), QStringLiteral("-y")}
                                                  + clip.encode + QStringList{path + QStringLiteral(".part.mp4")});
    if (!ffmpeg.waitForFinished(1800000) || ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0)
        return false;
    return QFile::rename(path + QStringLiteral(".part.mp4"), path);
}

double median(std::vector<double> values)
{
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Steps alternate between a cached frame and a decoded one: the mean tells more than the median.
double mean(const std::vector<double> &values)
{
    if (values.empty())
        return NAN;
    double sum = 0.0;
    for (const double value : values)
        sum += value;
    return sum / double(values.size());
}

double maximum(const std::vector<double> &values)
{
    return values.empty() ? NAN : *std::max_element(values.begin(), values.end());
}

// Processor time of the whole process (every decoding thread), in ms: steadier than wall time on a
// busy machine.
double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// A field of /proc/self/status in MB (VmRSS, VmHWM).
double statusMb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return NAN;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return NAN;
}

// Drives one engine; deliveries are timed by the output.
class Driver
{
public:
    Driver(AvPreviewEngine &engine, const Clip &clip)
        : m_engine(engine)
        , m_clip(clip)
    {
        m_clock.start();
        m_engine.SetVideoOutput([this](const PreviewPicture &picture) {
            if (picture.isNull())
                return;
            m_last = picture; // held as the video area holds it
            ++m_delivered;
            m_lastNs = m_clock.nsecsElapsed();
            m_deliveries.push_back(m_lastNs);
            if (m_recording)
                m_record.push_back({m_lastNs, m_engine.ShownFramePosition().value_or(NAN)});
        });
    }

    void result(const char *key, double value) { std::printf("RESULT %s %.6g\n", key, value); }
    void note(const QString &text) { std::printf("NOTE %s\n", qPrintable(text)); }
    void list(const char *key, const std::vector<double> &values)
    {
        QStringList items;
        for (const double value : values)
            items << QString::number(value, 'f', 0);
        std::printf("LIST %s: %s\n", key, qPrintable(items.join(QLatin1Char(' '))));
    }

    bool waitUntil(const std::function<bool()> &done, int timeoutMs)
    {
        return TestSupport::runEventsUntil(done, timeoutMs);
    }
    void idle(int ms)
    {
        waitUntil([] { return false; }, ms);
    }

    // Milliseconds from RenderFile to the first picture delivered; NaN when none came.
    double load(const QString &path)
    {
        m_engine.Release();
        idle(100);
        const quint64 before = m_delivered;
        const qint64 start = m_clock.nsecsElapsed();
        if (m_engine.RenderFile(path) != PreviewStatus::Ok)
            return NAN;
        m_renderMs.push_back(double(m_clock.nsecsElapsed() - start) / 1e6);
        if (!waitUntil([&] { return m_delivered > before; }, 10000))
            return NAN;
        return double(m_lastNs - start) / 1e6;
    }

    // A blocking call's time to its last picture; NaN when it delivered none or failed.
    double timedCall(const std::function<PreviewStatus()> &call)
    {
        const quint64 before = m_delivered;
        const qint64 start = m_clock.nsecsElapsed();
        if (call() != PreviewStatus::Ok || m_delivered == before)
            return NAN;
        return double(m_lastNs - start) / 1e6;
    }

    // The frame the engine says it shows, counted from the first.
    double shownFrame() const { return m_engine.ShownFramePosition().value_or(NAN) * m_clip.fps; }

    // Waits until every request is answered, the picture of the last one delivered; the time from
    // start to that picture, NaN when it did not come.
    double untilExact(qint64 start, quint64 before)
    {
        if (!waitUntil([&] { return m_engine.Idle() && m_delivered > before; }, kWaitMs))
            return NAN;
        return double(m_lastNs - start) / 1e6;
    }

    // Seeks paused and waits for the frame asked for (a picture shown before it does not count).
    double seek(double seconds, double *landed = nullptr, double *cpu = nullptr)
    {
        const quint64 before = m_delivered;
        const qint64 start = m_clock.nsecsElapsed();
        const double cpuStart = cpuMs();
        if (m_engine.SetCurrentPosition(seconds) != PreviewStatus::Ok)
            return NAN;
        const double ms = untilExact(start, before);
        if (cpu)
            *cpu = cpuMs() - cpuStart;
        if (landed)
            *landed = m_engine.ShownFramePosition().value_or(NAN);
        return ms;
    }

    std::vector<double> steps(double from, int frames, int *stuck)
    {
        std::vector<double> times;
        seek(from);
        idle(300);
        for (int i = 0; i < kSteps; ++i) {
            const double shown = shownFrame();
            const double ms = timedCall([&] { return m_engine.StepFrames(frames); });
            if (std::isnan(ms) || std::abs(shownFrame() - shown - frames) > 0.5)
                ++*stuck;
            if (!std::isnan(ms))
                times.push_back(ms);
        }
        return times;
    }

    // A move every kMoveMs: the time from each move to the next picture delivered (whichever
    // place it shows), and from the last move to the exact frame.
    void drags(std::mt19937 &random, std::vector<double> *first, std::vector<double> *exact, int *off)
    {
        const double stride = m_clip.group / 10.0 + 1.0 / m_clip.fps * 0.37; // never on a keyframe twice
        const double span = stride * kDragMoves;
        std::uniform_real_distribution<double> begin(0.2, m_clip.seconds - span - 0.5);
        for (int drag = 0; drag < kDrags; ++drag) {
            const double from = begin(random);
            m_deliveries.clear();
            std::vector<qint64> moves;
            double target = from;
            quint64 before = m_delivered;
            for (int move = 0; move < kDragMoves; ++move) {
                target = from + move * stride;
                before = m_delivered;
                moves.push_back(m_clock.nsecsElapsed());
                m_engine.SetCurrentPosition(target);
                if (move + 1 < kDragMoves)
                    idle(kMoveMs);
            }
            const double ms = untilExact(moves.back(), before);
            exact->push_back(ms);
            if (std::abs(shownFrame() - std::floor(target * m_clip.fps + 1e-6)) > 0.5)
                ++*off;
            for (const qint64 moved : moves) {
                const auto picture = std::lower_bound(m_deliveries.begin(), m_deliveries.end(), moved);
                if (picture != m_deliveries.end())
                    first->push_back(double(*picture - moved) / 1e6);
            }
            idle(300);
        }
    }

    // Seeks to a keyframe, rests, and steps back over it.
    std::vector<double> backOverKeyframes(int *stuck)
    {
        std::vector<double> times;
        for (double key = 2 * m_clip.group; key < m_clip.seconds - 0.5 * m_clip.group; key += m_clip.group) {
            seek(key + 0.25 / m_clip.fps);
            idle(kRestMs);
            const double shown = shownFrame();
            const double ms = timedCall([&] { return m_engine.StepFrames(-1); });
            if (std::isnan(ms) || std::abs(shownFrame() - (shown - 1)) > 0.5)
                ++*stuck;
            if (!std::isnan(ms))
                times.push_back(ms);
        }
        return times;
    }

    void playback(double from, double seconds)
    {
        seek(from);
        idle(300);
        m_record.clear();
        m_recording = true;
        const qint64 start = m_clock.nsecsElapsed();
        m_engine.Run();
        idle(int(seconds * 1000));
        m_recording = false;
        m_engine.Pause();
        // The picture already shown before Run may be delivered again: count each frame once.
        const double fps = m_clip.fps;
        std::vector<std::pair<qint64, double>> frames;
        for (const auto &[ns, at] : m_record) {
            if (std::isnan(at) || at < from - 0.5 / fps)
                continue;
            if (!frames.empty() && std::abs(at - frames.back().second) < 0.5 / fps)
                continue;
            frames.push_back({ns, at});
        }
        if (frames.size() < 2) {
            note(QStringLiteral("playback delivered %1 pictures").arg(frames.size()));
            return;
        }
        const auto &[firstNs, firstPos] = frames.front();
        const auto &[lastNs, lastPos] = frames.back();
        const double wall = double(lastNs - firstNs) / 1e9;
        const double content = lastPos - firstPos;
        const double due = std::round(content * fps) + 1;
        result("play_start_ms", double(firstNs - start) / 1e6);
        result("play_delivered", double(frames.size()));
        result("play_due", due);
        result("play_dropped_pct", 100.0 * std::max(0.0, due - double(frames.size())) / due);
        result("play_speed", content / wall);
    }

    AvPreviewEngine &m_engine;
    const Clip &m_clip;
    QElapsedTimer m_clock;
    PreviewPicture m_last;
    quint64 m_delivered = 0;
    qint64 m_lastNs = 0;
    std::vector<qint64> m_deliveries;
    bool m_recording = false;
    std::vector<std::pair<qint64, double>> m_record;
    std::vector<double> m_renderMs;
};

bool hasIndex(const QString &folder)
{
    return !QDir(folder).entryList({QStringLiteral("*.idx")}, QDir::Files).isEmpty();
}

int measure(bool classic, const Clip &clip, const QString &path, const QString &work)
{
    const double baseline = statusMb("VmRSS");
    // Each run its own index folder: the first load's scan is timed in both.
    const QString indexFolder = QDir(work).filePath(QStringLiteral("frame-index-%1-%2")
                                                        .arg(clip.name, classic ? QStringLiteral("classic")
                                                                                : QStringLiteral("new")));
    AvPreviewEngine engine(indexFolder);
    engine.setClassicSeeks(classic);
    // Full-HD pictures: the cache holds the fewest and the scaling costs the most.
    engine.SetPictureSize(QSize(1920, 1080));
    Driver run(engine, clip);
    run.result("rss_baseline_mb", baseline);

    const double cold = run.load(path);
    if (std::isnan(cold)) {
        std::fprintf(stderr, "%s: could not load the clip\n", qPrintable(clip.name));
        return 1;
    }
    run.result("first_cold_ms", cold);
    QElapsedTimer scan;
    scan.start();
    run.waitUntil([&] { return hasIndex(indexFolder); }, 60000);
    run.result("index_scan_ms", double(scan.elapsed()));
    std::vector<double> reloads;
    for (int i = 0; i < kReloads; ++i)
        reloads.push_back(run.load(path));
    run.result("first_warm_ms", median(reloads));
    engine.Pause();
    run.idle(300);

    int stuck = 0;
    const std::vector<double> forward = run.steps(1.5 * clip.group, 1, &stuck);
    run.result("fwd_median_ms", median(forward));
    run.result("fwd_mean_ms", mean(forward));
    run.result("fwd_max_ms", maximum(forward));
    run.result("fwd_bad", stuck);
    run.list("forward steps (ms)", forward);
    stuck = 0;
    const std::vector<double> backward = run.steps(2.5 * clip.group, -1, &stuck);
    run.result("back_median_ms", median(backward));
    run.result("back_mean_ms", mean(backward));
    run.result("back_max_ms", maximum(backward));
    run.result("back_first_ms", backward.empty() ? NAN : backward.front());
    run.result("back_bad", stuck);
    run.list("backward steps (ms)", backward);

    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> frame(0, int((clip.seconds - 0.5) * clip.fps) - 1);
    std::vector<double> seeks;
    std::vector<double> seekCpu;
    int off = 0;
    for (int i = 0; i < kSeeks; ++i) {
        // A quarter into the frame: the engine must land on it, not on a neighbour.
        const int wanted = frame(random);
        double landed = NAN;
        double cpu = NAN;
        const double ms = run.seek((wanted + 0.25) / clip.fps, &landed, &cpu);
        if (!std::isnan(ms)) {
            seeks.push_back(ms);
            seekCpu.push_back(cpu);
        }
        if (std::isnan(landed) || std::abs(landed * clip.fps - wanted) > 0.5)
            ++off;
        run.idle(200);
    }
    run.result("seek_median_ms", median(seeks));
    run.result("seek_max_ms", maximum(seeks));
    run.result("seek_cpu_median_ms", median(seekCpu));
    run.result("seek_cpu_max_ms", maximum(seekCpu));
    run.result("seek_off", off);
    run.list("seek times (ms)", seeks);

    std::vector<double> first;
    std::vector<double> exact;
    off = 0;
    run.drags(random, &first, &exact, &off);
    run.result("drag_first_median_ms", median(first));
    run.result("drag_first_max_ms", maximum(first));
    run.result("drag_exact_median_ms", median(exact));
    run.result("drag_exact_max_ms", maximum(exact));
    run.result("drag_off", off);
    run.list("first picture after each move (ms)", first);

    stuck = 0;
    const std::vector<double> over = run.backOverKeyframes(&stuck);
    run.result("key_back_median_ms", median(over));
    run.result("key_back_max_ms", maximum(over));
    run.result("key_back_bad", stuck);
    run.list("steps back over a keyframe (ms)", over);

    run.playback(0.5 * clip.group, std::min(10.0, clip.seconds - clip.group));

    // Fill the cache: a seek late in a group and steps back over most of it, then time for any
    // read-ahead to finish.
    run.seek(clip.seconds - 0.3 * clip.group);
    for (int i = 0; i < 2 * kSteps; ++i)
        engine.StepFrames(-1);
    run.idle(3000);
    run.result("rss_full_mb", statusMb("VmRSS"));
    run.result("rss_peak_mb", statusMb("VmHWM"));
    std::fflush(stdout);
    return 0;
}

using Results = QMap<QString, double>;

Results runChild(const QString &mode, const Clip &clip, const QString &path, const QString &work, QStringList *notes)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--engine"), mode, clip.name, path, work});
    Results results;
    const QString who = clip.name + u' ' + mode;
    if (!child.waitForFinished(1800000)) {
        child.kill();
        child.waitForFinished();
        notes->append(who + QStringLiteral(": child run timed out"));
    }
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.size() == 3 && parts[0] == "RESULT")
            results.insert(QString::fromLatin1(parts[1]), parts[2].toDouble());
        else if (line.startsWith("LIST "))
            notes->append(who + QStringLiteral(" ") + QString::fromLocal8Bit(line.mid(5)));
        else if (line.startsWith("NOTE "))
            notes->append(who + QStringLiteral(": ") + QString::fromLocal8Bit(line.mid(5)));
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        notes->append(who + QStringLiteral(": child exited with %1").arg(child.exitCode()));
    return results;
}

QString cell(const Results &results, const QString &key, int decimals)
{
    if (!results.contains(key) || std::isnan(results[key]))
        return QStringLiteral("n/a");
    return QString::number(results[key], 'f', decimals);
}

QString ratio(const Results &now, const Results &before, const QString &key)
{
    if (!now.contains(key) || !before.contains(key) || std::isnan(now[key]) || std::isnan(before[key])
        || before[key] == 0.0)
        return QStringLiteral("n/a");
    return QString::number(now[key] / before[key], 'f', 2);
}

struct Row
{
    const char *label;
    const char *key;
    const char *target; // for the 1080p clip
    int decimals = 1;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 6 && qstrcmp(argv[1], "--engine") == 0) {
        QGuiApplication app(argc, argv);
        for (const Clip &clip : clips()) {
            if (clip.name == QString::fromLocal8Bit(argv[3]))
                return measure(qstrcmp(argv[2], "classic") == 0, clip, QString::fromLocal8Bit(argv[4]),
                               QString::fromLocal8Bit(argv[5]));
        }
        return 2;
    }

    QTemporaryDir work;
    // The engine keeps frame indexes in the cache folder: never the user's.
    qputenv("XDG_CACHE_HOME", QDir(work.path()).filePath(QStringLiteral("cache")).toLocal8Bit());
    QGuiApplication app(argc, argv);
    const QString cache = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../bench-cache"));
    QDir().mkpath(cache);

    const std::vector<Row> rows = {
        {"Paused seek to a random frame, median of 20", "seek_median_ms", "<= 400"},
        {"Paused seek, max", "seek_max_ms", "<= 1000"},
        {"  processor time of a seek, median", "seek_cpu_median_ms", ""},
        {"  processor time of a seek, max", "seek_cpu_max_ms", ""},
        {"Paused seeks not on the frame asked (of 20)", "seek_off", "0", 0},
        {"Drag: first picture after a move, median", "drag_first_median_ms", "<= 50"},
        {"Drag: first picture after a move, max", "drag_first_max_ms", ""},
        {"Drag: exact frame after the rest, median of 5", "drag_exact_median_ms", "<= 400"},
        {"Drag: exact frame after the rest, max", "drag_exact_max_ms", ""},
        {"Drags not resting on the frame asked (of 5)", "drag_off", "0", 0},
        {"First step back over a keyframe, median", "key_back_median_ms", "<= 200"},
        {"First step back over a keyframe, max", "key_back_max_ms", "<= 200"},
        {"Steps back over a keyframe not one frame", "key_back_bad", "0", 0},
        {"Forward step, median of 20 from mid-group", "fwd_median_ms", "as before"},
        {"Forward step, mean", "fwd_mean_ms", "as before"},
        {"Forward step, max", "fwd_max_ms", "as before"},
        {"Forward steps that did not move one frame", "fwd_bad", "0", 0},
        {"Backward step, median of 20 from mid-group", "back_median_ms", "as before"},
        {"Backward step, mean", "back_mean_ms", "as before"},
        {"Backward step, max", "back_max_ms", "as before"},
        {"Backward step, first", "back_first_ms", "as before"},
        {"Backward steps that did not move one frame", "back_bad", "0", 0},
        {"First frame after a load, first load", "first_cold_ms", ""},
        {"First frame after a load, median of 5 reloads", "first_warm_ms", ""},
        {"Frame index scan after first load", "index_scan_ms", "", 0},
        {"Playback: frames delivered", "play_delivered", "", 0},
        {"Playback: frames due (first to last shown)", "play_due", "", 0},
        {"Playback: dropped share (%)", "play_dropped_pct", "as before", 2},
        {"Playback: media s per wall s", "play_speed", "1.000", 3},
        {"Resident memory, cache full (VmRSS, MB)", "rss_full_mb", "<= 400", 0},
        {"Peak resident memory (VmHWM, MB)", "rss_peak_mb", "", 0},
    };

    QStringList named;
    for (int i = 1; i < argc; ++i)
        named << QString::fromLocal8Bit(argv[i]);
    QStringList notes;
    for (const Clip &clip : clips()) {
        if (!named.isEmpty() && !named.contains(clip.name))
            continue;
        const QString path = QDir(cache).filePath(clip.file);
        QElapsedTimer making;
        making.start();
        if (!work.isValid() || !makeClip(clip, path)) {
            std::fprintf(stderr, "could not generate the %s clip\n", qPrintable(clip.name));
            return 1;
        }
        std::printf("\n%s clip: %s (ready in %.0f s)\n", qPrintable(clip.name), qPrintable(clip.description),
                    making.elapsed() / 1000.0);
        std::fflush(stdout);
        // One after the other on the same clip, in one run.
        const Results classic = runChild(QStringLiteral("classic"), clip, path, work.path(), &notes);
        const Results now = runChild(QStringLiteral("new"), clip, path, work.path(), &notes);

        std::printf("\n| %-46s | %9s | %9s | %-10s | %9s |\n", "Figure (ms unless said)", "Classic", "New",
                    "Target", "New/Cl.");
        std::printf("|%s|%s|%s|%s|%s|\n", QByteArray(48, '-').constData(), QByteArray(11, '-').constData(),
                    QByteArray(11, '-').constData(), QByteArray(12, '-').constData(), QByteArray(11, '-').constData());
        for (const Row &row : rows) {
            const QString key = QString::fromLatin1(row.key);
            std::printf("| %-46s | %9s | %9s | %-10s | %9s |\n", row.label,
                        qPrintable(cell(classic, key, row.decimals)), qPrintable(cell(now, key, row.decimals)),
                        clip.name == QLatin1String("1080p") ? row.target : "(report)",
                        qPrintable(ratio(now, classic, key)));
        }
        std::fflush(stdout);
    }
    const bool sound = !QMediaDevices::defaultAudioOutput().isNull();
    std::printf("\nsound device: %s; pictures made at 1920x1080 (SetPictureSize); each run in its own process; "
                "drags move every %d ms, %d moves each; the step back over a keyframe follows a %d ms rest\n",
                sound ? "present" : "none (playback on the wall clock)", kMoveMs, kDragMoves, kRestMs);
    for (const QString &note : notes)
        std::printf("note: %s\n", qPrintable(note));
    return 0;
}
