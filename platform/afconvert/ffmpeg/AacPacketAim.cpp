#include "platform/afconvert/ffmpeg/AacPacketAim.h"

#include <algorithm>

namespace sondrel::afconvert {

namespace {

// The encoder's first packets (its priming) say nothing about the music.
constexpr int kSettling = 2;

} // namespace

void AacPacketAim::record(size_t packetBytes) {
    const bool longer = packetBytes > m_packetBytes;
    m_fraction *= longer ? 1 - kStep * (1 - kLongerShare) : 1 + kStep * kLongerShare;
    m_fraction = std::clamp(m_fraction, kLowest, kHighest);
    const double share = double(packetBytes) / double(m_packetBytes);
    m_next = ++m_packets > kSettling ? std::min(m_fraction, share * kClimb) : m_fraction;
}

} // namespace sondrel::afconvert
