// Exact seeks on the video source alone, without the engine's thread: the time of each paused
// seek to a seeded random frame, and of steps from the middle, as seeks were ("classic") and as
// they are now, side by side in one run; the work done at rest runs between them, untimed.
// Prints figures, asserts nothing. Usage: bench_sourceseeks VIDEO [SEEKS] [WIDTHxHEIGHT]
// (the preview bench's clips in build/bench-cache serve well).
#include "frameindex.h"
#include "videosource.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include <sys/resource.h>

namespace {

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

constexpr int kSteps = 10;

struct Figures
{
    std::vector<double> wall, cpu, steps;
    int off = 0;
};

double mean(const std::vector<double> &values)
{
    double sum = 0.0;
    for (const double value : values)
        sum += value;
    return values.empty() ? 0.0 : sum / double(values.size());
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

Figures run(const QString &path, std::shared_ptr<const FrameIndex> index, bool classic, int seeks, QSize size)
{
    Figures figures;
    auto opened = VideoSource::open(path);
    if (!std::holds_alternative<std::unique_ptr<VideoSource>>(opened))
        return figures;
    auto source = std::move(std::get<std::unique_ptr<VideoSource>>(opened));
    source->setClassic(classic);
    source->setIndex(index);
    source->setPictureSize(size);
    source->frameAt(0.0);
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> pick(0, index->size() - 1);
    for (int i = 0; i < seeks; ++i) {
        const int wanted = pick(random);
        const double seconds = source->file().secondsOf(index->frames()[size_t(wanted)].pts);
        QElapsedTimer timer;
        timer.start();
        const double cpu = cpuMs();
        const std::optional<VideoSource::Picture> shown = source->frameAt(seconds);
        figures.wall.push_back(timer.nsecsElapsed() / 1e6);
        figures.cpu.push_back(cpuMs() - cpu);
        if (!shown || shown->pts != index->frames()[size_t(wanted)].pts)
            ++figures.off;
        // What the engine does while the user rests, untimed.
        source->settle({});
        source->prefetchAround({});
        source->warmUp({});
    }
    // Steps on from the middle of a group, each after the rest's work: both directions.
    const int middle = index->size() / 2;
    source->frameAt(source->file().secondsOf(index->frames()[size_t(middle)].pts));
    source->settle({});
    source->prefetchAround({});
    source->warmUp({});
    for (int i = 0; i < 2 * kSteps; ++i) {
        const int by = i < kSteps ? 1 : -1;
        QElapsedTimer timer;
        timer.start();
        const std::optional<VideoSource::Picture> shown = source->step(by);
        figures.steps.push_back(timer.nsecsElapsed() / 1e6);
        const int expected = middle + (i < kSteps ? i + 1 : 2 * kSteps - i - 1);
        if (!shown || shown->pts != index->frames()[size_t(expected)].pts)
            ++figures.off;
        source->settle({});
        source->prefetchAround({});
        source->warmUp({});
    }
    return figures;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s VIDEO [SEEKS] [WIDTHxHEIGHT]\n", argv[0]);
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int seeks = argc > 2 ? std::max(1, atoi(argv[2])) : 20;
    QSize size(1920, 1080);
    if (argc > 3) {
        const QStringList parts = QString::fromLocal8Bit(argv[3]).split(u'x');
        if (parts.size() == 2)
            size = QSize(parts[0].toInt(), parts[1].toInt());
    }
    std::optional<FrameIndex> scanned = FrameIndex::scan(path);
    if (!scanned || scanned->isEmpty()) {
        std::fprintf(stderr, "cannot index %s\n", argv[1]);
        return 1;
    }
    auto index = std::make_shared<const FrameIndex>(std::move(*scanned));
    // One after the other in one process: the second finds the file in the system's cache, so
    // the classic run goes first.
    const Figures classic = run(path, index, true, seeks, size);
    const Figures now = run(path, index, false, seeks, size);
    std::printf("%-24s %10s %10s %8s\n", "seek (ms)", "classic", "new", "ratio");
    const auto row = [](const char *label, double before, double after) {
        std::printf("%-24s %10.1f %10.1f %8.2f\n", label, before, after, before > 0 ? after / before : 0.0);
    };
    row("wall, median", median(classic.wall), median(now.wall));
    row("wall, max", classic.wall.empty() ? 0 : *std::max_element(classic.wall.begin(), classic.wall.end()),
        now.wall.empty() ? 0 : *std::max_element(now.wall.begin(), now.wall.end()));
    row("processor, median", median(classic.cpu), median(now.cpu));
    row("step (either way), mean", mean(classic.steps), mean(now.steps));
    std::printf("seeks and steps not on the frame asked: classic %d, new %d (of %d)\n", classic.off, now.off,
                seeks + 2 * kSteps);
    return 0;
}
