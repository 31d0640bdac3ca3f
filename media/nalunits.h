#pragma once

#include <QtGlobal>

#include <cstdint>

// H.264 packets read at their NAL units' headers, without a decoder.
namespace NalUnits {

// The bytes of each NAL unit's length prefix an avcC record (the stream's extradata) declares;
// 0 when the extradata is absent or holds start codes (Annex B).
int h264LengthSize(const uint8_t *extradata, qsizetype size);

// Whether the packet holds one picture that nothing refers to (nal_ref_idc 0 in every slice), and
// besides its slices only what concerns that picture alone (SEI, delimiters, filler). The standard
// lets such a packet be left out without changing any other picture, which saves a decoder's
// thread the slot a skipped frame takes. lengthSize as h264LengthSize gives it. False when unsure.
bool h264NothingRefersTo(const uint8_t *data, qsizetype size, int lengthSize);

} // namespace NalUnits
