#include "catalogue.h"

#include "messagesink.h"
#include "textutil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace {

const QString kLineBreak = QStringLiteral("\r\n");
const QString kXmlHeader = QStringLiteral("<?xml version=\"1.0\"?>");

QString decode(const QByteArray &content)
{
    // A byte-order mark is not special to the reader: keep it as a character
    // so that a marked file's first line no longer equals the header.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder(content);
}

struct FieldFailure
{
    QString description;
};

// A field line cut into tag and value with the positions the file format is
// defined by (1-based, 0 for a missing character). Returns the value when the
// tag is one of fieldTags, nothing for any other tag, or the failure of a cut
// with negative length.
using FieldCut = std::variant<std::monostate, std::pair<QString, QString>, FieldFailure>;

FieldCut cutField(const QString &line, const QStringList &fieldTags)
{
    const qsizetype open = line.indexOf(u'<') + 1;
    const qsizetype close = line.indexOf(u'>') + 1;
    const qsizetype tagLength = close - open - 1;
    if (tagLength < 0)
        return FieldFailure{QCoreApplication::translate("Catalogue", "a field line without a tag between \"<\" and \">\"")};
    const QString tag = line.mid(open, tagLength);
    if (!fieldTags.contains(tag))
        return std::monostate{};
    const qsizetype valueStart = open + tag.size() + 2;
    const qsizetype closingTag = line.indexOf(QStringLiteral("</") + tag, 0, Qt::CaseInsensitive) + 1;
    const qsizetype valueLength = closingTag - valueStart;
    if (valueLength < 0)
        return FieldFailure{QCoreApplication::translate("Catalogue", "the closing tag </%1> is missing").arg(tag)};
    return std::pair{tag, line.mid(valueStart - 1, valueLength)};
}

QString lineFailure(qsizetype index, const QString &what)
{
    // The detail is a clause of its own after the line, so it reads whole in any language.
    return QCoreApplication::translate("Catalogue", "Line %1: %2.").arg(index + 1).arg(what);
}

QString overflowFailure(qsizetype index)
{
    return lineFailure(index, QCoreApplication::translate("Catalogue", "overflow, the file has more lines than the reader can count"));
}

// The lines of a whole file, one at a time, split at CR LF exactly as
// QString::split would split them (an empty text is one empty line). Lines are
// views into the text: a file of millions of empty lines costs no more memory
// than its text, and the walk stops at the line limit without reading on.
class LineCursor
{
public:
    explicit LineCursor(QStringView text) : m_text(text) {}

    std::optional<QStringView> next()
    {
        if (m_done)
            return std::nullopt;
        const qsizetype lineBreak = m_text.indexOf(kLineBreak, m_pos);
        if (lineBreak < 0) {
            m_done = true;
            return m_text.sliced(m_pos);
        }
        const QStringView line = m_text.sliced(m_pos, lineBreak - m_pos);
        m_pos = lineBreak + kLineBreak.size();
        return line;
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
    bool m_done = false;
};

// The walk shared by both catalogues. Entry is the slot type, fieldLines the
// number of field lines after an opening line; isSkipped classifies the line at
// the reader; startsNewSlot decides whether the current slot is kept; setField
// stores one value. Returns the failure's description, if any.
template <typename Entry, typename IsSkipped, typename StartsNewSlot, typename SetField>
std::optional<QString> walkBlocks(QStringView text, int maxLineIndex, int fieldLines, const QStringList &fieldTags,
                                  QList<Entry> &entries, qint32 &count, IsSkipped isSkipped,
                                  StartsNewSlot startsNewSlot, SetField setField)
{
    entries.resize(count + 1);
    LineCursor lines(text);
    qsizetype i = 0;
    while (const std::optional<QStringView> line = lines.next()) {
        if (i > maxLineIndex)
            return overflowFailure(i);
        if (isSkipped(line->toString())) {
            ++i;
            continue;
        }
        if (startsNewSlot(entries.at(count)))
            ++count;
        entries.resize(count + 1);
        for (int k = 1; k <= fieldLines; ++k) {
            const qsizetype at = i + k;
            if (at > maxLineIndex)
                return overflowFailure(at);
            const std::optional<QStringView> fieldLine = lines.next();
            if (!fieldLine)
                return lineFailure(i, QCoreApplication::translate("Catalogue", "the block runs past the end of the file"));
            const FieldCut cut = cutField(fieldLine->toString(), fieldTags);
            if (const auto *failure = std::get_if<FieldFailure>(&cut))
                return lineFailure(at, failure->description);
            if (const auto *field = std::get_if<std::pair<QString, QString>>(&cut))
                setField(entries[count], field->first, field->second);
        }
        // The closing line is skipped by position, whatever it holds.
        lines.next();
        i += fieldLines + 2;
    }
    // The index also steps past the last line; in 16 bits that step overflows
    // for a file with more lines than the limit, even when they all fit.
    if (i > maxLineIndex)
        return overflowFailure(i);
    ++count;
    return std::nullopt;
}

QString describeRead(const QString &path, const QString &what)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), what);
}

} // namespace

std::variant<QByteArray, QString> ReadCatalogueFile(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return describeRead(path, QCoreApplication::translate("Catalogue", "file not found"));
    if (!file.open(QIODevice::ReadOnly))
        return describeRead(path, file.errorString());
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return describeRead(path, file.errorString());
    if (content.isEmpty())
        return describeRead(path, QCoreApplication::translate("Catalogue", "input past end of file (the file is empty)"));
    return content;
}

PresetsLoad ReadPresets(const QByteArray &content, int maxLineIndex)
{
    PresetsLoad result;
    const QString text = decode(content);
    if (trimSpaces(text).isEmpty())
        return result;

    static const QStringList tags{QStringLiteral("label"), QStringLiteral("params"), QStringLiteral("extension"),
                                  QStringLiteral("category")};
    const auto isSkipped = [](const QString &line) {
        return line.isEmpty() || line == kXmlHeader || line == u"<presets>" || line == u"</presets>"
               || line.contains(u"</");
    };
    // A block without a category is overwritten by the next one.
    const auto startsNewSlot = [](const PresetEntry &entry) { return !entry.category.isEmpty(); };
    const auto setField = [](PresetEntry &entry, const QString &tag, const QString &value) {
        if (tag == u"label")
            entry.label = value;
        else if (tag == u"params")
            entry.params = value;
        else if (tag == u"extension")
            entry.extension = value;
        else
            entry.category = value;
    };
    result.failure = walkBlocks(text, maxLineIndex, 4, tags, result.Presets,
                                result.PresetCount, isSkipped, startsNewSlot, setField);
    if (result.failure)
        return result;

    QStringList categories;
    for (qint32 i = 0; i < result.PresetCount; ++i) {
        // A plain scan keeps the order of first occurrence; the lists are short.
        const QString &category = result.Presets.at(i).category;
        if (!categories.contains(category))
            categories.append(category);
    }
    result.categoryItems = categories;
    return result;
}

CodecsLoad ReadCodecs(const QByteArray &content, int maxLineIndex)
{
    CodecsLoad result;
    const QString text = decode(content);
    if (trimSpaces(text).isEmpty())
        return result;

    static const QStringList tags{QStringLiteral("name"), QStringLiteral("description"), QStringLiteral("type")};
    const auto isSkipped = [](const QString &line) {
        const QString trimmed = trimSpaces(line);
        return trimmed == kXmlHeader || trimmed == u"<codecs>" || trimmed == u"</codecs>" || line.isEmpty()
               || line.contains(u"</");
    };
    const auto startsNewSlot = [](const CodecEntry &entry) { return !entry.description.isEmpty(); };
    const auto setField = [](CodecEntry &entry, const QString &tag, const QString &value) {
        if (tag == u"name")
            entry.name = value;
        else if (tag == u"description")
            entry.description = value;
        else
            entry.type = value;
    };
    result.failure = walkBlocks(text, maxLineIndex, 3, tags, result.Codecs, result.CodecCount,
                                isSkipped, startsNewSlot, setField);
    if (result.failure)
        return result;

    QStringList video;
    QStringList audio;
    for (qint32 i = 0; i < result.CodecCount; ++i) {
        const CodecEntry &entry = result.Codecs.at(i);
        if (entry.type == u"video codec") {
            video.append(entry.description);
        } else if (entry.type == u"audio codec") {
            audio.append(entry.description);
        } else if (entry.type == u"general") {
            video.append(entry.description);
            audio.append(entry.description);
        }
    }
    result.videoItems = video;
    result.audioItems = audio;
    // The lists are filled even so; only selecting their first item fails.
    if (video.isEmpty())
        result.failure = QCoreApplication::translate("Catalogue", "No video codec to select: the video codec list is empty.");
    else if (audio.isEmpty())
        result.failure = QCoreApplication::translate("Catalogue", "No audio codec to select: the audio codec list is empty.");
    return result;
}

namespace {

template <typename Load, typename Reader>
Load loadCatalogue(const QString &path, const char *sentence, MessageSink &sink, Reader reader)
{
    Load result;
    const auto content = ReadCatalogueFile(path);
    if (const auto *failure = std::get_if<QString>(&content))
        result.failure = *failure;
    else
        result = reader(std::get<QByteArray>(content));
    if (result.failure)
        sink.showMessage(*result.failure + kLineBreak + QCoreApplication::translate("Catalogue", sentence),
                         MessageIcon::None, kAppTitle);
    return result;
}

} // namespace

PresetsLoad LoadPresets(const QString &programDir, MessageSink &sink)
{
    return loadCatalogue<PresetsLoad>(QDir(programDir).filePath(kPresetsFileName), kPresetsLoadMessage, sink,
                                      [](const QByteArray &content) { return ReadPresets(content); });
}

CodecsLoad LoadCodecs(const QString &programDir, MessageSink &sink)
{
    return loadCatalogue<CodecsLoad>(QDir(programDir).filePath(kCodecsFileName), kCodecsLoadMessage, sink,
                                     [](const QByteArray &content) { return ReadCodecs(content); });
}
