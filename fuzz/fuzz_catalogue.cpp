// The catalogue readers over arbitrary file contents: both readers, with the
// real line limit and with a small one that reaches the overflow paths.

#include "catalogue.h"
#include "fuzzcheck.h"

#include <QSet>

#include <cstddef>
#include <cstdint>

namespace {

constexpr int kSmallLineLimit = 40;

template <typename Entry>
void checkSlots(const QList<Entry> &entries, qint32 count, bool failed, bool blank)
{
    FUZZ_CHECK(count >= 0);
    if (blank) {
        // Nothing but spaces: nothing read, nothing failed.
        FUZZ_CHECK(entries.isEmpty() && count == 0 && !failed);
    } else if (failed) {
        // A stopped load keeps the slot it was filling beyond the count.
        FUZZ_CHECK(entries.size() == count + 1);
    } else {
        FUZZ_CHECK(entries.size() == count && count >= 1);
    }
}

bool hasLineBreak(const QString &text)
{
    return text.contains(QStringLiteral("\r\n"));
}

void checkPresets(const QByteArray &content, int maxLineIndex)
{
    const PresetsLoad load = ReadPresets(content, maxLineIndex);
    const bool blank = !load.failure && !load.categoryItems;
    checkSlots(load.Presets, load.PresetCount, load.failure.has_value(), blank);
    FUZZ_CHECK(load.failure.has_value() != load.categoryItems.has_value() || blank);
    if (load.failure)
        FUZZ_CHECK(load.failure->startsWith(QStringLiteral("Line ")));
    // A block is at least six lines, and fields never span lines.
    FUZZ_CHECK(load.PresetCount <= content.count("\r\n") / 6 + 1);
    for (const PresetEntry &entry : load.Presets) {
        FUZZ_CHECK(!hasLineBreak(entry.label) && !hasLineBreak(entry.params) && !hasLineBreak(entry.extension)
                   && !hasLineBreak(entry.category));
    }
    if (load.categoryItems) {
        // Every category once, in the order of first occurrence.
        QStringList expected;
        for (qint32 i = 0; i < load.PresetCount; ++i) {
            if (!expected.contains(load.Presets.at(i).category))
                expected += load.Presets.at(i).category;
        }
        FUZZ_CHECK(*load.categoryItems == expected);
    }
}

void checkCodecs(const QByteArray &content, int maxLineIndex)
{
    const CodecsLoad load = ReadCodecs(content, maxLineIndex);
    const bool listsFilled = load.videoItems.has_value();
    FUZZ_CHECK(listsFilled == load.audioItems.has_value());
    const bool readFailed = load.failure && !listsFilled;
    const bool blank = !load.failure && !listsFilled;
    checkSlots(load.Codecs, load.CodecCount, readFailed, blank);
    FUZZ_CHECK(load.CodecCount <= content.count("\r\n") / 5 + 1);
    if (!listsFilled)
        return;
    qsizetype video = 0;
    qsizetype audio = 0;
    for (qint32 i = 0; i < load.CodecCount; ++i) {
        const QString &type = load.Codecs.at(i).type;
        video += type == u"video codec" || type == u"general";
        audio += type == u"audio codec" || type == u"general";
    }
    FUZZ_CHECK(load.videoItems->size() == video && load.audioItems->size() == audio);
    // Lists that cannot select their first item are the one failure after filling.
    FUZZ_CHECK(load.failure.has_value() == (video == 0 || audio == 0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    checkPresets(content, kCatalogueMaxLineIndex);
    checkCodecs(content, kCatalogueMaxLineIndex);
    checkPresets(content, kSmallLineLimit);
    checkCodecs(content, kSmallLineLimit);
    return 0;
}
