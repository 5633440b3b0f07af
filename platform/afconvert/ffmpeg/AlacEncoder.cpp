#include "platform/afconvert/ffmpeg/AlacEncoder.h"

namespace sondrel::afconvert {

Status AlacEncoder::open(const EncoderRequest& request, std::unique_ptr<PacketEncoder>& out) {
    out.reset();
    if (request.format.kind != DataKind::Alac)
        return {};
    std::unique_ptr<AlacEncoder> encoder(new AlacEncoder());
    AFC_TRY(encoder->setUp(request));
    out = std::move(encoder);
    return {};
}

Status AlacEncoder::setUp(const EncoderRequest& request) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_ALAC);
    if (!codec)
        return Status::failure("this FFmpeg has no ALAC encoder");
    AFC_TRY(m_codec.allocate(codec));
    AVCodecContext* c = m_codec.context();
    c->sample_rate = request.sampleRate;
    if (!LavCodec::chooseLayout(codec, request.channels, request.channelMask, c->ch_layout))
        return Status::failure("alac cannot hold " + std::to_string(request.channels) +
                               " channels");
    // 16-bit sources stay 16-bit; anything deeper is kept at 24 bits.
    const bool deep = request.format.pcm.bits > 16;
    c->sample_fmt = deep ? AV_SAMPLE_FMT_S32P : AV_SAMPLE_FMT_S16P;
    c->bits_per_raw_sample = deep ? 24 : 16;
    AFC_TRY(m_codec.open());
    m_stream.format.kind = DataKind::Alac;
    m_stream.format.sampleRate = c->sample_rate;
    m_stream.format.pcm = request.format.pcm;
    m_stream.sampleRate = c->sample_rate;
    m_stream.channels = c->ch_layout.nb_channels;
    m_stream.channelMask = c->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? c->ch_layout.u.mask : 0;
    m_stream.framesPerPacket = c->frame_size;
    m_stream.primingFrames = c->initial_padding;
    m_stream.extradata.assign(c->extradata, c->extradata + c->extradata_size);
    m_stream.alacSourceBits = deep ? 24 : 16;
    m_summary = std::to_string(m_stream.alacSourceBits) + "-bit";
    return {};
}

Status AlacEncoder::encode(const AVFrame* frame, PacketSink& sink) {
    return m_codec.send(frame, [&](const AVPacket& packet) {
        const auto frames = static_cast<uint32_t>(
            std::clamp<int64_t>(packet.duration > 0 ? packet.duration : m_stream.framesPerPacket, 1,
                                m_stream.framesPerPacket));
        return sink.writePacket(
            std::span<const uint8_t>(packet.data, static_cast<size_t>(packet.size)), frames);
    });
}

} // namespace sondrel::afconvert
