#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sondrel::afconvert {

// Keeps a constant-quality AAC stream under a bit-rate ceiling over every run
// of windowPackets packets (one second), by narrowing the coded audio band for
// the packets that would break it. After each packet it looks at what the last
// windowPackets - 1 packets spent, guesses the next packet from the recent ones
// and, when the two would come near the ceiling, lowers the band so that the
// next packet shrinks in proportion; while there is room again the band widens
// back, a few percent a packet, to the full band. A narrower band is the one
// thing the encoder's constant-quality mode lets a caller change between
// packets, and it costs the least where the ceiling is reached: on dense,
// loud passages. Streams that stay under the ceiling are left untouched.
class AacPeakLimiter {
public:
    // The share of the ceiling the last second may reach before the band narrows.
    static constexpr double kPressure = 0.92;

    // ceiling in bit/s; bandwidths in Hz.
    AacPeakLimiter(int64_t ceiling, int sampleRate, int fullBandwidth);

    // Takes the size of the packet just made; returns the band for the next one.
    int record(int64_t packetBits);
    int bandwidth() const { return m_bandwidth; }
    int windowPackets() const { return static_cast<int>(m_window.size()) + 1; }

private:
    double m_budget; // bits any window may hold
    int m_fullBandwidth;
    int m_bandwidth;
    std::vector<int64_t> m_window; // the last windowPackets - 1 packets, as a ring
    size_t m_next = 0;
    int64_t m_spent = 0;   // their sum
    double m_expected = 0; // the recent packet size
};

} // namespace sondrel::afconvert
