#pragma once

#include <QString>

#include <functional>
#include <memory>

class DesktopServices;
class FileDialogs;
class MessageSink;
class MountLookup;
class PowerControl;
class PreviewEngine;
class SettingsStoreLocation;

// The platform services the main window uses. The program passes the real
// ones; tests pass recording fakes and temporary folders. Every pointer must
// outlive the window.
struct WindowServices
{
    MessageSink *messages = nullptr;
    FileDialogs *dialogs = nullptr;
    DesktopServices *desktop = nullptr;
    PowerControl *power = nullptr;
    const SettingsStoreLocation *settingsLocation = nullptr;
    const MountLookup *mounts = nullptr;
    // Makes the preview's playback engine, at the first load; null (after
    // telling the user why) when there is none, and asked again next time.
    std::function<std::unique_ptr<PreviewEngine>()> makePreviewEngine;
    // The folder with the encoder, the catalogues and the help file.
    QString programDir;
    // Where the preview keeps its frame indexes, which the cuts plan from;
    // empty: the cuts list every source with the prober.
    QString indexFolder;
    // The user's home folder, for the default output folder.
    QString homeFolder;
    // Where the single-instance marker lives.
    QString markerFolder;
};
