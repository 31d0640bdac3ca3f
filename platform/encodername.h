#pragma once

#include <QString>

// The encoder's file name in the program folder on this platform.
inline QString encoderExecutableName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("ffmpeg.exe");
#else
    return QStringLiteral("ffmpeg");
#endif
}
