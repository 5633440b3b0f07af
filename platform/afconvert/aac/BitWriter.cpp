#include "platform/afconvert/aac/BitWriter.h"

#include <algorithm>

namespace sondrel::afconvert::aac {

// A byte's worth at a time: the spectral data of a packet is thousands of
// codewords, and a bit at a time cost 6% of encoding.
void BitWriter::put(uint32_t value, int count) {
    while (count > 0) {
        const int used = static_cast<int>(m_bits & 7);
        if (used == 0)
            m_bytes.push_back(0);
        const int take = std::min(8 - used, count);
        const uint32_t chunk = (value >> (count - take)) & ((1u << take) - 1u);
        m_bytes.back() |= static_cast<uint8_t>(chunk << (8 - used - take));
        count -= take;
        m_bits += static_cast<size_t>(take);
    }
}

void BitWriter::alignToByte() {
    m_bits = (m_bits + 7) & ~size_t{7};
}

void BitWriter::clear() {
    m_bytes.clear();
    m_bits = 0;
}

} // namespace sondrel::afconvert::aac
