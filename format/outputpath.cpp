#include "outputpath.h"

#include "messagesink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

bool LocalFileSystem::folderExists(const QString &path) const
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool LocalFileSystem::createFolder(const QString &path)
{
    return !path.isEmpty() && QDir().mkdir(path);
}

bool LocalFileSystem::fileExists(const QString &path) const
{
    const QFileInfo info(path);
    // Anything but a folder takes the name: a dangling link (the encoder would
    // write through it) and special files such as a pipe, which would block
    // the encoder or receive the output.
    return (info.exists() || info.isSymLink()) && !info.isDir();
}

namespace {

QString withoutTrailingSlashes(const QString &path)
{
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == u'/')
        --end;
    return path.left(end);
}

} // namespace

QString ParentFolderName(const QString &path)
{
    const QString trimmed = withoutTrailingSlashes(path);
    const qsizetype slash = trimmed.lastIndexOf(u'/');
    if (slash < 0 || trimmed == u"/")
        return QString();
    if (slash == 0)
        return QStringLiteral("/");
    return trimmed.left(slash);
}

QString BaseName(const QString &path)
{
    const QString trimmed = withoutTrailingSlashes(path);
    const QString name = trimmed.mid(trimmed.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
}

namespace {

// plainFirst: the base name alone comes first, before base + mark.
QString freeOutputPath(const QString &sourcePath, const QString &extension, const QString &mark, bool plainFirst,
                       const OutputFolderChoice &folder, OutputFileSystem &fileSystem, MessageSink &sink)
{
    QString outFolder = folder.optSameFolder ? ParentFolderName(sourcePath) : folder.txtOutPath;

    // A relative folder would land wherever the program was started from, so
    // it counts as a folder that cannot be created, like an empty text.
    const bool usable = QDir::isAbsolutePath(outFolder)
                        && (fileSystem.folderExists(outFolder)
                            || (fileSystem.createFolder(outFolder) && fileSystem.folderExists(outFolder)));
    if (!usable) {
        sink.showMessage(QCoreApplication::translate("OutputPath", kOutputFolderMessage), MessageIcon::Critical, kAppTitle);
        return QString();
    }

    QString base = BaseName(sourcePath);
    if (!outFolder.endsWith(u'/'))
        outFolder += u'/';
    const QString dotExtension = QStringLiteral(".") + extension;

    const QString plain = outFolder + base + dotExtension;
    if (plainFirst && !fileSystem.fileExists(plain))
        return plain;

    if (!base.endsWith(mark)) {
        base += mark;
        const QString marked = outFolder + base + dotExtension;
        if (!fileSystem.fileExists(marked))
            return marked;
    }

    for (int counter = 0; counter <= kLastOutputCounter; ++counter) {
        const QString numbered = outFolder + base + u'_' + QString::number(counter) + dotExtension;
        if (!fileSystem.fileExists(numbered)) {
            // Let the window repaint and take pending input before the task runs.
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            return numbered;
        }
    }
    return QString();
}

} // namespace

QString MakeOutputPath(const QString &sourcePath, const QString &extension, const OutputFolderChoice &folder,
                       OutputFileSystem &fileSystem, MessageSink &sink)
{
    return freeOutputPath(sourcePath, extension, kConvertedMark, true, folder, fileSystem, sink);
}

QString MakeMarkedOutputPath(const QString &sourcePath, const QString &extension, const QString &mark,
                             const OutputFolderChoice &folder, OutputFileSystem &fileSystem, MessageSink &sink)
{
    return freeOutputPath(sourcePath, extension, mark, false, folder, fileSystem, sink);
}
