#include "platform/afconvert/ffmpeg/AacPass.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace sondrel::afconvert {

Status AacPass::open(const AacPassSettings& settings, int lambda, std::unique_ptr<AacPass>& out) {
    std::unique_ptr<AacPass> pass(new AacPass());
    AFC_TRY(pass->m_codec.allocate(settings.codec));
    const AacRatePlan& plan = settings.plan;
    AVCodecContext* c = pass->m_codec.context();
    c->sample_rate = settings.sampleRate;
    if (av_channel_layout_copy(&c->ch_layout, &settings.layout) < 0)
        return Status::failure("out of memory");
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    c->profile = FF_PROFILE_AAC_LOW;
    // No encoder name in the stream: it would cost a fill element every 256 packets.
    c->flags |= AV_CODEC_FLAG_BITEXACT;
    c->cutoff = plan.bandwidth;
    pass->m_bitRate = plan.bitRate;
    if (plan.mode == AacRateMode::ConstantQuality) {
        // The bit rate stays unset: the encoder then sizes its psychoacoustic
        // model as it did when the lambda table was measured.
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = lambda;
        pass->m_lambda = lambda;
        if (plan.ceiling > 0)
            pass->m_limiter.emplace(plan.ceiling, settings.sampleRate, plan.bandwidth);
    } else if (plan.constantPackets) {
        pass->m_aim.emplace(plan.packetBytes);
        c->bit_rate = static_cast<int64_t>(plan.bitRate * pass->m_aim->fraction());
    } else {
        c->bit_rate = plan.bitRate;
    }
    if (!plan.intensityStereo)
        av_opt_set_int(c->priv_data, "aac_is", 0, 0);
    if (settings.quickCoder)
        av_opt_set(c->priv_data, "aac_coder", "fast", 0);
    AFC_TRY(pass->m_codec.open());
    out = std::move(pass);
    return {};
}

Status AacPass::send(const AVFrame* frame, const LavCodec::PacketHandler& take) {
    return m_codec.send(frame, [&](const AVPacket& packet) {
        AFC_TRY(take(packet));
        steer(packet.size);
        return Status{};
    });
}

void AacPass::attachLimiter(const AacPeakLimiter& limiter) {
    m_limiter = limiter;
    m_codec.context()->cutoff = m_limiter->bandwidth();
}

void AacPass::steer(int packetBytes) {
    AVCodecContext* c = m_codec.context();
    if (m_aim) {
        m_aim->record(static_cast<size_t>(packetBytes));
        c->bit_rate = static_cast<int64_t>(m_bitRate * m_aim->next());
    }
    if (m_limiter)
        c->cutoff = m_limiter->record(int64_t(packetBytes) * 8);
}

} // namespace sondrel::afconvert
