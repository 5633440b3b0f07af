#include "platform/afconvert/ffmpeg/AacEncoder.h"

#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
}

#include "platform/afconvert/AacFiller.h"
#include "platform/afconvert/BitRateMeter.h"

namespace sondrel::afconvert {

namespace {

// AAC frames are at most 6144 bits per channel.
constexpr int64_t kMaxAacBitsPerChannelFrame = 6144;
constexpr int64_t kMinAacBitRate = 8000;
constexpr int64_t kMaxAacBitRatePerChannel = 320000;
// The constrained strategy's quality search keeps the opening's loudest second
// this far under the point where the peak limiter starts narrowing the band.
constexpr double kSearchPeakShare = 0.9;

// A copy of a frame that owns its samples, so that the caller may reuse its own.
Status copyFrame(const AVFrame* frame, LavFrame& out) {
    out.reset(av_frame_alloc());
    if (!out)
        return Status::failure("out of memory");
    out->format = frame->format;
    out->nb_samples = frame->nb_samples;
    out->sample_rate = frame->sample_rate;
    if (av_channel_layout_copy(&out->ch_layout, &frame->ch_layout) < 0 ||
        av_frame_get_buffer(out.get(), 0) < 0 || av_frame_copy(out.get(), frame) < 0)
        return Status::failure("out of memory");
    return {};
}

} // namespace

Status AacEncoder::open(const EncoderRequest& request, std::unique_ptr<PacketEncoder>& out) {
    out.reset();
    if (request.format.kind != DataKind::Aac)
        return {};
    std::unique_ptr<AacEncoder> encoder(new AacEncoder());
    AFC_TRY(encoder->setUp(request));
    AFC_TRY(encoder->describe());
    out = std::move(encoder);
    return {};
}

Status AacEncoder::setUp(const EncoderRequest& request) {
    const AVCodec* codec = avcodec_find_encoder_by_name("aac");
    if (!codec)
        return Status::failure("this FFmpeg has no AAC encoder");
    AacPassSettings& s = m_settings;
    s.codec = codec;
    bool exact = false;
    s.sampleRate = LavCodec::nearestRate(codec, request.sampleRate, exact);
    if (!exact && request.rateExplicit)
        return Status::failure("aac cannot be encoded at " + std::to_string(request.sampleRate) +
                               " Hz");
    if (!exact)
        m_summary = "resampled to " + std::to_string(s.sampleRate) + " Hz, which AAC supports; ";
    if (!LavCodec::chooseLayout(codec, request.channels, request.channelMask, s.layout))
        return Status::failure("aac cannot hold " + std::to_string(request.channels) + " channels");
    const int channels = s.layout.nb_channels;

    int64_t bitRate = request.bitRate;
    if (bitRate != 0 && (bitRate < kMinAacBitRate || bitRate > kMaxAacBitRatePerChannel * channels))
        return Status::failure(
            "bit rate " + std::to_string(bitRate) + " is out of the AAC encoder's range (" +
            std::to_string(kMinAacBitRate) + " to " +
            std::to_string(kMaxAacBitRatePerChannel * channels) + " for " +
            std::to_string(channels) + (channels == 1 ? " channel)" : " channels)"));
    // Low sample rates cannot carry high rates: a frame holds at most 6144 bits a channel.
    const int64_t ceiling = kMaxAacBitsPerChannelFrame * channels * s.sampleRate / 1024;
    if (bitRate > ceiling) {
        m_summary += "bit rate lowered to " + std::to_string(ceiling) + ", the most " +
                     std::to_string(s.sampleRate) + " Hz allows; ";
        bitRate = ceiling;
    }
    s.plan = planAacRate(request.strategy, bitRate, request.variableQuality, channels, s.sampleRate,
                         static_cast<size_t>(kMaxAacBitsPerChannelFrame * channels / 8));
    s.quickCoder = request.quality && *request.quality < 32;
    m_summary += s.plan.description;
    m_searching = s.plan.searchQuality;
    const AacRatePlan& plan = s.plan;
    m_stream.bitRates.average = plan.declaresAverage ? static_cast<uint32_t>(plan.bitRate) : 0;
    m_stream.bitRates.maximum = plan.constantPackets ? static_cast<uint32_t>(plan.bitRate)
                                                     : static_cast<uint32_t>(plan.ceiling);
    return {};
}

// Opens the pass the stream starts with (the first trial, for a searched
// quality) and describes the stream from it; every pass describes it alike.
Status AacEncoder::describe() {
    const AacRatePlan& plan = m_settings.plan;
    AFC_TRY(AacPass::open(m_settings, plan.lambda, m_pass));
    const AVCodecContext& c = m_pass->context();
    m_stream.format.kind = DataKind::Aac;
    m_stream.format.sampleRate = c.sample_rate;
    m_stream.sampleRate = c.sample_rate;
    m_stream.channels = c.ch_layout.nb_channels;
    m_stream.channelMask = c.ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? c.ch_layout.u.mask : 0;
    m_stream.framesPerPacket = c.frame_size;
    m_stream.bytesPerPacket = 0;
    m_stream.primingFrames = c.initial_padding;
    m_stream.extradata.assign(c.extradata, c.extradata + c.extradata_size);
    if (m_searching)
        m_pass.reset(); // trials open their own
    return {};
}

Status AacEncoder::encode(const AVFrame* frame, PacketSink& sink) {
    if (m_searching)
        return hold(frame, sink);
    return m_pass->send(frame, [&](const AVPacket& p) { return write(p, sink); });
}

Status AacEncoder::hold(const AVFrame* frame, PacketSink& sink) {
    if (!frame)
        return search(true, sink);
    LavFrame copy;
    AFC_TRY(copyFrame(frame, copy));
    m_opening.push_back(std::move(copy));
    m_openingFrames += frame->nb_samples;
    if (m_openingFrames >= static_cast<int64_t>(kQualitySearchSeconds * m_stream.sampleRate))
        return search(false, sink);
    return {};
}

Status AacEncoder::search(bool ended, PacketSink& sink) {
    const AacRatePlan& plan = m_settings.plan;
    AacPassSettings unlimited = m_settings;
    unlimited.plan.ceiling = 0;
    AacQualitySearch quality(static_cast<double>(plan.bitRate), plan.lambda);
    Trial best;
    while (!quality.done()) {
        Trial trial;
        double bitRate = 0;
        AFC_TRY(runTrial(unlimited, quality.next(), ended, trial, bitRate));
        quality.record(bitRate);
        if (quality.lastIsBest())
            best = std::move(trial);
    }
    if (plan.ceiling > 0)
        AFC_TRY(limitOpening(ended, best));
    m_opening.clear();
    m_searching = false;
    m_pass = std::move(best.pass);
    for (const Packet& p : best.packets)
        AFC_TRY(writeBytes(p.bytes, p.frames, sink));
    return {};
}

// Puts the peak limiter over the chosen pass: the limiter reads the opening's
// packets, and if it would have narrowed the band for any of them, the
// opening is encoded again with it.
Status AacEncoder::limitOpening(bool ended, Trial& best) const {
    const AacRatePlan& plan = m_settings.plan;
    AacPeakLimiter limiter(plan.ceiling, m_stream.sampleRate, plan.bandwidth);
    bool narrowed = false;
    for (size_t i = 0; i < best.packets.size(); ++i) {
        const int band = limiter.record(int64_t(best.packets[i].bytes.size()) * 8);
        narrowed = narrowed || (band != plan.bandwidth && i + 1 < best.packets.size());
    }
    if (!narrowed) {
        best.pass->attachLimiter(limiter);
        return {};
    }
    double bitRate = 0;
    const int lambda = best.pass->lambda();
    best = Trial{};
    return runTrial(m_settings, lambda, ended, best, bitRate);
}

// Encodes the opening with one lambda; bitRate is what its packets spend per
// second of the opening, or for a stream with a ceiling, as much more as its
// loudest second comes near the ceiling: a quality that keeps every second of
// the opening under the limiter's reach costs nothing in band, where one that
// leaves the limiter to cut the peaks costs a narrower band for them.
Status AacEncoder::runTrial(const AacPassSettings& settings, int lambda, bool ended, Trial& trial,
                            double& bitRate) const {
    AFC_TRY(AacPass::open(settings, lambda, trial.pass));
    int64_t bytes = 0;
    BitRateMeter meter(m_stream.sampleRate, m_stream.framesPerPacket);
    const auto keep = [&](const AVPacket& p) {
        trial.packets.push_back({std::vector<uint8_t>(p.data, p.data + p.size), framesOf(p)});
        bytes += p.size;
        meter.add(static_cast<size_t>(p.size));
        return Status{};
    };
    for (const LavFrame& frame : m_opening)
        AFC_TRY(trial.pass->send(frame.get(), keep));
    if (ended)
        AFC_TRY(trial.pass->send(nullptr, keep));
    const AacRatePlan& plan = m_settings.plan;
    bitRate = m_openingFrames > 0
                  ? double(bytes) * 8 * m_stream.sampleRate / double(m_openingFrames)
                  : double(plan.bitRate);
    if (plan.ceiling > 0) {
        const double reach = kSearchPeakShare * AacPeakLimiter::kPressure * double(plan.ceiling);
        bitRate = std::max(bitRate, double(meter.peak()) * double(plan.bitRate) / reach);
    }
    return {};
}

uint32_t AacEncoder::framesOf(const AVPacket& packet) const {
    return LavCodec::packetFrames(packet, m_stream.framesPerPacket);
}

Status AacEncoder::write(const AVPacket& packet, PacketSink& sink) {
    return writeBytes(std::span<const uint8_t>(packet.data, static_cast<size_t>(packet.size)),
                      framesOf(packet), sink);
}

Status AacEncoder::writeBytes(std::span<const uint8_t> bytes, uint32_t frames, PacketSink& sink) {
    const size_t constant = m_settings.plan.constantPackets ? m_settings.plan.packetBytes : 0;
    if (constant > bytes.size()) {
        m_padded.assign(bytes.begin(), bytes.end());
        if (padAacPacket(m_padded, constant))
            bytes = m_padded;
    }
    return sink.writePacket(bytes, frames);
}

} // namespace sondrel::afconvert
