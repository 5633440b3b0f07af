#pragma once

#include <cstdint>
#include <vector>

namespace sondrel::afconvert {

// The bit rates an AAC stream declares in its decoder configuration. A
// variable-rate stream declares an average of 0.
struct AacBitRates {
    uint32_t average = 0;
    uint32_t maximum = 0;
};

// Builds the CAF 'kuki' body of an AAC stream: a bare MPEG-4 ES_Descriptor
// (what an MP4 'esds' box holds after its version and flags) around the
// encoder's AudioSpecificConfig. Every descriptor length uses the four-byte
// form, which every reader accepts. Returns an empty vector when the
// configuration is empty or too large for a descriptor.
std::vector<uint8_t> makeAacMagicCookie(const std::vector<uint8_t>& audioSpecificConfig,
                                        AacBitRates rates);

} // namespace sondrel::afconvert
