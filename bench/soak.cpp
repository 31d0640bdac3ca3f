// Soak: 300 cuts in a row through CVideoConv on a short generated clip, every
// other one stopped at a random chunk of its progress (seeded, so a run can be
// repeated). Prints open file descriptors, child processes, zombies, resident
// memory and files left in the output folder: before the first cut, after a
// warm-up of 10 cuts, and after the last one. Asserts nothing about time.
// Exits with 1 when a descriptor, a process or a file is left behind.
//
//     bench_soak [CUTS] [SEED]
#include "cvideoconv.h"
#include "messagesink.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <random>
#include <unistd.h>

namespace {

constexpr int kWarmUp = 10;

// Counts failure messages instead of keeping them (300 of them would be
// memory growth of the bench's own making).
class CountingSink final : public MessageSink
{
public:
    void showMessage(const QString &, MessageIcon, const QString &) override { ++messages; }
    int messages = 0;
};

struct Snapshot
{
    int fds = 0;
    int children = 0;
    int zombies = 0;
    long rssKb = 0;
    int files = 0;
};

Snapshot snapshot(const QString &outputFolder)
{
    Snapshot s;
    s.fds = int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
    const QByteArray self = QByteArray::number(qint64(::getpid()));
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (pid.front().isDigit() && stat.open(QIODevice::ReadOnly)) {
            // pid (name) state ppid ...: the name may hold spaces, so split after ")".
            const QByteArray line = stat.readAll();
            const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (fields.size() > 1 && fields.at(1) == self) {
                ++s.children;
                s.zombies += fields.at(0) == "Z";
            }
        }
    }
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                s.rssKb = line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    s.files = int(QDir(outputFolder).entryList(QDir::Files | QDir::NoDotAndDotDot).size());
    return s;
}

void print(const char *when, const Snapshot &s, int expectedFiles)
{
    std::printf("%-22s fds %3d  children %d  zombies %d  RSS %6.1f MB  files %3d (%d left behind)\n", when, s.fds,
                s.children, s.zombies, s.rssKb / 1024.0, s.files, s.files - expectedFiles);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int cuts = argc > 1 ? std::atoi(argv[1]) : 300;
    const unsigned seed = argc > 2 ? unsigned(std::atoi(argv[2])) : 20261208u;

    QTemporaryDir work;
    const QString programDir = work.filePath(QStringLiteral("program"));
    const QString outputDir = work.filePath(QStringLiteral("output"));
    const QString clip = work.filePath(QStringLiteral("clip.mp4"));
    if (!QDir().mkpath(programDir) || !QDir().mkpath(outputDir) || TestSupport::linkRealEncoder(programDir).isEmpty()
        || !TestSupport::makeClip(clip, 3, QSize(320, 240))) {
        std::fprintf(stderr, "cannot set up the clip and the program folder\n");
        return 2;
    }

    // Paced at four times real time, with frequent progress lines, so that a
    // cut lasts long enough to be stopped at any of about fifteen chunks.
    const QString options =
        QStringLiteral("-stats_period 0.05 -vf realtime=speed=4 -ar 44100 -ab 64000 -ac 2 -b 196000 -r 25 "
                       "-ss 0 -t 3 -y");
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> stopAt(0, 14); // 0: stop while starting

    CountingSink sink;
    int completed = 0;
    int stopped = 0;
    int anomalies = 0;
    Snapshot before = snapshot(outputDir);
    Snapshot warm;
    print("before the first cut", before, 0);
    for (int i = 1; i <= cuts; ++i) {
        const QString output = QDir(outputDir).filePath(QStringLiteral("cut %1.avi").arg(i, 3, 10, QLatin1Char('0')));
        CVideoConv job(&sink, programDir);
        job.setInputFile(clip);
        job.setOutputFile(output);
        job.setFileTimeLength(3.0f);
        job.setParametrs(options);
        const bool stop = i % 2 == 0;
        const int chunk = stop ? stopAt(random) : -1;
        int progressSeen = 0;
        bool stopRequested = false;
        const auto requestStop = [&] {
            stopRequested = true;
            job.StopConversion();
        };
        QObject::connect(&job, &CVideoConv::CurrentStatus, &job, [&](const QString &status) {
            if (chunk == 0 && status == QLatin1String("Starting..."))
                requestStop();
        });
        QObject::connect(&job, &CVideoConv::Progress, &job, [&](int) {
            if (++progressSeen == chunk)
                requestStop();
        });
        const int messagesBefore = sink.messages;
        job.StartConversion();
        // A cut fails exactly when it was stopped (a stop asked for after the
        // last chunk comes too late and the cut completes); a stopped cut
        // leaves no file, a completed one its output.
        const bool failed = sink.messages != messagesBefore;
        (failed ? stopped : completed) += 1;
        if (QFile::exists(output) == failed || (failed && !stopRequested))
            ++anomalies;
        if (i == kWarmUp) {
            warm = snapshot(outputDir);
            print("after the warm-up", warm, completed);
        }
        if (i % 50 == 0)
            std::printf("  %3d cuts: %d completed, %d stopped\n", i, completed, stopped);
        std::fflush(stdout);
    }
    const Snapshot after = snapshot(outputDir);
    print("after the last cut", after, completed);
    std::printf("cuts %d: %d completed, %d stopped; %d anomalies\n", cuts, completed, stopped, anomalies);
    std::printf("growth from the warm-up: fds %+d, children %+d, RSS %+.1f MB; from the start: RSS %+.1f MB\n",
                after.fds - warm.fds, after.children - warm.children, (after.rssKb - warm.rssKb) / 1024.0,
                (after.rssKb - before.rssKb) / 1024.0);
    const bool clean = after.fds <= before.fds && after.children == 0 && after.zombies == 0
                       && after.files == completed && anomalies == 0;
    std::printf("%s\n", clean ? "no descriptor, process or file left behind" : "LEFT BEHIND (see above)");
    return clean ? 0 : 1;
}
