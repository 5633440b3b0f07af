#pragma once

#include "platform/afconvert/PacketEncoder.h"

namespace sondrel::afconvert {

// Linear PCM of every width and byte order, and G.711 mu-law and A-law:
// each frame is one packet of channels x sample bytes, interleaved.
class PcmEncoder final : public PacketEncoder {
public:
    // format.kind is LinearPcm, ULaw or ALaw.
    PcmEncoder(const DataFormat& format, int sampleRate, int channels, uint64_t channelMask);

    const EncodedStream& stream() const override { return m_stream; }
    AVSampleFormat inputFormat() const override { return m_input; }
    int frameSize() const override { return 4096; }
    Status encode(const AVFrame* frame, PacketSink& sink) override;

    static uint8_t linearToULaw(int16_t sample);
    static uint8_t linearToALaw(int16_t sample);

private:
    EncodedStream m_stream;
    AVSampleFormat m_input;
    int m_sampleBytes;
    std::vector<uint8_t> m_out;
};

} // namespace sondrel::afconvert
