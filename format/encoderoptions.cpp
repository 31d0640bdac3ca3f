#include "encoderoptions.h"

#include "messagesink.h"
#include "textutil.h"

#include <QLocale>
#include <QRegularExpression>
#include <QtNumeric>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// kbit/s text to bit/s. The text must be a number as a whole (surrounding
// spaces allowed); a fractional part rounds to the nearest integer, halves to
// the even one.
std::variant<qint32, ParamatersFailure> bitrateToBits(const QString &text, const QString &what)
{
    static const QRegularExpression number(QStringLiteral("^\\s*[+-]?(\\d+(\\.\\d*)?|\\.\\d+)\\s*$"));
    if (!number.match(text).hasMatch())
        return ParamatersFailure{QStringLiteral("Type mismatch: the %1 \"%2\" is not a number.").arg(what, text)};
    const double value = std::nearbyint(QLocale::c().toDouble(text.trimmed()));
    qint32 bits = 0;
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max()
        || qMulOverflow(static_cast<qint32>(value), qint32(1000), &bits)) {
        return ParamatersFailure{QStringLiteral("Overflow: the %1 \"%2\" is too large.").arg(what, text)};
    }
    return bits;
}

// Frame rate and channels go in as typed, and the command line is later split
// into arguments at spaces and quotes. The panel and the restored settings
// admit digits only; refuse anything else that would not stay one argument:
// a space or a quote would add options of its own, and an empty text would
// take the next option as its value.
std::optional<ParamatersFailure> checkSingleArgument(const QString &text, const QString &what)
{
    const bool splits =
        std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSpace() || c == u'"'; });
    if (!text.isEmpty() && !splits)
        return std::nullopt;
    return ParamatersFailure{
        QStringLiteral("Invalid procedure call: the %1 \"%2\" is not a single value.").arg(what, text)};
}

// The seek and length that end every option string.
std::variant<QString, ParamatersFailure> timeSuffix(qint32 SelectStart, qint32 SelectEnd)
{
    qint32 length = 0;
    if (qSubOverflow(SelectEnd, SelectStart, &length))
        return ParamatersFailure{QStringLiteral("Overflow: the selection %1 to %2 is too long.")
                                     .arg(SelectStart)
                                     .arg(SelectEnd)};
    return QStringLiteral(" -ss %1 -t %2").arg(SelectStart).arg(length);
}

std::variant<QString, ParamatersFailure> presetParamaters(const FormatPanelSnapshot &panel,
                                                          const QList<PresetEntry> &Presets, qint32 PresetCount,
                                                          qint32 SelectStart, qint32 SelectEnd)
{
    for (qint32 i = 0; i < PresetCount && i < Presets.size(); ++i) {
        const PresetEntry &preset = Presets.at(i);
        if (preset.category == panel.cmbCategory && preset.label == panel.cmbOutVCodec
            && preset.extension == panel.cmbOutFormat) {
            const auto suffix = timeSuffix(SelectStart, SelectEnd);
            if (const auto *failure = std::get_if<ParamatersFailure>(&suffix))
                return *failure;
            return preset.params + std::get<QString>(suffix);
        }
    }
    return QString();
}

std::variant<QString, ParamatersFailure> customParamaters(const FormatPanelSnapshot &panel,
                                                          const QList<CodecEntry> &Codecs, qint32 CodecCount,
                                                          qint32 SelectStart, qint32 SelectEnd)
{
    double sampleRate = LeadingNumber(panel.cmbCASmapleRate) * 1000.0;
    if (sampleRate == 0.0)
        sampleRate = 0.0; // no "-0"
    QString result = QStringLiteral("-ar ") + QString::number(sampleRate, 'g', 15);

    const auto audioBits = bitrateToBits(panel.txtCABirate, QStringLiteral("audio bitrate"));
    if (const auto *failure = std::get_if<ParamatersFailure>(&audioBits))
        return *failure;
    result += QStringLiteral(" -ab ") + QString::number(std::get<qint32>(audioBits));

    const QString audioCodec = GetCodecName(Codecs, CodecCount, panel.cmbCACodec);
    if (!audioCodec.isEmpty())
        result += QStringLiteral(" -acodec ") + audioCodec;

    if (const auto failure = checkSingleArgument(panel.txtChannels, QStringLiteral("channels")))
        return *failure;
    result += QStringLiteral(" -ac ") + panel.txtChannels;

    const QString videoCodec = GetCodecName(Codecs, CodecCount, panel.cmbCVCodec);
    if (!videoCodec.isEmpty())
        result += QStringLiteral(" -vcodec ") + videoCodec;

    const auto videoBits = bitrateToBits(panel.txtCVBitrate, QStringLiteral("video bitrate"));
    if (const auto *failure = std::get_if<ParamatersFailure>(&videoBits))
        return *failure;
    result += QStringLiteral(" -b ") + QString::number(std::get<qint32>(videoBits));

    if (panel.cmbCVSize != kAsInput) {
        const qsizetype bracket = panel.cmbCVSize.indexOf(u'(');
        if (bracket < 0)
            return ParamatersFailure{
                QStringLiteral("Invalid procedure call: the video size \"%1\" has no \"(\".").arg(panel.cmbCVSize)};
        result += QStringLiteral(" -s ") + panel.cmbCVSize.left(bracket);
    }
    if (panel.cmbCVAspect != kAsInput)
        result += QStringLiteral(" -aspect ") + panel.cmbCVAspect;

    if (const auto failure = checkSingleArgument(panel.txtFrameRate, QStringLiteral("frame rate")))
        return *failure;
    result += QStringLiteral(" -r ") + panel.txtFrameRate;

    const auto suffix = timeSuffix(SelectStart, SelectEnd);
    if (const auto *failure = std::get_if<ParamatersFailure>(&suffix))
        return *failure;
    return result + std::get<QString>(suffix);
}

} // namespace

double LeadingNumber(const QString &text)
{
    QString digits;
    bool seenPoint = false;
    for (const QChar c : text) {
        if (c == u' ')
            continue;
        if ((c == u'+' || c == u'-') && digits.isEmpty())
            digits.append(c);
        else if (c >= u'0' && c <= u'9')
            digits.append(c);
        else if (c == u'.' && !seenPoint)
            seenPoint = true, digits.append(c);
        else
            break;
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(digits, &ok);
    return ok ? value : 0.0;
}

QString GetCodecName(const QList<CodecEntry> &Codecs, qint32 CodecCount, const QString &sDesc)
{
    for (qint32 i = 0; i < CodecCount && i < Codecs.size(); ++i) {
        if (Codecs.at(i).description == sDesc)
            return trimSpaces(Codecs.at(i).name);
    }
    return QString();
}

std::variant<QString, ParamatersFailure> AssembleParamaters(const FormatPanelSnapshot &panel,
                                                           const QList<PresetEntry> &Presets, qint32 PresetCount,
                                                           const QList<CodecEntry> &Codecs, qint32 CodecCount,
                                                           qint32 SelectStart, qint32 SelectEnd)
{
    if (panel.presetMode)
        return presetParamaters(panel, Presets, PresetCount, SelectStart, SelectEnd);
    return customParamaters(panel, Codecs, CodecCount, SelectStart, SelectEnd);
}

QString GetParamaters(const FormatPanelSnapshot &panel, const QList<PresetEntry> &Presets, qint32 PresetCount,
                      const QList<CodecEntry> &Codecs, qint32 CodecCount, qint32 SelectStart, qint32 SelectEnd,
                      MessageSink &sink)
{
    const auto result = AssembleParamaters(panel, Presets, PresetCount, Codecs, CodecCount, SelectStart, SelectEnd);
    if (const auto *failure = std::get_if<ParamatersFailure>(&result)) {
        sink.showMessage(failure->description + QStringLiteral("\r\n") + kParamatersFailureMessage,
                         MessageIcon::Critical, kAppTitle);
        return QString();
    }
    return std::get<QString>(result);
}

QString OutputExtension(const FormatPanelSnapshot &panel)
{
    return panel.presetMode ? panel.cmbOutFormat : panel.cmbCustContainer;
}
