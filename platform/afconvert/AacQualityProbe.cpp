#include "platform/afconvert/AacQualityProbe.h"

#include <algorithm>
#include <cmath>

#include "platform/afconvert/QualitySteps.h"

namespace sondrel::afconvert {

namespace {

// A file up to this long is measured whole; a longer one by this many
// excerpts of a second, which keeps the measuring under a fifth of coding
// any file longer than a minute.
constexpr int64_t kWholeSeconds = 16;
constexpr int kExcerpts = 16;
// Packets coded before each excerpt and not counted (a quarter second at
// 48 kHz). Without them, every excerpt found the constrained ceiling
// empty: 60 s of menu sounds at VBR Con 64 kbit/s came out 13% under the
// rate; with them, 4.5%.
constexpr int kWarmPackets = 12;

// The converted samples of a short file, kept by the first round of
// measuring for the rounds after it: reading and converting the file again
// was a twentieth of a one-second file's measuring. Up to this much.
constexpr size_t kKeptSampleBytes = 16 << 20;

class KeptSamples {
public:
    // Hands `encoder` the whole file, converted: from memory once kept.
    Status push(AudioSource& source, const RangeConversion& how, aac::Encoder& encoder) {
        std::vector<std::vector<uint8_t>> none;
        if (m_complete) {
            std::vector<const float*> planes;
            for (const auto& channel : m_channels)
                planes.push_back(channel.data());
            encoder.push(planes.data(), int(m_channels.front().size()), none);
            return {};
        }
        const size_t channels = size_t(std::max(how.out.channels, 1));
        const auto frames = size_t(std::max<int64_t>(how.in.frameCount, 0));
        // The converted length can differ from the source's a little (a
        // resampled file): what does not fit the budget is not kept at all.
        m_channels.assign(channels, {});
        bool keeping = frames * channels * sizeof(float) * 2 <= kKeptSampleBytes;
        AFC_TRY(
            convertRange(source, how, 0, how.in.frameCount, [&](const AVFrame& frame) -> Status {
                const auto planes = reinterpret_cast<const float* const*>(frame.extended_data);
                encoder.push(planes, frame.nb_samples, none);
                if (keeping && size_t(frame.ch_layout.nb_channels) == channels)
                    for (size_t c = 0; c < channels; ++c)
                        m_channels[c].insert(m_channels[c].end(), planes[c],
                                             planes[c] + frame.nb_samples);
                else
                    keeping = false;
                return {};
            }));
        m_complete = keeping && !m_channels.front().empty();
        if (!m_complete)
            m_channels.clear();
        return {};
    }

private:
    std::vector<std::vector<float>> m_channels;
    bool m_complete = false;
};

// Each block of a stretch of the source, measured at `offsets`; the whole
// file from `kept` when given one.
Status measureBlocks(AudioSource& source, const RangeConversion& how, std::vector<float> offsets,
                     int64_t first, int64_t frames, aac::Encoder& encoder, float loudEntropy = 0,
                     int warmPackets = 0, KeptSamples* kept = nullptr) {
    encoder.measureAt(std::move(offsets), loudEntropy, warmPackets);
    if (kept)
        return kept->push(source, how, encoder);
    std::vector<std::vector<uint8_t>> none;
    return convertRange(source, how, first, frames, [&](const AVFrame& frame) -> Status {
        encoder.push(reinterpret_cast<const float* const*>(frame.extended_data), frame.nb_samples,
                     none);
        return {};
    });
}

// Measures a stretch of the source at the given steps, adding to the tally.
Status measureRange(AudioSource& source, const RangeConversion& how,
                    const aac::EncoderSettings& settings, float centre, int64_t first,
                    int64_t frames, const std::vector<size_t>& steps, QualityTally& tally,
                    int64_t& blocks, KeptSamples* kept = nullptr) {
    aac::Encoder encoder(settings);
    std::vector<float> offsets;
    for (size_t i : steps)
        offsets.push_back(centre + kQualitySteps[i]);
    // An excerpt is measured after a warm-up: the ceiling then starts as
    // full as the frames before the excerpt left it, not empty.
    const int64_t warm = std::min<int64_t>(first, kWarmPackets * int64_t(how.frameSize));
    AFC_TRY(measureBlocks(source, how, offsets, first - warm, frames + warm, encoder, 0,
                          int(warm / how.frameSize), kept));
    for (const aac::Encoder::Measured& block : encoder.measured())
        for (size_t k = 0; k < steps.size(); ++k)
            tally.bits[steps[k]] += block.bits[k];
    blocks += int64_t(encoder.measured().size());
    return {};
}

// Measures the file (whole, or by excerpts) at the given steps.
Status measureSteps(AudioSource& source, const RangeConversion& how,
                    const aac::EncoderSettings& settings, float centre,
                    const std::vector<size_t>& steps, QualityTally& tally, KeptSamples& kept) {
    const int64_t total = how.in.frameCount;
    const int64_t second = how.in.sampleRate;
    int64_t blocks = 0;
    if (total <= kWholeSeconds * second) {
        AFC_TRY(measureRange(source, how, settings, centre, 0, total, steps, tally, blocks, &kept));
    } else {
        // An excerpt's frames do not fall where the file's do: no shapes
        // or analyses to share with its coding.
        aac::EncoderSettings excerpts = settings;
        excerpts.shapeMemo = nullptr;
        excerpts.analysisMemo = nullptr;
        for (int i = 0; i < kExcerpts; ++i) {
            const int64_t first = (total - second) * (2 * i + 1) / (2 * kExcerpts);
            AFC_TRY(
                measureRange(source, how, excerpts, centre, first, second, steps, tally, blocks));
        }
    }
    for (size_t i : steps)
        tally.measured[i] = true;
    tally.blocks = blocks; // alike in every round
    return {};
}

// The bits the average strategy would spend on the blocks, aiming at
// `bitRate`: each frame its budget, or what it can spend at the finest
// coding if that is less.
double averageSpent(const std::vector<aac::Encoder::Measured>& blocks,
                    const aac::EncoderSettings& settings, int64_t bitRate) {
    aac::RateControl rate(aac::RateMode::Average, bitRate, 0.0f, settings.sampleRate,
                          settings.channels);
    double spent = 0;
    for (const aac::Encoder::Measured& block : blocks) {
        const aac::RateControl::Budget budget = rate.budget(block.entropy);
        const int bits = std::min(budget.maxBits, block.bits.front());
        rate.spent(bits, block.entropy);
        spent += bits;
    }
    return spent;
}

// The scale stays within this: a file that can hardly spend anything (near
// silence) is not coded at several times its rate where it can.
constexpr double kMostAverageScale = 2.0;
constexpr int kScaleRounds = 3;

} // namespace

Status measureAacAverage(AudioSource& source, const RangeConversion& how,
                         const aac::EncoderSettings& settings, double& scale) {
    scale = 1.0;
    const int64_t total = how.in.frameCount;
    if (total > kWholeSeconds * how.in.sampleRate)
        return {};
    aac::EncoderSettings measuring = settings;
    measuring.averageScale = 1.0;
    aac::Encoder encoder(measuring);
    // A block whose perceptual entropy (about its bits at the masked
    // threshold) reaches a mean frame's bits would cost many times that at
    // the finest coding: it can spend any share, and is not coded.
    const double meanBits = double(settings.bitRate) * 1024.0 / settings.sampleRate;
    AFC_TRY(measureBlocks(source, how, {aac::RateControl::kLowestOffset}, 0, total, encoder,
                          float(meanBits)));
    const auto& blocks = encoder.measured();
    const double wanted = meanBits * double(blocks.size());
    for (int round = 0; round < kScaleRounds && wanted > 0; ++round) {
        const double spent =
            averageSpent(blocks, settings, int64_t(std::llround(settings.bitRate * scale)));
        if (spent <= 0)
            break;
        scale = std::clamp(scale * wanted / spent, 1.0, kMostAverageScale);
    }
    return {};
}

Status measureAacQuality(AudioSource& source, const RangeConversion& how,
                         const aac::EncoderSettings& settings, float& offset) {
    aac::EncoderSettings measuring = settings;
    measuring.qualityFixed = true;
    const float centre =
        aac::RateControl::startingOffset(settings.bitRate, settings.sampleRate, settings.channels);
    const double meanBits = double(settings.bitRate) * 1024.0 / settings.sampleRate;
    QualityTally tally;
    KeptSamples kept;
    double target = 0;
    for (std::vector<size_t> steps = firstQualitySteps(); !steps.empty();
         steps = nextQualitySteps(tally, target)) {
        AFC_TRY(measureSteps(source, how, measuring, centre, steps, tally, kept));
        target = meanBits * double(tally.blocks);
    }
    offset = centre + offsetForTarget(tally, target);
    return {};
}

} // namespace sondrel::afconvert
