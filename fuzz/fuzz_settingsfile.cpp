// The settings file reader over arbitrary file contents. Asserted: what one
// read gives, written and read again, gives the same values; the text written
// is stable; and no two names are left that differ only in letter case.

#include "fuzzcheck.h"
#include "registryfile.h"

#include <QSet>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QSettings::SettingsMap first =
        RegistryFile::parse(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QByteArray written = RegistryFile::format(first);
    const QSettings::SettingsMap second = RegistryFile::parse(written);
    FUZZ_CHECK(first == second);
    FUZZ_CHECK(RegistryFile::format(second) == written);

    QSet<QString> folded;
    for (auto it = first.cbegin(); it != first.cend(); ++it) {
        FUZZ_CHECK(!folded.contains(it.key().toCaseFolded()));
        folded.insert(it.key().toCaseFolded());
        // Every value and every mark is held as text.
        FUZZ_CHECK(it.value().typeId() == QMetaType::QString);
    }
    return 0;
}
