#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// Building the encoder's command line. The command line stays one text; the
// runner splits it with QProcess::splitCommand's rules (whitespace separates,
// double quotes group, three double quotes in a row give one literal quote).
namespace EncoderCommand {

// The encoder's file name on this platform ("ffmpeg", or "ffmpeg.exe" on Windows).
QString encoderFileName();

// Wraps text in double quotes so that the splitter gives it back as exactly
// one argument, unchanged: spaces, quotes, non-ASCII and a leading '-' included.
// An empty text cannot survive the splitter as an argument; it gives "".
QString quoteArgument(QStringView text);

// The encoder's full path in the program folder, with the platform's separators.
// A trailing separator on sProgramDir is tolerated.
QString encoderPath(const QString &sProgramDir);

// The prober's (ffprobe's) full path, beside the encoder in the program folder.
QString proberPath(const QString &sProgramDir);

// The conversion command: encoder -i "input" <parameters verbatim> "output".
QString conversionCommandLine(const QString &sProgramDir, const QString &sInputFile,
                              const QString &sParameters, const QString &sOutputFile);
// The same for options that open their inputs themselves: encoder <parameters> "output".
QString ownInputsCommandLine(const QString &sProgramDir, const QString &sParameters, const QString &sOutputFile);

// The cut's command. The options end with the cut's " -ss S -t L" (and the
// " -y" the window adds). Normally they go verbatim after the input, as above:
// the encoder then decodes everything before S and throws it away. With
// bFastSeek, or when the options copy the video stream, the start option moves
// before the input instead (encoder -ss S -i "input" <the rest> "output"), so
// the encoder jumps to S: much faster late in a long file, and the only way a
// stream copy keeps the picture between S and the next keyframe. A start
// option that cannot be moved (see takeStartOption) leaves the command as above.
QString conversionCommandLine(const QString &sProgramDir, const QString &sInputFile,
                              const QString &sParameters, const QString &sOutputFile, bool bFastSeek);

// One argument of an option string as the runner's splitter reads it, and the
// part of the string it came from (quotes included; end is exclusive).
struct OptionToken
{
    QString text;
    qsizetype begin = 0;
    qsizetype end = 0;
};
// The arguments QProcess::splitCommand gives for sOptions, with their places.
QList<OptionToken> optionTokens(QStringView sOptions);

// True when the options copy the video stream: an argument "-c", "-c:v",
// "-vcodec" or "-codec" directly followed by the argument "copy".
bool copiesVideoStream(QStringView sParameters);

// The cut's start taken out of an option string, to go before the input.
struct StartOption
{
    QString start;   // the seconds, as written
    QString options; // the option string without " -ss S", otherwise unchanged
};
// Empty, so that the options stay as they are, when there is no "-ss" argument,
// more than one, or its value is not plain seconds (ASCII digits, optionally a
// decimal point and more digits): anything else is not ours to move.
std::optional<StartOption> takeStartOption(QStringView sParameters);

// Whether conversionCommandLine puts the start before the input.
bool seeksBeforeInput(QStringView sParameters, bool bFastSeek);

// The exact cut's command, for options that end with exact marks (see the
// exact AssembleParamaters). Without bFastSeek, or for options that copy the
// video stream, the same as conversionCommandLine. A fast seek jumps to
// kExactPrerollMilliseconds before the start, and the options, start
// included, stay after the input with the input's times kept from the file's
// start: encoder -ss J -copyts -start_at_zero -i "input" <options> "output".
// Where the container has no keyframe index (MPEG program and transport
// streams), the jump lands near J itself and the decoder drops the frames up
// to the next keyframe; the pre-roll leaves room for that. The encoder then
// also mends the times it sees after the jump and moves the time line by
// frames, which the kept times prevent. A start within the pre-roll gives the
// command without fast seek.
inline constexpr qint64 kExactPrerollMilliseconds = 10000;
QString exactConversionCommandLine(const QString &sProgramDir, const QString &sInputFile,
                                   const QString &sParameters, const QString &sOutputFile, bool bFastSeek);

// The encoder's usual channel layout for a channel count ("mono", "stereo",
// "5.1" for 6, "7.1" for 8, ...), the one it assumes for sound that carries
// no layout; empty for a count it has none for.
QString usualChannelLayout(int channels);

// A filter for sound of this many channels that carries no layout: it labels
// the channels with the usual layout, in their order, without mixing them
// ("aformat=channel_layouts=5.1"). Some encoders, AAC among them, refuse
// channels without a layout. It can end an "-af" chain or stand alone as
// "-filter:a:N <filter>"; an "-ac" after it still mixes down. Empty when the
// count has no usual layout.
QString unknownLayoutFilter(int channels);

// The probe command: encoder -i "file", nothing else; the encoder then describes
// the input (or says it cannot read it) and stops for want of an output.
QString probeCommandLine(const QString &sProgramDir, const QString &sMediaFile);

} // namespace EncoderCommand
