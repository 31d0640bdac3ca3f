#include "drivecheck.h"

#include "recordingmessagesink.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

class FakeMountLookup final : public MountLookup
{
public:
    std::optional<FolderMount> mountOf(const QString &folder) const override
    {
        asked.append(folder);
        return answer;
    }

    std::optional<FolderMount> answer;
    mutable QStringList asked;
};

QList<MountEntry> sampleMounts()
{
    QFile file(QFINDTESTDATA("data/mountinfo.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return ParseMountInfo(file.readAll());
}

} // namespace

class TestDriveCheck final : public QObject
{
    Q_OBJECT

private slots:
    void parseMountInfo();
    void mountOfPath_data();
    void mountOfPath();
    void classify_data();
    void classify();
    void browsedFolder_data();
    void browsedFolder();
    void systemLookup();
};

void TestDriveCheck::parseMountInfo()
{
    const QList<MountEntry> mounts = sampleMounts();
    QCOMPARE(mounts.size(), 11); // the broken line is dropped
    QCOMPARE(mounts.at(1).mountPoint, QStringLiteral("/"));
    QCOMPARE(mounts.at(1).fsType, QStringLiteral("ext4"));
    QCOMPARE(mounts.at(1).source, QStringLiteral("/dev/vda"));
    // Octal escape and optional fields before the "-" separator.
    QCOMPARE(mounts.at(3).mountPoint, QStringLiteral("/media/ann/USB STICK"));
    QCOMPARE(mounts.at(4).fsType, QStringLiteral("nfs4"));
    QCOMPARE(mounts.at(4).source, QStringLiteral("nas.local:/export/video"));
}

void TestDriveCheck::mountOfPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("mountPoint");
    QTest::addColumn<QString>("fsType");

    QTest::newRow("root file system") << "/srv/videos" << "/" << "ext4";
    QTest::newRow("the mount point itself") << "/mnt/nas" << "/mnt/nas" << "nfs4";
    QTest::newRow("whole components only") << "/mnt/nasty" << "/" << "ext4";
    QTest::newRow("deepest mount wins") << "/home/ann/data/clips" << "/home/ann/data" << "btrfs";
    QTest::newRow("later mount over the same point wins") << "/home/bob" << "/home" << "xfs";
    QTest::newRow("escaped name") << "/media/ann/USB STICK/DCIM" << "/media/ann/USB STICK" << "vfat";
}

void TestDriveCheck::mountOfPath()
{
    QFETCH(QString, path);
    QFETCH(QString, mountPoint);
    QFETCH(QString, fsType);

    const std::optional<MountEntry> mount = MountOfPath(sampleMounts(), path);
    QVERIFY(mount.has_value());
    QCOMPARE(mount->mountPoint, mountPoint);
    QCOMPARE(mount->fsType, fsType);
}

void TestDriveCheck::classify_data()
{
    QTest::addColumn<QString>("fsType");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("mountPoint");
    QTest::addColumn<bool>("removable");
    QTest::addColumn<DriveKind>("kind");

    QTest::newRow("ext4 disk") << "ext4" << "/dev/sda2" << "/home" << false << DriveKind::FixedLocal;
    QTest::newRow("btrfs disk") << "btrfs" << "/dev/nvme0n1p2" << "/" << false << DriveKind::FixedLocal;
    QTest::newRow("ntfs through fuseblk") << "fuseblk" << "/dev/sda5" << "/mnt/win" << false << DriveKind::FixedLocal;
    QTest::newRow("container overlay") << "overlay" << "overlay" << "/" << false << DriveKind::FixedLocal;
    QTest::newRow("nfs") << "nfs" << "nas:/export" << "/mnt/nas" << false << DriveKind::Network;
    QTest::newRow("nfs4") << "nfs4" << "nas:/" << "/mnt/nas" << false << DriveKind::Network;
    QTest::newRow("cifs") << "cifs" << "//server/share" << "/mnt/share" << false << DriveKind::Network;
    QTest::newRow("smb3") << "smb3" << "//server/share" << "/mnt/share" << false << DriveKind::Network;
    QTest::newRow("sshfs") << "fuse.sshfs" << "ann@host:/srv" << "/home/ann/r" << false << DriveKind::Network;
    QTest::newRow("rclone") << "fuse.rclone" << "drive:" << "/home/ann/cloud" << false << DriveKind::Network;
    QTest::newRow("gvfs") << "fuse.gvfsd-fuse" << "gvfsd-fuse" << "/run/user/1000/gvfs" << false
                          << DriveKind::Network;
    QTest::newRow("unknown fuse with a remote source") << "fuse.other" << "host:/data" << "/mnt/x" << false
                                                       << DriveKind::Network;
    QTest::newRow("webdav url source") << "fuse" << "https://dav.example/files" << "/mnt/dav" << false
                                       << DriveKind::Network;
    QTest::newRow("optical iso9660") << "iso9660" << "/dev/sr0" << "/mnt/cdrom" << false << DriveKind::Optical;
    QTest::newRow("optical udf") << "udf" << "/dev/sr0" << "/mnt/dvd" << false << DriveKind::Optical;
    QTest::newRow("tmpfs") << "tmpfs" << "tmpfs" << "/tmp" << false << DriveKind::Ram;
    QTest::newRow("ramfs") << "ramfs" << "ramfs" << "/mnt/ram" << false << DriveKind::Ram;
    QTest::newRow("proc") << "proc" << "proc" << "/proc" << false << DriveKind::System;
    QTest::newRow("removable device") << "vfat" << "/dev/sdb1" << "/mnt/stick" << true << DriveKind::Removable;
    QTest::newRow("automounted media") << "exfat" << "/dev/sdc1" << "/media/ann/CARD" << false
                                       << DriveKind::Removable;
    QTest::newRow("udisks media") << "ext4" << "/dev/sdc1" << "/run/media/ann/Disk" << false
                                  << DriveKind::Removable;
    QTest::newRow("a folder named mediaplayer is not media") << "ext4" << "/dev/sda1" << "/mediaplayer" << false
                                                             << DriveKind::FixedLocal;
}

void TestDriveCheck::classify()
{
    QFETCH(QString, fsType);
    QFETCH(QString, source);
    QFETCH(QString, mountPoint);
    QFETCH(bool, removable);
    QFETCH(DriveKind, kind);
    QCOMPARE(ClassifyMount({fsType, source, mountPoint, removable}), kind);
}

void TestDriveCheck::browsedFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<std::optional<FolderMount>>("mount");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("refused"); // the message is shown

    const FolderMount disk{"ext4", "/dev/sda2", "/home", false};
    QTest::newRow("local disk") << "/home/ann/Videos" << std::optional(disk) << true << false;
    QTest::newRow("cancelled") << QString() << std::optional(disk) << false << false;
    QTest::newRow("relative path") << "Videos" << std::optional(disk) << false << true;
    QTest::newRow("windows-style network path") << "\\\\server\\share" << std::optional(disk) << false << true;
    QTest::newRow("network") << "/mnt/nas" << std::optional(FolderMount{"nfs", "nas:/", "/mnt/nas", false}) << false
                             << true;
    QTest::newRow("removable") << "/mnt/stick" << std::optional(FolderMount{"vfat", "/dev/sdb1", "/mnt/stick", true})
                               << false << true;
    QTest::newRow("mount unknown") << "/home/ann" << std::optional<FolderMount>() << false << true;
}

void TestDriveCheck::browsedFolder()
{
    QFETCH(QString, folder);
    QFETCH(std::optional<FolderMount>, mount);
    QFETCH(bool, accepted);
    QFETCH(bool, refused);

    FakeMountLookup lookup;
    lookup.answer = mount;
    RecordingMessageSink sink;
    const std::optional<QString> result = AcceptBrowsedFolder(folder, lookup, sink);
    QCOMPARE(result, accepted ? std::optional(folder) : std::nullopt);
    QCOMPARE(sink.messages.size(), refused ? 1 : 0);
    if (refused) {
        QCOMPARE(sink.messages.first().text, QStringLiteral("You can't choose this drive!"));
        QCOMPARE(sink.messages.first().icon, MessageIcon::Warning);
        QCOMPARE(sink.messages.first().title, QStringLiteral("Snipora"));
    }
}

void TestDriveCheck::systemLookup()
{
    SystemMountLookup lookup;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A folder not made yet is looked up through its nearest existing parent.
    const std::optional<FolderMount> mount = lookup.mountOf(dir.filePath("not/yet"));
    QVERIFY(mount.has_value());
    QVERIFY(!mount->fsType.isEmpty());
    QVERIFY(dir.path().startsWith(mount->mountPoint) || mount->mountPoint == u"/");
    QCOMPARE(ClassifyFolderDrive(QStringLiteral("/proc/self"), lookup), DriveKind::System);
}

QTEST_APPLESS_MAIN(TestDriveCheck)
#include "tst_drivecheck.moc"
