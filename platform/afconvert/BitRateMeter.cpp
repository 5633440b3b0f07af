#include "platform/afconvert/BitRateMeter.h"

#include <algorithm>
#include <cmath>

namespace sondrel::afconvert {

BitRateMeter::BitRateMeter(int sampleRate, int framesPerPacket)
    : m_sampleRate(sampleRate), m_framesPerPacket(std::max(framesPerPacket, 1)) {
    const int window = (sampleRate + m_framesPerPacket - 1) / m_framesPerPacket;
    m_window.assign(static_cast<size_t>(std::max(window, 1)), 0);
}

void BitRateMeter::add(size_t packetBytes) {
    const auto bytes = static_cast<int64_t>(packetBytes);
    int64_t& slot = m_window[m_packets % m_window.size()];
    m_windowBytes += bytes - slot;
    slot = bytes;
    ++m_packets;
    m_bytes += bytes;
    m_peakBytes = std::max(m_peakBytes, m_windowBytes);
}

double BitRateMeter::rate(int64_t bytes, size_t packets) const {
    if (packets == 0)
        return 0;
    return double(bytes) * 8 * m_sampleRate / (double(packets) * m_framesPerPacket);
}

int64_t BitRateMeter::average() const {
    return std::llround(rate(m_bytes, m_packets));
}

int64_t BitRateMeter::peak() const {
    return std::llround(rate(m_peakBytes, std::min(m_packets, m_window.size())));
}

} // namespace sondrel::afconvert
