#include "cachefolder.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>

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

bool write(const QString &path, quint32 magic, quint32 version, const std::function<void(QDataStream &)> &body)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    QDataStream stream(&out);
    stream << magic << version;
    body(stream);
    return stream.status() == QDataStream::Ok && out.commit();
}

bool read(const QString &path, quint32 magic, quint32 version,
          const std::function<bool(QDataStream &, qint64 size)> &body)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QDataStream stream(&in);
    quint32 foundMagic = 0, foundVersion = 0;
    stream >> foundMagic >> foundVersion;
    if (foundMagic != magic || foundVersion != version || !body(stream, in.size())
        || stream.status() != QDataStream::Ok || !stream.atEnd())
        return false;
    in.close();
    touch(path);
    return true;
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
