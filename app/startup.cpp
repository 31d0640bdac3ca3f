#include "startup.h"

#include "processstart.h"

#include "accessibility.h"
#include "drivecheck.h"
#include "filedialogs.h"
#include "cutworkflow.h"
#include "frmmain.h"
#include "helpopener.h"
#include "keptindex.h"
#include "language.h"
#include "messageboxsink.h"
#include "poweroff.h"
#include "previewmodule.h"
#include "settingsstorelocation.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QLibraryInfo>
#include <QTextStream>
#include <QDir>
#include <QStandardPaths>
#include <QTimer>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

QString FileArgument(const QStringList &arguments)
{
    if (arguments.size() < 2)
        return QString();
    return arguments.at(1);
}

void ReportReadyAndQuit(const frmMain &window, const QString &reportFile, qint64 shownMs, qint64 shownAtUs)
{
    QFile file(reportFile);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        QTextStream out(&file);
        out << "shown_ms=" << shownMs << "\n"
            << "shown_at_us=" << shownAtUs << "\n"
            << "bNoVideo=" << (window.workflow().bNoVideo() ? 1 : 0) << "\n"
            << "Max=" << window.sliderMax() << "\n"
            << "sVideoFile=" << window.workflow().sVideoFile() << "\n"
            << "programDir=" << QCoreApplication::applicationDirPath() << "\n"
            << "presets=" << window.workflow().presets().Presets.size() << "\n";
    }
    QCoreApplication::quit();
}

int RunSnipora(int &argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(kAppTitle);
    // Lets the desktop match the window to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tessaly.Snipora"));
    // Before any window or message: every text is looked up as it is made.
    const UserLanguage language(QLocale::system(), QCoreApplication::applicationDirPath(),
                                QLibraryInfo::path(QLibraryInfo::TranslationsPath));

    installControlAccessibility();

    MessageBoxSink messages;
    QtFileDialogs dialogs;
    SystemDesktopServices desktop;
    const std::unique_ptr<PowerControl> power = makeSystemPowerControl();
    UserSettingsStoreLocation settingsLocation;
    SystemMountLookup mounts;

    WindowServices services;
    services.messages = &messages;
    services.dialogs = &dialogs;
    services.desktop = &desktop;
    services.power = power.get();
    services.settingsLocation = &settingsLocation;
    services.mounts = &mounts;
    services.programDir = QCoreApplication::applicationDirPath();
    services.indexFolder = KeptIndex::userFolder();
    services.makePreviewEngine = PreviewModuleFactory(services.programDir, messages);
    services.homeFolder = QDir::homePath();
    services.markerFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (services.markerFolder.isEmpty())
        services.markerFolder = QDir::tempPath();

    frmMain window(services);
    window.show();
    const QString file = FileArgument(QApplication::arguments());
    const QString report = qEnvironmentVariable("SNIPORA_READY_REPORT");
    // After the window is up, so a message the load shows has its owner on
    // screen. The load runs nested event passes, so the report waits for it
    // in the same call rather than in a call of its own.
    QTimer::singleShot(0, &window, [&window, file, report] {
        const qint64 shownAtUs = WallClockMicroseconds();
        const qint64 shownMs = QDateTime::currentMSecsSinceEpoch() - ProcessStartMSecsSinceEpoch();
        if (!file.isEmpty())
            window.OpenFile(file);
        if (!report.isEmpty())
            ReportReadyAndQuit(window, report, shownMs, shownAtUs);
    });
    return QApplication::exec();
}
