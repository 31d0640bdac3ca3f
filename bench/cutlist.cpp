// Cut list benchmark: prints figures, asserts nothing.
// Five 10-second cuts of a generated 720p clip, run as one cut list
// (CutListRunner, saving the list file on every change as the window does)
// against the same five run one by one through the job (CVideoConv), as a
// single task runs them: output name, options, encoder. The two alternate
// for a few rounds; the ratio of the medians is the list's cost.
//   bench_cutlist [rounds]
#include "cutlist.h"
#include "cutlistrun.h"
#include "cutworkflow.h"
#include "cvideoconv.h"
#include "encoderoptions.h"
#include "outputpath.h"
#include "recordingmessagesink.h"
#include "settingsstorelocation.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kCuts = 5;
constexpr int kCutSeconds = 10;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

void failIfAny(const RecordingMessageSink &sink, const char *what)
{
    if (!sink.messages.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", what, qPrintable(sink.messages.constFirst().text));
        std::exit(1);
    }
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

    QTemporaryDir temp;
    const QString clip = temp.filePath(u"clip720.mp4"_s);
    std::printf("making a %d s 1280x720 clip...\n", kCuts * kCutSeconds + 2);
    if (!TestSupport::makeClipWithCodecs(clip, kCuts * kCutSeconds + 2, u"libx264"_s, u"aac"_s, QSize(1280, 720))) {
        std::fprintf(stderr, "cannot make the clip\n");
        return 1;
    }

    RecordingMessageSink messages;
    FakePower power;
    FakeMounts mounts;
    FolderSettingsStoreLocation settings(temp.filePath(u"settings"_s));
    QDir().mkpath(settings.storeFolder());
    WindowServices services;
    services.messages = &messages;
    services.power = &power;
    services.mounts = &mounts;
    services.settingsLocation = &settings;
    services.programDir = TestSupport::programDir();
    services.homeFolder = temp.path();
    CutWorkflow flow(services);
    flow.LoadPresets();
    flow.LoadCodecs();
    const PresetsLoad &presets = flow.presets();
    const CodecsLoad &codecs = flow.codecs();
    // The first preset, as the tests' fast choice: H.264 at the original size.
    const PresetEntry &preset = presets.Presets.constFirst();
    FormatPanelSnapshot format;
    format.cmbCategory = preset.category;
    format.cmbOutVCodec = preset.label;
    format.cmbOutFormat = preset.extension;
    std::printf("preset: %s / %s / %s\n", qPrintable(preset.category), qPrintable(preset.label),
                qPrintable(preset.extension));

    const QString out = temp.filePath(u"out"_s);
    const OutputFolderChoice folder{false, out};
    const auto clearOutputs = [&out] { QDir(out).removeRecursively(); };

    const auto runList = [&] {
        CutListModel model(temp.filePath(u"list"_s));
        model.restore();
        model.clear();
        for (int i = 0; i < kCuts; ++i) {
            CutEntry entry;
            entry.sourcePath = clip;
            entry.selectStart = i * kCutSeconds;
            entry.selectEnd = (i + 1) * kCutSeconds;
            entry.format = format;
            entry.folder = folder;
            model.add(entry);
        }
        CutListRunner runner(services, flow, model);
        QElapsedTimer clock;
        clock.start();
        runner.run();
        const double seconds = clock.nsecsElapsed() / 1e9;
        failIfAny(messages, "list");
        if (model.counts().done != kCuts) {
            std::fprintf(stderr, "list: only %d of %d done\n", model.counts().done, kCuts);
            std::exit(1);
        }
        return seconds;
    };
    const auto runOneByOne = [&] {
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kCuts; ++i) {
            LocalFileSystem fileSystem;
            const QString outFile = MakeOutputPath(clip, OutputExtension(format), folder, fileSystem, messages);
            const QString parameters =
                GetParamaters(format, presets.Presets, presets.PresetCount, codecs.Codecs, codecs.CodecCount,
                              i * kCutSeconds, (i + 1) * kCutSeconds, messages);
            CVideoConv job(&messages, services.programDir);
            job.setInputFile(clip);
            job.setOutputFile(outFile);
            job.setParametrs(parameters + u" -y"_s);
            job.setFileTimeLength(float(kCutSeconds));
            job.StartConversion();
            failIfAny(messages, "job");
        }
        return clock.nsecsElapsed() / 1e9;
    };

    std::vector<double> list, single;
    for (int round = 0; round < rounds; ++round) {
        list.push_back(runList());
        clearOutputs();
        single.push_back(runOneByOne());
        clearOutputs();
        std::printf("round %d: list %.2f s, one by one %.2f s\n", round + 1, list.back(), single.back());
        std::fflush(stdout);
    }
    const double ratio = median(list) / median(single);
    std::printf("five %d s cuts of 720p: list %.2f s, one by one %.2f s (medians of %d); ratio %.3f (limit 1.05)\n",
                kCutSeconds, median(list), median(single), rounds, ratio);
    return 0;
}
