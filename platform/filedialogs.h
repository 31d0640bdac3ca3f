#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// One entry of the open dialog's file types: its description as shown, and
// its extensions without "*." ("*" alone for every file).
struct FileType
{
    QString description;
    QStringList extensions;
};

// The word ShowOpenDialog returns when the user cancels; callers recognise
// cancellation by it alone.
inline const QString kDialogCancel = QStringLiteral("Cancel");

// The open-file dialog and the folder picker. The program uses QtFileDialogs;
// tests answer with fixed paths.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    // The chosen file's full path, or "Cancel". The first file type is
    // selected when the dialog opens; an empty list offers all files.
    virtual QString ShowOpenDialog(QWidget *owner, const QList<FileType> &filter, const QString &title) = 0;
    // The chosen folder's full path, or an empty string.
    virtual QString BrowseForFolder(QWidget *owner, const QString &title) = 0;
};

class QtFileDialogs final : public FileDialogs
{
public:
    QString ShowOpenDialog(QWidget *owner, const QList<FileType> &filter, const QString &title) override;
    QString BrowseForFolder(QWidget *owner, const QString &title) override;
};

// The filter text QFileDialog takes for a list of file types.
QString QtFilterText(const QList<FileType> &filter);
