#pragma once

#include <QString>
#include <QUrl>

// Opens files and web pages with the program the desktop has for them. The
// window uses SystemDesktopServices; tests record the calls instead.
class DesktopServices
{
public:
    virtual ~DesktopServices() = default;
    // True when the desktop took the URL (it started a program for it).
    virtual bool openUrl(const QUrl &url) = 0;
    // False only when the desktop is known to have no program for this URL;
    // true when it has one or cannot tell.
    virtual bool canOpen(const QUrl &url) const
    {
        Q_UNUSED(url);
        return true;
    }
};

// QDesktopServices. On a freedesktop system an opener such as xdg-open is
// started for any file, handler or not, so canOpen asks the MIME defaults
// (xdg-mime) first.
class SystemDesktopServices final : public DesktopServices
{
public:
    bool openUrl(const QUrl &url) override;
    bool canOpen(const QUrl &url) const override;
};

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
