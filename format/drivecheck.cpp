#include "drivecheck.h"

#include "messagesink.h"

#include <QCoreApplication>
#include <QDir>
#include <QSet>

namespace {

// A source naming another machine: host:/export, //server/share, scheme://...
bool isRemoteSource(const QString &source)
{
    if (source.startsWith(u"//") || source.contains(u"://"))
        return true;
    const qsizetype colon = source.indexOf(u':');
    return colon > 0 && !source.startsWith(u'/') && colon + 1 < source.size() && source.at(colon + 1) == u'/';
}

} // namespace

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
    if (mount.removable || IsUnderMountPoint(mount.mountPoint, QStringLiteral("/media"))
        || IsUnderMountPoint(mount.mountPoint, QStringLiteral("/run/media")))
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
        sink.showMessage(QCoreApplication::translate("DriveCheck", kBadDriveMessage), MessageIcon::Warning, kAppTitle);
        return std::nullopt;
    }
    return folder;
}
