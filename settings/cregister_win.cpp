#include "nativeregistry.h"

#include <QSettings>

using namespace Qt::StringLiterals;

// QSettings on the registry swaps "/" and "\" between its keys and the
// registry's names, and reserves the value names "." and "Default" for a key's
// default value. A name with "\" in it therefore cannot be reached, and the
// names "." and "Default" reach the default value.
namespace NativeRegistry {

namespace {

bool reachable(const QString &name)
{
    return !name.contains(u'\\') && name != u"."_s && name.compare(u"Default"_s, Qt::CaseInsensitive) != 0;
}

QString qtName(QString registryName) { return registryName.replace(u'/', u'\\'); }

QString qtValueName(const QString &valueName) { return valueName.isEmpty() ? u"."_s : qtName(valueName); }

QString qtPath(const QStringList &keyParts)
{
    QStringList names;
    for (const QString &part : keyParts)
        names += qtName(part);
    return names.join(u'/');
}

QString registryPath(const QString &rootName, const QStringList &keyParts)
{
    return keyParts.isEmpty() ? rootName : rootName + u'\\' + keyParts.join(u'\\');
}

bool containsName(const QStringList &names, const QString &name)
{
    return names.contains(name, Qt::CaseInsensitive);
}

} // namespace

std::optional<QString> read(const QString &rootName, const QStringList &keyParts, const QString &valueName)
{
    if (!valueName.isEmpty() && !reachable(valueName))
        return std::nullopt;
    // Opened at the root: QSettings opened at the key itself would create it.
    // QSettings falls back to read-only access on its own when full access is
    // refused, which is the read-only retry.
    QSettings settings(rootName, QSettings::NativeFormat);
    const QString name = qtValueName(valueName);
    const QVariant value = settings.value(keyParts.isEmpty() ? name : qtPath(keyParts) + u'/' + name);
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

bool write(const QString &rootName, const QStringList &keyParts, const QString &valueName, const QString &value)
{
    if (!valueName.isEmpty() && !reachable(valueName))
        return false;
    // Opened at the key, so that rights granted on the key itself are enough.
    QSettings settings(registryPath(rootName, keyParts), QSettings::NativeFormat);
    settings.setValue(qtValueName(valueName), value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

bool deleteValue(const QString &rootName, const QStringList &keyParts, const QString &valueName)
{
    if (!valueName.isEmpty() && !reachable(valueName))
        return false;
    QSettings settings(registryPath(rootName, keyParts), QSettings::NativeFormat);
    const QString name = qtValueName(valueName);
    // QSettings would take a subkey of the same name with the value.
    if (!settings.contains(name) || (!valueName.isEmpty() && containsName(settings.childGroups(), name)))
        return false;
    settings.remove(name);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

bool deleteKey(const QString &rootName, const QStringList &keyParts)
{
    if (keyParts.isEmpty())
        return false;
    QSettings settings(registryPath(rootName, keyParts.first(keyParts.size() - 1)), QSettings::NativeFormat);
    const QString child = qtName(keyParts.last());
    if (!containsName(settings.childGroups(), child))
        return false;
    settings.beginGroup(child);
    const bool hasSubkeys = !settings.childGroups().isEmpty();
    settings.endGroup();
    if (hasSubkeys)
        return false;
    settings.remove(child);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace NativeRegistry
