#include "cachefolder.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <vector>

namespace CacheFolder {

QString fileKey(const QFileInfo &file)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(file.absoluteFilePath().toUtf8());
    hash.addData(QByteArray::number(file.size()));
    hash.addData(QByteArray::number(file.lastModified().toMSecsSinceEpoch()));
    return QString::fromLatin1(hash.result().toHex());
}

void touch(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
}

qint64 prune(const QStringList &folders, qint64 maxBytes, const QString &keep)
{
    std::vector<QFileInfo> files;
    qint64 total = 0;
    for (const QString &folder : folders) {
        const QFileInfoList found = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden);
        for (const QFileInfo &file : found) {
            total += file.size();
            files.push_back(file);
        }
    }
    if (total <= maxBytes)
        return total;
    // Oldest first; a name breaks ties so that the order does not depend on the listing's.
    std::sort(files.begin(), files.end(), [](const QFileInfo &a, const QFileInfo &b) {
        const qint64 ta = a.lastModified().toMSecsSinceEpoch(), tb = b.lastModified().toMSecsSinceEpoch();
        return ta != tb ? ta < tb : a.absoluteFilePath() < b.absoluteFilePath();
    });
    const QString kept = keep.isEmpty() ? QString() : QFileInfo(keep).absoluteFilePath();
    for (const QFileInfo &file : files) {
        if (total <= maxBytes)
            break;
        if (file.absoluteFilePath() == kept)
            continue;
        if (QFile::remove(file.absoluteFilePath()))
            total -= file.size();
    }
    return total;
}

} // namespace CacheFolder
