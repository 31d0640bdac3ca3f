// The encoder option string over a fuzzed format panel and fuzzed marks. The
// lists hold what they can hold (an item of the panel's fixed lists or of the
// shipped catalogues, or nothing selected); the four text boxes hold anything.
// Asserted, for every string the assembly accepts, split as the runner splits
// it:
//   - it never gains an argument that a text box did not ask for: every
//     option is one of the assembly's own, once each, in their order, and
//     each text box's value is exactly one argument;
//   - no text box value begins with "-";
//   - no option is left without its value.
// And the other way round: texts the key filters would let through are taken.

#include "catalogue.h"
#include "encoderoptions.h"
#include "fuzzcheck.h"

#include <QFile>
#include <QProcess>

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

const QStringList kSizes{
    "[As Input]", "sqcif(128x96)", "qcif(176x144)", "cif(352x288)", "4cif(704x576)", "qqvga(160x120)",
    "qvga(320x240)", "vga(640x480)", "svga(800x600)", "xga(1024x768)", "uxga(1600x1200)", "qxga(2048x1536)",
    "sxga(1280x1024)", "qsxga(2560x2048)", "hsxga(5120x4096)", "wvga(852x480)", "wxga(1366x768)",
    "wsxga(1600x1024)", "wuxga(1920x1200)", "woxga(2560x1600)", "wqsxga(3200x2048)", "wquxga(3840x2400)",
    "whsxga(6400x4096)", "whuxga(7680x4800)", "cga(320x200)", "ega(640x350)", "hd480(852x480)",
    "hd720(1280x720)", "hd1080(1920x1080)"};
const QStringList kAspects{"[As Input]", "4:3", "16:9", "1.3333", "1.7777"};
const QStringList kSampleRates{"8 KHz", "11.025 KHz", "12 KHz", "16 KHz", "22.05 KHz",
                               "24 KHz", "32 KHz", "44.1 KHz", "48 KHz"};
const QStringList kContainers{"WMV", "ASF", "AVI", "MOV", "FLV", "MPG", "MPEG", "MP4", "RM", "yuv"};

// The option names in the order the custom assembly writes them.
const QStringList kCustomOptions{"-ar", "-ab", "-acodec", "-ac", "-vcodec", "-b", "-s", "-aspect", "-r", "-ss", "-t"};

struct Catalogues
{
    PresetsLoad presets;
    CodecsLoad codecs;
};

const Catalogues &shipped()
{
    static const Catalogues catalogues = [] {
        const auto read = [](const char *name) {
            QFile file(QStringLiteral(SNIPORA_SOURCE_DIR "/format/catalogue/") + QLatin1String(name));
            FUZZ_CHECK(file.open(QIODevice::ReadOnly));
            return file.readAll();
        };
        return Catalogues{ReadPresets(read("presets.xml")), ReadCodecs(read("codecs.xml"))};
    }();
    return catalogues;
}

// An item of the list, or the empty text of a list with nothing selected.
QString pick(FuzzedDataProvider &input, const QStringList &items)
{
    const int index = input.ConsumeIntegralInRange<int>(-1, int(items.size()) - 1);
    return index < 0 ? QString() : items.at(index);
}

QString text(FuzzedDataProvider &input)
{
    const std::string bytes = input.ConsumeRandomLengthString(16);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

bool digitsOnly(const QString &s)
{
    return !s.isEmpty() && std::all_of(s.cbegin(), s.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool fitsKeyFilters(const FormatPanelSnapshot &p)
{
    const auto bitrateFits = [](const QString &s) { return digitsOnly(s) && s.size() <= 4; };
    QString rate = p.txtFrameRate;
    return bitrateFits(p.txtCABirate) && bitrateFits(p.txtCVBitrate) && p.txtChannels.size() == 1
           && digitsOnly(p.txtChannels) && p.txtChannels != u"0" && rate.count(u'.') <= 1
           && digitsOnly(rate.remove(u'.'));
}

void checkCustom(const FormatPanelSnapshot &panel, const QString &options)
{
    const QStringList args = QProcess::splitCommand(options);
    // Options and values alternate; every option has its value.
    FUZZ_CHECK(args.size() % 2 == 0);
    qsizetype lastOption = -1;
    for (qsizetype i = 0; i < args.size(); i += 2) {
        const qsizetype option = kCustomOptions.indexOf(args.at(i));
        FUZZ_CHECK(option > lastOption);
        lastOption = option;
        const QString &value = args.at(i + 1);
        FUZZ_CHECK(!value.isEmpty() && !kCustomOptions.contains(value));
        const QString &name = args.at(i);
        if (name == u"-ac")
            FUZZ_CHECK(value == panel.txtChannels);
        else if (name == u"-r")
            FUZZ_CHECK(value == panel.txtFrameRate);
        else if (name == u"-ab")
            FUZZ_CHECK(value == QString::number(panel.txtCABirate.toLongLong() * 1000));
        else if (name == u"-b")
            FUZZ_CHECK(value == QString::number(panel.txtCVBitrate.toLongLong() * 1000));
    }
    for (const char *always : {"-ar", "-ab", "-ac", "-b", "-r", "-ss", "-t"})
        FUZZ_CHECK(args.contains(QLatin1String(always)));
    for (const QString &typed : {panel.txtCABirate, panel.txtChannels, panel.txtCVBitrate, panel.txtFrameRate})
        FUZZ_CHECK(!typed.startsWith(u'-'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Catalogues &catalogues = shipped();
    FuzzedDataProvider input(data, size);

    FormatPanelSnapshot panel;
    panel.presetMode = input.ConsumeBool();
    QStringList categories;
    QStringList labels;
    QStringList extensions;
    for (const PresetEntry &preset : catalogues.presets.Presets) {
        categories += preset.category;
        labels += preset.label;
        extensions += preset.extension;
    }
    panel.cmbCategory = pick(input, categories);
    panel.cmbOutVCodec = pick(input, labels);
    panel.cmbOutFormat = pick(input, extensions);
    panel.cmbCustContainer = pick(input, kContainers);
    panel.cmbCVCodec = pick(input, catalogues.codecs.videoItems.value_or(QStringList()));
    panel.cmbCACodec = pick(input, catalogues.codecs.audioItems.value_or(QStringList()));
    panel.cmbCVSize = pick(input, kSizes);
    panel.cmbCVAspect = pick(input, kAspects);
    panel.cmbCASmapleRate = pick(input, kSampleRates);
    panel.txtCABirate = text(input);
    panel.txtChannels = text(input);
    panel.txtCVBitrate = text(input);
    panel.txtFrameRate = text(input);
    // Marks as the slider holds them: small and near each other, or anything.
    const bool wide = input.ConsumeBool();
    const qint32 start = wide ? input.ConsumeIntegral<qint32>() : input.ConsumeIntegralInRange<qint32>(0, 36000);
    const qint32 end = wide ? input.ConsumeIntegral<qint32>() : input.ConsumeIntegralInRange<qint32>(0, 36000);

    const auto result = AssembleParamaters(panel, catalogues.presets.Presets, catalogues.presets.PresetCount,
                                           catalogues.codecs.Codecs, catalogues.codecs.CodecCount, start, end);
    const bool selectionFits = qint64(end) - qint64(start) == qint32(qint64(end) - qint64(start));
    if (const auto *failure = std::get_if<ParamatersFailure>(&result)) {
        FUZZ_CHECK(!failure->description.isEmpty());
        // What the boxes let through is always taken.
        FUZZ_CHECK(panel.presetMode || !fitsKeyFilters(panel) || !selectionFits);
        return 0;
    }
    const QString &options = std::get<QString>(result);
    const QString suffix = QStringLiteral(" -ss %1 -t %2").arg(start).arg(qint64(end) - qint64(start));
    if (panel.presetMode) {
        // A preset's own options, untouched, then the seek and the length.
        FUZZ_CHECK(options.isEmpty() || options.endsWith(suffix));
        if (!options.isEmpty()) {
            const QString params = options.chopped(suffix.size());
            FUZZ_CHECK(std::any_of(catalogues.presets.Presets.cbegin(), catalogues.presets.Presets.cend(),
                                   [&](const PresetEntry &preset) { return preset.params == params; }));
        }
        return 0;
    }
    FUZZ_CHECK(options.endsWith(suffix));
    checkCustom(panel, options);
    return 0;
}
