#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/afconvert/Status.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace sondrel::afconvert {

struct LavFrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using LavFrame = std::unique_ptr<AVFrame, LavFrameFree>;

// One libavcodec encoder: its context, a packet to receive into and a frame to
// send from, freed together. The caller configures context() between
// allocate() and open(); some settings (the bit rate, the cutoff) the AAC
// encoder also reads before every packet.
class LavCodec {
public:
    using PacketHandler = std::function<Status(const AVPacket&)>;

    LavCodec() = default;
    LavCodec(const LavCodec&) = delete;
    LavCodec& operator=(const LavCodec&) = delete;

    Status allocate(const AVCodec* codec);
    AVCodecContext* context() const { return m_context.get(); }
    // Opens the encoder with a time base of one sample.
    Status open();
    // Sends a frame (nullptr: the end of the stream) and hands each packet
    // that is ready to `take`, in order. Frames are stamped with the running
    // sample count, which the encoder keeps time by.
    Status send(const AVFrame* frame, const PacketHandler& take);

    // The AAC encoder's channel layout for a channel count, preferring the
    // source's mask; false when the encoder has none for it.
    static bool chooseLayout(const AVCodec* codec, int channels, uint64_t preferredMask,
                             AVChannelLayout& out);
    // The sample rate the encoder supports nearest to the wanted one.
    static int nearestRate(const AVCodec* codec, int wanted, bool& exact);
    // The frames a packet holds: its duration, within 1 to framesPerPacket
    // (a packet without one holds a full packet's worth).
    static uint32_t packetFrames(const AVPacket& packet, int framesPerPacket);

private:
    struct ContextFree {
        void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
    };
    struct PacketFree {
        void operator()(AVPacket* p) const { av_packet_free(&p); }
    };
    std::unique_ptr<AVCodecContext, ContextFree> m_context;
    std::unique_ptr<AVPacket, PacketFree> m_packet;
    LavFrame m_frame;
    int64_t m_nextPts = 0;
    bool m_flushed = false;
};

} // namespace sondrel::afconvert
