// Start-up benchmark: prints figures, asserts nothing.
// The snipora program and a bare Qt Widgets window of the same size
// (bench_barewindow) are launched alternately under the same environment, each
// reporting through SNIPORA_READY_REPORT the wall clock in microseconds when
// its window is up; from the launch to then is the headline, the medians and
// their ratio printed. Also printed: shown_ms as each reports it (from its
// process's start, which the system keeps in 10 ms ticks only),
// from the launch to the report written (the report file's time against the
// launch, both on the wall clock), from the launch to the exit, and the
// processor time each used (user and system), which others' load on the
// machine disturbs least.
//
//   bench_startup [snipora program] [runs per program]
//
// The platform is QT_QPA_PLATFORM as set (run under xvfb-run with
// QT_QPA_PLATFORM=xcb for a real X server), else offscreen.
#include "cregister.h"
#include "processstart.h"
#include "savedsettings.h"
#include "settingsstorelocation.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

struct Launch
{
    double launchToShownMs = -1.0; // the launch to the program's wall clock at its window up
    double shownMs = -1.0;    // as the program reports it (in the system's 10 ms ticks)
    double reportedMs = -1.0; // launch to the report file written
    double exitMs = -1.0;     // launch to the process's exit
    double cpuMs = -1.0;      // user and system time, to the exit
};

struct Samples
{
    std::vector<double> launchToShown, shown, reported, exited, cpu;
    int failed = 0;

    void add(const Launch &launch)
    {
        if (launch.shownMs < 0) {
            ++failed;
            return;
        }
        launchToShown.push_back(launch.launchToShownMs);
        shown.push_back(launch.shownMs);
        reported.push_back(launch.reportedMs);
        exited.push_back(launch.exitMs);
        cpu.push_back(launch.cpuMs);
    }
};

// User and system time of the children waited for so far, in milliseconds.
double childrenCpuMs()
{
#ifdef Q_OS_UNIX
    rusage usage{};
    if (getrusage(RUSAGE_CHILDREN, &usage) == 0)
        return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
               + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
#endif
    return -1.0;
}

Launch launch(const QString &program, const QProcessEnvironment &env, const QString &report)
{
    QFile::remove(report);
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const double cpuBefore = childrenCpuMs();
    const qint64 launchedAt = QDateTime::currentMSecsSinceEpoch();
    const qint64 launchedAtUs = WallClockMicroseconds();
    process.start(program, {});
    process.waitForFinished(30000);
    Launch result;
    result.exitMs = double(QDateTime::currentMSecsSinceEpoch() - launchedAt);
    result.cpuMs = childrenCpuMs() - cpuBefore;
    QFile file(report);
    if (process.exitStatus() != QProcess::NormalExit || !file.open(QIODevice::ReadOnly))
        return result;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith("shown_ms="))
            result.shownMs = line.mid(9).toDouble();
        if (line.startsWith("shown_at_us="))
            result.launchToShownMs = double(line.mid(12).toLongLong() - launchedAtUs) / 1000.0;
    }
    result.reportedMs =
        double(QFileInfo(report).lastModified().toMSecsSinceEpoch() - launchedAt);
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString snipora = args.size() > 1 ? args.at(1) : TestSupport::programDir() + u"/snipora"_s;
    const int runs = args.size() > 2 ? std::max(1, args.at(2).toInt()) : 15;
    const QString bare = QCoreApplication::applicationDirPath() + u"/bench_barewindow"_s;
    for (const QString &program : {snipora, bare}) {
        if (!QFileInfo(program).isExecutable()) {
            std::fprintf(stderr, "not found: %s\n", qPrintable(program));
            return 1;
        }
    }

    // A saved settings file where the program looks for it, as a user has.
    QTemporaryDir temp;
    const QString config = temp.filePath(u"config"_s);
    const FolderSettingsStoreLocation store(config + u"/Snipora"_s);
    QDir().mkpath(store.storeFolder());
    const CRegister reg(store);
    reg.REGSaveSetting(kSettingsRoot, kSettingsKeyPath, u"cmbCategory"_s, u"2"_s);
    reg.REGSaveSetting(kSettingsRoot, kSettingsKeyPath, u"txtOutPath"_s, temp.filePath(u"out"_s));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, config);
    env.insert(u"SNIPORA_READY_REPORT"_s, temp.filePath(u"ready.txt"_s));
    if (!env.contains(u"QT_QPA_PLATFORM"_s))
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    const QString report = temp.filePath(u"ready.txt"_s);

    // One unmeasured launch each fills the file cache; then the two take
    // turns, the first of each pair alternating, so drift in the machine's
    // load falls on both.
    launch(snipora, env, report);
    launch(bare, env, report);
    Samples program, window;
    for (int run = 0; run < runs; ++run) {
        if (run % 2 == 0) {
            program.add(launch(snipora, env, report));
            window.add(launch(bare, env, report));
        } else {
            window.add(launch(bare, env, report));
            program.add(launch(snipora, env, report));
        }
    }

    std::printf("start-up, %s, platform %s, %d runs each (%d and %d failed)\n", qPrintable(snipora),
                qPrintable(env.value(u"QT_QPA_PLATFORM"_s)), runs, program.failed, window.failed);
    const auto row = [](const char *what, const std::vector<double> &a, const std::vector<double> &b) {
        const double ma = median(a), mb = median(b);
        std::printf("  %-34s snipora %5.0f ms, bare window %5.0f ms: ratio %.2f\n", what, ma, mb,
                    mb > 0 ? ma / mb : 0.0);
    };
    row("launch to window shown:", program.launchToShown, window.launchToShown);
    row("process start to window shown:", program.shown, window.shown);
    row("launch to report written:", program.reported, window.reported);
    row("launch to exit:", program.exited, window.exited);
    row("processor time, to the exit:", program.cpu, window.cpu);
    std::printf("  target: window shown within 1.5 times the bare window\n");
    return 0;
}
