#include "helpopener.h"

#include <QDir>
#include <QFileInfo>

QUrl LinkUrl(const QString &programDir, const QString &link)
{
    const QUrl url(link);
    if (url.scheme() == u"http" || url.scheme() == u"https")
        return url;
    return QUrl::fromLocalFile(QDir(programDir).filePath(link));
}

void OpenHelp(const QString &programDir, DesktopServices &desktop)
{
    const QString chm = QDir(programDir).filePath(kHelpFileName);
    if (QFileInfo(chm).isFile()) {
        const QUrl chmUrl = QUrl::fromLocalFile(chm);
        if (desktop.canOpen(chmUrl) && desktop.openUrl(chmUrl))
            return;
    }
    desktop.openUrl(QUrl::fromLocalFile(QDir(programDir).filePath(kHelpPagesFolder + u'/' + kHelpStartPage)));
}

void OpenLink(const QString &programDir, const QString &link, DesktopServices &desktop)
{
    desktop.openUrl(LinkUrl(programDir, link));
}
