#include "previewmodule.h"

#include "messagesink.h"
#include "previewengine.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

using namespace Qt::StringLiterals;

PreviewModuleLoad LoadPreviewEngine(const QString &programDir)
{
    using MakeEngine = PreviewEngine *(*)();
    // Not unloaded when this goes: a QLibrary only unloads on unload().
    QLibrary module(QDir(programDir).filePath(QLatin1StringView(kPreviewModuleName)));
    const auto make = reinterpret_cast<MakeEngine>(module.resolve(kPreviewModuleEntry));
    if (!make)
        return {nullptr, module.errorString()};
    std::unique_ptr<PreviewEngine> engine(make());
    if (!engine)
        return {nullptr, QCoreApplication::translate("PreviewModule", "The preview module made no engine.")};
    return {std::move(engine), QString()};
}

std::function<std::unique_ptr<PreviewEngine>()> PreviewModuleFactory(const QString &programDir,
                                                                     MessageSink &messages)
{
    return [programDir, &messages]() -> std::unique_ptr<PreviewEngine> {
        PreviewModuleLoad load = LoadPreviewEngine(programDir);
        if (!load.engine)
            messages.showMessage(QCoreApplication::translate("PreviewModule", "The video preview cannot be started:\r\n%1").arg(load.error),
                                 MessageIcon::Critical,
                                 kAppTitle);
        return std::move(load.engine);
    };
}
