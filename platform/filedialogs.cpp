#include "filedialogs.h"

#include <QCoreApplication>
#include <QFileDialog>

QString QtFilterText(const QList<FileType> &filter)
{
    if (filter.isEmpty())
        return QCoreApplication::translate("FileDialogs", "All Files (*.*) (*)");
    QStringList entries;
    for (const FileType &type : filter) {
        QStringList patterns;
        for (const QString &ext : type.extensions)
            patterns.append(ext == QLatin1String("*") ? QStringLiteral("*") : QStringLiteral("*.") + ext);
        entries.append(type.description + QStringLiteral(" (") + patterns.join(u' ') + u')');
    }
    return entries.join(QStringLiteral(";;"));
}

QString QtFileDialogs::ShowOpenDialog(QWidget *owner, const QList<FileType> &filter, const QString &title)
{
    QFileDialog dialog(owner, title);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(QtFilterText(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return kDialogCancel;
    return dialog.selectedFiles().constFirst();
}

QString QtFileDialogs::BrowseForFolder(QWidget *owner, const QString &title)
{
    return QFileDialog::getExistingDirectory(owner, title, QString(), QFileDialog::ShowDirsOnly);
}
