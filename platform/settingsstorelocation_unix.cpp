#include "settingsstorelocation.h"

#include <QDir>
#include <QStandardPaths>

QString UserSettingsStoreLocation::storeFolder() const
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    // Without a configuration folder there is nowhere sensible to write; an
    // empty answer makes every read give its default and every write fail.
    if (config.isEmpty())
        return {};
    return QDir(config).filePath(QStringLiteral("Snipora"));
}
