#include "drivecheck.h"

#include "messagesink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

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

bool isUnder(const QString &path, const QString &mountPoint)
{
    if (mountPoint == u"/")
        return path.startsWith(u'/');
    return path == mountPoint || path.startsWith(mountPoint + u'/');
}

// A source naming another machine: host:/export, //server/share, scheme://...
bool isRemoteSource(const QString &source)
{
    if (source.startsWith(u"//") || source.contains(u"://"))
        return true;
    const qsizetype colon = source.indexOf(u':');
    return colon > 0 && !source.startsWith(u'/') && colon + 1 < source.size() && source.at(colon + 1) == u'/';
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
        if (isUnder(absolutePath, mount.mountPoint)
            && (!best || mount.mountPoint.size() >= best->mountPoint.size()))
            best = mount;
    }
    return best;
}

DriveKind ClassifyMount(const FolderMount &mount)
{
    static const QSet<QString> network{
        QStringLiteral("nfs"),       QStringLiteral("nfs4"),       QStringLiteral("cifs"),
        QStringLiteral("smb3"),      QStringLiteral("smbfs"),      QStringLiteral("ncpfs"),
        QStringLiteral("afs"),       QStringLiteral("9p"),         QStringLiteral("ceph"),
        QStringLiteral("glusterfs"), QStringLiteral("lustre"),     QStringLiteral("davfs"),
        QStringLiteral("coda"),      QStringLiteral("sshfs"),      QStringLiteral("gfs2"),
        QStringLiteral("ocfs2"),     QStringLiteral("orangefs"),   QStringLiteral("beegfs")};
    // Fuse file systems that reach other machines (the subtype after "fuse.").
    static const QSet<QString> networkFuse{
        QStringLiteral("sshfs"),      QStringLiteral("rclone"),   QStringLiteral("s3fs"),
        QStringLiteral("gcsfuse"),    QStringLiteral("curlftpfs"), QStringLiteral("davfs2"),
        QStringLiteral("gvfsd-fuse"), QStringLiteral("glusterfs"), QStringLiteral("cephfs"),
        QStringLiteral("ceph-fuse"),  QStringLiteral("goofys"),   QStringLiteral("smbnetfs"),
        QStringLiteral("kio-fuse"),   QStringLiteral("onedriver"), QStringLiteral("google-drive-ocamlfuse")};
    static const QSet<QString> optical{QStringLiteral("iso9660"), QStringLiteral("udf")};
    static const QSet<QString> ram{QStringLiteral("tmpfs"), QStringLiteral("ramfs")};
    static const QSet<QString> system{
        QStringLiteral("proc"),      QStringLiteral("sysfs"),     QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),    QStringLiteral("cgroup"),    QStringLiteral("cgroup2"),
        QStringLiteral("securityfs"), QStringLiteral("debugfs"),  QStringLiteral("tracefs"),
        QStringLiteral("pstore"),    QStringLiteral("bpf"),       QStringLiteral("mqueue"),
        QStringLiteral("hugetlbfs"), QStringLiteral("configfs"),  QStringLiteral("fusectl"),
        QStringLiteral("autofs"),    QStringLiteral("binfmt_misc"), QStringLiteral("efivarfs"),
        QStringLiteral("squashfs"),  QStringLiteral("nsfs")};

    const QString type = mount.fsType.toLower();
    const QString fuseSubtype = type.startsWith(u"fuse.") ? type.mid(5) : QString();
    if (network.contains(type) || networkFuse.contains(fuseSubtype) || isRemoteSource(mount.source))
        return DriveKind::Network;
    if (optical.contains(type))
        return DriveKind::Optical;
    if (ram.contains(type))
        return DriveKind::Ram;
    if (system.contains(type))
        return DriveKind::System;
    // Desktop automounters put removable media under /media or /run/media.
    if (mount.removable || isUnder(mount.mountPoint, QStringLiteral("/media"))
        || isUnder(mount.mountPoint, QStringLiteral("/run/media")))
        return DriveKind::Removable;
    return DriveKind::FixedLocal;
}

DriveKind ClassifyFolderDrive(const QString &folder, const MountLookup &lookup)
{
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder))
        return DriveKind::NotAbsolute;
    const std::optional<FolderMount> mount = lookup.mountOf(folder);
    if (!mount)
        return DriveKind::Unknown;
    return ClassifyMount(*mount);
}

std::optional<QString> AcceptBrowsedFolder(const QString &folder, const MountLookup &lookup, MessageSink &sink)
{
    if (folder.isEmpty())
        return std::nullopt;
    if (ClassifyFolderDrive(folder, lookup) != DriveKind::FixedLocal) {
        sink.showMessage(kBadDriveMessage, MessageIcon::Warning, kAppTitle);
        return std::nullopt;
    }
    return folder;
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
