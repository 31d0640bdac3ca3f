#pragma once

// Recording stand-ins for the platform services: no real dialog, message box,
// program start, power request or mount table. Header only, Qt Core only, so
// every test can use them.

#include "desktopservices.h"
#include "filedialogs.h"
#include "messagesink.h"
#include "mountlookup.h"
#include "poweroff.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

// Records every message instead of showing it, so tests can check text and icon.
class RecordingMessageSink final : public MessageSink
{
public:
    struct Message
    {
        QString text;
        MessageIcon icon;
        QString title;
    };

    void showMessage(const QString &text, MessageIcon icon, const QString &title) override
    {
        messages.append({text, icon, title});
    }
    bool askYesNo(const QString &text, const QString &) override
    {
        questions.append(text);
        return answer;
    }

    QList<Message> messages;
    QStringList questions;
    bool answer = true; // to every question
};

class FakeFileDialogs final : public FileDialogs
{
public:
    QString ShowOpenDialog(QWidget *, const QList<FileType> &filter, const QString &title) override
    {
        lastFilter = filter;
        lastTitle = title;
        ++openCalls;
        return openAnswer;
    }
    QString BrowseForFolder(QWidget *, const QString &title) override
    {
        lastTitle = title;
        return folderAnswer;
    }

    QString openAnswer = kDialogCancel;
    QString folderAnswer;
    QList<FileType> lastFilter;
    QString lastTitle;
    int openCalls = 0;
};

class FakeDesktop final : public DesktopServices
{
public:
    bool openUrl(const QUrl &url) override
    {
        opened.append(url);
        return true;
    }
    QList<QUrl> opened;
};

class FakePower final : public PowerControl
{
public:
    void ShutdownWindows(int nMode) override { modes.append(nMode); }
    QList<int> modes;
};

// Every folder is on a fixed local disk, except those under refusedRoot.
class FakeMounts final : public MountLookup
{
public:
    std::optional<FolderMount> mountOf(const QString &folder) const override
    {
        if (!refusedRoot.isEmpty() && folder.startsWith(refusedRoot))
            return FolderMount{QStringLiteral("nfs"), QStringLiteral("server:/share"), refusedRoot, false};
        return FolderMount{QStringLiteral("ext4"), QStringLiteral("/dev/sda1"), QStringLiteral("/"), false};
    }
    QString refusedRoot;
};
