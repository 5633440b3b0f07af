#pragma once

#include <memory>
#include <string>

#include "platform/afconvert/PacketEncoder.h"
#include "platform/afconvert/ffmpeg/LavCodec.h"

namespace sondrel::afconvert {

// ALAC with libavcodec's encoder.
class AlacEncoder final : public PacketEncoder {
public:
    // Leaves `out` empty for data formats other than ALAC.
    static Status open(const EncoderRequest& request, std::unique_ptr<PacketEncoder>& out);
    AlacEncoder(const AlacEncoder&) = delete;
    AlacEncoder& operator=(const AlacEncoder&) = delete;

    const EncodedStream& stream() const override { return m_stream; }
    AVSampleFormat inputFormat() const override { return m_codec.context()->sample_fmt; }
    int frameSize() const override { return m_codec.context()->frame_size; }
    Status encode(const AVFrame* frame, PacketSink& sink) override;
    std::string summary() const override { return m_summary; }

private:
    AlacEncoder() = default;
    Status setUp(const EncoderRequest& request);

    LavCodec m_codec;
    EncodedStream m_stream;
    std::string m_summary;
};

} // namespace sondrel::afconvert
