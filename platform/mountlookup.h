#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The facts about the mount that holds a folder.
struct FolderMount
{
    QString fsType;
    QString source;
    QString mountPoint;
    bool removable = false; // the device is removable media or sits on USB
};

// Answers which mount holds a folder. SystemMountLookup asks the kernel; tests
// give fixed answers. What the answer means for the output folder is
// drivecheck.h's business (format/).
class MountLookup
{
public:
    virtual ~MountLookup() = default;
    // Empty when the folder's mount cannot be found.
    virtual std::optional<FolderMount> mountOf(const QString &folder) const = 0;
};

// /proc/self/mountinfo, after resolving links; empty where there is no such
// table (Windows).
class SystemMountLookup final : public MountLookup
{
public:
    std::optional<FolderMount> mountOf(const QString &folder) const override;
};

// One line of /proc/self/mountinfo, with the octal escapes undone.
struct MountEntry
{
    QString mountPoint;
    QString fsType;
    QString source;
};

QList<MountEntry> ParseMountInfo(const QByteArray &text);

// Whether absolutePath is mountPoint or lies below it, by whole components.
bool IsUnderMountPoint(const QString &absolutePath, const QString &mountPoint);

// The entry whose mount point is the longest leading path of absolutePath
// (whole components only), later entries winning over earlier ones that mount
// on the same point.
std::optional<MountEntry> MountOfPath(const QList<MountEntry> &mounts, const QString &absolutePath);
