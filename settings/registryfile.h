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
//
// As in the registry, a key exists from its creation until it is deleted,
// values or not. A key with values or subkeys exists through them; an empty
// one carries a mark, the QSettings key "a/b/%" (keyMarker) for key "a\b",
// and is written as a section header with nothing below it.
//
// Key and value names compare without regard to letter case: reading keeps
// the first spelling of a name, and a later line of the same name in another
// spelling replaces that value's text.
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

// The QSettings key that marks the key of a QSettings group as existing
// (empty for the root key, which always exists); whether a QSettings key is
// such a mark.
QString keyMarker(const QString &group);
bool isKeyMarker(QStringView settingsKey);

// Reads the file's text into QSettings keys and texts. Never fails: lines it
// cannot understand are skipped, and so are the values of a section whose
// header is broken, so that one bad line costs only what it holds.
QSettings::SettingsMap parse(QByteArrayView text);
// Writes QSettings keys and texts as file text, sections in key order.
QByteArray format(const QSettings::SettingsMap &map);

// The QSettings format backed by parse and format. Its keys are case-
// sensitive (QSettings offers nothing else outside Windows); parse merges
// spellings, and CRegister finds names without regard to letter case itself.
QSettings::Format settingsFormat();

} // namespace RegistryFile
