#pragma once

#include <cstddef>

namespace sondrel::afconvert {

// Where to aim the AAC encoder's bit-rate mode so that its packets fill a
// constant packet size as fully as they can. The encoder lands each packet
// only within several percent of its aim, and more widely on speech and
// sudden sounds, so it is aimed below the size and every packet is filled up
// to it; a packet that comes out longer stays longer.
//
// The aim moves after each packet: down by (1 - kLongerShare) steps when the
// packet was longer, up by kLongerShare steps when it fitted, which settles
// where about kLongerShare of the packets come out longer: close under the
// size for steady material, further under it for material whose packets vary
// more. And after a packet under the aim, the next is aimed at most kClimb
// times that packet: the encoder raises its quantiser's lambda after every
// packet that falls short of its aim, and through a pause in speech or between
// two hits would climb so high that the next syllable or hit came out far
// too long.
class AacPacketAim {
public:
    static constexpr double kLongerShare = 0.05;
    static constexpr double kStart = 0.9;
    static constexpr double kStep = 0.006;
    static constexpr double kClimb = 1.03;
    static constexpr double kLowest = 0.6;
    static constexpr double kHighest = 1.0;

    explicit AacPacketAim(size_t packetBytes) : m_packetBytes(packetBytes) {}

    // The share of the constant bit rate to aim the next packet at.
    double next() const { return m_next; }
    // The share it settles at, whatever the last packet.
    double fraction() const { return m_fraction; }
    // Takes the size the encoder gave the last packet.
    void record(size_t packetBytes);

private:
    size_t m_packetBytes;
    double m_fraction = kStart;
    double m_next = kStart;
    int m_packets = 0;
};

} // namespace sondrel::afconvert
