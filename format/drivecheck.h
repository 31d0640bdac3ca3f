#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class MessageSink;

// One line of /proc/self/mountinfo, with the octal escapes undone.
struct MountEntry
{
    QString mountPoint;
    QString fsType;
    QString source;
};

// The facts about the mount that holds a folder.
struct FolderMount
{
    QString fsType;
    QString source;
    QString mountPoint;
    bool removable = false; // the device is removable media or sits on USB
};

// Answers which mount holds a folder. SystemMountLookup asks the kernel; tests
// give fixed answers.
class MountLookup
{
public:
    virtual ~MountLookup() = default;
    // Empty when the folder's mount cannot be found.
    virtual std::optional<FolderMount> mountOf(const QString &folder) const = 0;
};

class SystemMountLookup final : public MountLookup
{
public:
    std::optional<FolderMount> mountOf(const QString &folder) const override;
};

enum class DriveKind { FixedLocal, Network, Optical, Ram, Removable, System, NotAbsolute, Unknown };

inline const QString kBadDriveMessage = QStringLiteral("You can't choose this drive!");

QList<MountEntry> ParseMountInfo(const QByteArray &text);

// The entry whose mount point is the longest leading path of absolutePath
// (whole components only), later entries winning over earlier ones that mount
// on the same point.
std::optional<MountEntry> MountOfPath(const QList<MountEntry> &mounts, const QString &absolutePath);

// What kind of drive a mount is. Network file systems (also fuse ones and any
// host:/share source), optical, RAM, kernel pseudo file systems and removable
// media are not fixed local disks.
DriveKind ClassifyMount(const FolderMount &mount);

DriveKind ClassifyFolderDrive(const QString &folder, const MountLookup &lookup);

// For a folder the user browsed to: the text for txtOutPath when the folder
// lies on a fixed local disk; otherwise the refusal "You can't choose this
// drive!" (warning icon) and nothing. An empty folder (cancelled) gives
// nothing and no message.
std::optional<QString> AcceptBrowsedFolder(const QString &folder, const MountLookup &lookup, MessageSink &sink);
