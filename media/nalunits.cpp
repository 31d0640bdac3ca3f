#include "nalunits.h"

namespace NalUnits {

namespace {

enum Kind : int {
    kSlice = 1,
    kPartitionA = 2,
    kPartitionC = 4,
    kSei = 6,
    kDelimiter = 9,
    kFiller = 12,
};

// Looks at one NAL unit's header byte; false when the packet cannot be left out.
bool allows(uint8_t header, bool &sawSlice)
{
    if (header & 0x80) // forbidden_zero_bit: damaged
        return false;
    const int kind = header & 0x1f;
    const int refIdc = (header >> 5) & 3;
    if (kind >= kSlice && kind <= kPartitionC) {
        sawSlice = true;
        return refIdc == 0;
    }
    return kind == kSei || kind == kDelimiter || kind == kFiller;
}

} // namespace

int h264LengthSize(const uint8_t *extradata, qsizetype size)
{
    // avcC starts with configurationVersion 1; its fifth byte's low bits are the size less one.
    if (!extradata || size < 7 || extradata[0] != 1)
        return 0;
    const int lengthSize = (extradata[4] & 3) + 1;
    return lengthSize == 3 ? 0 : lengthSize; // 3 is not a size the format allows
}

bool h264NothingRefersTo(const uint8_t *data, qsizetype size, int lengthSize)
{
    if (!data || size <= 0)
        return false;
    bool sawSlice = false;
    if (lengthSize > 0) {
        qsizetype at = 0;
        while (at < size) {
            if (size - at < lengthSize + 1)
                return false;
            qsizetype length = 0;
            for (int i = 0; i < lengthSize; ++i)
                length = (length << 8) | data[at + i];
            at += lengthSize;
            if (length <= 0 || length > size - at || !allows(data[at], sawSlice))
                return false;
            at += length;
        }
        return sawSlice;
    }
    // Start codes: 00 00 01 before each unit (a fourth zero before it belongs to the one before).
    bool sawUnit = false;
    for (qsizetype at = 0; at + 3 < size; ++at) {
        if (data[at] != 0 || data[at + 1] != 0 || data[at + 2] != 1)
            continue;
        if (!allows(data[at + 3], sawSlice))
            return false;
        sawUnit = true;
        at += 3;
    }
    return sawUnit && sawSlice;
}

} // namespace NalUnits
