#pragma once

#include <memory>
#include <optional>

#include "platform/afconvert/PacketEncoder.h"
#include "platform/afconvert/aac/Encoder.h"

namespace sondrel::afconvert {

// Our own AAC-LC encoder as afconvert's encoders are driven: planar float
// frames in, raw AAC packets of 1024 frames out, with 1024 frames of priming.
// It codes one to six channels (mono to 5.1) at the standard's sampling rates.
class AacStreamEncoder final : public PacketEncoder {
public:
    // Leaves out empty (with success) when the request is for another format
    // or for a channel count this encoder does not code.
    static Status open(const EncoderRequest& request, std::unique_ptr<PacketEncoder>& out);
    ~AacStreamEncoder() override;

    const EncodedStream& stream() const override { return m_stream; }
    AVSampleFormat inputFormat() const override { return AV_SAMPLE_FMT_FLTP; }
    int frameSize() const override { return 1024; }
    Status encode(const AVFrame* frame, PacketSink& sink) override;
    std::string summary() const override { return m_summary; }
    int joinLookAhead() const override;
    // A variable strategy with a bit rate whose quality is not yet chosen:
    // the settings to measure the source with (see measureAacQuality), so
    // that the request can carry the quality for the whole file.
    std::optional<aac::EncoderSettings> qualityToMeasure() const;
    // The average strategy whose aim is not yet measured (see measureAacAverage).
    std::optional<aac::EncoderSettings> averageToMeasure() const;
    void codeSegment(int64_t startPacket, int64_t firstKept, int64_t lastKept) override;

private:
    AacStreamEncoder() = default;
    Status setUp(const EncoderRequest& request);
    Status emit(PacketSink& sink);

    EncodedStream m_stream;
    std::string m_summary;
    aac::EncoderSettings m_settings;
    std::unique_ptr<aac::Encoder> m_encoder;
    std::vector<std::vector<uint8_t>> m_packets;
    bool m_finished = false;
    bool m_joinable = false;
    bool m_averageMeasured = false;
};

} // namespace sondrel::afconvert
