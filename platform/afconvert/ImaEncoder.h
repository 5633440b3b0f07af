#pragma once

#include <array>

#include "platform/afconvert/PacketEncoder.h"

namespace sondrel::afconvert {

// IMA4: the QuickTime flavour of IMA ADPCM. Every packet holds 64 frames,
// one 34-byte block per channel; each block starts with the predictor's top
// nine bits and the step index, and the encoder keeps its full-precision state
// from one packet to the next. The last packet is padded with silence.
// Takes planar 16-bit samples, one or two channels.
class ImaEncoder final : public PacketEncoder {
public:
    static constexpr int kFramesPerPacket = 64;
    static constexpr int kBytesPerBlock = 34;

    ImaEncoder(int sampleRate, int channels);

    const EncodedStream& stream() const override { return m_stream; }
    AVSampleFormat inputFormat() const override { return AV_SAMPLE_FMT_S16P; }
    int frameSize() const override { return 4096; }
    Status encode(const AVFrame* frame, PacketSink& sink) override;

    // Encodes one 64-sample block of one channel, carrying the state along.
    struct ChannelState {
        int predictor = 0;
        int stepIndex = 0;
        bool operator==(const ChannelState&) const = default;
    };
    static void encodeBlock(ChannelState& state, const int16_t* samples, uint8_t* block);

    // Every channel's state: what the next packet starts from.
    using State = std::array<ChannelState, 2>;
    const State& state() const { return m_state; }
    void setState(const State& state) { m_state = state; }

private:
    EncodedStream m_stream;
    State m_state{};
    std::vector<uint8_t> m_packets;
};

} // namespace sondrel::afconvert
