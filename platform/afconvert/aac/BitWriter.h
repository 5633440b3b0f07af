#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sondrel::afconvert::aac {

// Writes bits most significant first, as MPEG bitstreams are read.
class BitWriter {
public:
    // Appends the low `count` bits of value (count 0 to 32).
    void put(uint32_t value, int count);
    // Pads with zero bits up to the next byte.
    void alignToByte();
    size_t bitCount() const { return m_bits; }
    // The bytes written so far; a partial last byte is zero-padded.
    const std::vector<uint8_t>& bytes() const { return m_bytes; }
    void clear();

private:
    std::vector<uint8_t> m_bytes;
    size_t m_bits = 0;
};

} // namespace sondrel::afconvert::aac
