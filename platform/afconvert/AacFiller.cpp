#include "platform/afconvert/AacFiller.h"

namespace sondrel::afconvert {

namespace {

constexpr unsigned kIdFil = 6;
constexpr unsigned kIdEnd = 7;
constexpr int kMaxPlainCount = 14;    // count field 0..14 is the byte count itself
constexpr int kMaxEscapedCount = 269; // count 15 + esc_count 255 - 1
constexpr size_t kFilHeaderBits = 3 + 4;
constexpr size_t kEscapedHeaderBits = 3 + 4 + 8;

class BitWriter {
public:
    void put(unsigned value, int bits) {
        for (int i = bits - 1; i >= 0; --i)
            putBit((value >> i) & 1u);
    }
    void putBit(unsigned bit) {
        if (m_bits % 8 == 0)
            m_bytes.push_back(0);
        if (bit)
            m_bytes.back() |= static_cast<uint8_t>(0x80u >> (m_bits % 8));
        ++m_bits;
    }
    size_t bits() const { return m_bits; }
    std::vector<uint8_t> take() { return std::move(m_bytes); }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_bits = 0;
};

// One fill element whose payload is `count` bytes: extension_type EXT_FILL
// (0000), fill_nibble 0000, then count - 1 fill bytes 10100101.
void putFill(BitWriter& out, int count, bool escaped) {
    out.put(kIdFil, 3);
    if (!escaped) {
        out.put(static_cast<unsigned>(count), 4);
    } else {
        out.put(15, 4);
        out.put(static_cast<unsigned>(count - kMaxPlainCount), 8); // esc_count
    }
    if (count == 0)
        return;
    out.put(0, 8); // extension_type EXT_FILL, fill_nibble
    for (int i = 1; i < count; ++i)
        out.put(0xA5, 8);
}

} // namespace

bool padAacPacket(std::vector<uint8_t>& packet, size_t targetBytes) {
    if (packet.empty() || packet.size() >= targetBytes)
        return false;
    // ID_END is the last three bits set before the zero bits of the byte alignment.
    size_t lastSet = packet.size() * 8;
    while (lastSet > 0 && !((packet[(lastSet - 1) / 8] >> (7 - (lastSet - 1) % 8)) & 1u))
        --lastSet;
    if (lastSet < 3)
        return false;
    const size_t endStart = lastSet - 3;
    auto bitAt = [&](size_t i) { return (packet[i / 8] >> (7 - i % 8)) & 1u; };
    if (!(bitAt(endStart) && bitAt(endStart + 1) && bitAt(endStart + 2)))
        return false;

    BitWriter out;
    for (size_t i = 0; i < endStart; ++i)
        out.putBit(bitAt(i));
    const size_t targetBits = targetBytes * 8;
    for (;;) {
        // Room left for fill elements, keeping three bits for ID_END.
        const size_t room = targetBits - out.bits() - 3;
        if (room < kFilHeaderBits + 8 * kMaxPlainCount + 8) {
            putFill(out, static_cast<int>((room - kFilHeaderBits) / 8), false);
            break;
        }
        if (room <= kEscapedHeaderBits + 8 * size_t(kMaxEscapedCount)) {
            putFill(out, static_cast<int>((room - kEscapedHeaderBits) / 8), true);
            break;
        }
        putFill(out, kMaxEscapedCount, true);
    }
    out.put(kIdEnd, 3);
    std::vector<uint8_t> padded = out.take();
    if (padded.size() != targetBytes)
        return false;
    packet = std::move(padded);
    return true;
}

} // namespace sondrel::afconvert
