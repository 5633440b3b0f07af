#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sondrel::afconvert {

// Grows a raw AAC access unit (no ADTS header) to exactly targetBytes by
// inserting fill elements (ID_FIL with EXT_FILL payload, which every decoder
// skips) in front of its closing ID_END element. This is how a constant bit
// rate is kept when the encoder's frame came out smaller than the rate allows.
// Returns false, leaving the packet unchanged, when it is already as large or
// larger, or does not end in an ID_END element.
bool padAacPacket(std::vector<uint8_t>& packet, size_t targetBytes);

} // namespace sondrel::afconvert
