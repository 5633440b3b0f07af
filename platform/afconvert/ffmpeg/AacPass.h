#pragma once

#include <memory>
#include <optional>

#include "platform/afconvert/Status.h"
#include "platform/afconvert/ffmpeg/AacPacketAim.h"
#include "platform/afconvert/ffmpeg/AacPeakLimiter.h"
#include "platform/afconvert/ffmpeg/AacRateControl.h"
#include "platform/afconvert/ffmpeg/LavCodec.h"

namespace sondrel::afconvert {

// What every pass of one AAC stream shares.
struct AacPassSettings {
    const AVCodec* codec = nullptr;
    int sampleRate = 0;
    AVChannelLayout layout{};
    bool quickCoder = false; // the coarser, quicker quantiser search
    AacRatePlan plan;
};

// One encoding pass over an AAC stream: libavcodec's encoder set up for the
// plan, and the feedback that steers it between packets (the constant bit
// rate's aim, the constrained strategy's peak limiter). The encoder reads its
// bit rate and cutoff anew for every packet, which is what the feedback moves.
// Passes are deterministic: the same settings and frames give the same packets.
class AacPass {
public:
    // lambda is the constant-quality mode's quantiser; ignored in bit-rate mode.
    static Status open(const AacPassSettings& settings, int lambda, std::unique_ptr<AacPass>& out);

    // Encodes a frame (nullptr: the end of the stream), handing each packet
    // to `take` before the feedback sees it.
    Status send(const AVFrame* frame, const LavCodec::PacketHandler& take);
    // Hands the pass a limiter that has already seen the packets so far, which
    // it steers the packets from here on by.
    void attachLimiter(const AacPeakLimiter& limiter);
    const AVCodecContext& context() const { return *m_codec.context(); }
    int lambda() const { return m_lambda; }

private:
    AacPass() = default;
    void steer(int packetBytes);

    LavCodec m_codec;
    int64_t m_bitRate = 0;
    int m_lambda = 0;
    std::optional<AacPacketAim> m_aim;
    std::optional<AacPeakLimiter> m_limiter;
};

} // namespace sondrel::afconvert
