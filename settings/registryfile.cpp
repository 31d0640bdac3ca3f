#include "registryfile.h"

#include <QHash>
#include <QIODevice>
#include <QMap>
#include <QStringDecoder>

#include <iterator>

using namespace Qt::StringLiterals;

namespace RegistryFile {

namespace {

constexpr QChar kValueMark = u'@';

// A segment of a QSettings key that marks the key it ends as existing; escapeName
// never gives it, since it escapes every "%".
constexpr QStringView kKeyMark = u"%";
constexpr QChar kByteOrderMark = QChar(0xFEFF);

bool isControl(QChar ch) { return ch.unicode() < 0x20 || ch.unicode() == 0x7f; }

// UTF-8 to text keeping a U+FEFF at the start, which QString::fromUtf8 drops:
// a name or a text that begins with one must read back with it.
QString decodeUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder(bytes);
}
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
        // A U+FEFF at the start of the file's first line would be taken for
        // the file's byte-order mark.
        const bool badFirst = i == 0
                              && (ch == kValueMark || ch == u'[' || ch == u';' || ch == u'#' || isBlank(ch)
                                  || ch == kByteOrderMark);
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
    return decodeUtf8(bytes);
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

QString keyMarker(const QString &group)
{
    return group.isEmpty() ? QString() : group + u'/' + kKeyMark;
}

bool isKeyMarker(QStringView settingsKey)
{
    return settingsKey.endsWith(QString(u'/' + kKeyMark));
}

QSettings::SettingsMap parse(QByteArrayView text)
{
    QSettings::SettingsMap map;
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);

    // Names compare without regard to letter case, as in the registry: the
    // first spelling met names a key or a value for good, and a later line of
    // the same name, however spelt, replaces the text.
    QHash<QString, QString> spellings;
    const auto spelling = [&spellings](const QString &settingsKey) {
        const QString folded = settingsKey.toCaseFolded();
        auto it = spellings.constFind(folded);
        if (it == spellings.cend())
            it = spellings.insert(folded, settingsKey);
        return *it;
    };

    QString group;            // values before any section belong to the root key
    bool groupUsable = true;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        const QString line = decodeUtf8(text.sliced(start, end - start)).trimmed();
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
                group.clear();
                for (const QString &part : std::as_const(parts))
                    group = spelling(group.isEmpty() ? escapeName(part) : group + u'/' + escapeName(part));
                // A section names a key as existing, values or not.
                if (!group.isEmpty())
                    map.insert(keyMarker(group), QString());
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
        map.insert(spelling(group.isEmpty() ? key : group + u'/' + key), unescape(line.sliced(equals + 1).trimmed()));
    }

    // A key with a value or a subkey exists through them; only an empty key
    // keeps its mark.
    for (auto it = map.begin(); it != map.end();) {
        if (!isKeyMarker(it.key())) {
            ++it;
            continue;
        }
        // Keys below sort right around the mark, before or after it.
        const QString below = it.key().chopped(kKeyMark.size());
        const auto next = std::next(it);
        const bool hasBelow = (next != map.end() && next.key().startsWith(below))
                              || (it != map.begin() && std::prev(it).key().startsWith(below));
        it = hasBelow ? map.erase(it) : next;
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
        if (slash > 0 && segment == kKeyMark) {
            sections[group]; // a header, even with nothing below it
            continue;
        }
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
