// Preview engine figures: prints them, asserts nothing.
// One 40 s 1080p30 H.264 High clip (B-frames, 10 s groups, AAC) is played by the FFmpeg engine in
// a child run of this program, so that the parent's memory does not count. The program was written
// to set it beside the Qt Multimedia engine it replaced, in a second child ("old"), which is no
// longer built: that column now reads n/a.
// Per engine: first frame after a load, forward and backward steps from mid-group, paused seeks
// to seeded random frames, 10 s of playback, and resident memory after filling the frame cache.
// Times run from the call to the picture's delivery to the output (pictures are kept, as the
// video area keeps its last one, but not converted).
// Run headless: QT_QPA_PLATFORM=offscreen build/bench/bench_previewengines
#include "avpreviewengine.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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

namespace {

constexpr double kFps = 30.0;
constexpr int kClipSeconds = 40;
constexpr int kSteps = 20;
constexpr int kSeeks = 20;
constexpr int kReloads = 5;
constexpr double kPlaySeconds = 10.0;
constexpr double kForwardFrom = 15.0;  // 5 s into the second group
constexpr double kBackwardFrom = 25.0; // 5 s into the third: a group the forward steps did not touch
constexpr int kWaitMs = 15000;

bool makeClip(const QString &path)
{
    QProcess ffmpeg;
    ffmpeg.start(TestSupport::systemFfmpeg(),
                 {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                  QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("testsrc2=size=1920x1080:rate=30:duration=%1").arg(kClipSeconds),
                  QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("sine=frequency=440:duration=%1").arg(kClipSeconds), QStringLiteral("-c:v"),
                  QStringLiteral("libx264"), QStringLiteral("-preset"), QStringLiteral("veryfast"),
                  QStringLiteral("-profile:v"), QStringLiteral("high"), QStringLiteral("-bf"), QStringLiteral("3"),
                  // Exactly 10 s groups: no extra keyframes at scene cuts.
                  QStringLiteral("-g"), QStringLiteral("300"), QStringLiteral("-sc_threshold"), QStringLiteral("0"),
                  QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-c:a"),
                  QStringLiteral("aac"), QStringLiteral("-shortest"), path});
    return ffmpeg.waitForFinished(900000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

double msSince(const QElapsedTimer &clock, qint64 fromNs)
{
    return double(clock.nsecsElapsed() - fromNs) / 1e6;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double maximum(const std::vector<double> &values)
{
    return values.empty() ? NAN : *std::max_element(values.begin(), values.end());
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

// One engine driven the same way whichever it is; deliveries are timed by the output.
class Driver
{
public:
    Driver(PreviewEngine &engine, bool isNew)
        : m_engine(engine)
        , m_new(isNew)
    {
        m_clock.start();
        m_engine.SetVideoOutput([this](const PreviewPicture &picture) {
            if (picture.isNull())
                return;
            m_last = picture; // held as the video area holds it
            ++m_delivered;
            m_lastNs = m_clock.nsecsElapsed();
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
        QElapsedTimer waited;
        waited.start();
        while (!done()) {
            if (waited.elapsed() > timeoutMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        return true;
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
        const double renderMs = msSince(m_clock, start);
        if (!waitUntil([&] { return m_delivered > before; }, 10000)) {
            // No picture while paused: ask playback for one, as the window does.
            m_engine.Run();
            if (!waitUntil([&] { return m_delivered > before; }, 10000))
                return NAN;
            m_engine.Pause();
            note(QStringLiteral("first picture came only after Run"));
        }
        m_renderMs.push_back(renderMs);
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

    // Seeks paused and waits until the picture of that place is delivered. The FFmpeg engine
    // answers later: wait for a delivered picture at the frame asked for (or, failing that, for
    // the last one to settle). The Qt engine waits inside the call.
    double seek(double seconds, double *landed = nullptr)
    {
        const quint64 before = m_delivered;
        const qint64 start = m_clock.nsecsElapsed();
        if (m_engine.SetCurrentPosition(seconds) != PreviewStatus::Ok)
            return NAN;
        if (m_new) {
            const double wanted = std::floor(seconds * kFps + 1e-6) / kFps;
            const auto there = [&] {
                return m_delivered > before && std::abs(m_engine.ShownFramePosition().value_or(-1) - wanted) < 0.5 / kFps;
            };
            if (!waitUntil(there, kWaitMs)) {
                // Not the frame asked for: take the picture it settled on.
                quint64 seen = m_delivered;
                while (waitUntil([&] { return m_delivered > seen; }, 500))
                    seen = m_delivered;
            }
        }
        if (landed)
            *landed = m_engine.ShownFramePosition().value_or(NAN);
        if (m_delivered == before)
            return NAN;
        return double(m_lastNs - start) / 1e6;
    }

    std::vector<double> steps(double from, int frames, int *stuck)
    {
        std::vector<double> times;
        seek(from);
        idle(300);
        for (int i = 0; i < kSteps; ++i) {
            const double shown = m_engine.ShownFramePosition().value_or(NAN);
            const double ms = timedCall([&] { return m_engine.StepFrames(frames); });
            const double now = m_engine.ShownFramePosition().value_or(NAN);
            if (std::isnan(ms) || std::abs((now - shown) * kFps - frames) > 0.5)
                ++*stuck;
            if (!std::isnan(ms))
                times.push_back(ms);
        }
        return times;
    }

    void playback(double from)
    {
        seek(from);
        idle(300);
        m_record.clear();
        m_recording = true;
        const qint64 start = m_clock.nsecsElapsed();
        m_engine.Run();
        idle(int(kPlaySeconds * 1000));
        m_recording = false;
        m_engine.Pause();
        // The picture already shown before Run may be delivered again: count each frame once.
        std::vector<std::pair<qint64, double>> frames;
        for (const auto &[ns, seconds] : m_record) {
            if (std::isnan(seconds) || seconds < from - 0.5 / kFps)
                continue;
            if (!frames.empty() && std::abs(seconds - frames.back().second) < 0.5 / kFps)
                continue;
            frames.push_back({ns, seconds});
        }
        if (frames.size() < 2) {
            note(QStringLiteral("playback delivered %1 pictures").arg(frames.size()));
            return;
        }
        const auto &[firstNs, firstPos] = frames.front();
        const auto &[lastNs, lastPos] = frames.back();
        const double wall = double(lastNs - firstNs) / 1e9;
        const double content = lastPos - firstPos;
        const double due = std::round(content * kFps) + 1;
        result("play_start_ms", double(firstNs - start) / 1e6);
        result("play_delivered", double(frames.size()));
        result("play_due", due);
        result("play_dropped_pct", 100.0 * std::max(0.0, due - double(frames.size())) / due);
        result("play_wall_due", std::round(double(lastNs - start) / 1e9 * kFps));
        result("play_speed", content / wall);
        // Each picture's time against the wall clock, both from the first picture: the offset a
        // steady sound clock would show.
        std::vector<double> offsets;
        for (const auto &[ns, seconds] : frames)
            offsets.push_back(std::abs((seconds - firstPos) - double(ns - firstNs) / 1e9) * 1000.0);
        result("play_offset_median_ms", median(offsets));
        result("play_offset_max_ms", maximum(offsets));
        result("play_offset_end_ms", ((lastPos - firstPos) - wall) * 1000.0);
    }

    PreviewEngine &m_engine;
    bool m_new;
    QElapsedTimer m_clock;
    PreviewPicture m_last;
    quint64 m_delivered = 0;
    qint64 m_lastNs = 0;
    bool m_recording = false;
    std::vector<std::pair<qint64, double>> m_record;
    std::vector<double> m_renderMs;
};

bool hasIndex(const QString &folder)
{
    return !QDir(folder).entryList({QStringLiteral("*.idx")}, QDir::Files).isEmpty();
}

int measure(bool isNew, const QString &clip, const QString &work)
{
    const double baseline = statusMb("VmRSS");
    std::unique_ptr<PreviewEngine> engine;
    const QString indexFolder = QDir(work).filePath(QStringLiteral("frame-index"));
    if (isNew) {
        auto av = std::make_unique<AvPreviewEngine>(indexFolder);
        // Full-size pictures: the cache holds the fewest and the scaling costs the most.
        av->SetPictureSize(QSize(1920, 1080));
        engine = std::move(av);
    } else {
        // The Qt Multimedia engine was removed with the move to our own; its figures beside
        // these came from this program before that change.
        std::fprintf(stderr, "the old engine is no longer built\n");
        return 2;
    }
    Driver run(*engine, isNew);
    run.result("rss_baseline_mb", baseline);

    const double cold = run.load(clip);
    if (std::isnan(cold)) {
        std::fprintf(stderr, "%s engine: could not load the clip\n", isNew ? "new" : "old");
        return 1;
    }
    run.result("first_cold_ms", cold);
    run.result("render_cold_ms", run.m_renderMs.back());
    if (isNew) {
        // The first load reads the frame index in the background; a reload finds it on disk.
        QElapsedTimer scan;
        scan.start();
        run.waitUntil([&] { return hasIndex(indexFolder); }, 60000);
        run.result("index_scan_ms", double(scan.elapsed()));
    }
    std::vector<double> reloads;
    for (int i = 0; i < kReloads; ++i)
        reloads.push_back(run.load(clip));
    run.result("first_warm_ms", median(reloads));
    run.result("render_warm_ms", median(std::vector<double>(run.m_renderMs.end() - kReloads, run.m_renderMs.end())));
    engine->Pause();
    run.idle(300);

    int stuck = 0;
    const std::vector<double> forward = run.steps(kForwardFrom, 1, &stuck);
    run.result("fwd_median_ms", median(forward));
    run.result("fwd_max_ms", maximum(forward));
    run.result("fwd_bad", stuck);
    run.list("forward steps (ms)", forward);
    stuck = 0;
    const std::vector<double> backward = run.steps(kBackwardFrom, -1, &stuck);
    run.result("back_median_ms", median(backward));
    run.result("back_max_ms", maximum(backward));
    run.result("back_first_ms", backward.empty() ? NAN : backward.front());
    run.result("back_bad", stuck);
    run.list("backward steps (ms)", backward);

    const double duration = engine->Duration().value_or(kClipSeconds);
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> frame(0, int((duration - 0.5) * kFps) - 1);
    std::vector<double> seeks;
    std::vector<double> targets;
    int off = 0;
    for (int i = 0; i < kSeeks; ++i) {
        // A quarter into the frame: both engines must land on it, not on a neighbour.
        const int wanted = frame(random);
        double landed = NAN;
        const double ms = run.seek((wanted + 0.25) / kFps, &landed);
        targets.push_back(wanted / kFps * 1000.0);
        if (!std::isnan(ms))
            seeks.push_back(ms);
        if (std::isnan(landed) || std::abs(landed * kFps - wanted) > 0.5)
            ++off;
    }
    run.result("seek_median_ms", median(seeks));
    run.result("seek_max_ms", maximum(seeks));
    run.result("seek_off", off);
    run.result("seek_done", double(seeks.size()));
    run.list("seek targets (ms into the clip)", targets);
    run.list("seek times (ms)", seeks);

    run.playback(2.0);

    // Fill the cache: a seek late in a group and steps back over most of it (each decodes from
    // the keyframe and keeps what it can), then time for any read-ahead to finish.
    run.seek(kBackwardFrom + 10.0);
    for (int i = 0; i < 2 * kSteps; ++i)
        engine->StepFrames(-1);
    run.idle(3000);
    run.result("rss_full_mb", statusMb("VmRSS"));
    run.result("rss_peak_mb", statusMb("VmHWM"));
    std::fflush(stdout);
    return 0;
}

using Results = QMap<QString, double>;

Results runChild(const QString &which, const QString &clip, const QString &work, QStringList *notes)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--engine"), which, clip, work});
    Results results;
    if (!child.waitForFinished(900000)) {
        child.kill();
        child.waitForFinished();
        notes->append(which + QStringLiteral(": child run timed out"));
    }
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.size() == 3 && parts[0] == "RESULT")
            results.insert(QString::fromLatin1(parts[1]), parts[2].toDouble());
        else if (line.startsWith("LIST "))
            notes->append(which + QStringLiteral(" ") + QString::fromLocal8Bit(line.mid(5)));
        else if (line.startsWith("NOTE "))
            notes->append(which + QStringLiteral(": ") + QString::fromLocal8Bit(line.mid(5)));
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        notes->append(which + QStringLiteral(": child exited with %1").arg(child.exitCode()));
    return results;
}

QString cell(const Results &results, const QString &key, int decimals)
{
    if (!results.contains(key) || std::isnan(results[key]))
        return QStringLiteral("n/a");
    return QString::number(results[key], 'f', decimals);
}

void row(const Results &av, const Results &qt, const QString &label, const QString &key, const QString &target,
         int decimals = 1)
{
    QString ratio = QStringLiteral("n/a");
    if (av.contains(key) && qt.contains(key) && !std::isnan(av[key]) && !std::isnan(qt[key]) && qt[key] != 0.0)
        ratio = QString::number(av[key] / qt[key], 'f', 2);
    std::printf("| %-46s | %9s | %9s | %-12s | %7s |\n", qPrintable(label), qPrintable(cell(av, key, decimals)),
                qPrintable(cell(qt, key, decimals)), qPrintable(target), qPrintable(ratio));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 5 && qstrcmp(argv[1], "--engine") == 0) {
        QGuiApplication app(argc, argv);
        return measure(qstrcmp(argv[2], "new") == 0, QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
    }

    QTemporaryDir work;
    // The new engine keeps frame indexes in the cache folder: never the user's.
    qputenv("XDG_CACHE_HOME", QDir(work.path()).filePath(QStringLiteral("cache")).toLocal8Bit());
    QGuiApplication app(argc, argv);
    const QString clip = QDir(work.path()).filePath(QStringLiteral("clip.mp4"));
    QElapsedTimer making;
    making.start();
    if (!work.isValid() || !makeClip(clip)) {
        std::fprintf(stderr, "could not generate the 1080p clip\n");
        return 1;
    }
    std::printf("clip: 1920x1080 30 fps libx264 High, 3 B-frames, -g 300, AAC, %d s (made in %.0f s)\n",
                kClipSeconds, making.elapsed() / 1000.0);
    std::fflush(stdout);

    QStringList notes;
    const Results av = runChild(QStringLiteral("new"), clip, work.path(), &notes);
    const Results qt = runChild(QStringLiteral("old"), clip, work.path(), &notes);

    std::printf("\n| %-46s | %9s | %9s | %-12s | %7s |\n", "Figure (ms unless said)", "New (av)", "Old (qt)", "Target",
                "New/Old");
    std::printf("|%s|%s|%s|%s|%s|\n", QByteArray(48, '-').constData(), QByteArray(11, '-').constData(),
                QByteArray(11, '-').constData(), QByteArray(14, '-').constData(), QByteArray(9, '-').constData());
    row(av, qt, QStringLiteral("Forward step, median of 20 from 15 s"), QStringLiteral("fwd_median_ms"),
        QStringLiteral("<= 30"));
    row(av, qt, QStringLiteral("Forward step, max"), QStringLiteral("fwd_max_ms"), QStringLiteral("<= 100"));
    row(av, qt, QStringLiteral("Forward steps that did not move one frame"), QStringLiteral("fwd_bad"),
        QStringLiteral("0"), 0);
    row(av, qt, QStringLiteral("Backward step, median of 20 from 25 s"), QStringLiteral("back_median_ms"),
        QStringLiteral("<= 60"));
    row(av, qt, QStringLiteral("Backward step, max"), QStringLiteral("back_max_ms"), QStringLiteral("(report)"));
    row(av, qt, QStringLiteral("Backward step, first"), QStringLiteral("back_first_ms"), QStringLiteral("(report)"));
    row(av, qt, QStringLiteral("Backward steps that did not move one frame"), QStringLiteral("back_bad"),
        QStringLiteral("0"), 0);
    row(av, qt, QStringLiteral("Paused seek to a random frame, median of 20"), QStringLiteral("seek_median_ms"),
        QStringLiteral("<= 400"));
    row(av, qt, QStringLiteral("Paused seek, max"), QStringLiteral("seek_max_ms"), QStringLiteral("(report)"));
    row(av, qt, QStringLiteral("Paused seeks not on the frame asked (of 20)"), QStringLiteral("seek_off"),
        QStringLiteral("0"), 0);
    row(av, qt, QStringLiteral("First frame after a load, first load"), QStringLiteral("first_cold_ms"),
        QStringLiteral("<= 150"));
    row(av, qt, QStringLiteral("  RenderFile returned, first load"), QStringLiteral("render_cold_ms"),
        QStringLiteral(""));
    row(av, qt, QStringLiteral("First frame after a load, median of 5 reloads"), QStringLiteral("first_warm_ms"),
        QStringLiteral("<= 150"));
    row(av, qt, QStringLiteral("  RenderFile returned, median of reloads"), QStringLiteral("render_warm_ms"),
        QStringLiteral(""));
    row(av, qt, QStringLiteral("Frame index scan after first load"), QStringLiteral("index_scan_ms"),
        QStringLiteral(""), 0);
    row(av, qt, QStringLiteral("Playback 10 s: frames delivered"), QStringLiteral("play_delivered"),
        QStringLiteral(""), 0);
    row(av, qt, QStringLiteral("Playback: frames due (first to last shown)"), QStringLiteral("play_due"),
        QStringLiteral(""), 0);
    row(av, qt, QStringLiteral("Playback: frames due by wall clock since Run"), QStringLiteral("play_wall_due"),
        QStringLiteral(""), 0);
    row(av, qt, QStringLiteral("Playback: dropped share (%)"), QStringLiteral("play_dropped_pct"),
        QStringLiteral("<= 1 %"), 2);
    row(av, qt, QStringLiteral("Playback: media s per wall s"), QStringLiteral("play_speed"),
        QStringLiteral("1.000"), 3);
    row(av, qt, QStringLiteral("Playback: Run to first new picture"), QStringLiteral("play_start_ms"),
        QStringLiteral(""));
    row(av, qt, QStringLiteral("Playback: |picture - wall clock|, median"), QStringLiteral("play_offset_median_ms"),
        QStringLiteral("<= 40 (A/V)"));
    row(av, qt, QStringLiteral("Playback: |picture - wall clock|, max"), QStringLiteral("play_offset_max_ms"),
        QStringLiteral("<= 40 (A/V)"));
    row(av, qt, QStringLiteral("Playback: picture - wall clock at the end"), QStringLiteral("play_offset_end_ms"),
        QStringLiteral(""));
    row(av, qt, QStringLiteral("Resident memory before the engine (MB)"), QStringLiteral("rss_baseline_mb"),
        QStringLiteral(""), 0);
    row(av, qt, QStringLiteral("Resident memory, cache full (VmRSS, MB)"), QStringLiteral("rss_full_mb"),
        QStringLiteral("<= 400"), 0);
    row(av, qt, QStringLiteral("Peak resident memory (VmHWM, MB)"), QStringLiteral("rss_peak_mb"),
        QStringLiteral(""), 0);

    const bool sound = !QMediaDevices::defaultAudioOutput().isNull();
    std::printf("\nsound device: %s\n",
                sound ? "present: the new engine's clock is the sound sink's; the offsets above are picture "
                        "against wall clock, not against the sound heard"
                      : "none: the new engine plays on the wall clock, so the offsets above are picture time "
                        "against wall time (drift), from the first picture after Run; no sound/picture offset "
                        "can be measured here");
    std::printf("new engine pictures made at 1920x1080 (SetPictureSize); each engine in its own process\n");
    for (const QString &note : notes)
        std::printf("note: %s\n", qPrintable(note));
    return 0;
}
