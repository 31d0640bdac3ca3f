#pragma once

#include <QString>
#include <QStringView>

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

// The conversion command: encoder -i "input" <parameters verbatim> "output".
QString conversionCommandLine(const QString &sProgramDir, const QString &sInputFile,
                              const QString &sParameters, const QString &sOutputFile);

// The probe command: encoder -i "file", nothing else; the encoder then describes
// the input (or says it cannot read it) and stops for want of an output.
QString probeCommandLine(const QString &sProgramDir, const QString &sMediaFile);

} // namespace EncoderCommand
