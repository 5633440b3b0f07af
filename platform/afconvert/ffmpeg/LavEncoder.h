#pragma once

#include <memory>
#include <vector>

#include "platform/afconvert/PacketEncoder.h"

struct AVCodecContext;
struct AVPacket;

namespace sondrel::afconvert {

// AAC-LC (libavcodec's native encoder) and ALAC (libavcodec's encoder).
class LavEncoder final : public PacketEncoder {
public:
    // Leaves `out` empty for data formats other than AAC and ALAC.
    static Status open(const EncoderRequest& request, std::unique_ptr<PacketEncoder>& out);
    ~LavEncoder() override;
    LavEncoder(const LavEncoder&) = delete;
    LavEncoder& operator=(const LavEncoder&) = delete;

    const EncodedStream& stream() const override { return m_stream; }
    AVSampleFormat inputFormat() const override;
    int frameSize() const override;
    Status encode(const AVFrame* frame, PacketSink& sink) override;
    std::string summary() const override { return m_summary; }

private:
    LavEncoder() = default;
    Status setUpAac(const EncoderRequest& request);
    Status setUpAlac(const EncoderRequest& request);
    Status finishSetUp(const EncoderRequest& request);
    Status drain(PacketSink& sink);

    AVCodecContext* m_context = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
    EncodedStream m_stream;
    std::string m_summary;
    int64_t m_nextPts = 0;
    bool m_flushed = false;
    size_t m_constantPacketBytes = 0; // AAC at a constant bit rate: the size every packet gets
    std::vector<uint8_t> m_padded;
};

} // namespace sondrel::afconvert
