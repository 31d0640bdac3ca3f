#include "mountlookup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// mountinfo writes space, tab, newline and backslash as \ooo.
QString unescapeMountField(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(char(code));
                i += 3;
                continue;
            }
        }
        out.append(field.at(i));
    }
    return QString::fromUtf8(out);
}

QString readSysFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll()).trimmed();
}

// Removable media: the disk says so, or it hangs off a USB bus.
bool isRemovableDevice(const QString &source)
{
    if (!source.startsWith(u"/dev/"))
        return false;
    const QString device = QFileInfo(source).canonicalFilePath();
    const QString name = QFileInfo(device.isEmpty() ? source : device).fileName();
    const QString sysPath = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    if (sysPath.isEmpty())
        return false;
    if (sysPath.contains(u"/usb"))
        return true;
    // A partition's removable flag lives on its disk, one level up.
    return readSysFile(sysPath + QStringLiteral("/removable")) == u"1"
           || readSysFile(sysPath + QStringLiteral("/../removable")) == u"1";
}

} // namespace

bool IsUnderMountPoint(const QString &absolutePath, const QString &mountPoint)
{
    if (mountPoint == u"/")
        return absolutePath.startsWith(u'/');
    return absolutePath == mountPoint || absolutePath.startsWith(mountPoint + u'/');
}

QList<MountEntry> ParseMountInfo(const QByteArray &text)
{
    QList<MountEntry> mounts;
    for (const QByteArray &line : text.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        // id parent major:minor root mountpoint options [optional...] - type source superoptions
        const qsizetype separator = fields.indexOf("-");
        if (fields.size() < 5 || separator < 5 || separator + 2 >= fields.size())
            continue;
        mounts.append({unescapeMountField(fields.at(4)), unescapeMountField(fields.at(separator + 1)),
                       unescapeMountField(fields.at(separator + 2))});
    }
    return mounts;
}

std::optional<MountEntry> MountOfPath(const QList<MountEntry> &mounts, const QString &absolutePath)
{
    std::optional<MountEntry> best;
    for (const MountEntry &mount : mounts) {
        if (IsUnderMountPoint(absolutePath, mount.mountPoint)
            && (!best || mount.mountPoint.size() >= best->mountPoint.size()))
            best = mount;
    }
    return best;
}

std::optional<FolderMount> SystemMountLookup::mountOf(const QString &folder) const
{
    // Resolve links first: the mount that matters is where the folder really is.
    QString path = QDir::cleanPath(folder);
    while (!path.isEmpty() && !QFileInfo::exists(path) && path != u"/")
        path = QFileInfo(path).path();
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty())
        return std::nullopt;

    QFile mountInfo(QStringLiteral("/proc/self/mountinfo"));
    if (!mountInfo.open(QIODevice::ReadOnly))
        return std::nullopt;
    const std::optional<MountEntry> mount = MountOfPath(ParseMountInfo(mountInfo.readAll()), canonical);
    if (!mount)
        return std::nullopt;
    return FolderMount{mount->fsType, mount->source, mount->mountPoint, isRemovableDevice(mount->source)};
}
