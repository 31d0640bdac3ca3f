// A second program instance for the tests, optionally without root's rights
// so that read-only stores bind it even when the tests run as root:
//   settingsstoretool [--unprivileged] save-settings <folder> <state 0|1> <times>
//   settingsstoretool [--unprivileged] load-settings <folder>
// Both print the control states a load gives afterwards, one "name=state" a
// line. Exit codes: 0 done, 1 a value was not written, 2 bad arguments, 3 the
// rights could not be dropped or the folder is out of reach without them.

#include "fakesettingscontrols.h"
#include "savedsettings.h"
#include "settingsstorelocation.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <unistd.h>
#endif

static bool dropRootRights()
{
#ifdef Q_OS_UNIX
    const unsigned nobody = 65534;
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0))
        return false;
    return geteuid() != 0;
#else
    return true;
#endif
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == QStringLiteral("--unprivileged")) {
        args.removeFirst();
        if (!dropRootRights())
            return 3;
        // Without root's rights the test's temporary folder may be out of reach.
        if (args.size() >= 2 && !QFileInfo::exists(args.at(1)))
            return 3;
    }
    if (args.size() < 2)
        return 2;
    const FolderSettingsStoreLocation location(args.at(1));
    const SavedSettings settings(location, QStringLiteral("/home/tester"));
    const auto printLoaded = [&settings] {
        FakeSettingsControls controls;
        settings.LoadSettings(controls);
        QTextStream out(stdout);
        for (auto it = controls.state.cbegin(); it != controls.state.cend(); ++it)
            out << it.key() << '=' << it.value() << '\n';
    };

    if (args.at(0) == QStringLiteral("save-settings") && args.size() == 4) {
        FakeSettingsControls controls;
        setExampleState(controls, args.at(2).toInt());
        bool allWritten = true;
        for (int i = args.at(3).toInt(); i > 0; --i)
            allWritten = settings.SaveSettings(controls) && allWritten;
        printLoaded();
        return allWritten ? 0 : 1;
    }
    if (args.at(0) == QStringLiteral("load-settings") && args.size() == 2) {
        printLoaded();
        return 0;
    }
    return 2;
}
