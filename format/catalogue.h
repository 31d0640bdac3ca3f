#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

class MessageSink;

// One ready-made output format from presets.xml. Fields are verbatim file text.
struct PresetEntry
{
    QString label;
    QString params;
    QString extension;
    QString category;
};

// One codec the custom format offers, from codecs.xml. type is "video codec",
// "audio codec" or "general"; any other type keeps the entry out of the lists.
struct CodecEntry
{
    QString name;
    QString description;
    QString type;
};

// The outcome of reading presets.xml. Presets may hold one slot more than
// PresetCount (the slot being filled when a load stopped); only indices below
// PresetCount are valid entries.
struct PresetsLoad
{
    QList<PresetEntry> Presets;
    qint32 PresetCount = 0;
    // The items for cmbCategory, which then selects index 0. Unset: leave the
    // list as it is (failed or silently empty load).
    std::optional<QStringList> categoryItems;
    // The failure's own short description; unset when nothing failed.
    std::optional<QString> failure;
};

// The outcome of reading codecs.xml. When set, the item lists replace the
// contents of cmbCVCodec and cmbCACodec; the caller then selects index 0 of
// the video list and of the audio list, in that order, as long as there is one.
// An empty list after filling is itself a failure (failure is set).
struct CodecsLoad
{
    QList<CodecEntry> Codecs;
    qint32 CodecCount = 0;
    std::optional<QStringList> videoItems;
    std::optional<QStringList> audioItems;
    std::optional<QString> failure;
};

// The reader counts lines in a 16-bit signed index: stepping past this line
// index is an overflow and stops the load like any other failure.
inline constexpr int kCatalogueMaxLineIndex = 32767;

inline const QString kPresetsFileName = QStringLiteral("presets.xml");
inline const QString kCodecsFileName = QStringLiteral("codecs.xml");
// The sentences under a failed load, in English; shown translated (context "Catalogue").
inline constexpr char kPresetsLoadMessage[] = QT_TRANSLATE_NOOP("Catalogue", "Error Occured while Loading Presets.");
inline constexpr char kCodecsLoadMessage[] = QT_TRANSLATE_NOOP("Catalogue", "Error Occured while Loading Codecs.");

// Whole-file read of a catalogue: the bytes, or the failure's description.
// A file of zero length is a failure (there is nothing to read).
std::variant<QByteArray, QString> ReadCatalogueFile(const QString &path);

// Line walks over a whole catalogue file's bytes (UTF-8, a byte-order mark is
// kept as a character; lines end at CR LF only). maxLineIndex exists so a
// benchmark can time files beyond the reader's line limit.
PresetsLoad ReadPresets(const QByteArray &content, int maxLineIndex = kCatalogueMaxLineIndex);
CodecsLoad ReadCodecs(const QByteArray &content, int maxLineIndex = kCatalogueMaxLineIndex);

// Read presets.xml / codecs.xml from the program folder and show a failure
// through sink (no icon): the description, CR LF, and the fixed sentence.
PresetsLoad LoadPresets(const QString &programDir, MessageSink &sink);
CodecsLoad LoadCodecs(const QString &programDir, MessageSink &sink);
