#include "startup.h"

#include "drivecheck.h"
#include "filedialogs.h"
#include "frmmain.h"
#include "helpopener.h"
#include "messageboxsink.h"
#include "poweroff.h"
#include "qtpreviewengine.h"
#include "settingsstorelocation.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTimer>

QString FileArgument(const QStringList &arguments)
{
    if (arguments.size() < 2)
        return QString();
    return arguments.at(1);
}

int RunSnipora(int &argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(kAppTitle);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/snipora/snipora.svg")));

    MessageBoxSink messages;
    QtFileDialogs dialogs;
    SystemDesktopServices desktop;
    SystemPowerControl power;
    UserSettingsStoreLocation settingsLocation;
    SystemMountLookup mounts;

    WindowServices services;
    services.messages = &messages;
    services.dialogs = &dialogs;
    services.desktop = &desktop;
    services.power = &power;
    services.settingsLocation = &settingsLocation;
    services.mounts = &mounts;
    services.makePreviewEngine = [] { return std::make_unique<QtPreviewEngine>(); };
    services.programDir = QCoreApplication::applicationDirPath();
    services.homeFolder = QDir::homePath();
    services.markerFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (services.markerFolder.isEmpty())
        services.markerFolder = QDir::tempPath();

    frmMain window(services);
    window.show();
    const QString file = FileArgument(QApplication::arguments());
    if (!file.isEmpty()) {
        // After the window is up, so a message it shows has its owner on screen.
        QTimer::singleShot(0, &window, [&window, file] { window.OpenFile(file); });
    }
    return QApplication::exec();
}
