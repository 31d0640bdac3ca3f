#include "encoderoutput.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

namespace EncoderOutput {

namespace {

bool containsMarker(QStringView text, QLatin1String marker)
{
    return text.contains(marker, Qt::CaseInsensitive);
}

// Nearest integer, exact halves to the even neighbour, whatever the FPU's mode.
double roundHalfEven(double value)
{
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5)
        return floor;
    if (diff > 0.5)
        return floor + 1.0;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

const QRegularExpression &plainSecondsPattern()
{
    static const QRegularExpression pattern(QStringLiteral(R"(^[+-]?(?:\d+\.?\d*|\.\d+)$)"));
    return pattern;
}

const QRegularExpression &clockPattern()
{
    static const QRegularExpression pattern(QStringLiteral(R"(^([+-]?)(\d+):(\d{1,2}):(\d{1,2}(?:\.(\d*))?)$)"));
    return pattern;
}

// The first line break whose start (the CR of a CR LF, or a bare LF) lies at or
// after from; returns the index of its LF, or -1.
qsizetype lineBreakFrom(QStringView text, qsizetype from)
{
    qsizetype lf = text.indexOf(QLatin1Char('\n'), from);
    // An LF right at from whose CR lies before from belongs to a break that
    // started earlier.
    if (lf >= 0 && lf == from && from > 0 && text.at(from - 1) == QLatin1Char('\r'))
        lf = text.indexOf(QLatin1Char('\n'), from + 1);
    return lf;
}

// Drops everything up to the count-th line break counted from the marker at
// markerPos; a search that finds nothing starts the next one at the beginning.
QString tailAfterLineBreaks(QStringView text, qsizetype markerPos, int count)
{
    qsizetype lineBreak = lineBreakFrom(text, markerPos);
    for (int i = 1; i < count; ++i)
        lineBreak = lineBreakFrom(text, lineBreak >= 0 ? lineBreak + 1 : 0);
    return (lineBreak >= 0 ? text.mid(lineBreak) : text).toString();
}

} // namespace

bool hasEncodingStarted(QStringView output)
{
    return containsMarker(output, QLatin1String("press [q] to stop"));
}

bool hasUnknownFormat(QStringView text)
{
    return containsMarker(text, QLatin1String("Unknown format"))
           || containsMarker(text, QLatin1String("Invalid data found when processing input"));
}

bool hasEmptyOutput(QStringView output)
{
    if (containsMarker(output, QLatin1String("Output file is empty, nothing was encoded")))
        return true;
    const qsizetype outputSection = output.indexOf(QLatin1String("Output #"));
    if (outputSection < 0)
        return false;
    static const QRegularExpression videoStream(QStringLiteral(R"(Stream #\d+[:.]\d+[^\n]*: Video:)"));
    static const QRegularExpression noVideoBytes(QStringLiteral(R"((?:^|\s)video:0kB\s)"));
    static const QRegularExpression frameCount(QStringLiteral(R"(frame=\s*(\d+))"));
    const QString tail = output.mid(outputSection).toString();
    if (!videoStream.match(tail).hasMatch() || !noVideoBytes.match(tail).hasMatch())
        return false;
    // A frame or two of a still picture can round down to 0 kB; the frame
    // counter tells them apart from nothing at all.
    QString lastFrames;
    for (QRegularExpressionMatchIterator it = frameCount.globalMatch(tail); it.hasNext();)
        lastFrames = it.next().captured(1);
    return lastFrames.isEmpty() || lastFrames.toLongLong() == 0;
}

bool ranThrough(QStringView output, std::optional<int> exitCode)
{
    return hasEncodingStarted(output) && exitCode == 0 && !hasOutputWriteFailed(output) && !hasEmptyOutput(output);
}

std::optional<double> parseDuration(QStringView output)
{
    static const QRegularExpression pattern(QStringLiteral(R"(Duration:\s*(\d+:\d{1,2}:\d{1,2}(?:\.\d*)?))"));
    const QRegularExpressionMatch match = pattern.match(output);
    if (!match.hasMatch())
        return std::nullopt;
    const std::optional<double> seconds = parseElapsedSeconds(match.capturedView(1));
    if (!seconds || *seconds <= 0.0)
        return std::nullopt;
    return seconds;
}

bool hasOutputWriteFailed(QStringView output)
{
    return containsMarker(output, QLatin1String("Error writing trailer of"))
           || containsMarker(output, QLatin1String("Error closing file"));
}

TimeField findTimeField(QStringView chunk)
{
    TimeField field;
    const qsizetype start = chunk.indexOf(QLatin1String("time="), 0, Qt::CaseInsensitive);
    if (start < 0)
        return field;
    field.present = true;
    const qsizetype valueStart = start + 5;
    const qsizetype space = chunk.indexOf(QLatin1Char(' '), valueStart);
    if (space < 0)
        return field;
    field.complete = true;
    field.text = chunk.mid(valueStart, space - valueStart).toString();
    return field;
}

std::optional<double> parseElapsedSeconds(QStringView timeText)
{
    if (plainSecondsPattern().match(timeText).hasMatch()) {
        bool ok = false;
        const double seconds = timeText.toDouble(&ok);
        if (ok && std::isfinite(seconds))
            return seconds;
        return std::nullopt;
    }
    const QRegularExpressionMatch clock = clockPattern().match(timeText);
    if (!clock.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double hours = clock.capturedView(2).toDouble(&ok);
    const double minutes = clock.capturedView(3).toDouble();
    const double seconds = clock.capturedView(4).toDouble();
    if (!ok || minutes >= 60 || seconds >= 60)
        return std::nullopt;
    const double total = hours * 3600.0 + minutes * 60.0 + seconds;
    return clock.capturedView(1) == QLatin1String("-") ? -total : total;
}

std::optional<int> progressPercent(double elapsedSeconds, double lengthSeconds)
{
    if (!(lengthSeconds > 0.0) || !std::isfinite(elapsedSeconds) || elapsedSeconds < 0.0)
        return std::nullopt;
    const double percent = roundHalfEven(roundHalfEven(elapsedSeconds) / lengthSeconds * 100.0);
    if (!std::isfinite(percent) || percent < std::numeric_limits<qint16>::min()
        || percent > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<int>(percent);
}

QString secondsText(QStringView timeText)
{
    const QRegularExpressionMatch clock = clockPattern().match(timeText);
    if (!clock.hasMatch())
        return timeText.toString();
    const std::optional<double> seconds = parseElapsedSeconds(timeText);
    if (!seconds)
        return timeText.toString();
    const auto decimals = static_cast<int>(clock.capturedView(5).size());
    return QString::number(*seconds, 'f', decimals);
}

QString errorDetails(QStringView output)
{
    if (output.trimmed().isEmpty())
        return {};
    qsizetype pos = output.indexOf(QLatin1String("Stream mapping:"), 0, Qt::CaseInsensitive);
    if (pos >= 0)
        return tailAfterLineBreaks(output, pos, 3);
    pos = output.indexOf(QLatin1String("Input #"), 0, Qt::CaseInsensitive);
    if (pos >= 0)
        return tailAfterLineBreaks(output, pos, 4);
    const qsizetype builtOn = output.indexOf(QLatin1String("built on"), 0, Qt::CaseInsensitive);
    const qsizetype builtWith = output.indexOf(QLatin1String("built with"), 0, Qt::CaseInsensitive);
    if (builtOn >= 0 && (builtWith < 0 || builtOn < builtWith))
        pos = builtOn;
    else
        pos = builtWith;
    if (pos >= 0)
        return tailAfterLineBreaks(output, pos, 1);
    return {};
}

QString shortenForMessage(QStringView details, int maxLines, int maxLineLength)
{
    const QList<QStringView> lines = details.split(QLatin1Char('\n'));
    const auto tooLong = [maxLineLength](QStringView line) { return line.size() > maxLineLength; };
    if (lines.size() <= maxLines && std::none_of(lines.cbegin(), lines.cend(), tooLong))
        return details.toString();

    const auto cut = [&](QStringView line) {
        return tooLong(line) ? line.first(maxLineLength).toString() + QStringLiteral("...") : line.toString();
    };
    QStringList shown;
    if (lines.size() <= maxLines) {
        for (const QStringView line : lines)
            shown += cut(line);
        return shown.join(QLatin1Char('\n'));
    }
    const qsizetype head = maxLines / 2;
    const qsizetype tail = maxLines - head - 1;
    for (qsizetype i = 0; i < head; ++i)
        shown += cut(lines.at(i));
    shown += QStringLiteral("[... %1 lines left out ...]").arg(lines.size() - head - tail);
    for (qsizetype i = lines.size() - tail; i < lines.size(); ++i)
        shown += cut(lines.at(i));
    return shown.join(QLatin1Char('\n'));
}

} // namespace EncoderOutput
