#include "platform/afconvert/ImaEncoder.h"

#include <algorithm>
#include <cstdlib>

namespace sondrel::afconvert {

namespace {

constexpr std::array<int16_t, 89> kStepTable = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr std::array<int8_t, 16> kIndexTable = {-1, -1, -1, -1, 2, 4, 6, 8,
                                                -1, -1, -1, -1, 2, 4, 6, 8};

uint8_t compressSample(ImaEncoder::ChannelState& c, int sample) {
    int delta = sample - c.predictor;
    int step = kStepTable[static_cast<size_t>(c.stepIndex)];
    int nibble = delta < 0 ? 8 : 0;
    delta = std::abs(delta);
    int diff = delta + (step >> 3);
    if (delta >= step) {
        nibble |= 4;
        delta -= step;
    }
    step >>= 1;
    if (delta >= step) {
        nibble |= 2;
        delta -= step;
    }
    step >>= 1;
    if (delta >= step) {
        nibble |= 1;
        delta -= step;
    }
    diff -= delta;
    c.predictor += (nibble & 8) ? -diff : diff;
    c.predictor = std::clamp(c.predictor, -32768, 32767);
    c.stepIndex = std::clamp(c.stepIndex + kIndexTable[static_cast<size_t>(nibble)], 0, 88);
    return static_cast<uint8_t>(nibble);
}

} // namespace

ImaEncoder::ImaEncoder(int sampleRate, int channels) {
    m_stream.format.kind = DataKind::Ima4;
    m_stream.sampleRate = sampleRate;
    m_stream.channels = channels;
    m_stream.channelMask = channels == 1 ? 0x4 : 0x3; // front centre, or front left and right
    m_stream.framesPerPacket = kFramesPerPacket;
    m_stream.bytesPerPacket = kBytesPerBlock * channels;
}

void ImaEncoder::encodeBlock(ChannelState& state, const int16_t* samples, uint8_t* block) {
    // Header: predictor bits 15-7 (two's complement), then the 7-bit step index.
    const unsigned header = ((static_cast<unsigned>(state.predictor) & 0xFFFF) >> 7) << 7 |
                            static_cast<unsigned>(state.stepIndex);
    block[0] = static_cast<uint8_t>(header >> 8);
    block[1] = static_cast<uint8_t>(header & 0xFF);
    for (int i = 0; i < kFramesPerPacket; i += 2) {
        const uint8_t low = compressSample(state, samples[i]);
        const uint8_t high = compressSample(state, samples[i + 1]);
        block[2 + i / 2] = static_cast<uint8_t>(high << 4 | low);
    }
}

Status ImaEncoder::encode(const AVFrame* frame, PacketSink& sink) {
    if (!frame)
        return {};
    const int channels = m_stream.channels;
    const int frames = frame->nb_samples;
    const int packets = (frames + kFramesPerPacket - 1) / kFramesPerPacket;
    m_packets.resize(size_t(packets) * size_t(m_stream.bytesPerPacket));
    int16_t padded[kFramesPerPacket];
    for (int p = 0; p < packets; ++p) {
        const int start = p * kFramesPerPacket;
        const int count = std::min(kFramesPerPacket, frames - start);
        for (int ch = 0; ch < channels; ++ch) {
            const auto* samples =
                reinterpret_cast<const int16_t*>(frame->extended_data[ch]) + start;
            if (count < kFramesPerPacket) {
                std::fill(std::copy(samples, samples + count, padded), padded + kFramesPerPacket,
                          0);
                samples = padded;
            }
            uint8_t* block = m_packets.data() + size_t(p) * size_t(m_stream.bytesPerPacket) +
                             size_t(ch) * kBytesPerBlock;
            encodeBlock(m_state[static_cast<size_t>(ch)], samples, block);
        }
    }
    return sink.writePacket(m_packets, static_cast<uint32_t>(packets * kFramesPerPacket));
}

} // namespace sondrel::afconvert
