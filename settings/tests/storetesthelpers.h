#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

// Helpers shared by the store tests: files in a temporary store folder and the
// second program instance (settingsstoretool).
namespace StoreTest {

inline const QString kStoreFile = QStringLiteral("HKEY_LOCAL_MACHINE.ini");

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct ToolResult
{
    int exitCode = -1;
    QString output;
};

// Runs the tool to its end. With unprivileged set, the tool gives up root's
// rights first, so that file permissions bind it as they bind a user.
inline ToolResult runTool(const QStringList &arguments, bool unprivileged = false)
{
    QProcess process;
    process.start(QStringLiteral(SETTINGS_STORE_TOOL),
                  unprivileged ? QStringList{QStringLiteral("--unprivileged")} + arguments : arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
}

// Starts the tool without waiting, for instances that run side by side.
inline void startTool(QProcess &process, const QStringList &arguments)
{
    process.start(QStringLiteral(SETTINGS_STORE_TOOL), arguments);
}

// Lets an unprivileged instance into a temporary folder, which is created for
// its owner only.
inline bool openToOthers(const QString &folder)
{
    return QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                             | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
}

inline bool makeReadOnly(const QString &path, bool folder)
{
    QFile::Permissions permissions = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    if (folder)
        permissions |= QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    return QFile::setPermissions(path, permissions);
}

// The files in a folder other than the store itself: lock or temporary files
// left behind by a save.
inline QStringList strayFiles(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.removeAll(kStoreFile);
    return names;
}

} // namespace StoreTest
