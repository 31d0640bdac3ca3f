#include "formatchoice.h"

#include <QCoreApplication>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

void appendOnce(QStringList &list, const QString &item)
{
    if (!list.contains(item))
        list.append(item);
}

// Entries past PresetCount (a slot a failed load left half filled) are not presets.
qint32 validCount(const QList<PresetEntry> &Presets, qint32 PresetCount)
{
    return std::clamp<qint32>(PresetCount, 0, qint32(Presets.size()));
}

} // namespace

QStringList LabelsForCategory(const QList<PresetEntry> &Presets, qint32 PresetCount, const QString &sCat)
{
    QStringList labels;
    for (qint32 i = 0, n = validCount(Presets, PresetCount); i < n; ++i) {
        if (Presets[i].category == sCat)
            appendOnce(labels, Presets[i].label);
    }
    return labels;
}

QStringList ExtensionsFor(const QList<PresetEntry> &Presets, qint32 PresetCount, const QString &sCat,
                          const std::optional<QString> &sLabel)
{
    QStringList extensions;
    for (qint32 i = 0, n = validCount(Presets, PresetCount); i < n; ++i) {
        const PresetEntry &p = Presets[i];
        if (p.category == sCat && (!sLabel || p.label == *sLabel))
            appendOnce(extensions, p.extension);
    }
    return extensions;
}

const QStringList &CustomContainers()
{
    static const QStringList list{u"WMV"_s, u"ASF"_s, u"AVI"_s, u"MOV"_s, u"FLV"_s,
                                  u"MPG"_s, u"MPEG"_s, u"MP4"_s, u"RM"_s, u"yuv"_s};
    return list;
}

const QStringList &CustomVideoSizes()
{
    static const QStringList list{
        u"[As Input]"_s,      u"sqcif(128x96)"_s,    u"qcif(176x144)"_s,    u"cif(352x288)"_s,
        u"4cif(704x576)"_s,   u"qqvga(160x120)"_s,   u"qvga(320x240)"_s,    u"vga(640x480)"_s,
        u"svga(800x600)"_s,   u"xga(1024x768)"_s,    u"uxga(1600x1200)"_s,  u"qxga(2048x1536)"_s,
        u"sxga(1280x1024)"_s, u"qsxga(2560x2048)"_s, u"hsxga(5120x4096)"_s, u"wvga(852x480)"_s,
        u"wxga(1366x768)"_s,  u"wsxga(1600x1024)"_s, u"wuxga(1920x1200)"_s, u"woxga(2560x1600)"_s,
        u"wqsxga(3200x2048)"_s, u"wquxga(3840x2400)"_s, u"whsxga(6400x4096)"_s, u"whuxga(7680x4800)"_s,
        u"cga(320x200)"_s,    u"ega(640x350)"_s,     u"hd480(852x480)"_s,   u"hd720(1280x720)"_s,
        u"hd1080(1920x1080)"_s};
    return list;
}

const QStringList &CustomAspects()
{
    static const QStringList list{u"[As Input]"_s, u"4:3"_s, u"16:9"_s, u"1.3333"_s, u"1.7777"_s};
    return list;
}

const QStringList &CustomSampleRates()
{
    static const QStringList list{u"8 KHz"_s,  u"11.025 KHz"_s, u"12 KHz"_s,   u"16 KHz"_s, u"22.05 KHz"_s,
                                  u"24 KHz"_s, u"32 KHz"_s,     u"44.1 KHz"_s, u"48 KHz"_s};
    return list;
}

std::optional<QString> EmptyCustomFieldMessage(const FormatPanelSnapshot &panel)
{
    if (panel.txtChannels.isEmpty())
        return QCoreApplication::translate("FormatChoice", "Channels Field in the custom Format can not be empty.");
    if (panel.txtFrameRate.isEmpty())
        return QCoreApplication::translate("FormatChoice", "Frame Rate Field in the custom Format can not be empty.");
    if (panel.txtCABirate.isEmpty())
        return QCoreApplication::translate("FormatChoice", "Audio Bitrate Field in the custom Format can not be empty.");
    if (panel.txtCVBitrate.isEmpty())
        return QCoreApplication::translate("FormatChoice", "Video Bitrate Field in the custom Format can not be empty.");
    return std::nullopt;
}

QString FormatDescription(const FormatPanelSnapshot &panel)
{
    // Whole sentences for the translators; the quoted names are catalogue data.
    if (panel.presetMode) {
        return QCoreApplication::translate("FormatChoice", "Category:%1, Codec:\"%2\", Container:\"%3\"")
            .arg(panel.cmbCategory, panel.cmbOutVCodec, panel.cmbOutFormat);
    }
    return QCoreApplication::translate("FormatChoice", "Container:%1, Video Codec:\"%2\", Audio Codec:\"%3\"")
        .arg(panel.cmbCustContainer, panel.cmbCVCodec, panel.cmbCACodec);
}
