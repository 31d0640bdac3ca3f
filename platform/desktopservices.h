#pragma once

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
// (xdg-mime) first. Lives in snipora_platform_desktop.
class SystemDesktopServices final : public DesktopServices
{
public:
    bool openUrl(const QUrl &url) override;
    bool canOpen(const QUrl &url) const override;
};
