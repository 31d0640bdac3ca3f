#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The Windows registry through QSettings' native format (cregister_win.cpp).
// Key paths come as their parts, value names with "" for the default value.
// Only built on Windows; elsewhere CRegister has no native store.
namespace NativeRegistry {

std::optional<QString> read(const QString &rootName, const QStringList &keyParts, const QString &valueName);
bool write(const QString &rootName, const QStringList &keyParts, const QString &valueName, const QString &value);
bool deleteValue(const QString &rootName, const QStringList &keyParts, const QString &valueName);
bool deleteKey(const QString &rootName, const QStringList &keyParts);

} // namespace NativeRegistry
