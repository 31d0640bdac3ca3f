// Catalogue load time and output naming time as their inputs grow.
// Build: cmake --build <build> --target bench_format; run bench/bench_format.
#include "catalogue.h"
#include "outputpath.h"

#include "recordingmessagesink.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>

namespace {

QByteArray presetsFile(int blocks, int categories)
{
    QByteArray out = "<?xml version=\"1.0\"?>\r\n<presets>\r\n";
    for (int i = 0; i < blocks; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray category = QByteArray::number(categories > 0 ? i % categories : i);
        out += "  <preset>\r\n    <label>Preset " + n + "</label>\r\n"
               "    <params>-c:v libx264 -preset fast -crf 23 -c:a aac -b:a 128k</params>\r\n"
               "    <extension>mp4</extension>\r\n    <category>Category " + category + "</category>\r\n"
               "  </preset>\r\n";
    }
    return out + "</presets>\r\n";
}

// Median of several runs, in milliseconds.
double medianMs(int runs, const std::function<void()> &work)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.append(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

bool touch(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    std::printf("Loading presets.xml (read the file whole, split at CR LF, walk, list categories); median of 7\n");
    std::printf("%8s %8s %12s %12s %10s %14s\n", "blocks", "lines", "categories", "ms", "us/block", "vs 1000");
    double base10 = 0;
    double baseDistinct = 0;
    for (const int categories : {10, 0}) {
        for (const int blocks : {1000, 2000, 5000, 10000}) {
            const QByteArray content = presetsFile(blocks, categories);
            const QString path = dir.filePath(QStringLiteral("presets%1_%2.xml").arg(blocks).arg(categories));
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
                return 1;
            file.close();
            qint32 count = 0;
            // Beyond 32767 lines the reader's 16-bit index overflows; lift it
            // here so growth can be seen past that size.
            const double ms = medianMs(7, [&] {
                const auto bytes = ReadCatalogueFile(path);
                count = ReadPresets(std::get<QByteArray>(bytes), std::numeric_limits<int>::max()).PresetCount;
            });
            if (count != blocks)
                return 1;
            double &base = categories > 0 ? base10 : baseDistinct;
            if (blocks == 1000)
                base = ms;
            std::printf("%8d %8lld %12s %12.3f %10.3f %13.2fx\n", blocks, static_cast<long long>(content.count("\r\n") + 1),
                        categories > 0 ? "10" : "all distinct", ms, ms * 1000 / blocks, ms / base);
        }
    }

    // The program's own loader on 10,000 blocks: stops at the line limit.
    {
        RecordingMessageSink sink;
        const QString folder = dir.filePath(QStringLiteral("program"));
        QDir().mkpath(folder);
        QFile::copy(dir.filePath(QStringLiteral("presets10000_10.xml")), QDir(folder).filePath(kPresetsFileName));
        PresetsLoad load;
        const double ms = medianMs(7, [&] {
            sink.messages.clear();
            load = LoadPresets(folder, sink);
        });
        std::printf("LoadPresets, 10000 blocks with the 32767-line limit: %.3f ms, %d entries read, message: %s\n",
                    ms, int(load.PresetCount),
                    sink.messages.isEmpty() ? "none" : qPrintable(sink.messages.first().text.split(u'\r').first()));
    }

    std::printf("\nMakeOutputPath with numbered names taken (real files, LocalFileSystem); median of 7\n");
    std::printf("%8s %12s %12s %14s\n", "taken", "ms", "us/name", "vs 1000");
    double baseNaming = 0;
    for (const int taken : {100, 1000, 5000}) {
        const QString folder = dir.filePath(QStringLiteral("out%1").arg(taken));
        QDir().mkpath(folder);
        touch(folder + QStringLiteral("/clip.mp4"));
        touch(folder + QStringLiteral("/clip_Converted.mp4"));
        for (int n = 0; n < taken; ++n)
            touch(folder + QStringLiteral("/clip_Converted_%1.mp4").arg(n));
        LocalFileSystem fileSystem;
        RecordingMessageSink sink;
        QString result;
        const double ms = medianMs(7, [&] {
            result = MakeOutputPath(QStringLiteral("/videos/clip.avi"), QStringLiteral("mp4"), {false, folder},
                                    fileSystem, sink);
        });
        if (result != folder + QStringLiteral("/clip_Converted_%1.mp4").arg(taken))
            return 1;
        if (taken == 1000)
            baseNaming = ms;
        std::printf("%8d %12.3f %12.3f %14s\n", taken, ms, ms * 1000 / (taken + 3),
                    taken == 100 ? "" : qPrintable(QStringLiteral("%1x").arg(ms / baseNaming, 0, 'f', 2)));
    }
    return 0;
}
