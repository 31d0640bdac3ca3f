#include "encodercommand.h"

#include "encodername.h"

#include <QDir>

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

QString encoderPath(const QString &sProgramDir)
{
    // An empty folder means the current one, never a search of PATH.
    QString dir = sProgramDir.isEmpty() ? QStringLiteral(".") : QDir::cleanPath(sProgramDir);
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return QDir::toNativeSeparators(dir + encoderFileName());
}

QString conversionCommandLine(const QString &sProgramDir, const QString &sInputFile,
                              const QString &sParameters, const QString &sOutputFile)
{
    return quoteArgument(encoderPath(sProgramDir)) + QLatin1String(" -i ") + quoteArgument(sInputFile)
           + QLatin1Char(' ') + sParameters + QLatin1Char(' ') + quoteArgument(sOutputFile);
}

QString probeCommandLine(const QString &sProgramDir, const QString &sMediaFile)
{
    return quoteArgument(encoderPath(sProgramDir)) + QLatin1String(" -i ") + quoteArgument(sMediaFile);
}

} // namespace EncoderCommand
