#pragma once

// Recording stand-ins for the window's platform services, and a window set
// up on them in a temporary folder: no real dialog, no real settings, no
// power-off.

#include "accessibility.h"
#include "drivecheck.h"
#include "fakeplatform.h"
#include "filedialogs.h"
#include "cutworkflow.h"
#include "previewsession.h"
#include "frmmain.h"
#include "helpopener.h"
#include "keptindex.h"
#include "poweroff.h"
#include "fakepreviewengine.h"
#include "previewmodule.h"
#include "recordingmessagesink.h"
#include "settingsstorelocation.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

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
                return PreviewModuleFactory(services.programDir, messages)();
            auto engine = std::make_unique<FakePreviewEngine>(previewScript);
            preview = engine.get();
            return engine;
        };
        services.programDir = TestSupport::programDir();
        services.homeFolder = temp.path();
        services.markerFolder = temp.path();
    }

    // With the roles the program installs at start-up.
    std::unique_ptr<frmMain> makeWindow()
    {
        installControlAccessibility();
        return std::make_unique<frmMain>(services);
    }

    // Windows made after this play through the real engine: for pictures and
    // the few end-to-end checks of the real preview. Its frame indexes go to
    // the temporary folder, not the user's cache, and the cuts plan from them
    // as the program's do.
    void useRealPreview()
    {
        realPreview = true;
        qputenv("XDG_CACHE_HOME", QFile::encodeName(temp.filePath(QStringLiteral("cache"))));
        services.indexFolder = KeptIndex::userFolder();
    }

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
