#pragma once

// Recording stand-ins for the window's platform services, and a window set
// up on them in a temporary folder: no real dialog, no real settings, no
// power-off.

#include "drivecheck.h"
#include "filedialogs.h"
#include "frmmain.h"
#include "helpopener.h"
#include "poweroff.h"
#include "fakepreviewengine.h"
#include "qtpreviewengine.h"
#include "recordingmessagesink.h"
#include "settingsstorelocation.h"
#include "testsupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

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

// The services of one window under test: catalogues and the encoder from the
// build's program folder, settings and the instance marker in a temporary
// folder.
struct FakeServices
{
    FakeServices()
        : settingsLocation(temp.filePath(QStringLiteral("settings")))
    {
        QDir().mkpath(settingsLocation.storeFolder());
        services.messages = &messages;
        services.dialogs = &dialogs;
        services.desktop = &desktop;
        services.power = &power;
        services.settingsLocation = &settingsLocation;
        services.mounts = &mounts;
        services.makePreviewEngine = [this]() -> std::unique_ptr<PreviewEngine> {
            if (realPreview)
                return std::make_unique<QtPreviewEngine>();
            auto engine = std::make_unique<FakePreviewEngine>(previewScript);
            preview = engine.get();
            return engine;
        };
        services.programDir = TestSupport::programDir();
        services.homeFolder = temp.path();
        services.markerFolder = temp.path();
    }

    std::unique_ptr<frmMain> makeWindow() { return std::make_unique<frmMain>(services); }

    // Windows made after this play through the real engine (GStreamer): for
    // pictures and the few end-to-end checks of the real preview.
    void useRealPreview() { realPreview = true; }

    QTemporaryDir temp;
    PreviewScript previewScript;
    QPointer<FakePreviewEngine> preview; // the fake engine of the last window made
    bool realPreview = false;
    RecordingMessageSink messages;
    FakeFileDialogs dialogs;
    FakeDesktop desktop;
    FakePower power;
    FolderSettingsStoreLocation settingsLocation;
    FakeMounts mounts;
    WindowServices services;
};
