#pragma once

#include <QFileInfo>
#include <QString>
#include <QStringList>

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

// Removes the least recently used files of folders (not their subfolders) until they hold
// maxBytes at most together; keep, when given, is never removed. Returns the bytes left.
qint64 prune(const QStringList &folders, qint64 maxBytes, const QString &keep = {});

} // namespace CacheFolder
