// Engine benchmark: prints figures, asserts nothing.
//  1. Overhead: a cut run through CVideoConv against the same encoder command
//     run directly with QProcess, interleaved, median of each.
//  2. Responsiveness: the largest gap between 10 ms timer ticks on the same
//     thread while CVideoConv runs a 10-second (real-time paced) encode.
//  3. Parser throughput: encoder output fed through objDOS_ReceiveOutputs in
//     512-character chunks.
#include "cvideoconv.h"
#include "dosoutputs.h"
#include "encodercommand.h"
#include "recordingmessagesink.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 9;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

double runDirect(const QString &commandLine)
{
    QStringList arguments = QProcess::splitCommand(commandLine);
    const QString program = arguments.takeFirst();
    QElapsedTimer clock;
    clock.start();
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments, QIODevice::ReadOnly);
    process.waitForFinished(-1);
    process.readAll();
    return clock.nsecsElapsed() / 1e9;
}

double runEngine(CVideoConv &job, RecordingMessageSink &sink)
{
    QElapsedTimer clock;
    clock.start();
    job.StartConversion();
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (!sink.messages.isEmpty()) {
        std::fprintf(stderr, "conversion failed: %s\n", qPrintable(sink.messages.first().text));
        std::exit(1);
    }
    return seconds;
}

void benchOverhead(const QString &programDir, const QString &clip, const QString &outDir)
{
    RecordingMessageSink sink;
    CVideoConv job(&sink, programDir);
    job.setInputFile(clip);
    job.setOutputFile(outDir + QStringLiteral("/overhead.avi"));
    job.setFileTimeLength(40.f);
    job.setParametrs(QStringLiteral("-ar 44100 -ab 64000 -ac 2 -b 196000 -s qvga -aspect 4:3 -r 25 -ss 1 -t 40 -y"));
    const QString commandLine = job.BuildCommandLine();
    runDirect(commandLine); // warm the caches once for both

    std::vector<double> engine;
    std::vector<double> direct;
    std::vector<double> pairRatios;
    for (int run = 0; run < kRuns; ++run) {
        double e = 0;
        double d = 0;
        if (run % 2 == 0) {
            d = runDirect(commandLine);
            e = runEngine(job, sink);
        } else {
            e = runEngine(job, sink);
            d = runDirect(commandLine);
        }
        engine.push_back(e);
        direct.push_back(d);
        pairRatios.push_back(e / d);
    }
    for (int i = 0; i < kRuns; ++i)
        std::printf("  run %d: CVideoConv %.3f s, direct %.3f s\n", i + 1, engine[i], direct[i]);
    std::printf("overhead: CVideoConv median %.3f s, direct median %.3f s, ratio %.3f "
                "(median of per-pair ratios %.3f; %d runs each, alternating; target <= 1.03)\n",
                median(engine), median(direct), median(engine) / median(direct), median(pairRatios), kRuns);
}

void benchResponsiveness(const QString &programDir, const QString &clip, const QString &outDir)
{
    RecordingMessageSink sink;
    CVideoConv job(&sink, programDir);
    job.setInputFile(clip);
    job.setOutputFile(outDir + QStringLiteral("/paced.avi"));
    job.setFileTimeLength(10.f);
    // The realtime filter paces the encode to the clip's own speed: 10 s.
    job.setParametrs(QStringLiteral("-vf realtime -t 10 -y"));

    QElapsedTimer sinceTick;
    qint64 maxGapNs = 0;
    qint64 ticks = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
        if (ticks++ > 0)
            maxGapNs = std::max(maxGapNs, sinceTick.nsecsElapsed());
        sinceTick.start();
    });
    timer.start();
    QElapsedTimer wall;
    wall.start();
    runEngine(job, sink);
    const double seconds = wall.nsecsElapsed() / 1e9;
    timer.stop();
    std::printf("responsiveness: max gap between 10 ms ticks %.1f ms during a %.2f s encode "
                "(%lld ticks; target <= 50 ms)\n",
                maxGapNs / 1e6, seconds, static_cast<long long>(ticks));
}

void benchParser(const QString &programDir, const QString &clip)
{
    // A real banner and stream description, then real-shaped progress lines,
    // as a long encode writes them.
    RecordingMessageSink sink;
    DOSOutputs dos(&sink);
    const QString header = dos.ExecuteCommand(EncoderCommand::probeCommandLine(programDir, clip));
    QString text = header;
    const qsizetype target = 32 * 1024 * 1024;
    for (int frame = 0; text.size() < target; frame += 12) {
        const int centis = frame * 4;
        text += QStringLiteral("frame=%1 fps= 48 q=2.0 size=%2kB time=%3:%4:%5.%6 bitrate= 519.5kbits/s speed=1.93x    \r")
                    .arg(frame, 5).arg(frame / 3, 8).arg(centis / 360000, 2, 10, QLatin1Char('0'))
                    .arg(centis / 6000 % 60, 2, 10, QLatin1Char('0')).arg(centis / 100 % 60, 2, 10, QLatin1Char('0'))
                    .arg(centis % 100, 2, 10, QLatin1Char('0'));
    }
    QStringList chunks;
    for (qsizetype at = 0; at < text.size(); at += 512)
        chunks << text.mid(at, 512);
    const double megabytes = text.toUtf8().size() / 1e6;

    CVideoConv job(&sink, programDir);
    job.setFileTimeLength(36000.f);
    qint64 events = 0;
    QObject::connect(&job, &CVideoConv::Progress, &job, [&events](int) { ++events; });
    std::vector<double> rates;
    for (int round = 0; round < 5; ++round) {
        events = 0;
        QElapsedTimer clock;
        clock.start();
        for (const QString &chunk : chunks)
            job.objDOS_ReceiveOutputs(chunk);
        rates.push_back(megabytes / (clock.nsecsElapsed() / 1e9));
    }
    std::printf("parser: %.1f MB of encoder output in %lld chunks of 512 -> median %.1f MB/s over 5 rounds "
                "(%lld Progress events per round)\n",
                megabytes, static_cast<long long>(chunks.size()), median(rates), static_cast<long long>(events));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid() || TestSupport::linkRealEncoder(dir.path()).isEmpty())
        return 1;
    const QString bigClip = dir.filePath(QStringLiteral("overhead.mp4"));
    const QString smallClip = dir.filePath(QStringLiteral("paced.mp4"));
    std::printf("generating clips...\n");
    std::fflush(stdout);
    if (!TestSupport::makeClip(bigClip, 45, QSize(640, 480)) || !TestSupport::makeClip(smallClip, 12))
        return 1;
    benchOverhead(dir.path(), bigClip, dir.path());
    std::fflush(stdout);
    benchResponsiveness(dir.path(), smallClip, dir.path());
    std::fflush(stdout);
    benchParser(dir.path(), smallClip);
    return 0;
}
