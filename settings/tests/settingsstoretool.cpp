// A second program instance for the tests: reads and writes a settings store
// from its own process, optionally without root's rights, so that read-only
// stores can be tested even when the tests run as root.
//
//   settingsstoretool [--unprivileged] get <folder> <section> <name> <default>
//   settingsstoretool [--unprivileged] save <folder> <section> <name> <value>
//   settingsstoretool [--unprivileged] save-settings <folder> <state 0|1> <times>
//   settingsstoretool [--unprivileged] load-settings <folder>
//
// Exit codes: 0 done (for save-settings: every value written), 1 a write
// failed, 2 bad arguments, 3 the rights could not be dropped.

#include "cregister.h"
#include "fakesettingscontrols.h"
#include "savedsettings.h"
#include "settingsstorelocation.h"

#include <QCoreApplication>
#include <QTextStream>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <unistd.h>
#endif

namespace {

bool dropRootRights()
{
#ifdef Q_OS_UNIX
    if (geteuid() != 0)
        return true;
    const gid_t nobodyGroup = 65534;
    const uid_t nobody = 65534;
    if (setgroups(0, nullptr) != 0 || setgid(nobodyGroup) != 0 || setuid(nobody) != 0)
        return false;
    return geteuid() != 0;
#else
    return true;
#endif
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == QStringLiteral("--unprivileged")) {
        args.removeFirst();
        if (!dropRootRights())
            return 3;
    }
    if (args.size() < 2)
        return 2;

    QTextStream out(stdout);
    const QString command = args.at(0);
    const FolderSettingsStoreLocation location(args.at(1));
    const CRegister registry(location);
    const QString home = QStringLiteral("/home/tester");

    if (command == QStringLiteral("get") && args.size() == 5) {
        out << registry.REGGetSetting(kRegLocalMachine, args.at(2), args.at(3), args.at(4));
        return 0;
    }
    if (command == QStringLiteral("save") && args.size() == 5)
        return registry.REGSaveSetting(kRegLocalMachine, args.at(2), args.at(3), args.at(4)) ? 0 : 1;
    if (command == QStringLiteral("save-settings") && args.size() == 4) {
        FakeSettingsControls controls;
        setExampleState(controls, args.at(2).toInt());
        const SavedSettings settings(location, home);
        bool allWritten = true;
        for (int i = args.at(3).toInt(); i > 0; --i)
            allWritten = settings.SaveSettings(controls) && allWritten;
        return allWritten ? 0 : 1;
    }
    if (command == QStringLiteral("load-settings") && args.size() == 2) {
        FakeSettingsControls controls;
        SavedSettings(location, home).LoadSettings(controls);
        const QMap<QString, QString> states = controls.states();
        for (auto it = states.cbegin(); it != states.cend(); ++it)
            out << it.key() << '=' << it.value() << '\n';
        return 0;
    }
    return 2;
}
