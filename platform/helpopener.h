#pragma once

#include "desktopservices.h"

#include <QString>
#include <QUrl>

// The help file and the About panel's links, opened through DesktopServices.
inline const QString kHelpFileName = QStringLiteral("Help.chm");
// The help pages in the program folder, for the browser.
inline const QString kHelpPagesFolder = QStringLiteral("help");
inline const QString kHelpStartPage = QStringLiteral("index.html");

// The About panel's links: lblFFmpeg opens the encoder project's home page,
// lblWebSite our own page, which lives in the program folder since there is no
// web site; program-folder-relative links are resolved by LinkUrl.
inline const QString kFFmpegHomePage = QStringLiteral("https://ffmpeg.org/");
inline const QString kMakerHomePage = QStringLiteral("help/about.html");

// A web address as it stands; anything else is a path relative to programDir,
// as a local file URL.
QUrl LinkUrl(const QString &programDir, const QString &link);

// Help: programDir/Help.chm through the desktop; when that file is missing or
// the desktop has no program for it, programDir/help/index.html in the
// browser instead. Shows no message either way.
void OpenHelp(const QString &programDir, DesktopServices &desktop);

// A link label's click: LinkUrl through the desktop, no message on failure.
void OpenLink(const QString &programDir, const QString &link, DesktopServices &desktop);
