#include "cregister.h"

#include "registryfile.h"
#include "settingsstorelocation.h"
#ifdef Q_OS_WIN
#include "nativeregistry.h"
#endif

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

QString rootKeyName(quint32 regHKEY)
{
    switch (regHKEY) {
    case kRegClassesRoot: return u"HKEY_CLASSES_ROOT"_s;
    case kRegCurrentUser: return u"HKEY_CURRENT_USER"_s;
    case kRegLocalMachine: return u"HKEY_LOCAL_MACHINE"_s;
    case kRegUsers: return u"HKEY_USERS"_s;
    default: return {};
    }
}

// The parts of a key path; an empty path is the root key itself. A path with
// an empty part ("a\\b", or a "\" left at either end) names no key.
std::optional<QStringList> splitKeyPath(const QString &path)
{
    if (path.isEmpty())
        return QStringList{};
    const QStringList parts = path.split(u'\\');
    for (const QString &part : parts) {
        if (part.isEmpty())
            return std::nullopt;
    }
    return parts;
}

// "*" and "" both stand for the key's default (unnamed) value.
QString valueName(const QString &sKey) { return sKey == u"*"_s ? QString() : sKey; }

// The addressed store: the INI file of the root key in the location's folder,
// or, with an empty folder, the native registry (Windows only).
struct Store
{
    QString rootName;
    QString folder;

    bool valid() const { return !rootName.isEmpty(); }
    bool native() const { return folder.isEmpty(); }
    QString filePath() const { return QDir(folder).filePath(rootName + u".ini"_s); }
    // Whatever sits at the file's path must be a regular file, or nothing
    // yet: reading a named pipe would wait for a writer for ever, and a folder
    // or a device is no store either.
    bool usable() const
    {
        const QFileInfo info(filePath());
        return !info.exists() || info.isFile();
    }
    // Empty when the path holds something other than a regular file.
    std::unique_ptr<QSettings> open() const
    {
        if (!usable())
            return nullptr;
        return std::make_unique<QSettings>(filePath(), RegistryFile::settingsFormat());
    }
};

Store storeFor(const SettingsStoreLocation &location, quint32 regHKEY)
{
    return Store{rootKeyName(regHKEY), location.storeFolder()};
}

// The spelling already in the store of a QSettings key or group, found
// without regard to letter case as the registry finds names; the wanted
// spelling when there is none yet. Walks the path part by part, so a new
// value goes into the existing key however its path was spelled.
QString findChild(const QStringList &children, const QString &wanted)
{
    for (const QString &child : children) {
        if (child.compare(wanted, Qt::CaseInsensitive) == 0)
            return child;
    }
    return wanted;
}

QString storedGroup(QSettings &settings, const QStringList &keyParts)
{
    QString group;
    for (const QString &part : keyParts) {
        settings.beginGroup(group);
        const QString child = findChild(settings.childGroups(), RegistryFile::escapeName(part));
        settings.endGroup();
        group = group.isEmpty() ? child : group + u'/' + child;
    }
    return group;
}

QString storedKey(QSettings &settings, const QStringList &keyParts, const QString &name)
{
    const QString group = storedGroup(settings, keyParts);
    settings.beginGroup(group);
    const QString key = findChild(settings.childKeys(), RegistryFile::settingsKey({}, name));
    settings.endGroup();
    return group.isEmpty() ? key : group + u'/' + key;
}

// QSettings keeps a change whose sync failed in its process-wide cache of the
// file, where later reads see it as stored and a later sync writes it behind
// the caller's back. So a store is changed only when it can take the change:
// its folder takes new files (the lock and the replacing file) and an existing
// file opens for reading and writing.
bool writable(const Store &store)
{
    if (!QFileInfo(store.folder).isWritable() || !store.usable())
        return false;
    QFile file(store.filePath());
    return !file.exists() || file.open(QIODevice::ReadWrite);
}

// A key stays when its last value or subkey goes: an empty key gets its mark.
void keepKey(QSettings &settings, const QString &group)
{
    if (group.isEmpty())
        return;
    settings.beginGroup(group);
    const bool empty = settings.childKeys().isEmpty() && settings.childGroups().isEmpty();
    settings.endGroup();
    if (empty)
        settings.setValue(RegistryFile::keyMarker(group), QString());
}

// A write succeeded when QSettings reports nothing after syncing. The format
// never reports a format error, so an access error cannot hide behind one.
bool synced(QSettings &settings)
{
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace

QString CRegister::TrimKeyPath(const QString &sSection)
{
    QString path = sSection;
    if (path.startsWith(u'\\'))
        path.remove(0, 1);
    if (path.endsWith(u'\\'))
        path.chop(1);
    return path;
}

QString CRegister::REGGetSetting(quint32 regHKEY, const QString &sSection, const QString &sKey,
                                 const QString &sDefault) const
{
    const Store store = storeFor(m_location, regHKEY);
    const std::optional<QStringList> parts = splitKeyPath(TrimKeyPath(sSection));
    if (!store.valid() || !parts)
        return sDefault;

    QString text;
    if (store.native()) {
#ifdef Q_OS_WIN
        text = NativeRegistry::read(store.rootName, *parts, valueName(sKey)).value_or(QString());
#endif
    } else {
        // Reading never creates the folder or the file.
        if (const std::unique_ptr<QSettings> settings = store.open())
            text = settings->value(storedKey(*settings, *parts, valueName(sKey))).toString();
    }
    return text.isEmpty() ? sDefault : text;
}

bool CRegister::REGSaveSetting(quint32 regHKEY, const QString &sSection, const QString &sKey,
                               const QString &sValue) const
{
    const Store store = storeFor(m_location, regHKEY);
    const std::optional<QStringList> parts = splitKeyPath(TrimKeyPath(sSection));
    if (!store.valid() || !parts)
        return false;

    if (store.native()) {
#ifdef Q_OS_WIN
        return NativeRegistry::write(store.rootName, *parts, valueName(sKey), sValue);
#else
        return false;
#endif
    }
    if (!QDir().mkpath(store.folder) || !writable(store))
        return false;
    const std::unique_ptr<QSettings> settings = store.open();
    if (!settings)
        return false;
    settings->setValue(storedKey(*settings, *parts, valueName(sKey)), sValue);
    return synced(*settings);
}

bool CRegister::REGDeleteSetting(quint32 regHKEY, const QString &sSection, const QString &sKey) const
{
    const Store store = storeFor(m_location, regHKEY);
    if (!store.valid())
        return false;

    if (!sKey.isEmpty()) {
        const std::optional<QStringList> parts = splitKeyPath(TrimKeyPath(sSection));
        if (!parts)
            return false;
        if (store.native()) {
#ifdef Q_OS_WIN
            return NativeRegistry::deleteValue(store.rootName, *parts, valueName(sKey));
#else
            return false;
#endif
        }
        const std::unique_ptr<QSettings> settings = store.open();
        if (!settings)
            return false;
        const QString key = storedKey(*settings, *parts, valueName(sKey));
        if (!settings->contains(key) || !writable(store))
            return false;
        settings->remove(key);
        keepKey(*settings, storedGroup(*settings, *parts));
        return synced(*settings);
    }

    // The key itself, addressed untrimmed; the root key cannot be deleted.
    const std::optional<QStringList> parts = splitKeyPath(sSection);
    if (!parts || parts->isEmpty())
        return false;
    if (store.native()) {
#ifdef Q_OS_WIN
        return NativeRegistry::deleteKey(store.rootName, *parts);
#else
        return false;
#endif
    }
    const std::unique_ptr<QSettings> settings = store.open();
    if (!settings)
        return false;
    const QString group = storedGroup(*settings, *parts);
    settings->beginGroup(group);
    const bool hasSubkeys = !settings->childGroups().isEmpty();
    // A key exists while it holds a value or its mark (RegistryFile::keyMarker).
    const bool exists = hasSubkeys || !settings->childKeys().isEmpty();
    settings->endGroup();
    if (!exists || hasSubkeys || !writable(store))
        return false;
    settings->remove(group);
    keepKey(*settings, group.left(qMax(group.lastIndexOf(u'/'), 0)));
    return synced(*settings);
}
