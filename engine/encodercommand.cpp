#include "encodercommand.h"

#include "encodername.h"

#include <QDir>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace EncoderCommand {

QString encoderFileName()
{
    return encoderExecutableName();
}

QString quoteArgument(QStringView text)
{
    // Inside a quoted part the splitter turns a run of three quotes into one
    // literal quote without leaving the part. The opening and closing quotes
    // join runs of 3k quotes at either end into 3k + 1, which still gives k
    // literal quotes and toggles the quoting once, as it should.
    QString quoted;
    quoted.reserve(text.size() + 2);
    quoted += QLatin1Char('"');
    for (const QChar ch : text) {
        if (ch == QLatin1Char('"'))
            quoted += QLatin1String(R"(""")");
        else
            quoted += ch;
    }
    quoted += QLatin1Char('"');
    return quoted;
}

namespace {

QString programFilePath(const QString &sProgramDir, const QString &fileName)
{
    // An empty folder means the current one, never a search of PATH.
    QString dir = sProgramDir.isEmpty() ? QStringLiteral(".") : QDir::cleanPath(sProgramDir);
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return QDir::toNativeSeparators(dir + fileName);
}

} // namespace

QString encoderPath(const QString &sProgramDir)
{
    return programFilePath(sProgramDir, encoderFileName());
}

QString proberPath(const QString &sProgramDir)
{
    return programFilePath(sProgramDir, encoderFileName().replace(QLatin1String("ffmpeg"), QLatin1String("ffprobe")));
}

QString ownInputsCommandLine(const QString &sProgramDir, const QString &sParameters, const QString &sOutputFile)
{
    return quoteArgument(encoderPath(sProgramDir)) + QLatin1Char(' ') + sParameters + QLatin1Char(' ') + quoteArgument(sOutputFile);
}

QString conversionCommandLine(const QString &sProgramDir, const QString &sInputFile,
                              const QString &sParameters, const QString &sOutputFile)
{
    return quoteArgument(encoderPath(sProgramDir)) + QLatin1String(" -i ") + quoteArgument(sInputFile)
           + QLatin1Char(' ') + sParameters + QLatin1Char(' ') + quoteArgument(sOutputFile);
}

QString conversionCommandLine(const QString &sProgramDir, const QString &sInputFile,
                              const QString &sParameters, const QString &sOutputFile, bool bFastSeek)
{
    const std::optional<StartOption> start =
        bFastSeek || copiesVideoStream(sParameters) ? takeStartOption(sParameters) : std::nullopt;
    if (!start)
        return conversionCommandLine(sProgramDir, sInputFile, sParameters, sOutputFile);
    return quoteArgument(encoderPath(sProgramDir)) + QLatin1String(" -ss ") + start->start + QLatin1String(" -i ")
           + quoteArgument(sInputFile) + QLatin1Char(' ') + start->options + QLatin1Char(' ')
           + quoteArgument(sOutputFile);
}

QList<OptionToken> optionTokens(QStringView sOptions)
{
    // The splitter's rules, step for step (see QProcess::splitCommand), keeping
    // where each argument starts and ends. Arguments start and end outside
    // quotes, so each span splits again into just its own argument.
    QList<OptionToken> tokens;
    QString text;
    qsizetype begin = -1;
    int quoteCount = 0;
    bool inQuote = false;
    for (qsizetype i = 0; i < sOptions.size(); ++i) {
        const QChar ch = sOptions.at(i);
        if (begin < 0 && (ch == QLatin1Char('"') || !ch.isSpace()))
            begin = i;
        if (ch == QLatin1Char('"')) {
            if (++quoteCount == 3) {
                quoteCount = 0;
                text += ch;
            }
            continue;
        }
        if (quoteCount == 1)
            inQuote = !inQuote;
        quoteCount = 0;
        if (!inQuote && ch.isSpace()) {
            // An empty quoted pair gives no argument, as in the splitter.
            if (begin >= 0 && !text.isEmpty())
                tokens.append({text, begin, i});
            text.clear();
            begin = -1;
        } else {
            text += ch;
        }
    }
    if (begin >= 0 && !text.isEmpty())
        tokens.append({text, begin, sOptions.size()});
    return tokens;
}

bool copiesVideoStream(QStringView sParameters)
{
    const QList<OptionToken> tokens = optionTokens(sParameters);
    for (qsizetype i = 0; i + 1 < tokens.size(); ++i) {
        const QString &option = tokens.at(i).text;
        if ((option == QLatin1String("-c") || option == QLatin1String("-c:v") || option == QLatin1String("-vcodec")
             || option == QLatin1String("-codec"))
            && tokens.at(i + 1).text == QLatin1String("copy"))
            return true;
    }
    return false;
}

namespace {

bool isPlainSeconds(QStringView text)
{
    const auto isAsciiDigit = [](QChar ch) { return ch >= QLatin1Char('0') && ch <= QLatin1Char('9'); };
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    const QStringView whole = point < 0 ? text : text.first(point);
    const QStringView fraction = point < 0 ? QStringView() : text.sliced(point + 1);
    if (whole.isEmpty() || (point >= 0 && fraction.isEmpty()))
        return false;
    return std::all_of(whole.begin(), whole.end(), isAsciiDigit)
           && std::all_of(fraction.begin(), fraction.end(), isAsciiDigit);
}

} // namespace

std::optional<StartOption> takeStartOption(QStringView sParameters)
{
    const QList<OptionToken> tokens = optionTokens(sParameters);
    qsizetype at = -1;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (tokens.at(i).text != QLatin1String("-ss"))
            continue;
        if (at >= 0)
            return std::nullopt; // which one is the cut's start is not ours to guess
        at = i;
    }
    if (at < 0 || at + 1 >= tokens.size() || !isPlainSeconds(tokens.at(at + 1).text))
        return std::nullopt;

    // Take the pair with the separator before it, or after it when it leads,
    // so the rest keeps its own spacing.
    qsizetype from = tokens.at(at).begin;
    qsizetype to = tokens.at(at + 1).end;
    if (at > 0)
        from = tokens.at(at - 1).end;
    else if (at + 2 < tokens.size())
        to = tokens.at(at + 2).begin;
    return StartOption{tokens.at(at + 1).text,
                       sParameters.first(from).toString() + sParameters.sliced(to).toString()};
}

bool seeksBeforeInput(QStringView sParameters, bool bFastSeek)
{
    return (bFastSeek || copiesVideoStream(sParameters)) && takeStartOption(sParameters).has_value();
}

QString usualChannelLayout(int channels)
{
    // As ffmpeg 5.1 guesses them (av_channel_layout_default).
    switch (channels) {
    case 1: return QStringLiteral("mono");
    case 2: return QStringLiteral("stereo");
    case 3: return QStringLiteral("2.1");
    case 4: return QStringLiteral("4.0");
    case 5: return QStringLiteral("5.0");
    case 6: return QStringLiteral("5.1");
    case 7: return QStringLiteral("6.1");
    case 8: return QStringLiteral("7.1");
    case 16: return QStringLiteral("hexadecagonal");
    case 24: return QStringLiteral("22.2");
    default: return {};
    }
}

QString unknownLayoutFilter(int channels)
{
    const QString layout = usualChannelLayout(channels);
    return layout.isEmpty() ? QString() : QStringLiteral("aformat=channel_layouts=") + layout;
}

QString probeCommandLine(const QString &sProgramDir, const QString &sMediaFile)
{
    return quoteArgument(encoderPath(sProgramDir)) + QLatin1String(" -i ") + quoteArgument(sMediaFile);
}

QString exactConversionCommandLine(const QString &sProgramDir, const QString &sInputFile,
                                   const QString &sParameters, const QString &sOutputFile, bool bFastSeek)
{
    // A copy must start its packets at the start itself, and moves it there.
    const std::optional<StartOption> start =
        bFastSeek && !copiesVideoStream(sParameters) ? takeStartOption(sParameters) : std::nullopt;
    if (!start)
        return conversionCommandLine(sProgramDir, sInputFile, sParameters, sOutputFile, bFastSeek);
    const qint64 milliseconds = std::llround(QLocale::c().toDouble(start->start) * 1000.0);
    if (milliseconds <= kExactPrerollMilliseconds)
        return conversionCommandLine(sProgramDir, sInputFile, sParameters, sOutputFile, false);
    const QString jump = QString::number(double(milliseconds - kExactPrerollMilliseconds) / 1000.0, 'f', 3);
    return quoteArgument(encoderPath(sProgramDir)) + QLatin1String(" -ss ") + jump
           + QLatin1String(" -copyts -start_at_zero -i ") + quoteArgument(sInputFile) + QLatin1Char(' ') + sParameters
           + QLatin1Char(' ') + quoteArgument(sOutputFile);
}

} // namespace EncoderCommand
