#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QStringView>

// The on-disk form of a registry-shaped store where there is no registry.
// One INI-like text file per root key, UTF-8:
//
//     [Software\Tessaly Snipora\Settings]
//     optOtherFolder=True
//     @=text of the key's default (unnamed) value
//
// A section is a key path with its parts separated by "\"; each line below it
// is one value. Characters that would break a line, a path or a name, and
// spaces at either end, are written as %XX per UTF-8 byte, so every name and
// every text reads back unchanged.
//
// Inside QSettings the value "name" of key "a\b" is the key "a/b/@name" and
// the default value is "a/b/@": key path parts never begin with "@", so a
// value and a subkey of the same name never share a QSettings key, and
// removing one never removes the other.
namespace RegistryFile {

// Escapes a key path part or a value name for the file and the QSettings key.
QString escapeName(QStringView name);
// Escapes a value's text for the file.
QString escapeValue(QStringView value);
// Undoes escapeName and escapeValue; a "%" not followed by two hex digits
// stays as it is.
QString unescape(QStringView text);

// QSettings group of a key path (its parts, already split at "\").
QString settingsGroup(const QStringList &keyParts);
// QSettings key of a value; an empty valueName is the key's default value.
QString settingsKey(const QStringList &keyParts, QStringView valueName);

// Reads the file's text into QSettings keys and texts. Never fails: lines it
// cannot understand are skipped, and so are the values of a section whose
// header is broken, so that one bad line costs only what it holds.
QSettings::SettingsMap parse(QByteArrayView text);
// Writes QSettings keys and texts as file text, sections in key order.
QByteArray format(const QSettings::SettingsMap &map);

// The QSettings format backed by parse and format. Its keys are case-
// sensitive (QSettings offers nothing else outside Windows); CRegister finds
// names without regard to letter case itself.
QSettings::Format settingsFormat();

} // namespace RegistryFile
