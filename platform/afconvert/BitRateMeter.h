#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sondrel::afconvert {

// The average and the one-second peak bit rate of a stream of packets, each
// holding framesPerPacket frames. The peak is the most any run of
// ceil(sampleRate / framesPerPacket) packets carries (a second, rounded up to
// whole packets), as a rate; a stream shorter than that counts as one run.
class BitRateMeter {
public:
    BitRateMeter(int sampleRate, int framesPerPacket);

    void add(size_t packetBytes);
    // Bits over the stream's duration (packets times framesPerPacket), bit/s.
    int64_t average() const;
    int64_t peak() const;

private:
    double rate(int64_t bytes, size_t packets) const;

    int m_sampleRate;
    int m_framesPerPacket;
    std::vector<int64_t> m_window; // the last packets, as a ring
    size_t m_packets = 0;
    int64_t m_bytes = 0;
    int64_t m_windowBytes = 0;
    int64_t m_peakBytes = 0;
};

} // namespace sondrel::afconvert
