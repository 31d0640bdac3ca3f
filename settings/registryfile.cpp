#include "registryfile.h"

#include <QIODevice>
#include <QMap>

using namespace Qt::StringLiterals;

namespace RegistryFile {

namespace {

constexpr QChar kValueMark = u'@';

bool isControl(QChar ch) { return ch.unicode() < 0x20 || ch.unicode() == 0x7f; }
// Whatever QString::trimmed() takes off the ends of a line or a name when the
// file is read, the no-break space and other Unicode spaces included.
bool isBlank(QChar ch) { return ch.isSpace(); }

void appendEscaped(QString &out, QChar ch)
{
    // One escape per UTF-8 byte, as unescape collects them. Escaped characters
    // are never surrogates.
    for (const char byte : QString(ch).toUtf8()) {
        out += u'%';
        out += QString::number(uchar(byte), 16).rightJustified(2, u'0').toUpper();
    }
}

int hexDigit(QChar ch)
{
    const char16_t c = ch.unicode();
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Brings a name as found in a file (possibly typed by hand) to the one
// spelling escapeName gives it, so "a%41" and "aA" name the same value.
QString canonicalName(QStringView raw) { return escapeName(unescape(raw)); }

} // namespace

QString escapeName(QStringView name)
{
    QString out;
    out.reserve(name.size());
    const qsizetype last = name.size() - 1;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar ch = name.at(i);
        const bool special = ch == u'%' || ch == u'/' || ch == u'\\' || ch == u'=' || isControl(ch);
        const bool badFirst = i == 0
                              && (ch == kValueMark || ch == u'[' || ch == u';' || ch == u'#' || isBlank(ch));
        const bool badLast = i == last && isBlank(ch);
        if (special || badFirst || badLast)
            appendEscaped(out, ch);
        else
            out += ch;
    }
    return out;
}

QString escapeValue(QStringView value)
{
    QString out;
    out.reserve(value.size());
    const qsizetype last = value.size() - 1;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar ch = value.at(i);
        // Blanks at either end would be lost to the trimming of hand-edited lines.
        if (ch == u'%' || isControl(ch) || ((i == 0 || i == last) && isBlank(ch)))
            appendEscaped(out, ch);
        else
            out += ch;
    }
    return out;
}

QString unescape(QStringView text)
{
    if (!text.contains(u'%'))
        return text.toString();
    // Escapes stand for bytes; collect UTF-8 so a hand-written multi-byte
    // sequence (%C3%A9) decodes as one character.
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype percent = text.indexOf(u'%', i);
        if (percent < 0)
            percent = text.size();
        // Plain runs are converted whole, so surrogate pairs stay together.
        bytes += text.sliced(i, percent - i).toUtf8();
        i = percent;
        if (i == text.size())
            break;
        const int high = i + 2 < text.size() ? hexDigit(text.at(i + 1)) : -1;
        const int low = i + 2 < text.size() ? hexDigit(text.at(i + 2)) : -1;
        if (high >= 0 && low >= 0) {
            bytes += char(high * 16 + low);
            i += 3;
        } else {
            bytes += '%';
            ++i;
        }
    }
    return QString::fromUtf8(bytes);
}

QString settingsGroup(const QStringList &keyParts)
{
    QStringList escaped;
    escaped.reserve(keyParts.size());
    for (const QString &part : keyParts)
        escaped += escapeName(part);
    return escaped.join(u'/');
}

QString settingsKey(const QStringList &keyParts, QStringView valueName)
{
    const QString value = kValueMark + escapeName(valueName);
    return keyParts.isEmpty() ? value : settingsGroup(keyParts) + u'/' + value;
}

QSettings::SettingsMap parse(QByteArrayView text)
{
    QSettings::SettingsMap map;
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);

    QString group;            // values before any section belong to the root key
    bool groupUsable = true;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        const QString line = QString::fromUtf8(text.sliced(start, end - start)).trimmed();
        start = end + 1;

        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            groupUsable = false;
            if (!line.endsWith(u']') || line.size() < 2)
                continue;
            const QString inner = line.sliced(1, line.size() - 2).trimmed();
            QStringList parts;
            bool partsUsable = true;
            if (!inner.isEmpty()) {
                for (const QString &raw : inner.split(u'\\')) {
                    const QString part = unescape(raw.trimmed());
                    partsUsable = partsUsable && !part.isEmpty();
                    parts += part;
                }
            }
            if (partsUsable) {
                group = settingsGroup(parts);
                groupUsable = true;
            }
            continue;
        }

        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0 || !groupUsable)
            continue;
        const QString rawName = line.first(equals).trimmed();
        const QString name = rawName == QString(kValueMark) ? QString() : canonicalName(rawName);
        const QString key = kValueMark + name;
        map.insert(group.isEmpty() ? key : group + u'/' + key, unescape(line.sliced(equals + 1).trimmed()));
    }
    return map;
}

QByteArray format(const QSettings::SettingsMap &map)
{
    // Group the values by key, keeping the map's key order inside each.
    QMap<QString, QStringList> sections;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QString &key = it.key();
        const qsizetype slash = key.lastIndexOf(u'/');
        const QString group = slash < 0 ? QString() : key.first(slash);
        const QString segment = key.sliced(slash + 1);
        QString name;
        if (segment == QString(kValueMark))
            name = QString(kValueMark);
        else if (segment.startsWith(kValueMark))
            name = segment.sliced(1);
        else
            name = escapeName(segment); // a key not made by settingsKey: keep it as a value
        sections[group] += name + u'=' + escapeValue(it.value().toString());
    }

    QString out;
    for (auto it = sections.cbegin(); it != sections.cend(); ++it) {
        // The root key's values come first (the empty group sorts first) and
        // need no header; every other key gets one.
        if (!it.key().isEmpty()) {
            if (!out.isEmpty())
                out += u'\n';
            out += u'[' + QString(it.key()).replace(u'/', u'\\') + u"]\n"_s;
        }
        for (const QString &line : it.value())
            out += line + u'\n';
    }
    return out.toUtf8();
}

namespace {

bool readDevice(QIODevice &device, QSettings::SettingsMap &map)
{
    map = parse(device.readAll());
    return true;
}

bool writeDevice(QIODevice &device, const QSettings::SettingsMap &map)
{
    const QByteArray text = format(map);
    return device.write(text) == text.size();
}

} // namespace

QSettings::Format settingsFormat()
{
    static const QSettings::Format registered =
        QSettings::registerFormat(u"ini"_s, readDevice, writeDevice, Qt::CaseSensitive);
    return registered;
}

} // namespace RegistryFile
