#pragma once

#include "mountlookup.h"

#include <QString>

#include <optional>

class MessageSink;

// Which folders may take the output. The mount facts come from a MountLookup
// (platform/mountlookup.h).

enum class DriveKind { FixedLocal, Network, Optical, Ram, Removable, System, NotAbsolute, Unknown };

inline constexpr char kBadDriveMessage[] = QT_TRANSLATE_NOOP("DriveCheck", "You can't choose this drive!"); // translated when shown

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
