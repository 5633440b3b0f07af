#include "platform/afconvert/PcmEncoder.h"

#include <bit>
#include <cstring>

namespace sondrel::afconvert {

namespace {

// Stores the low `bytes` bytes of value in the chosen byte order.
inline void store(uint8_t* out, uint64_t value, int bytes, bool bigEndian) {
    for (int i = 0; i < bytes; ++i) {
        const int shift = 8 * (bigEndian ? bytes - 1 - i : i);
        out[i] = static_cast<uint8_t>(value >> shift);
    }
}

int segmentOf(int value, const int16_t (&ends)[8]) {
    for (int i = 0; i < 8; ++i)
        if (value <= ends[i])
            return i;
    return 8;
}

} // namespace

uint8_t PcmEncoder::linearToULaw(int16_t sample) {
    static constexpr int16_t kSegmentEnds[8] = {0x3F,  0x7F,  0xFF,  0x1FF,
                                                0x3FF, 0x7FF, 0xFFF, 0x1FFF};
    constexpr int kBias = 0x84 >> 2;
    constexpr int kClip = 8159;
    int value = sample >> 2;
    int mask = 0xFF;
    if (value < 0) {
        value = -value;
        mask = 0x7F;
    }
    value = std::min(value, kClip) + kBias;
    const int segment = segmentOf(value, kSegmentEnds);
    if (segment >= 8)
        return static_cast<uint8_t>(0x7F ^ mask);
    return static_cast<uint8_t>(((segment << 4) | ((value >> (segment + 1)) & 0xF)) ^ mask);
}

uint8_t PcmEncoder::linearToALaw(int16_t sample) {
    static constexpr int16_t kSegmentEnds[8] = {0x1F, 0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF};
    int value = sample >> 3;
    int mask = 0xD5;
    if (value < 0) {
        mask = 0x55;
        value = -value - 1;
    }
    const int segment = segmentOf(value, kSegmentEnds);
    if (segment >= 8)
        return static_cast<uint8_t>(0x7F ^ mask);
    const int quantized = (value >> (segment < 2 ? 1 : segment)) & 0xF;
    return static_cast<uint8_t>(((segment << 4) | quantized) ^ mask);
}

PcmEncoder::PcmEncoder(const DataFormat& format, int sampleRate, int channels,
                       uint64_t channelMask) {
    m_stream.format = format;
    m_stream.sampleRate = sampleRate;
    m_stream.channels = channels;
    m_stream.channelMask = channelMask;
    m_stream.framesPerPacket = 1;
    const PcmFormat& pcm = format.pcm;
    if (format.kind != DataKind::LinearPcm) {
        m_input = AV_SAMPLE_FMT_S16;
        m_sampleBytes = 1;
    } else if (pcm.isFloat) {
        m_input = pcm.bits == 32 ? AV_SAMPLE_FMT_FLT : AV_SAMPLE_FMT_DBL;
        m_sampleBytes = pcm.bits / 8;
    } else {
        m_input = pcm.bits == 8    ? AV_SAMPLE_FMT_U8
                  : pcm.bits == 16 ? AV_SAMPLE_FMT_S16
                                   : AV_SAMPLE_FMT_S32;
        m_sampleBytes = pcm.bits / 8;
    }
    m_stream.bytesPerPacket = m_sampleBytes * channels;
}

Status PcmEncoder::encode(const AVFrame* frame, PacketSink& sink) {
    if (!frame)
        return {};
    const size_t samples = size_t(frame->nb_samples) * size_t(m_stream.channels);
    m_out.resize(samples * size_t(m_sampleBytes));
    uint8_t* out = m_out.data();
    const uint8_t* in = frame->data[0];
    const PcmFormat& pcm = m_stream.format.pcm;
    const bool big = pcm.bigEndian;
    switch (m_stream.format.kind) {
    case DataKind::ULaw:
        for (size_t i = 0; i < samples; ++i)
            out[i] = linearToULaw(reinterpret_cast<const int16_t*>(in)[i]);
        break;
    case DataKind::ALaw:
        for (size_t i = 0; i < samples; ++i)
            out[i] = linearToALaw(reinterpret_cast<const int16_t*>(in)[i]);
        break;
    default:
        if (pcm.bits == 8) {
            // Unsigned 8-bit comes as is; signed 8-bit flips the top bit.
            const uint8_t flip = pcm.isSigned ? 0x80 : 0;
            for (size_t i = 0; i < samples; ++i)
                out[i] = static_cast<uint8_t>(in[i] ^ flip);
        } else if (pcm.bits == 16) {
            for (size_t i = 0; i < samples; ++i)
                store(out + 2 * i, static_cast<uint16_t>(reinterpret_cast<const int16_t*>(in)[i]),
                      2, big);
        } else if (pcm.bits == 24) {
            // The top three bytes of each 32-bit sample.
            for (size_t i = 0; i < samples; ++i)
                store(out + 3 * i,
                      static_cast<uint32_t>(reinterpret_cast<const int32_t*>(in)[i]) >> 8, 3, big);
        } else if (pcm.bits == 32) {
            for (size_t i = 0; i < samples; ++i) {
                uint32_t word;
                std::memcpy(&word, in + 4 * i, 4);
                store(out + 4 * i, word, 4, big);
            }
        } else {
            for (size_t i = 0; i < samples; ++i) {
                uint64_t word;
                std::memcpy(&word, in + 8 * i, 8);
                store(out + 8 * i, word, 8, big);
            }
        }
        break;
    }
    return sink.writePacket(m_out, static_cast<uint32_t>(frame->nb_samples));
}

} // namespace sondrel::afconvert
