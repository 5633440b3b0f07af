#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/afconvert/PacketEncoder.h"
#include "platform/afconvert/ffmpeg/AacPass.h"
#include "platform/afconvert/ffmpeg/AacQualitySearch.h"

namespace sondrel::afconvert {

// AAC-LC with libavcodec's native encoder, in the four strategies of
// AacRateControl.h.
//
// The constant-quality strategies first hold back the opening seconds
// (kQualitySearchSeconds, or the whole stream when it is shorter), encode
// them in trial passes until one averages the bit rate, and then go on with
// that pass: its packets for the opening are the ones written, so the stream
// keeps one quality from its first packet on. A stream that ends within the
// opening is thus encoded at the quality that gives it the bit rate. The
// trials run without the constrained strategy's peak limiter, so that the
// quality is chosen for the music rather than for a narrowed band; the limiter
// then goes over the chosen pass (which is encoded again, with the limiter,
// only when the limiter would have narrowed the band within the opening).
class AacEncoder final : public PacketEncoder {
public:
    // Leaves `out` empty for data formats other than AAC.
    static Status open(const EncoderRequest& request, std::unique_ptr<PacketEncoder>& out);
    ~AacEncoder() override = default;
    AacEncoder(const AacEncoder&) = delete;
    AacEncoder& operator=(const AacEncoder&) = delete;

    const EncodedStream& stream() const override { return m_stream; }
    AVSampleFormat inputFormat() const override { return AV_SAMPLE_FMT_FLTP; }
    int frameSize() const override { return m_stream.framesPerPacket; }
    Status encode(const AVFrame* frame, PacketSink& sink) override;
    std::string summary() const override { return m_summary; }

private:
    struct Packet {
        std::vector<uint8_t> bytes;
        uint32_t frames;
    };
    // A trial pass over the opening, with the packets it gave.
    struct Trial {
        std::unique_ptr<AacPass> pass;
        std::vector<Packet> packets;
    };

    AacEncoder() = default;
    Status setUp(const EncoderRequest& request);
    Status describe();
    Status hold(const AVFrame* frame, PacketSink& sink);
    Status search(bool ended, PacketSink& sink);
    Status runTrial(const AacPassSettings& settings, int lambda, bool ended, Trial& trial,
                    double& bitRate) const;
    Status limitOpening(bool ended, Trial& best) const;
    Status write(const AVPacket& packet, PacketSink& sink);
    Status writeBytes(std::span<const uint8_t> bytes, uint32_t frames, PacketSink& sink);
    uint32_t framesOf(const AVPacket& packet) const;

    AacPassSettings m_settings;
    EncodedStream m_stream;
    std::string m_summary;
    std::unique_ptr<AacPass> m_pass; // the pass whose packets are written
    std::vector<uint8_t> m_padded;
    // The opening held for the quality search, and how many frames it holds.
    std::vector<LavFrame> m_opening;
    int64_t m_openingFrames = 0;
    bool m_searching = false;
};

} // namespace sondrel::afconvert
