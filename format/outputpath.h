#pragma once

#include <QString>

class MessageSink;

// The file-system questions output naming asks. The real one is
// LocalFileSystem; tests swap in fakes to simulate thousands of taken names.
class OutputFileSystem
{
public:
    virtual ~OutputFileSystem() = default;
    virtual bool folderExists(const QString &path) const = 0;
    // Creates one folder level (the parent must exist). False on failure.
    virtual bool createFolder(const QString &path) = 0;
    // True when a file (not a folder) takes this name.
    virtual bool fileExists(const QString &path) const = 0;
};

class LocalFileSystem final : public OutputFileSystem
{
public:
    bool folderExists(const QString &path) const override;
    bool createFolder(const QString &path) override;
    bool fileExists(const QString &path) const override;
};

// Where the output goes: optSameFolder selected, or the folder in txtOutPath.
struct OutputFolderChoice
{
    bool optSameFolder = true;
    QString txtOutPath;
};

// Which folder controls can be used: the folder box serves the other-folder
// mode, and Browse too, but not while a task is under way.
struct FolderControlState
{
    bool outPathEnabled = false;
    bool browseEnabled = false;
};
inline FolderControlState folderControlState(bool otherFolder, bool taskRunning)
{
    return {otherFolder, otherFolder && !taskRunning};
}

inline const QString kConvertedMark = QStringLiteral("_Converted");
// Translated when shown (context "OutputPath").
inline constexpr char kOutputFolderMessage[] =
    QT_TRANSLATE_NOOP("OutputPath", "Output Folder is not exist and can not be created.");
inline constexpr int kLastOutputCounter = 10000;

// POSIX path pieces: the folder of a path ("/" for a file in the root, empty
// when there is no folder part) and the last component without its last
// extension (a leading dot does not start an extension).
QString ParentFolderName(const QString &path);
QString BaseName(const QString &path);

// A free output path for sourcePath with the extension as given: base name,
// then base_Converted, then base_Converted_0 up to _10000, taking the first
// name no file holds. Creates a missing output folder (one level). Returns the
// empty string when all names are taken (no message) or when the folder is
// missing and cannot be created (message, error icon). Before returning a
// numbered name it lets pending events run twice.
QString MakeOutputPath(const QString &sourcePath, const QString &extension, const OutputFolderChoice &folder,
                       OutputFileSystem &fileSystem, MessageSink &sink);

// The marks of the cut list's joins: the parts joined, or a video with the
// listed parts removed.
inline const QString kJoinedMark = QStringLiteral("_Joined");
inline const QString kEditedMark = QStringLiteral("_Edited");
// As MakeOutputPath, for a file made of several parts: base + mark, then
// base + mark + _0 up to _10000; never the plain base name, which would pass
// for a copy of the source.
QString MakeMarkedOutputPath(const QString &sourcePath, const QString &extension, const QString &mark,
                             const OutputFolderChoice &folder, OutputFileSystem &fileSystem, MessageSink &sink);
