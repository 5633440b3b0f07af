#include "platform/afconvert/ffmpeg/AacPeakLimiter.h"

#include <algorithm>
#include <cmath>

namespace sondrel::afconvert {

namespace {

constexpr int kFramesPerPacket = 1024;
constexpr int kNarrowest = 2000; // Hz
// A guess kPressure of the ceiling leaves room for a packet larger than expected.
constexpr double kRelax = 0.8;      // below this share the band widens again
constexpr double kWiden = 1.04;     // per packet
constexpr double kLargestCut = 0.5; // the most one packet narrows the band by
constexpr double kRecent = 0.3;     // weight of the newest packet in the guess

} // namespace

AacPeakLimiter::AacPeakLimiter(int64_t ceiling, int sampleRate, int fullBandwidth)
    : m_fullBandwidth(fullBandwidth), m_bandwidth(fullBandwidth) {
    const int window = (sampleRate + kFramesPerPacket - 1) / kFramesPerPacket;
    m_budget = static_cast<double>(ceiling) * window * kFramesPerPacket / sampleRate;
    m_window.assign(static_cast<size_t>(std::max(window - 1, 1)), 0);
}

int AacPeakLimiter::record(int64_t packetBits) {
    m_spent += packetBits - m_window[m_next];
    m_window[m_next] = packetBits;
    m_next = (m_next + 1) % m_window.size();
    m_expected = m_expected == 0 ? double(packetBits)
                                 : m_expected + kRecent * (double(packetBits) - m_expected);

    // The next window holds the packets kept here and the next packet.
    const double share = (double(m_spent) + m_expected) / m_budget;
    if (share > kPressure) {
        // Shrink the next packet to what leaves the window at kPressure; the
        // bits a packet takes follow the band roughly in proportion.
        const double room = std::max(kPressure * m_budget - double(m_spent), 0.0);
        const double cut = std::max(room / m_expected, kLargestCut);
        m_bandwidth = std::max(kNarrowest, static_cast<int>(m_bandwidth * cut));
    } else if (share < kRelax) {
        m_bandwidth = std::min(m_fullBandwidth, static_cast<int>(std::ceil(m_bandwidth * kWiden)));
    }
    return m_bandwidth;
}

} // namespace sondrel::afconvert
