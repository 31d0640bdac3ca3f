#pragma once

#include <QString>

#include <functional>
#include <memory>

class MessageSink;
class PreviewEngine;

// The real preview engine is a module in the program folder, loaded at the
// first video: linked into the program, FFmpeg's libraries and Qt Multimedia
// would be loaded at every start-up, video or not.
inline constexpr char kPreviewModuleName[] = "snipora-preview";
// The module's one export: makes an engine the caller owns.
inline constexpr char kPreviewModuleEntry[] = "snipora_make_preview_engine_v1";

struct PreviewModuleLoad
{
    std::unique_ptr<PreviewEngine> engine;
    QString error; // why there is no engine
};

// Loads the module from programDir (once per process; it stays loaded, since
// its engines' code lives in it) and makes an engine.
PreviewModuleLoad LoadPreviewEngine(const QString &programDir);

// The window's engine factory: an engine from the module, or, when the module
// cannot be loaded, a message saying why and no engine.
std::function<std::unique_ptr<PreviewEngine>()> PreviewModuleFactory(const QString &programDir,
                                                                     MessageSink &messages);
