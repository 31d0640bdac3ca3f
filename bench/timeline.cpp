// Timeline benchmark: prints figures against their targets, asserts nothing.
// A real TimelineBand (314 px wide, under a slider as in the window) is driven by the FFmpeg
// preview engine on a 1-hour 1080p H.264 file with AAC sound and 10 s keyframes: the ticks, the
// thumbnail strip and the whole waveform after a load, the largest gap in the main thread's event
// loop meanwhile, then a second load of the same file, which finds everything in the cache.
// The cache folder is fresh at the start of every run. Every time runs from the start of
// RenderFile; the ticks are also given from its end (a kept frame index hands them over inside
// RenderFile, which reads as 0).
// Run headless: QT_QPA_PLATFORM=offscreen build/bench/bench_timeline [VIDEO [SLOTS]]
// Without VIDEO (or with an empty one) the hour is made in a temporary folder (a minute, looped
// sixty times). SLOTS asks for that many thumbnails in place of the band's own count (3 at 16:9:
// a slot is as wide as a 40 px high picture).
#include "avpreviewengine.h"
#include "slider.h"
#include "testsupport.h"
#include "timelineband.h"
#include "twips.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <set>

namespace {

constexpr int kBandWidth = 314;
constexpr qint64 kGiveUpMs = 180000;
// The frame index of an hour is read in the background long after the strips are done; the
// first load waits for it (so that the second finds it kept), up to this long.
constexpr qint64 kIndexWaitMs = 120000;

constexpr double kTicksTargetMs = 200;
constexpr double kStripTargetMs = 2000;
constexpr double kWaveTargetMs = 20000;
constexpr double kGapTargetMs = 50;
constexpr double kCachedTargetMs = 300;

bool makeHour(const QString &dir, const QString &path)
{
    const QString minute = QDir(dir).filePath(QStringLiteral("minute.mp4"));
    const QString ffmpeg = TestSupport::systemFfmpeg();
    const QStringList quiet{QStringLiteral("-hide_banner"), QStringLiteral("-v"), QStringLiteral("error"),
                            QStringLiteral("-y")};
    const QStringList encode = quiet
                               + QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                             QStringLiteral("testsrc2=size=1920x1080:rate=30:duration=60"),
                                             QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                             QStringLiteral("sine=frequency=440:duration=60"),
                                             QStringLiteral("-c:v"), QStringLiteral("libx264"),
                                             QStringLiteral("-preset"), QStringLiteral("ultrafast"),
                                             // 10 s groups exactly: no keyframes at scene cuts.
                                             QStringLiteral("-g"), QStringLiteral("300"),
                                             QStringLiteral("-keyint_min"), QStringLiteral("300"),
                                             QStringLiteral("-sc_threshold"), QStringLiteral("0"),
                                             QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"),
                                             QStringLiteral("-c:a"), QStringLiteral("aac"),
                                             QStringLiteral("-shortest"), minute};
    const QStringList loop = quiet
                             + QStringList{QStringLiteral("-stream_loop"), QStringLiteral("59"), QStringLiteral("-i"),
                                           minute, QStringLiteral("-c"), QStringLiteral("copy"), path};
    return !TestSupport::runTool(QStringList{ffmpeg} + encode).isEmpty()
           && !TestSupport::runTool(QStringList{ffmpeg} + loop).isEmpty();
}

qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Nanoseconds this thread has spent ready to run but waiting for a core (Linux's schedstat);
// 0 where the kernel does not say.
qint64 threadQueuedNs()
{
    QFile file(QStringLiteral("/proc/thread-self/schedstat"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return 0;
    return file.readAll().split(' ').value(1).toLongLong();
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll().split(' ').value(0));
}

// What one load gave, in milliseconds from the start of RenderFile; NaN where it never came.
struct Load
{
    double renderMs = NAN;
    double firstKeyframesMs = NAN;
    double lastKeyframesMs = NAN; // the list read from every packet, on the first load
    int keyframeLists = 0;
    int keyframes = 0;
    int slotCount = 0;
    int pictures = 0; // slots answered with a picture, not a null image
    double stripMs = NAN;
    double waveMs = NAN;
    int wavePieces = 0;
    bool hasSound = false;
    double allMs = NAN; // ticks, every slot and the whole waveform
    double largestGapMs = 0;
    double largestGapAtMs = 0; // when that gap ended
    // The main thread's own CPU time in that gap: near the gap, it was busy; near 0, it waited
    // for a core (or a lock).
    double largestGapCpuMs = 0;
    double largestGapQueuedMs = 0; // and the time it was ready to run but waited for a core
    QString load;
};

// The window's wiring, reduced to the band and the engine, with a clock on every piece.
class Rig
{
public:
    // forcedSlots > 0: that many pictures are asked for, evenly spread, in place of the band's own
    // count (the band still shows those that fit its slots).
    Rig(AvPreviewEngine &engine, int forcedSlots)
        : m_engine(engine)
        , m_forcedSlots(forcedSlots)
    {
        m_window.resize(kBandWidth + 20, 120);
        m_slider = new Slider(&m_window);
        m_slider->setGeometry(10, 10, kBandWidth, 20);
        m_band = new TimelineBand(*m_slider, &m_window);
        m_band->setGeometry(10, 30, kBandWidth, twipsToPixels(TimelineBand::kHeightTwips));
        m_window.show();

        QObject::connect(m_band, &TimelineBand::thumbnailsWanted, &m_window,
                         [this](std::vector<double> times, int height) {
                             if (m_forcedSlots > 0) {
                                 const double length = m_engine.Duration().value_or(0.0);
                                 times.clear();
                                 for (int i = 0; i < m_forcedSlots; ++i)
                                     times.push_back((i + 0.5) * length / m_forcedSlots);
                             }
                             m_answered.clear();
                             m_pictures = 0;
                             m_wantedSlots = int(times.size());
                             m_engine.RequestThumbnails(times, height);
                         });
        QObject::connect(m_band, &TimelineBand::waveformWanted, &m_window, [this] { m_engine.RequestWaveform(); });
        TimelineOutput output;
        output.keyframes = [this](const std::vector<double> &keyframes) {
            m_band->setKeyframes(keyframes);
            stamp(m_load.firstKeyframesMs);
            m_load.lastKeyframesMs = now();
            ++m_load.keyframeLists;
            m_load.keyframes = int(keyframes.size());
        };
        output.thumbnail = [this](int slot, const QImage &image) {
            m_band->setThumbnail(slot, image);
            if (m_answered.insert(slot).second && !image.isNull())
                ++m_pictures;
            if (int(m_answered.size()) == m_wantedSlots && std::isnan(m_load.stripMs)) {
                m_load.stripMs = now();
                m_load.slotCount = m_wantedSlots;
                m_load.pictures = m_pictures;
            }
        };
        output.waveform = [this](const WaveformPiece &piece) {
            m_band->addWaveform(piece);
            ++m_load.wavePieces;
            if (piece.complete) {
                stamp(m_load.waveMs);
                m_load.hasSound = piece.hasSound;
            }
        };
        m_engine.SetTimelineOutput(std::move(output));

        // A 1 ms tick: a late one is time the main thread spent elsewhere.
        m_ticker.setTimerType(Qt::PreciseTimer);
        m_ticker.setInterval(1);
        QObject::connect(&m_ticker, &QTimer::timeout, &m_window, [this] {
            const qint64 at = m_clock.nsecsElapsed();
            const qint64 cpu = threadCpuNs();
            const qint64 queued = threadQueuedNs();
            const double gap = double(at - m_lastTick) / 1e6;
            if (m_watching && gap > m_load.largestGapMs) {
                m_load.largestGapMs = gap;
                m_load.largestGapAtMs = double(at - m_start) / 1e6;
                m_load.largestGapCpuMs = double(cpu - m_lastTickCpu) / 1e6;
                m_load.largestGapQueuedMs = double(queued - m_lastTickQueued) / 1e6;
            }
            m_lastTickQueued = queued;
            m_lastTick = at;
            m_lastTickCpu = cpu;
        });
        m_clock.start();
    }

    Load load(const QString &path, bool waitForIndex)
    {
        m_engine.Release();
        m_band->clear();
        m_slider->SetValue(0);
        settle(300);

        m_load = Load();
        m_answered.clear();
        m_wantedSlots = -1;
        m_start = m_lastTick = m_clock.nsecsElapsed();
        m_lastTickCpu = threadCpuNs();
        m_lastTickQueued = threadQueuedNs();
        m_watching = true;
        m_ticker.start();
        if (m_engine.RenderFile(path) != PreviewStatus::Ok) {
            m_ticker.stop();
            return m_load;
        }
        m_load.renderMs = now();
        // As the window does once the file is loaded: the slider takes the length, the band starts.
        m_slider->SetMax(qint32(std::ceil(m_engine.Duration().value_or(0.0))));
        m_band->start();

        const auto built = [this] {
            return !std::isnan(m_load.firstKeyframesMs) && !std::isnan(m_load.stripMs) && !std::isnan(m_load.waveMs);
        };
        waitUntil(built, kGiveUpMs);
        m_watching = false;
        if (built())
            m_load.allMs = std::max({m_load.firstKeyframesMs, m_load.stripMs, m_load.waveMs});
        m_load.load = loadAverage();
        if (waitForIndex)
            waitUntil([this] { return m_load.keyframeLists >= 2; }, kIndexWaitMs);
        m_ticker.stop();
        return m_load;
    }

    int bandWidth() const { return m_band->width(); }

private:
    double now() const { return double(m_clock.nsecsElapsed() - m_start) / 1e6; }
    void stamp(double &at) const
    {
        if (std::isnan(at))
            at = now();
    }
    void waitUntil(const std::function<bool()> &done, qint64 timeoutMs)
    {
        TestSupport::runEventsUntil(done, int(timeoutMs));
    }
    void settle(int ms)
    {
        waitUntil([] { return false; }, ms);
    }

    AvPreviewEngine &m_engine;
    const int m_forcedSlots;
    QWidget m_window;
    Slider *m_slider = nullptr;
    TimelineBand *m_band = nullptr;
    QTimer m_ticker;
    QElapsedTimer m_clock;
    qint64 m_start = 0;
    qint64 m_lastTick = 0;
    qint64 m_lastTickCpu = 0;
    qint64 m_lastTickQueued = 0;
    bool m_watching = false;
    std::set<int> m_answered;
    int m_wantedSlots = -1;
    int m_pictures = 0;
    Load m_load;
};

QString ms(double value)
{
    return std::isnan(value) ? QStringLiteral("n/a") : QString::number(value, 'f', 0) + QStringLiteral(" ms");
}

void row(const char *figure, double first, double second, double target)
{
    std::printf("%-46s %12s %12s   <= %s  %s\n", figure, qPrintable(ms(first)), qPrintable(ms(second)),
                qPrintable(ms(target)),
                std::isnan(first) || std::isnan(second) || std::max(first, second) > target ? "MISSED" : "met");
}

void info(const char *figure, const QString &first, const QString &second)
{
    std::printf("%-46s %12s %12s\n", figure, qPrintable(first), qPrintable(second));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir work;
    if (!work.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (path.isEmpty()) {
        path = work.filePath(QStringLiteral("hour.mp4"));
        std::printf("Making a 1-hour 1080p30 clip in %s ...\n", qPrintable(work.path()));
        std::fflush(stdout);
        if (!makeHour(work.path(), path)) {
            std::fprintf(stderr, "could not make the 1-hour clip\n");
            return 1;
        }
    }
    if (!QFileInfo::exists(path)) {
        std::fprintf(stderr, "no such file: %s\n", qPrintable(path));
        return 1;
    }

    // The timeline's cache is the frame index folder's sibling: both start empty here.
    AvPreviewEngine engine(work.filePath(QStringLiteral("cache/frame-index")));
    Rig rig(engine, argc > 2 ? std::max(0, QString::fromLocal8Bit(argv[2]).toInt()) : 0);
    const Load first = rig.load(path, true);
    const Load second = rig.load(path, false);
    if (std::isnan(first.renderMs) || std::isnan(second.renderMs)) {
        std::fprintf(stderr, "RenderFile failed on %s\n", qPrintable(path));
        return 1;
    }

    const auto afterRender = [](const Load &load) { return std::max(0.0, load.firstKeyframesMs - load.renderMs); };
    std::printf("Timeline benchmark: %s (%.1f GB), band %d px wide\n", qPrintable(QFileInfo(path).fileName()),
                double(QFileInfo(path).size()) / 1e9, rig.bandWidth());
    std::printf("Times from the start of RenderFile unless said; first load with an empty cache, second from it.\n\n");
    std::printf("%-46s %12s %12s   %s\n", "", "first load", "second load", "target");
    info("RenderFile", ms(first.renderMs), ms(second.renderMs));
    row("Ticks: first keyframes, from RenderFile's end", afterRender(first), afterRender(second), kTicksTargetMs);
    info("Ticks: first keyframes, from RenderFile's start", ms(first.firstKeyframesMs), ms(second.firstKeyframesMs));
    info("Keyframes (lists / last list's length)",
         QStringLiteral("%1 / %2").arg(first.keyframeLists).arg(first.keyframes),
         QStringLiteral("%1 / %2").arg(second.keyframeLists).arg(second.keyframes));
    info("Keyframes read from every packet", ms(first.keyframeLists >= 2 ? first.lastKeyframesMs : NAN),
         QStringLiteral("kept"));
    row("Thumbnail strip: every slot answered", first.stripMs, second.stripMs, kStripTargetMs);
    info("  slots / with a picture", QStringLiteral("%1 / %2").arg(first.slotCount).arg(first.pictures),
         QStringLiteral("%1 / %2").arg(second.slotCount).arg(second.pictures));
    row("Whole waveform (the complete piece)", first.waveMs, second.waveMs, kWaveTargetMs);
    info("  pieces / sound", QStringLiteral("%1 / %2").arg(first.wavePieces).arg(first.hasSound ? "yes" : "no"),
         QStringLiteral("%1 / %2").arg(second.wavePieces).arg(second.hasSound ? "yes" : "no"));
    row("Largest event-loop gap while they are built", first.largestGapMs, second.largestGapMs, kGapTargetMs);
    info("  ending at", ms(first.largestGapAtMs), ms(second.largestGapAtMs));
    info("  main thread's CPU time in it", ms(first.largestGapCpuMs), ms(second.largestGapCpuMs));
    info("  main thread waiting for a core in it", ms(first.largestGapQueuedMs), ms(second.largestGapQueuedMs));
    std::printf("%-46s %12s %12s   <= %s  %s\n", "Everything (ticks, strip, waveform)", qPrintable(ms(first.allMs)),
                qPrintable(ms(second.allMs)), qPrintable(ms(kCachedTargetMs)),
                std::isnan(second.allMs) || second.allMs > kCachedTargetMs ? "MISSED (second load)"
                                                                             : "met (second load)");
    info("Load average (1 min) at the end", first.load, second.load);
    return 0;
}
