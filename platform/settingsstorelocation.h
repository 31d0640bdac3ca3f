#pragma once

#include <QString>

// Where CRegister keeps its keys. The program passes UserSettingsStoreLocation;
// tests pass a FolderSettingsStoreLocation on a temporary folder, so they never
// reach the user's real settings.
class SettingsStoreLocation
{
public:
    virtual ~SettingsStoreLocation() = default;

    // The folder that holds one "<root key name>.ini" file per root key (for
    // example "HKEY_LOCAL_MACHINE.ini"), or an empty string for the platform's
    // own registry, which only Windows has.
    virtual QString storeFolder() const = 0;
};

// Windows: the registry itself. Elsewhere there is no registry, and the
// system-wide places are not writable by an ordinary user, so the store is a
// folder "Snipora" in the user's configuration folder
// (QStandardPaths::GenericConfigLocation, usually ~/.config/Snipora). The
// generic location is used because it does not depend on the application and
// organisation names being set before the first read.
class UserSettingsStoreLocation final : public SettingsStoreLocation
{
public:
    QString storeFolder() const override;
};

// A fixed folder: tests, or a portable installation.
class FolderSettingsStoreLocation final : public SettingsStoreLocation
{
public:
    explicit FolderSettingsStoreLocation(QString folder) : m_folder(std::move(folder)) {}
    QString storeFolder() const override { return m_folder; }

private:
    QString m_folder;
};
