#pragma once

#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <functional>

class QDataStream;

// The files kept per video in the user's cache folder (frame indexes, timelines): how they are
// named, and the bound on what they take together.
namespace CacheFolder {

// What the cache holds at most; the least recently used files go first.
inline constexpr qint64 kMostBytes = 200LL * 1024 * 1024;

// A name for file from its path, size and modification time, so that a changed or replaced
// file finds nothing kept for it.
QString fileKey(const QFileInfo &file);

// Marks a kept file as used now, so that the bound removes it last.
void touch(const QString &path);

// Writes a kept file whole or not at all: a header of magic and version, then what body
// writes. Makes the folder the path lies in.
bool write(const QString &path, quint32 magic, quint32 version, const std::function<void(QDataStream &)> &body);

// Reads a kept file whose header is magic and version: body reads the rest, given the file's
// size to bound what it allocates, and says whether it made sense. False as well when the
// file is missing, or body left bytes unread or read past the end; on success the file
// counts as used now.
bool read(const QString &path, quint32 magic, quint32 version,
          const std::function<bool(QDataStream &, qint64 size)> &body);

// Removes the least recently used files of folders (not their subfolders) until they hold
// maxBytes at most together; keep, when given, is never removed. Returns the bytes left.
qint64 prune(const QStringList &folders, qint64 maxBytes, const QString &keep = {});

} // namespace CacheFolder
