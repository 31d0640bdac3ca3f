#include "encoderoptions.h"

#include "customfields.h"
#include "exacttime.h"
#include "messagesink.h"
#include "textutil.h"

#include <QCoreApplication>
#include <QLocale>
#include <QtNumeric>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// The failures of a bitrate, as whole sentences for the translators: "%1" is
// the text in the box.
struct BitrateFailures
{
    const char *notDigits;
    const char *tooLarge;
};
constexpr BitrateFailures kAudioBitrateFailures{
    QT_TRANSLATE_NOOP("EncoderOptions", "Type mismatch: the audio bitrate \"%1\" is not digits only."),
    QT_TRANSLATE_NOOP("EncoderOptions", "Overflow: the audio bitrate \"%1\" is too large.")};
constexpr BitrateFailures kVideoBitrateFailures{
    QT_TRANSLATE_NOOP("EncoderOptions", "Type mismatch: the video bitrate \"%1\" is not digits only."),
    QT_TRANSLATE_NOOP("EncoderOptions", "Overflow: the video bitrate \"%1\" is too large.")};

// kbit/s text to bit/s. The boxes take digits only, and so does this: a sign,
// a fraction or a blank could only come from a damaged settings file, and a
// leading "-" would reach the encoder as an option rather than a value.
std::variant<qint32, ParamatersFailure> bitrateToBits(CustomField field, const QString &text,
                                                      const BitrateFailures &failures)
{
    if (!isCustomFieldValue(field, text))
        return ParamatersFailure{QCoreApplication::translate("EncoderOptions", failures.notDigits).arg(text)};
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    qint32 bits = 0;
    if (!ok || value > std::numeric_limits<qint32>::max()
        || qMulOverflow(static_cast<qint32>(value), qint32(1000), &bits)) {
        return ParamatersFailure{QCoreApplication::translate("EncoderOptions", failures.tooLarge).arg(text)};
    }
    return bits;
}

// Frame rate and channels go onto the command line as typed.
std::optional<ParamatersFailure> checkChannels(const QString &text)
{
    if (isCustomFieldValue(CustomField::txtChannels, text))
        return std::nullopt;
    return ParamatersFailure{
        QCoreApplication::translate("EncoderOptions", "Invalid procedure call: the channels \"%1\" is not one digit from 1 to 9.").arg(text)};
}

std::optional<ParamatersFailure> checkFrameRate(const QString &text)
{
    if (isCustomFieldValue(CustomField::txtFrameRate, text))
        return std::nullopt;
    return ParamatersFailure{
        QCoreApplication::translate("EncoderOptions", "Invalid procedure call: the frame rate \"%1\" is not digits with at most one \".\".")
            .arg(text)};
}

// A list with nothing selected (a -1 index from a damaged settings file) has
// an empty text. Written as a value it would make the next option its value,
// so it counts as the list's neutral choice instead.
bool isAsInput(const QString &listText)
{
    return listText.isEmpty() || listText == kAsInput;
}

QString codecNameOf(const QList<CodecEntry> &Codecs, qint32 CodecCount, const QString &listText)
{
    return listText.isEmpty() ? QString() : GetCodecName(Codecs, CodecCount, listText);
}

// The seek and length that end every option string.
using TimeSuffix = std::variant<QString, ParamatersFailure>;

TimeSuffix timeSuffix(qint32 SelectStart, qint32 SelectEnd)
{
    qint32 length = 0;
    if (qSubOverflow(SelectEnd, SelectStart, &length))
        return ParamatersFailure{QCoreApplication::translate("EncoderOptions", "Overflow: the selection %1 to %2 is too long.")
                                     .arg(SelectStart)
                                     .arg(SelectEnd)};
    return QStringLiteral(" -ss %1 -t %2").arg(SelectStart).arg(length);
}

QString millisecondsText(qint64 milliseconds)
{
    return QString::number(double(milliseconds) / 1000.0, 'f', 3);
}

TimeSuffix exactTimeSuffix(const ExactSelection &selection)
{
    const qint64 start = RoundMilliseconds(selection.start);
    const qint64 end = RoundMilliseconds(selection.end);
    if (!std::isfinite(selection.start) || !std::isfinite(selection.end) || start < 0 || end <= start)
        return ParamatersFailure{
            QCoreApplication::translate("EncoderOptions", "Invalid procedure call: the selection %1 to %2 is empty or out of range.")
                .arg(selection.start)
                .arg(selection.end)};
    return QStringLiteral(" -ss ") + millisecondsText(std::max<qint64>(start - 1, 0)) + QStringLiteral(" -t ")
           + millisecondsText(std::max<qint64>(end - start - 1, 1));
}

std::variant<QString, ParamatersFailure> presetParamaters(const FormatPanelSnapshot &panel,
                                                          const QList<PresetEntry> &Presets, qint32 PresetCount,
                                                          const TimeSuffix &suffix)
{
    for (qint32 i = 0; i < PresetCount && i < Presets.size(); ++i) {
        const PresetEntry &preset = Presets.at(i);
        if (preset.category == panel.cmbCategory && preset.label == panel.cmbOutVCodec
            && preset.extension == panel.cmbOutFormat) {
            if (const auto *failure = std::get_if<ParamatersFailure>(&suffix))
                return *failure;
            return preset.params + std::get<QString>(suffix);
        }
    }
    return QString();
}

std::variant<QString, ParamatersFailure> customParamaters(const FormatPanelSnapshot &panel,
                                                          const QList<CodecEntry> &Codecs, qint32 CodecCount,
                                                          const TimeSuffix &suffix)
{
    double sampleRate = LeadingNumber(panel.cmbCASmapleRate) * 1000.0;
    if (sampleRate == 0.0)
        sampleRate = 0.0; // no "-0"
    QString result = QStringLiteral("-ar ") + QString::number(sampleRate, 'g', 15);

    const auto audioBits = bitrateToBits(CustomField::txtCABirate, panel.txtCABirate, kAudioBitrateFailures);
    if (const auto *failure = std::get_if<ParamatersFailure>(&audioBits))
        return *failure;
    result += QStringLiteral(" -ab ") + QString::number(std::get<qint32>(audioBits));

    const QString audioCodec = codecNameOf(Codecs, CodecCount, panel.cmbCACodec);
    if (!audioCodec.isEmpty())
        result += QStringLiteral(" -acodec ") + audioCodec;

    if (const auto failure = checkChannels(panel.txtChannels))
        return *failure;
    result += QStringLiteral(" -ac ") + panel.txtChannels;

    const QString videoCodec = codecNameOf(Codecs, CodecCount, panel.cmbCVCodec);
    if (!videoCodec.isEmpty())
        result += QStringLiteral(" -vcodec ") + videoCodec;

    const auto videoBits = bitrateToBits(CustomField::txtCVBitrate, panel.txtCVBitrate, kVideoBitrateFailures);
    if (const auto *failure = std::get_if<ParamatersFailure>(&videoBits))
        return *failure;
    result += QStringLiteral(" -b ") + QString::number(std::get<qint32>(videoBits));

    if (!isAsInput(panel.cmbCVSize)) {
        const qsizetype bracket = panel.cmbCVSize.indexOf(u'(');
        if (bracket < 0)
            return ParamatersFailure{
                QCoreApplication::translate("EncoderOptions", "Invalid procedure call: the video size \"%1\" has no \"(\".").arg(panel.cmbCVSize)};
        result += QStringLiteral(" -s ") + panel.cmbCVSize.left(bracket);
    }
    if (!isAsInput(panel.cmbCVAspect))
        result += QStringLiteral(" -aspect ") + panel.cmbCVAspect;

    if (const auto failure = checkFrameRate(panel.txtFrameRate))
        return *failure;
    result += QStringLiteral(" -r ") + panel.txtFrameRate;

    if (const auto *failure = std::get_if<ParamatersFailure>(&suffix))
        return *failure;
    return result + std::get<QString>(suffix);
}

std::variant<QString, ParamatersFailure> assembleParamaters(const FormatPanelSnapshot &panel,
                                                            const QList<PresetEntry> &Presets, qint32 PresetCount,
                                                            const QList<CodecEntry> &Codecs, qint32 CodecCount,
                                                            const TimeSuffix &suffix)
{
    if (panel.presetMode)
        return presetParamaters(panel, Presets, PresetCount, suffix);
    return customParamaters(panel, Codecs, CodecCount, suffix);
}

QString shownOnFailure(const std::variant<QString, ParamatersFailure> &result, MessageSink &sink)
{
    if (const auto *failure = std::get_if<ParamatersFailure>(&result)) {
        sink.showMessage(failure->description + QStringLiteral("\r\n")
                             + QCoreApplication::translate("EncoderOptions", kParamatersFailureMessage),
                         MessageIcon::Critical, kAppTitle);
        return QString();
    }
    return std::get<QString>(result);
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
    return assembleParamaters(panel, Presets, PresetCount, Codecs, CodecCount, timeSuffix(SelectStart, SelectEnd));
}

QString OwnFrameTimes(const QString &sParameters)
{
    const QStringList words = sParameters.split(u' ', Qt::SkipEmptyParts);
    // Encoders that take any time base; MPEG-1, -2 and -4 code only rates of
    // their own standards.
    static const QStringList anyTimeBase{"libx264", "libx265", "libvpx", "libvpx-vp9", "libaom-av1", "libsvtav1"};
    bool encodes = false;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words.at(i);
        // A rate of the options' own, or frame times they set, stay theirs.
        if (word == u"-r" || word.startsWith(QLatin1String("-r:")) || word == u"-target" || word == u"-fps_mode"
            || word == u"-vsync" || word.contains(QLatin1String("fps=")) || word.contains(QLatin1String("framerate=")))
            return {};
        if ((word == u"-c:v" || word == u"-vcodec" || word == u"-codec:v") && i + 1 < words.size())
            encodes = anyTimeBase.contains(words.at(i + 1));
    }
    return encodes ? QStringLiteral(" -fps_mode passthrough -enc_time_base:v -1") : QString();
}

std::variant<QString, ParamatersFailure> AssembleParamaters(const FormatPanelSnapshot &panel,
                                                           const QList<PresetEntry> &Presets, qint32 PresetCount,
                                                           const QList<CodecEntry> &Codecs, qint32 CodecCount,
                                                           const ExactSelection &selection)
{
    const TimeSuffix suffix = exactTimeSuffix(selection);
    auto result = assembleParamaters(panel, Presets, PresetCount, Codecs, CodecCount, suffix);
    QString *text = std::get_if<QString>(&result);
    if (text && !text->isEmpty() && panel.presetMode) {
        const qsizetype before = text->size() - std::get<QString>(suffix).size();
        text->insert(before, OwnFrameTimes(text->left(before)));
    }
    return result;
}

QString GetParamaters(const FormatPanelSnapshot &panel, const QList<PresetEntry> &Presets, qint32 PresetCount,
                      const QList<CodecEntry> &Codecs, qint32 CodecCount, qint32 SelectStart, qint32 SelectEnd,
                      MessageSink &sink)
{
    return shownOnFailure(
        AssembleParamaters(panel, Presets, PresetCount, Codecs, CodecCount, SelectStart, SelectEnd), sink);
}

QString GetParamaters(const FormatPanelSnapshot &panel, const QList<PresetEntry> &Presets, qint32 PresetCount,
                      const QList<CodecEntry> &Codecs, qint32 CodecCount, const ExactSelection &selection,
                      MessageSink &sink)
{
    return shownOnFailure(AssembleParamaters(panel, Presets, PresetCount, Codecs, CodecCount, selection), sink);
}

QString OutputExtension(const FormatPanelSnapshot &panel)
{
    return panel.presetMode ? panel.cmbOutFormat : panel.cmbCustContainer;
}
