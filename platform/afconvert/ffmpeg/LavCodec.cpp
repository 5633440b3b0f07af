#include "platform/afconvert/ffmpeg/LavCodec.h"

#include <algorithm>
#include <cstdlib>
#include <string>

extern "C" {
#include <libavutil/channel_layout.h>
}

#include "platform/afconvert/ffmpeg/LavError.h"

namespace sondrel::afconvert {

Status LavCodec::allocate(const AVCodec* codec) {
    m_context.reset(avcodec_alloc_context3(codec));
    m_packet.reset(av_packet_alloc());
    m_frame.reset(av_frame_alloc());
    if (!m_context || !m_packet || !m_frame)
        return Status::failure("out of memory");
    return {};
}

Status LavCodec::open() {
    AVCodecContext* c = m_context.get();
    c->time_base = {1, c->sample_rate};
    const int error = avcodec_open2(c, c->codec, nullptr);
    if (error < 0)
        return lavFailure("cannot start the " + std::string(c->codec->name) + " encoder", error);
    return {};
}

Status LavCodec::send(const AVFrame* frame, const PacketHandler& take) {
    if (!frame) {
        if (m_flushed)
            return {};
        m_flushed = true;
    } else {
        if (av_frame_ref(m_frame.get(), frame) < 0)
            return Status::failure("out of memory");
        m_frame->pts = m_nextPts;
        m_nextPts += frame->nb_samples;
    }
    const int sent = avcodec_send_frame(m_context.get(), frame ? m_frame.get() : nullptr);
    av_frame_unref(m_frame.get());
    if (sent < 0)
        return lavFailure("encoding failed", sent);
    for (;;) {
        const int error = avcodec_receive_packet(m_context.get(), m_packet.get());
        if (error == AVERROR(EAGAIN) || error == AVERROR_EOF)
            return {};
        if (error < 0)
            return lavFailure("encoding failed", error);
        const Status status = take(*m_packet);
        av_packet_unref(m_packet.get());
        AFC_TRY(status);
    }
}

bool LavCodec::chooseLayout(const AVCodec* codec, int channels, uint64_t preferredMask,
                            AVChannelLayout& out) {
    const AVChannelLayout* match = nullptr;
    for (const AVChannelLayout* l = codec->ch_layouts; l && l->nb_channels; ++l) {
        if (l->nb_channels != channels)
            continue;
        if (!match || (l->order == AV_CHANNEL_ORDER_NATIVE && l->u.mask == preferredMask))
            match = l;
    }
    if (!match) {
        if (codec->ch_layouts)
            return false;
        av_channel_layout_default(&out, channels);
        return true;
    }
    return av_channel_layout_copy(&out, match) == 0;
}

int LavCodec::nearestRate(const AVCodec* codec, int wanted, bool& exact) {
    exact = false;
    int best = wanted;
    if (!codec->supported_samplerates) {
        exact = true;
        return wanted;
    }
    for (const int* r = codec->supported_samplerates; *r; ++r) {
        if (*r == wanted) {
            exact = true;
            return wanted;
        }
        if (best == wanted || std::abs(*r - wanted) < std::abs(best - wanted))
            best = *r;
    }
    return best;
}

uint32_t LavCodec::packetFrames(const AVPacket& packet, int framesPerPacket) {
    return static_cast<uint32_t>(std::clamp<int64_t>(
        packet.duration > 0 ? packet.duration : framesPerPacket, 1, framesPerPacket));
}

} // namespace sondrel::afconvert
