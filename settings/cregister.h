#pragma once

#include <QString>
#include <QtGlobal>

class SettingsStoreLocation;

// Predefined root keys, as the values of the Windows handles. Only these four
// have a store; any other root value fails like an invalid handle.
inline constexpr quint32 kRegClassesRoot = 0x80000000u;
inline constexpr quint32 kRegCurrentUser = 0x80000001u;
inline constexpr quint32 kRegLocalMachine = 0x80000002u;
inline constexpr quint32 kRegUsers = 0x80000003u;

// Stateless access to text values in a registry-shaped store: a root key, a
// key path below it with parts separated by "\", and value names inside a key
// ("*" or an empty name is the key's default value). On Windows the store is
// the registry; elsewhere it is a registry-shaped INI file per root key in the
// location's folder (see RegistryFile), with the same addressing and default
// rules: key and value names compare without regard to letter case, a key
// path with an empty part names no key.
//
// Nothing here throws or shows a message: reads fall back to their default,
// writes and deletions report false. A store that cannot be written (read-only
// file or folder, missing rights) can still be read.
class CRegister final
{
public:
    // The location must outlive the object.
    explicit CRegister(const SettingsStoreLocation &location) : m_location(location) {}

    // With a non-empty sKey: deletes that value of key TrimKeyPath(sSection).
    // With an empty sKey: deletes the key sSection itself, taken as given (not
    // trimmed), unless it has subkeys. True when something was deleted.
    bool REGDeleteSetting(quint32 regHKEY, const QString &sSection, const QString &sKey) const;

    // The stored text, or sDefault when the key or the value does not exist or
    // the value is empty.
    QString REGGetSetting(quint32 regHKEY, const QString &sSection, const QString &sKey,
                          const QString &sDefault) const;

    // Writes sValue, creating the key path as needed. True when it was written.
    bool REGSaveSetting(quint32 regHKEY, const QString &sSection, const QString &sKey,
                        const QString &sValue) const;

    // sSection without one leading "\" and then without one trailing "\".
    static QString TrimKeyPath(const QString &sSection);

private:
    const SettingsStoreLocation &m_location;
};
