#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace sondrel::afconvert {

// Builds big-endian binary records (every CAF header field is big-endian).
class BigEndianBuffer {
public:
    void u8(uint8_t value) { m_bytes.push_back(value); }
    void u16(uint16_t value) { putBytes(value, 2); }
    void u24(uint32_t value) { putBytes(value, 3); }
    void u32(uint32_t value) { putBytes(value, 4); }
    void u64(uint64_t value) { putBytes(value, 8); }
    void f64(double value) { u64(std::bit_cast<uint64_t>(value)); }
    // A four-character code, written byte by byte in reading order.
    void fourCC(std::string_view code) {
        for (size_t i = 0; i < 4; ++i)
            u8(i < code.size() ? static_cast<uint8_t>(code[i]) : ' ');
    }
    void bytes(const std::vector<uint8_t>& more) {
        m_bytes.insert(m_bytes.end(), more.begin(), more.end());
    }
    void zeros(size_t count) { m_bytes.insert(m_bytes.end(), count, 0); }

    const std::vector<uint8_t>& data() const { return m_bytes; }
    size_t size() const { return m_bytes.size(); }

private:
    void putBytes(uint64_t value, int count) {
        for (int i = count - 1; i >= 0; --i)
            m_bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }

    std::vector<uint8_t> m_bytes;
};

// Appends a CAF packet-table integer: big-endian base 128, the high bit set on
// every byte but the last.
inline void appendVarint(std::vector<uint8_t>& out, uint64_t value) {
    uint8_t groups[10];
    int count = 0;
    do {
        groups[count++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        out.push_back(static_cast<uint8_t>(groups[--count] | 0x80));
    out.push_back(groups[0]);
}

inline uint32_t readBigEndian32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

inline uint64_t readBigEndian64(const uint8_t* p) {
    return (uint64_t(readBigEndian32(p)) << 32) | readBigEndian32(p + 4);
}

} // namespace sondrel::afconvert
