#include "platform/afconvert/AacStreamEncoder.h"

#include <cmath>
#include <cstdlib>

#include "platform/afconvert/aac/Encoder.h"
#include "platform/afconvert/aac/SamplingRates.h"

namespace sondrel::afconvert {

namespace {

constexpr int64_t kMinBitRate = 8000;
constexpr int64_t kMaxBitRatePerChannel = 320000;
constexpr int64_t kMaxBitsPerChannelFrame = 6144;
constexpr int kDefaultVariableQuality = 64;
// -ue vbrq: each step of quality lowers the noise by this much (dB); 64 codes
// the noise at the masked threshold.
constexpr float kQualityStepDb = 0.5f;

int nearestStandardRate(int wanted) {
    int best = aac::standardRate(0);
    for (int i = 0; i < 12; ++i)
        if (std::abs(aac::standardRate(i) - wanted) < std::abs(best - wanted))
            best = aac::standardRate(i);
    return best;
}

aac::RateMode modeOf(AacStrategy strategy) {
    switch (strategy) {
    case AacStrategy::Constant:
        return aac::RateMode::Constant;
    case AacStrategy::Average:
        return aac::RateMode::Average;
    case AacStrategy::ConstrainedVariable:
        return aac::RateMode::ConstrainedVariable;
    case AacStrategy::Variable:
        return aac::RateMode::Variable;
    }
    return aac::RateMode::Average;
}

std::string kbps(int64_t bitRate) {
    return std::to_string(bitRate / 1000) + " kbit/s";
}

} // namespace

AacStreamEncoder::~AacStreamEncoder() = default;

Status AacStreamEncoder::open(const EncoderRequest& request, std::unique_ptr<PacketEncoder>& out) {
    out.reset();
    if (request.format.kind != DataKind::Aac || request.channels < 1 || request.channels > 6)
        return {};
    std::unique_ptr<AacStreamEncoder> encoder(new AacStreamEncoder());
    AFC_TRY(encoder->setUp(request));
    out = std::move(encoder);
    return {};
}

Status AacStreamEncoder::setUp(const EncoderRequest& request) {
    const int channels = request.channels;
    aac::EncoderSettings s;
    s.channels = channels;
    s.sampleRate = nearestStandardRate(request.sampleRate);
    if (s.sampleRate != request.sampleRate) {
        if (request.rateExplicit)
            return Status::failure("aac cannot be encoded at " +
                                   std::to_string(request.sampleRate) + " Hz");
        m_summary = "resampled to " + std::to_string(s.sampleRate) + " Hz, which AAC supports; ";
    }
    int64_t bitRate = request.bitRate;
    if (bitRate != 0 && (bitRate < kMinBitRate || bitRate > kMaxBitRatePerChannel * channels))
        return Status::failure(
            "bit rate " + std::to_string(bitRate) + " is out of the AAC encoder's range (" +
            std::to_string(kMinBitRate) + " to " +
            std::to_string(kMaxBitRatePerChannel * channels) + " for " + std::to_string(channels) +
            (channels == 1 ? " channel)" : " channels)"));
    const int64_t ceiling = kMaxBitsPerChannelFrame * channels * s.sampleRate / 1024;
    if (bitRate > ceiling) {
        m_summary += "bit rate lowered to " + std::to_string(ceiling) + ", the most " +
                     std::to_string(s.sampleRate) + " Hz allows; ";
        bitRate = ceiling;
    }
    s.mode = modeOf(request.strategy);
    const bool variable = s.mode == aac::RateMode::Variable;
    if (variable && (request.variableQuality || bitRate == 0)) {
        const int quality = request.variableQuality.value_or(kDefaultVariableQuality);
        s.bitRate = 0;
        s.quality = float(kDefaultVariableQuality - quality) * kQualityStepDb;
        s.bandwidth = aac::Encoder::defaultBandwidth(0, channels, s.sampleRate);
        m_summary += "own encoder, variable bit rate, quality " + std::to_string(quality);
    } else {
        s.bitRate = bitRate > 0 ? bitRate : int64_t(64000) * channels;
        m_averageMeasured = request.aacAverageScale.has_value();
        s.averageScale = request.aacAverageScale.value_or(1.0);
        if (s.mode == aac::RateMode::Variable || s.mode == aac::RateMode::ConstrainedVariable) {
            s.qualityFixed = request.aacNoiseOffset.has_value();
            s.quality = request.aacNoiseOffset.value_or(0.0f);
        }
        static const char* const kNames[] = {"constant bit rate ", "average bit rate ",
                                             "constrained variable bit rate about ",
                                             "variable bit rate about "};
        m_summary += std::string("own encoder, ") + kNames[int(request.strategy)] + kbps(s.bitRate);
        if (s.qualityFixed)
            m_summary += ", its quality measured over the whole file";
    }
    s.shapeMemo = request.aacWindowShapes;
    s.analysisMemo = request.aacAnalyses;
    m_settings = s;
    m_encoder = std::make_unique<aac::Encoder>(s);
    // A quality steered as frames come would differ between segments: it
    // stays in one pass.
    const bool constantQuality =
        s.mode == aac::RateMode::Variable || s.mode == aac::RateMode::ConstrainedVariable;
    m_joinable = !constantQuality || s.bitRate == 0 || s.qualityFixed;

    EncodedStream& st = m_stream;
    st.format.kind = DataKind::Aac;
    st.format.sampleRate = s.sampleRate;
    st.sampleRate = s.sampleRate;
    st.channels = channels;
    st.channelMask = aac::Encoder::channelMask(channels);
    st.framesPerPacket = 1024;
    st.bytesPerPacket = 0;
    st.primingFrames = aac::Encoder::kPrimingFrames;
    st.extradata = m_encoder->audioSpecificConfig();
    const bool declaresAverage = s.mode != aac::RateMode::Variable;
    st.bitRates.average = declaresAverage ? static_cast<uint32_t>(s.bitRate) : 0;
    st.bitRates.maximum = static_cast<uint32_t>(
        s.mode == aac::RateMode::ConstrainedVariable ? std::llround(1.5 * double(s.bitRate)) : 0);
    return {};
}

std::optional<aac::EncoderSettings> AacStreamEncoder::averageToMeasure() const {
    if (m_settings.mode != aac::RateMode::Average || m_averageMeasured)
        return std::nullopt;
    return m_settings;
}

std::optional<aac::EncoderSettings> AacStreamEncoder::qualityToMeasure() const {
    const bool variable = m_settings.mode == aac::RateMode::Variable ||
                          m_settings.mode == aac::RateMode::ConstrainedVariable;
    if (!variable || m_settings.bitRate == 0 || m_settings.qualityFixed)
        return std::nullopt;
    return m_settings;
}

int AacStreamEncoder::joinLookAhead() const {
    // A packet is coded once the input reaches two blocks past its start.
    return m_joinable ? 2 * 1024 : -1;
}

void AacStreamEncoder::codeSegment(int64_t startPacket, int64_t firstKept, int64_t lastKept) {
    m_encoder->codeSegment(startPacket, firstKept, lastKept);
}

Status AacStreamEncoder::encode(const AVFrame* frame, PacketSink& sink) {
    if (!frame) {
        if (!m_finished)
            m_encoder->finish(m_packets);
        m_finished = true;
        return emit(sink);
    }
    if (frame->format != AV_SAMPLE_FMT_FLTP || frame->ch_layout.nb_channels != m_stream.channels)
        return Status::failure("internal error: the AAC encoder was given the wrong sample format");
    m_encoder->push(reinterpret_cast<const float* const*>(frame->extended_data), frame->nb_samples,
                    m_packets);
    return emit(sink);
}

Status AacStreamEncoder::emit(PacketSink& sink) {
    for (const auto& packet : m_packets)
        AFC_TRY(sink.writePacket(packet, 1024));
    m_packets.clear();
    return {};
}

} // namespace sondrel::afconvert
