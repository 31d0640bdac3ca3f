#include "desktopservices.h"

#include <QDesktopServices>
#include <QMimeDatabase>
#include <QProcess>

namespace {

// xdg-mime answers from local files; a hung one must not freeze the window.
constexpr int kMimeQueryTimeoutMs = 3000;

} // namespace

bool SystemDesktopServices::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

bool SystemDesktopServices::canOpen(const QUrl &url) const
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
    if (!url.isLocalFile())
        return true;
    const QString mimeType = QMimeDatabase().mimeTypeForFile(url.toLocalFile()).name();
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForFinished(kMimeQueryTimeoutMs)) {
        query.kill();
        query.waitForFinished();
        return true; // not there, or no answer: cannot tell
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return true;
    // An empty answer is xdg-mime's way of saying there is no default program.
    return !query.readAllStandardOutput().trimmed().isEmpty();
#else
    Q_UNUSED(url);
    return true;
#endif
}
