#include "platform/afconvert/ffmpeg/LavEncoder.h"

#include <algorithm>
#include <cstdlib>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include "platform/afconvert/AacFiller.h"
#include "platform/afconvert/ffmpeg/AacRateControl.h"
#include "platform/afconvert/ffmpeg/LavError.h"

namespace sondrel::afconvert {

namespace {

// AAC frames are at most 6144 bits per channel.
constexpr int64_t kMaxAacBitsPerChannelFrame = 6144;
constexpr int64_t kMinAacBitRate = 8000;
constexpr int64_t kMaxAacBitRatePerChannel = 320000;

// The rate the encoder supports nearest to the wanted one.
int nearestRate(const AVCodec* codec, int wanted, bool& exact) {
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

// The encoder's own layout for the channel count, preferring the source's.
bool chooseLayout(const AVCodec* codec, int channels, uint64_t preferredMask,
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

} // namespace

LavEncoder::~LavEncoder() {
    av_frame_free(&m_frame);
    av_packet_free(&m_packet);
    avcodec_free_context(&m_context);
}

Status LavEncoder::open(const EncoderRequest& request, std::unique_ptr<PacketEncoder>& out) {
    out.reset();
    if (request.format.kind != DataKind::Aac && request.format.kind != DataKind::Alac)
        return {};
    std::unique_ptr<LavEncoder> encoder(new LavEncoder());
    encoder->m_packet = av_packet_alloc();
    encoder->m_frame = av_frame_alloc();
    if (!encoder->m_packet || !encoder->m_frame)
        return Status::failure("out of memory");
    if (request.format.kind == DataKind::Aac)
        AFC_TRY(encoder->setUpAac(request));
    else
        AFC_TRY(encoder->setUpAlac(request));
    AFC_TRY(encoder->finishSetUp(request));
    out = std::move(encoder);
    return {};
}

Status LavEncoder::setUpAac(const EncoderRequest& request) {
    const AVCodec* codec = avcodec_find_encoder_by_name("aac");
    if (!codec)
        return Status::failure("this FFmpeg has no AAC encoder");
    m_context = avcodec_alloc_context3(codec);
    if (!m_context)
        return Status::failure("out of memory");
    AVCodecContext* c = m_context;
    bool exact = false;
    c->sample_rate = nearestRate(codec, request.sampleRate, exact);
    if (!exact && request.rateExplicit)
        return Status::failure("aac cannot be encoded at " + std::to_string(request.sampleRate) +
                               " Hz");
    if (!exact)
        m_summary = "resampled to " + std::to_string(c->sample_rate) + " Hz, which AAC supports; ";
    if (!chooseLayout(codec, request.channels, request.channelMask, c->ch_layout))
        return Status::failure("aac cannot hold " + std::to_string(request.channels) + " channels");
    const int channels = c->ch_layout.nb_channels;

    int64_t bitRate = request.bitRate;
    if (bitRate != 0 && (bitRate < kMinAacBitRate || bitRate > kMaxAacBitRatePerChannel * channels))
        return Status::failure(
            "bit rate " + std::to_string(bitRate) + " is out of the AAC encoder's range (" +
            std::to_string(kMinAacBitRate) + " to " +
            std::to_string(kMaxAacBitRatePerChannel * channels) + " for " +
            std::to_string(channels) + (channels == 1 ? " channel)" : " channels)"));
    // Low sample rates cannot carry high rates: a frame holds at most 6144 bits a channel.
    const int64_t ceiling = kMaxAacBitsPerChannelFrame * channels * c->sample_rate / 1024;
    if (bitRate > ceiling) {
        m_summary += "bit rate lowered to " + std::to_string(ceiling) + ", the most " +
                     std::to_string(c->sample_rate) + " Hz allows; ";
        bitRate = ceiling;
    }
    const AacRatePlan plan =
        planAacRate(request.strategy, bitRate, request.variableQuality, channels, c->sample_rate);
    m_summary += plan.description;
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    c->profile = FF_PROFILE_AAC_LOW;
    if (plan.constantQuantizer) {
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality = plan.globalQuality;
        c->bit_rate = 0;
    } else if (plan.padToConstant) {
        // Aim a little below the rate so that nearly every packet can be
        // padded up to the constant size.
        c->bit_rate = std::min(plan.bitRate * 7 / 8, ceiling);
        m_constantPacketBytes = static_cast<size_t>(std::min(
            plan.bitRate * 1024 / c->sample_rate / 8, kMaxAacBitsPerChannelFrame * channels / 8));
    } else {
        c->bit_rate = plan.bitRate;
    }
    if (request.quality && *request.quality < 32)
        av_opt_set(c->priv_data, "aac_coder", "fast", 0); // quicker, coarser quantiser search
    m_stream.bitRates = plan.declared;
    m_stream.format.kind = DataKind::Aac;
    return {};
}

Status LavEncoder::setUpAlac(const EncoderRequest& request) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_ALAC);
    if (!codec)
        return Status::failure("this FFmpeg has no ALAC encoder");
    m_context = avcodec_alloc_context3(codec);
    if (!m_context)
        return Status::failure("out of memory");
    AVCodecContext* c = m_context;
    c->sample_rate = request.sampleRate;
    if (!chooseLayout(codec, request.channels, request.channelMask, c->ch_layout))
        return Status::failure("alac cannot hold " + std::to_string(request.channels) +
                               " channels");
    // 16-bit sources stay 16-bit; anything deeper is kept at 24 bits.
    const bool deep = request.format.pcm.bits > 16;
    c->sample_fmt = deep ? AV_SAMPLE_FMT_S32P : AV_SAMPLE_FMT_S16P;
    c->bits_per_raw_sample = deep ? 24 : 16;
    m_stream.alacSourceBits = deep ? 24 : 16;
    m_stream.format.kind = DataKind::Alac;
    m_summary = std::to_string(m_stream.alacSourceBits) + "-bit";
    return {};
}

Status LavEncoder::finishSetUp(const EncoderRequest& request) {
    AVCodecContext* c = m_context;
    c->time_base = {1, c->sample_rate};
    const int error = avcodec_open2(c, c->codec, nullptr);
    if (error < 0)
        return lavFailure("cannot start the " + std::string(c->codec->name) + " encoder", error);
    m_stream.format.sampleRate = c->sample_rate;
    m_stream.format.pcm = request.format.pcm;
    m_stream.sampleRate = c->sample_rate;
    m_stream.channels = c->ch_layout.nb_channels;
    m_stream.channelMask = c->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? c->ch_layout.u.mask : 0;
    m_stream.framesPerPacket = c->frame_size;
    m_stream.bytesPerPacket = 0;
    m_stream.primingFrames = c->initial_padding;
    m_stream.extradata.assign(c->extradata, c->extradata + c->extradata_size);
    return {};
}

AVSampleFormat LavEncoder::inputFormat() const {
    return m_context->sample_fmt;
}

int LavEncoder::frameSize() const {
    return m_context->frame_size;
}

Status LavEncoder::encode(const AVFrame* frame, PacketSink& sink) {
    if (!frame) {
        if (m_flushed)
            return {};
        m_flushed = true;
        const int error = avcodec_send_frame(m_context, nullptr);
        if (error < 0)
            return lavFailure("encoding failed", error);
        return drain(sink);
    }
    // The encoder keeps time by the frames' timestamps.
    if (av_frame_ref(m_frame, frame) < 0)
        return Status::failure("out of memory");
    m_frame->pts = m_nextPts;
    m_nextPts += frame->nb_samples;
    const int error = avcodec_send_frame(m_context, m_frame);
    av_frame_unref(m_frame);
    if (error < 0)
        return lavFailure("encoding failed", error);
    return drain(sink);
}

Status LavEncoder::drain(PacketSink& sink) {
    for (;;) {
        const int error = avcodec_receive_packet(m_context, m_packet);
        if (error == AVERROR(EAGAIN) || error == AVERROR_EOF)
            return {};
        if (error < 0)
            return lavFailure("encoding failed", error);
        const auto frames = static_cast<uint32_t>(std::clamp<int64_t>(
            m_packet->duration > 0 ? m_packet->duration : m_stream.framesPerPacket, 1,
            m_stream.framesPerPacket));
        std::span<const uint8_t> bytes(m_packet->data, static_cast<size_t>(m_packet->size));
        if (m_constantPacketBytes > bytes.size()) {
            m_padded.assign(bytes.begin(), bytes.end());
            if (padAacPacket(m_padded, m_constantPacketBytes))
                bytes = m_padded;
        }
        const Status status = sink.writePacket(bytes, frames);
        av_packet_unref(m_packet);
        AFC_TRY(status);
    }
}

} // namespace sondrel::afconvert
