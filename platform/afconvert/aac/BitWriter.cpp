#include "platform/afconvert/aac/BitWriter.h"

namespace sondrel::afconvert::aac {

void BitWriter::put(uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        const size_t byte = m_bits >> 3;
        if (byte == m_bytes.size())
            m_bytes.push_back(0);
        if ((value >> i) & 1u)
            m_bytes[byte] |= static_cast<uint8_t>(0x80u >> (m_bits & 7));
        ++m_bits;
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
