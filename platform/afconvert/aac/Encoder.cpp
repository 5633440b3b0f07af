#include "platform/afconvert/aac/Encoder.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <span>

#include "platform/afconvert/aac/FrameWriter.h"
#include "platform/afconvert/aac/HuffmanCoding.h"
#include "platform/afconvert/aac/SamplingRates.h"
#include "platform/afconvert/aac/WindowShapeCost.h"

namespace sondrel::afconvert::aac {

namespace {

// Each channel keeps four blocks of 1024 samples: the one before the block
// being coded (the attack detector's history), the block's own two halves, and
// the next block's second half (look-ahead for the window decision).
constexpr int kBufferLength = 4 * kFrameLines;
// The four blocks slide along a store twice as long, moved back to its start
// only once they reach its end (every fifth block): moving them at every
// block was a twentieth of a short file's conversion. A longer store saved
// no more than its zeroing and page faults cost.
constexpr int kSampleStore = 8 * kFrameLines;
constexpr int kBlockOffset = kFrameLines;
constexpr int kNextBlockOffset = 2 * kFrameLines;
constexpr float kFullScale = 32768.0f;
// The low-frequency channel carries nothing above this.
constexpr int kLfeBandwidth = 240;
// Bits each element costs besides its channel streams: id, tag, common window
// and mid/side flags, and the block's end and byte alignment.
constexpr int kElementBits = 10;
constexpr int kBlockEndBits = 10;
// The noise offset search: the range (dB) and the resolution it stops at.
constexpr float kHighestOffset = 60.0f;
constexpr float kOffsetStep = 4.0f;
constexpr float kOffsetResolution = 0.5f;
constexpr float kNotEvaluated = -1000.0f;
// A coding that spends this close to a frame's budget ends the offset search:
// half a dB, the search's resolution, moves a frame's bits by more (2 to 4%),
// and what is left goes to the frames after it through the reservoir.
constexpr float kCloseEnoughShare = 0.02f;
// From this many bits a sample and channel, a rate buys fidelity as well as
// what the ear hears: the noise of every line is also kept under a level
// common to the whole frame (the frame's mean line energy this many dB
// down, more as the rate rises, moved by the noise offset like the
// threshold). The masking threshold alone follows the signal's own spectrum
// and leaves loud bands loud noise, however rich the rate: mono brown noise
// at 32 kHz and 128 kbit/s kept 23 dB of SNR where FFmpeg's encoder keeps 37.
// A level common to all lines is what keeps the most signal to noise for the
// bits; it binds only in loud bands, the quiet ones stay under their masked
// threshold.
constexpr double kFidelityFromBits = 3.0;
constexpr double kFidelityDbPerBit = 36.0;
constexpr double kMostFidelityDb = 45.0;

// From this many bits a sample and channel (128 kbit/s for stereo at 48 kHz),
// the threshold in quiet gives way too once the noise offset goes this far
// under the masked threshold, dB for dB: a rich rate is then spent on
// fidelity in quiet passages rather than left unspent (sparse impacts at
// 256 kbit/s came out at 107 kbit/s, 0.10 ODG under FFmpeg's encoder at
// 255; now at 241, level with it; music at 256 gained 0.03 to 0.14 from
// 10 dB to 5). At 64 and 96 kbit/s it cost voices and effects up to 0.27,
// so it starts above them; from 0 dB, music at 128 lost up to 0.05.
constexpr double kQuietYieldsFromBits = 1.2;
constexpr float kQuietYieldsUnderDb = 5.0f;

bool quietYields(int64_t bitRate, int sampleRate, int channels) {
    return double(bitRate) / (double(sampleRate) * channels) >= kQuietYieldsFromBits;
}

float fidelityShare(int64_t bitRate, int sampleRate, int channels) {
    const double bits = double(bitRate) / (double(sampleRate) * channels);
    const double db =
        std::clamp((bits - kFidelityFromBits) * kFidelityDbPerBit, 0.0, kMostFidelityDb);
    return db > 0 ? float(std::pow(10.0, -db / 10.0)) : 0.0f;
}

// Measuring skips the priming packet and the one after it, which hold the
// transform's start.
constexpr int64_t kUnmeasuredPackets = 2;
// At a constant quality, a frame of short windows (an attack) is coded this
// much finer than the rest: the masking model underrates what its noise
// costs (before the attack, and in the burst itself). Game effects at 64 to
// 96 kbit/s graded 0.3 to 0.8 better; music, with few attacks, the same.
// 16 dB rather than 12 (with the frame after it as below): the arcade reel
// +0.045 at 64 kbit/s, a voice -0.018, the tuning clips +0.002 on average;
// 20 cost the voice 0.05.
constexpr float kAttackFinerDb = 16.0f;
// And the frame after one (its stop window carries the rest of the burst),
// this much: the arcade reel at 64 kbit/s graded 0.09 better, nothing else
// moved by more than 0.006 at 64 to 128 kbit/s. 9 or 12 dB gained less and
// cost impacts and voices 0.01; the frame before the attack as well, less.
constexpr float kAfterAttackFinerDb = 6.0f;
// The average and constant rates share bits out by perceptual entropy,
// which, like the masking model behind it, underrates an attack's frame and
// the one after it: theirs counts this much more. At 64 kbit/s the arcade
// reel graded 0.26 better in CBR and 0.12 in ABR, the voices moved by 0.02
// at most; 1.5 gained the reel more but cost a voice 0.05, and weighting
// only the attack's frame gained half as much.
constexpr float kAttackDemand = 1.25f;

constexpr uint64_t kFrontLeft = 0x1, kFrontRight = 0x2, kFrontCentre = 0x4, kLfe = 0x8,
                   kBackLeft = 0x10, kBackRight = 0x20, kBackCentre = 0x100;

// The rate the rate control aims at: the average's, scaled to what the
// file can spend (the other modes' rates are promises kept as stated).
int64_t controlledRate(const EncoderSettings& s) {
    if (s.mode != RateMode::Average)
        return s.bitRate;
    return int64_t(std::llround(double(s.bitRate) * s.averageScale));
}

// The low bands' noise is held under their masked threshold, by up to 12 dB
// at 700 Hz and below, falling with the log of the frequency to nothing at
// 4 kHz. The model's threshold there is too lenient for tonal music: the
// harmonics and their beating are heard through noise the spreading says is
// masked. Measured against noise spread evenly at 64-128 kbit/s: +0.2 to
// +0.9 ODG on piano, orchestra and chiptune, speech unchanged; a step (6 dB
// under 3 kHz) gained half as much, 15 dB or a slope reaching 8 kHz less.
constexpr float kLowBandMarginDb = 12.0f;
constexpr float kLowBandFullHz = 700.0f;
constexpr float kLowBandEndHz = 4000.0f;

float lowBandShare(float hz) {
    const float t = std::clamp(
        std::log2(hz / kLowBandFullHz) / std::log2(kLowBandEndHz / kLowBandFullHz), 0.0f, 1.0f);
    return std::pow(10.0f, -kLowBandMarginDb * (1.0f - t) / 10.0f);
}

} // namespace

struct Encoder::Channel {
    // The input: kBufferLength samples from `start` (see advanceBlock).
    std::vector<float> samples = std::vector<float>(kSampleStore, 0.0f);
    int start = 0;
    float* buffer() { return samples.data() + start; }
    PsychoModel psycho;
    BlockSwitching switching;
    AttackInfo nextAttack;
    IcsFrame frame;
    BandLayout layout;
    BandMasking masking;
    Quantizer quantizer;
    int codedBands = 0;
    bool lfe = false;
    alignas(32) std::array<float, kFrameLines> lines{};
    alignas(32) std::array<float, kFrameLines> ordered{};
    std::array<int16_t, kFrameLines> quantized{};
    // Each band's scale factor in the last search: where the next starts.
    std::array<int16_t, kBandSlots> hint{};
    // The shape of the window that ended the last frame: where this one's starts.
    WindowShape shape = WindowShape::Sine;
    // A long frame windowed with one shape at both ends, for each shape:
    // what the window shape is chosen by.
    alignas(32) std::array<float, kFrameLines> sineLines{};
    alignas(32) std::array<float, kFrameLines> kbdLines{};
    // lowBandShare of each band of a group, for the frame's layout (see
    // Encoder::m_lowBandShares).
    std::array<float, kMaxLongBands> lowBandShares{};
};

struct Encoder::Element {
    enum class Kind { Single, Pair, LowFrequency } kind;
    int tag = 0;
    int first = 0;
    int second = -1;
    PairCoding pair;
};

bool Encoder::supports(int sampleRate, int channels) {
    return samplingFrequencyIndex(sampleRate) >= 0 && channels >= 1 && channels <= 6;
}

uint64_t Encoder::channelMask(int channels) {
    switch (channels) {
    case 1:
        return kFrontCentre;
    case 2:
        return kFrontLeft | kFrontRight;
    case 3:
        return kFrontLeft | kFrontRight | kFrontCentre;
    case 4:
        return kFrontLeft | kFrontRight | kFrontCentre | kBackCentre;
    case 5:
        return kFrontLeft | kFrontRight | kFrontCentre | kBackLeft | kBackRight;
    case 6:
        return kFrontLeft | kFrontRight | kFrontCentre | kLfe | kBackLeft | kBackRight;
    default:
        return 0;
    }
}

int Encoder::defaultBandwidth(int64_t bitRate, int channels, int sampleRate) {
    // Per channel rate (bit/s) to coded bandwidth (Hz).
    static constexpr std::array<std::pair<int, int>, 9> kTable{{{8000, 4000},
                                                                {16000, 7000},
                                                                {24000, 10000},
                                                                {32000, 13000},
                                                                {48000, 16000},
                                                                {64000, 18000},
                                                                {80000, 19500},
                                                                {96000, 20000},
                                                                {128000, 22000}}};
    const double perChannel = bitRate > 0 ? double(bitRate) / channels : 96000.0;
    double hz = kTable.back().second;
    for (size_t i = 1; i < kTable.size(); ++i) {
        if (perChannel <= kTable[i].first) {
            const auto [r0, h0] = kTable[i - 1];
            const auto [r1, h1] = kTable[i];
            const double t = std::clamp((perChannel - r0) / double(r1 - r0), 0.0, 1.0);
            hz = h0 + t * (h1 - h0);
            break;
        }
    }
    return int(std::min(hz, 0.5 * sampleRate));
}

Encoder::Encoder(const EncoderSettings& settings)
    : m_settings(settings), m_frequencyIndex(samplingFrequencyIndex(settings.sampleRate)),
      m_rate(settings.mode, controlledRate(settings), settings.quality, settings.sampleRate,
             settings.channels, settings.qualityFixed) {
    if (m_settings.bandwidth <= 0)
        m_settings.bandwidth =
            defaultBandwidth(settings.bitRate, settings.channels, settings.sampleRate);
    m_fidelityShare = fidelityShare(settings.bitRate, settings.sampleRate, settings.channels);
    m_quietYields = quietYields(settings.bitRate, settings.sampleRate, settings.channels);
    for (int c = 0; c < settings.channels; ++c)
        m_channels.push_back(std::make_unique<Channel>());
    using Kind = Element::Kind;
    switch (settings.channels) {
    case 1:
        m_elements = {{Kind::Single, 0, 0, -1, {}}};
        break;
    case 2:
        m_elements = {{Kind::Pair, 0, 0, 1, {}}};
        break;
    case 3:
        m_elements = {{Kind::Single, 0, 2, -1, {}}, {Kind::Pair, 0, 0, 1, {}}};
        break;
    case 4:
        m_elements = {
            {Kind::Single, 0, 2, -1, {}}, {Kind::Pair, 0, 0, 1, {}}, {Kind::Single, 1, 3, -1, {}}};
        break;
    case 5:
        m_elements = {
            {Kind::Single, 0, 2, -1, {}}, {Kind::Pair, 0, 0, 1, {}}, {Kind::Pair, 1, 3, 4, {}}};
        break;
    default:
        m_elements = {{Kind::Single, 0, 2, -1, {}},
                      {Kind::Pair, 0, 0, 1, {}},
                      {Kind::Pair, 1, 4, 5, {}},
                      {Kind::LowFrequency, 0, 3, -1, {}}};
        m_channels[3]->lfe = true;
        break;
    }
    m_channelConfiguration = settings.channels;
    for (const WindowSequence sequence : {WindowSequence::OnlyLong, WindowSequence::EightShort}) {
        IcsFrame frame;
        frame.sequence = sequence;
        const BandLayout layout = bandLayout(frame, m_frequencyIndex, settings.sampleRate);
        auto& shares = m_lowBandShares[sequence == WindowSequence::EightShort ? 1 : 0];
        for (int b = 0; b < layout.bands; ++b)
            shares[size_t(b)] = lowBandShare(layout.centre[size_t(b)]);
    }
    if (settings.mode == RateMode::Constant) {
        m_planOffset =
            RateControl::startingOffset(settings.bitRate, settings.sampleRate, settings.channels);
        m_planHints.assign(m_channels.size(), {});
    }
    // The buffers start with the detector's history and the priming block.
    m_filled = kBlockOffset + kFrameLines;
}

Encoder::~Encoder() = default;

std::vector<uint8_t> Encoder::audioSpecificConfig() const {
    return aac::audioSpecificConfig(m_frequencyIndex, m_channelConfiguration);
}

void Encoder::push(const float* const* planes, int frames, std::vector<std::vector<uint8_t>>& out) {
    int done = 0;
    while (done < frames) {
        const int take = std::min(frames - done, kBufferLength - m_filled);
        for (size_t c = 0; c < m_channels.size(); ++c) {
            float* to = m_channels[c]->buffer() + m_filled;
            const float* from = planes[c] + done;
            for (int i = 0; i < take; ++i)
                to[i] = from[i] * kFullScale;
        }
        m_filled += take;
        done += take;
        m_inputFrames += take;
        if (m_filled == kBufferLength)
            codeBlock(out);
    }
}

void Encoder::finish(std::vector<std::vector<uint8_t>>& out) {
    // Packet p gives back input frames (p - 1) * 1024 .. p * 1024.
    const int64_t needed =
        m_inputFrames > 0 ? (m_inputFrames + kFrameLines - 1) / kFrameLines + 1 : 0;
    while (m_analysed < needed) {
        for (auto& c : m_channels)
            std::fill(c->buffer() + m_filled, c->buffer() + kBufferLength, 0.0f);
        m_filled = kBufferLength;
        codeBlock(out);
    }
    m_allAnalysed = true;
    while (!m_ahead.empty())
        codeAhead(out);
}

void Encoder::codeSegment(int64_t startPacket, int64_t firstKept, int64_t lastKept) {
    m_startPacket = startPacket;
    m_firstKept = firstKept;
    m_lastKept = lastKept;
}

void Encoder::measureAt(std::vector<float> offsets, float loudEntropy, int warmPackets) {
    m_measureOffsets = std::move(offsets);
    m_loudEntropy = loudEntropy;
    m_unmeasured = kUnmeasuredPackets + warmPackets;
    m_measured.clear();
    m_measureCeilings.clear();
    if (auto ceiling = m_rate.freshCeiling())
        m_measureCeilings.assign(m_measureOffsets.size(), *ceiling);
    m_measureHints.assign(m_measureOffsets.size() * m_channels.size(), {});
}

int Encoder::evaluateMeasured(size_t i, float offset, int enough) {
    const size_t first = i * m_channels.size();
    for (size_t c = 0; c < m_channels.size(); ++c)
        std::swap(m_channels[c]->hint, m_measureHints[first + c]);
    const int bits = evaluate(offset, enough);
    for (size_t c = 0; c < m_channels.size(); ++c)
        std::swap(m_channels[c]->hint, m_measureHints[first + c]);
    return bits;
}

// The constant rate plans each frame's bits over the frames after it (see
// RateControl::plannedBits): blocks are analysed this many ahead of the one
// coded (1.5 s at 44.1 kHz). 32 gained the arcade reel 0.08 at 64 kbit/s
// but cost others up to 0.04 at 96; 128 graded 0.006 lower at 64.
constexpr size_t kPlannedFrames = 64;

bool Encoder::planning() const {
    return m_settings.mode == RateMode::Constant && m_measureOffsets.empty();
}

void Encoder::codeBlock(std::vector<std::vector<uint8_t>>& out) {
    if (!restoreAnalysis()) {
        m_entropy = 0;
        for (Element& e : m_elements)
            analyseElement(e);
        keepAnalysis();
    }
    m_entropy *= attackDemand();
    if (!m_measureOffsets.empty()) {
        measureBlock();
        advanceBlock();
        ++m_packets;
        return;
    }
    if (!planning()) {
        codeAnalysed(out, {});
        advanceBlock();
        ++m_packets;
        return;
    }
    m_ahead.push_back({analysis(), planningDemand()});
    advanceBlock();
    // A segment plans up to its join: once that is analysed, the frames
    // before it need nothing after them.
    const bool joinAnalysed = m_lastKept >= 0 && m_analysed > m_lastKept;
    while (m_ahead.size() > kPlannedFrames || (joinAnalysed && !m_ahead.empty()))
        codeAhead(out);
}

// Codes the oldest block analysed, planning over those after it up to the
// segment's join.
void Encoder::codeAhead(std::vector<std::vector<uint8_t>>& out) {
    restoreCoding(m_ahead.front().analysis);
    m_aheadDemand.clear();
    for (size_t i = 0; i < m_ahead.size(); ++i) {
        if (m_lastKept >= 0 && m_packets + int64_t(i) > m_lastKept)
            break;
        m_aheadDemand.push_back(m_ahead[i].demand);
    }
    // The stream's last frames leave nothing in the buffer: no frame after
    // them could spend it.
    m_endsStream = m_allAnalysed && m_aheadDemand.size() == m_ahead.size();
    codeAnalysed(out, m_aheadDemand);
    ++m_packets;
    m_ahead.pop_front();
}

// Codes the block whose analysis the channels hold.
void Encoder::codeAnalysed(std::vector<std::vector<uint8_t>>& out, std::span<const float> ahead) {
    if (m_packets == m_firstKept && m_firstKept > 0)
        m_rate.restartAtJoin(m_startPacket + m_packets);
    if (m_lastKept >= 0 && m_packets <= m_lastKept &&
        m_lastKept - m_packets < m_rate.joinApproachFrames())
        m_rate.approachJoin(int(m_lastKept - m_packets + 1));
    RateControl::Budget budget = m_rate.budget(m_entropy, ahead, m_endsStream);
    if (budget.fixedOffset)
        budget.noiseOffset -= attackBoost();
    m_lastOffset = searchOffset(budget);
    if (m_evaluated != m_lastOffset && !restoreFitting(m_lastOffset)) {
        // The frame as the search left it is another offset's. Coded again
        // (each band's search starting from where the last left it), it can
        // come out a few bits longer: then a little more noise.
        while (evaluate(m_lastOffset) > budget.maxBits && m_lastOffset < kHighestOffset)
            m_lastOffset += kOffsetResolution;
    }
    if (m_lastBits > budget.hardBits)
        narrowToFit(budget.hardBits);
    m_evaluated = kNotEvaluated;
    out.push_back(writePacket(m_packets == m_lastKept));
    m_rate.spent(int(out.back().size()) * 8, m_entropy);
}

// Even the coarsest coding can spend more than a frame may (the bands kept
// however coarsely, against a constrained rate's ceiling or a full buffer):
// then bands are given up from the top until it fits.
void Encoder::narrowToFit(int limit) {
    while (m_lastBits > limit) {
        bool narrowed = false;
        for (auto& c : m_channels) {
            if (c->codedBands > 0) {
                c->codedBands -= std::max(1, c->codedBands / 8);
                narrowed = true;
            }
        }
        if (!narrowed)
            return;
        evaluate(m_lastOffset);
    }
}

void Encoder::measureBlock() {
    // Only a constant quality codes attacks finer (see codeBlock).
    const bool variable =
        m_settings.mode == RateMode::Variable || m_settings.mode == RateMode::ConstrainedVariable;
    const float boost = variable ? attackBoost() : 0.0f;
    if (m_packets < m_unmeasured) {
        // The transform's start, or a warm-up before an excerpt: not
        // counted, but the ceiling learns what these frames spent.
        for (size_t i = 0; i < m_measureCeilings.size(); ++i)
            underCeiling(i, evaluateMeasured(i, m_measureOffsets[i] - boost));
        return;
    }
    Measured& block = m_measured.emplace_back();
    block.entropy = m_entropy;
    if (m_loudEntropy > 0 && m_entropy >= m_loudEntropy) {
        block.bits.assign(m_measureOffsets.size(), m_rate.maxFrameBits());
        return;
    }
    const int enough = m_loudEntropy > 0 ? m_rate.maxFrameBits() : kUnusableBits;
    for (size_t i = 0; i < m_measureOffsets.size(); ++i) {
        const int bits = evaluateMeasured(i, m_measureOffsets[i] - boost, enough);
        block.bits.push_back(m_measureCeilings.empty() ? bits : underCeiling(i, bits));
    }
}

// What the ceiling measured at offset i lets a frame of `bits` spend, which
// it then counts as spent: a quality that averages the rate must count the
// seconds it holds back at their ceiling, not at what they ask.
int Encoder::underCeiling(size_t i, int bits) {
    CeilingWindow& ceiling = m_measureCeilings[i];
    const int spent = int(std::min<int64_t>(bits, std::max<int64_t>(ceiling.room(), 0)));
    ceiling.add(spent);
    return spent;
}

float Encoder::attackBoost() const {
    float boost = 0.0f;
    for (const auto& c : m_channels) {
        if (c->frame.sequence == WindowSequence::EightShort)
            return kAttackFinerDb;
        if (c->frame.sequence == WindowSequence::LongStop)
            boost = kAfterAttackFinerDb;
    }
    return boost;
}

float Encoder::attackDemand() const {
    for (const auto& c : m_channels)
        if (c->frame.sequence == WindowSequence::EightShort ||
            c->frame.sequence == WindowSequence::LongStop)
            return kAttackDemand;
    return 1.0f;
}

// What the constant rate plans the block just analysed by: the geometric
// mean of its perceptual entropy and what it costs coded at the noise offset
// the rate typically settles at (an attack's frames finer, as a constant
// quality codes them). The entropy alone misjudges what frames cost: on a
// voice at 64 kbit/s, frames planned by it came out anywhere from -1 to
// -23 dB, and an attack's frame got little more than a steady one. By the
// cost alone, music graded up to 0.12 better but the effects reel and a
// menu sound 0.11 worse. The mean of the two gained on 15 of the 16 tuning
// clips (the reel 0.04, ticks 0.15, music 0.01 to 0.05; one lost 0.004).
// Counted with its own scale factor hints, so the coding's are undisturbed.
float Encoder::planningDemand() {
    for (size_t c = 0; c < m_channels.size(); ++c)
        std::swap(m_channels[c]->hint, m_planHints[c]);
    const int bits = evaluate(m_planOffset - attackBoost(), m_rate.maxFrameBits());
    for (size_t c = 0; c < m_channels.size(); ++c)
        std::swap(m_channels[c]->hint, m_planHints[c]);
    return std::sqrt(float(bits) * std::max(m_entropy, 1.0f));
}

void Encoder::advanceBlock() {
    ++m_analysed;
    m_filled -= kFrameLines;
    for (auto& c : m_channels) {
        c->start += kFrameLines;
        if (c->start + kBufferLength > kSampleStore) {
            std::copy(c->buffer(), c->buffer() + m_filled, c->samples.begin());
            c->start = 0;
        }
    }
}

void Encoder::analyseElement(Element& element) {
    Channel* members[2] = {m_channels[element.first].get(),
                           element.second >= 0 ? m_channels[element.second].get() : nullptr};
    const bool lfe = element.kind == Element::Kind::LowFrequency;
    // A pair decides its windows together, so that it can share them.
    AttackInfo thisAttack = members[0]->nextAttack;
    AttackInfo next = lfe ? AttackInfo{} : findAttack(members[0]->buffer(), kNextBlockOffset);
    if (members[1]) {
        const AttackInfo a = members[1]->nextAttack;
        if (a.attack && (!thisAttack.attack || a.window < thisAttack.window))
            thisAttack = a;
        const AttackInfo b = findAttack(members[1]->buffer(), kNextBlockOffset);
        if (b.attack && (!next.attack || b.window < next.window))
            next = b;
    }
    const WindowSequence sequence = members[0]->switching.next(thisAttack.attack, next.attack);
    const bool eight = sequence == WindowSequence::EightShort;
    for (Channel* c : members) {
        if (!c)
            continue;
        if (members[1] && c == members[1])
            c->switching = members[0]->switching;
        c->nextAttack = next;
        IcsFrame& f = c->frame;
        f = IcsFrame{};
        f.sequence = sequence;
        f.shape = WindowShape::Sine;
        if (eight)
            groupShortWindows(thisAttack, f);
        if (eight || lfe)
            m_transform.forward(c->buffer() + kBlockOffset, sequence, c->shape, f.shape,
                                c->lines.data());
        prepareLayout(*c);
        const int bandwidth = lfe ? kLfeBandwidth : m_settings.bandwidth;
        const auto offsets =
            eight ? shortBandOffsets(m_frequencyIndex) : longBandOffsets(m_frequencyIndex);
        const double lineHz =
            double(m_settings.sampleRate) / (2.0 * (eight ? kShortLines : kFrameLines));
        int bands = 0;
        while (bands < c->layout.bands && offsets[bands] * lineHz < bandwidth)
            ++bands;
        c->codedBands = std::max(bands, 1);
        f.maxBands = c->codedBands;
    }
    if (!eight && !lfe)
        chooseWindowShape(members, int(&element - m_elements.data()));
    for (Channel* c : members) {
        if (!c)
            continue;
        if (eight)
            interleaveShort(c->frame, m_frequencyIndex, c->lines.data(), c->ordered.data());
        else
            c->ordered = c->lines;
        c->psycho.analyse(c->ordered.data(), c->layout, eight, c->codedBands, c->masking);
        c->shape = c->frame.shape;
        m_entropy += c->masking.perceptualEntropy;
    }
    if (element.kind == Element::Kind::Pair)
        decideStereo(element);
    for (Channel* c : members)
        if (c)
            c->quantizer.load(c->ordered.data(), kFrameLines);
}

void Encoder::prepareLayout(Channel& c) {
    c.layout = bandLayout(c.frame, m_frequencyIndex, m_settings.sampleRate);
    const bool eight = c.frame.sequence == WindowSequence::EightShort;
    c.lowBandShares = m_lowBandShares[eight ? 1 : 0];
}

// A block's analysis is the same in every pass from the file's start; a
// segment starts elsewhere, with its own history.
AnalysisMemo* Encoder::usableAnalysisMemo() const {
    return m_startPacket == 0 && m_firstKept < 0 ? m_settings.analysisMemo.get() : nullptr;
}

bool Encoder::restoreAnalysis() {
    const AnalysisMemo* memo = usableAnalysisMemo();
    const BlockAnalysis* kept = memo ? memo->find(m_analysed) : nullptr;
    if (!kept || kept->channels.size() != m_channels.size())
        return false;
    restoreCoding(*kept);
    for (size_t i = 0; i < m_channels.size(); ++i) {
        Channel& c = *m_channels[i];
        const ChannelAnalysis& a = kept->channels[i];
        c.shape = a.shape;
        c.psycho.restore(a.psycho);
        c.switching = a.switching;
        c.nextAttack = a.nextAttack;
    }
    return true;
}

// What coding the block takes from its analysis.
void Encoder::restoreCoding(const BlockAnalysis& kept) {
    for (size_t i = 0; i < m_channels.size(); ++i) {
        Channel& c = *m_channels[i];
        const ChannelAnalysis& a = kept.channels[i];
        c.frame = IcsFrame{};
        c.frame.sequence = a.sequence;
        c.frame.shape = a.shape;
        c.frame.groupCount = a.groupCount;
        c.frame.groupLength = a.groupLength;
        c.frame.maxBands = a.codedBands;
        c.codedBands = a.codedBands;
        c.masking = a.masking;
        std::copy(a.ordered.begin(), a.ordered.end(), c.ordered.begin());
        prepareLayout(c);
        c.quantizer.load(c.ordered.data(), kFrameLines);
    }
    for (size_t e = 0; e < m_elements.size(); ++e)
        m_elements[e].pair = kept.pairs[e];
    m_entropy = kept.entropy;
}

void Encoder::keepAnalysis() {
    AnalysisMemo* memo = usableAnalysisMemo();
    if (!memo || m_measureOffsets.empty() || !memo->wants(m_analysed, m_channels.size()))
        return;
    memo->keep(m_analysed, analysis());
}

BlockAnalysis Encoder::analysis() const {
    BlockAnalysis kept;
    kept.entropy = m_entropy;
    kept.pairs.reserve(m_elements.size());
    kept.channels.reserve(m_channels.size());
    for (const Element& e : m_elements)
        kept.pairs.push_back(e.pair);
    for (const auto& c : m_channels) {
        ChannelAnalysis& a = kept.channels.emplace_back();
        a.sequence = c->frame.sequence;
        a.shape = c->frame.shape;
        a.groupCount = c->frame.groupCount;
        a.groupLength = c->frame.groupLength;
        a.codedBands = c->codedBands;
        a.psycho = c->psycho.history();
        a.switching = c->switching;
        a.nextAttack = c->nextAttack;
        a.masking = c->masking;
        std::copy(c->ordered.begin(), c->ordered.end(), a.ordered.begin());
    }
    return kept;
}

namespace {

constexpr float kNoiseSubstitutionHz = 5000.0f;
constexpr float kNoiseLikeTonality = 0.25f;
constexpr float kSubstituteShare = 0.5f;
constexpr int kNoNoise = -1000;
constexpr float kProminentBand = 10.0f;
constexpr float kKeptShare = 0.5f;
// A band whose channels differ this much in energy (10 dB) is coded left/right.
constexpr float kPannedRatio = 10.0f;
// At low rates (this or less a channel) a high, noise-like band whose
// channels are largely uncorrelated (side energy at least 0.3 of mid's) and
// heard in both (3 dB over their thresholds) is coded left/right as well,
// so that noise substitution may take it, each channel with its own noise.
// PEAQ at 64 kbit/s: +0.25 on orchestra, +0.06 on chiptune, within 0.05
// elsewhere; at 96 and 128 kbit/s it cost up to 0.1 on chiptune, and taking
// bands under their thresholds too cost 0.35 on piano (quiet highs turned
// to noise).
constexpr int64_t kLowRate = 40000;
constexpr float kUncorrelatedSide = 0.3f;
constexpr float kHeardBand = 2.0f;
// At those rates a noise-like band is substituted once its allowed noise
// reaches a quarter of its energy, not half: +0.18 ODG on orchestra and
// +0.04 on chiptune at 64 kbit/s, -0.03 on piano.
constexpr float kLowRateSubstituteShare = 0.25f;

bool lowRate(const EncoderSettings& settings) {
    return settings.bitRate > 0 && settings.bitRate <= kLowRate * settings.channels;
}

// A band to be coded with a spectral book, before the book is chosen.
constexpr uint8_t kCodedBand = 1;

// Neighbouring coded bands' scale factors may differ by 60 at most. Where
// they would differ more, the coarser band is made finer (never the finer one
// coarser: that would put noise into what needs it least, such as the band
// of a loud tone beside quiet ones). Whether any band was changed.
bool limitScalefactorSteps(IcsFrame& f, const BandLayout& layout) {
    std::array<int, kBandSlots> order{};
    size_t count = 0;
    for (int g = 0; g < layout.groupCount; ++g)
        for (int b = 0; b < f.maxBands; ++b)
            if (f.book[BandLayout::slot(g, b)] == kCodedBand)
                order[count++] = BandLayout::slot(g, b);
    bool changed = false;
    auto limit = [&](size_t band, size_t neighbour) {
        const int most = f.scalefactor[neighbour] + 60;
        if (f.scalefactor[band] > most) {
            f.scalefactor[band] = static_cast<int16_t>(most);
            changed = true;
        }
    };
    for (size_t i = 1; i < count; ++i)
        limit(order[i], order[i - 1]);
    for (size_t i = count; i-- > 1;)
        limit(order[i - 1], order[i]);
    return changed;
}

// The bands up to the last one that carries anything: max_sfb, so that a
// silent frame codes no sections at all.
int codedExtent(const IcsFrame& f) {
    int extent = 0;
    for (int g = 0; g < f.groupCount; ++g)
        for (int b = 0; b < f.maxBands; ++b)
            if (f.book[size_t(g * kMaxLongBands + b)] != kZeroBook)
                extent = std::max(extent, b + 1);
    return extent;
}

void dropNoiseBands(IcsFrame& f) {
    for (auto& book : f.book)
        if (book == kNoiseBook)
            book = kZeroBook;
}

} // namespace

// A long frame ends with the window shape that codes it for less with its
// noise at the masked threshold (see windowShapeCost); a pair shares its
// window, so it chooses for both channels together. The frame is weighed
// with the same shape at both ends, and against its own threshold without
// the limit on its rise: the choice then depends on nothing before the
// frame, so that a segment coded on its own (its encoder started a few
// frames early) chooses as one pass does, and the window at each join is
// the same on both sides. Against the sine shape alone, PEAQ at 64-256
// kbit/s: chimes and held tones +0.2 to +0.35 (at 256 kbit/s they had been
// 0.2 under FFmpeg's encoder, which spent fewer bits), impacts +0.16 at 64,
// piano +0.08; no clip of the benchmark lost more than 0.04. The KBD shape
// always cost piano 0.37 at 64 kbit/s, and choosing at the noise the frame
// is coded with (far under the threshold at rich rates) kept the sine shape
// for chimes' loud starts, 0.1 below the KBD shape there.
void Encoder::chooseWindowShape(Channel* const* members, int element) {
    WindowShapeMemo* memo = m_settings.shapeMemo.get();
    const int64_t packet = m_startPacket + m_analysed;
    std::optional<WindowShape> known = memo ? memo->find(packet, element) : std::nullopt;
    const WindowShape shape = known ? *known : weighWindowShape(members);
    if (memo && !known && !m_measureOffsets.empty())
        memo->keep(packet, element, shape);
    for (Channel* c : std::span(members, 2)) {
        if (!c)
            continue;
        c->frame.shape = shape;
        if (!known && c->shape == shape)
            c->lines = shape == WindowShape::Kbd ? c->kbdLines : c->sineLines;
        else
            m_transform.forward(c->buffer() + kBlockOffset, c->frame.sequence, c->shape, shape,
                                c->lines.data());
    }
}

WindowShape Encoder::weighWindowShape(Channel* const* members) {
    float sine = 0;
    float kbd = 0;
    std::array<float, kMaxLongBands> threshold{};
    for (Channel* c : std::span(members, 2)) {
        if (!c)
            continue;
        const float* block = c->buffer() + kBlockOffset;
        const WindowSequence sequence = c->frame.sequence;
        m_transform.forward(block, sequence, WindowShape::Sine, WindowShape::Sine,
                            c->sineLines.data());
        m_transform.forward(block, sequence, WindowShape::Kbd, WindowShape::Kbd,
                            c->kbdLines.data());
        c->psycho.longThreshold(c->sineLines.data(), c->layout, c->codedBands, threshold);
        sine += windowShapeCost(c->sineLines.data(), c->layout, threshold, c->codedBands);
        kbd += windowShapeCost(c->kbdLines.data(), c->layout, threshold, c->codedBands);
    }
    return kbd < sine ? WindowShape::Kbd : WindowShape::Sine;
}

// Mid/side per band unless the band is panned to one side (or left for noise
// substitution at low rates): M = (L + R) / 2,
// S = (L - R) / 2, both held to the lower of the two thresholds. Choosing by
// estimated bits instead (mid/side only where it needs fewer) scored 0.05-0.3
// ODG lower on every music clip at 64 to 128 kbit/s: coded as mid and side,
// the noise stays where the sound is in the stereo image.
void Encoder::decideStereo(Element& element) {
    Channel& l = *m_channels[element.first];
    Channel& r = *m_channels[element.second];
    PairCoding& pair = element.pair;
    pair = PairCoding{};
    pair.commonWindow = true;
    int used = 0;
    int slots = 0;
    const bool noisePairs = lowRate(m_settings);
    for (int g = 0; g < l.layout.groupCount; ++g) {
        for (int b = 0; b < l.codedBands; ++b) {
            const int s = BandLayout::slot(g, b);
            const int start = l.layout.start[s];
            const int width = l.layout.width[s];
            float em = 0;
            float es = 0;
            for (int k = start; k < start + width; ++k) {
                const float m = 0.5f * (l.ordered[k] + r.ordered[k]);
                const float d = 0.5f * (l.ordered[k] - r.ordered[k]);
                em += m * m;
                es += d * d;
            }
            const float thr = std::min(l.masking.threshold[s], r.masking.threshold[s]);
            const float el = l.masking.energy[s];
            const float er = r.masking.energy[s];
            ++slots;
            if (std::max(el, er) > kPannedRatio * std::min(el, er))
                continue;
            if (noisePairs && l.layout.centre[b] >= kNoiseSubstitutionHz &&
                std::max(l.masking.tonality[s], r.masking.tonality[s]) < kNoiseLikeTonality &&
                es >= kUncorrelatedSide * em && el > kHeardBand * l.masking.threshold[s] &&
                er > kHeardBand * r.masking.threshold[s])
                continue;
            ++used;
            pair.msUsed[s] = 1;
            for (int k = start; k < start + width; ++k) {
                const float m = 0.5f * (l.ordered[k] + r.ordered[k]);
                const float d = 0.5f * (l.ordered[k] - r.ordered[k]);
                l.ordered[k] = m;
                r.ordered[k] = d;
            }
            l.masking.energy[s] = em;
            r.masking.energy[s] = es;
            l.masking.threshold[s] = thr;
            r.masking.threshold[s] = thr;
            // Mid/side bands are never replaced by noise: the two channels'
            // noise would then be one.
            l.masking.tonality[s] = r.masking.tonality[s] = 1.0f;
        }
    }
    pair.msMaskPresent = used == 0 ? 0 : (used == slots ? 2 : 1);
}

namespace {

// Whether a band is better sent as noise of its energy: high, noise-like,
// and allowed so much noise that coding its lines would leave little of them.
bool substitutable(const BandMasking& m, const BandLayout& layout, int s, int band, float allowed,
                   float share) {
    return layout.centre[band] >= kNoiseSubstitutionHz && m.tonality[s] < kNoiseLikeTonality &&
           m.energy[s] > 0 && allowed >= share * m.energy[s];
}

// The noise energy a decoder gives a band as 2^(energy / 2) per window.
int noiseEnergy(float energy, int windows) {
    return int(std::lround(2.0 * std::log2(double(energy) / windows)));
}

} // namespace

// Quantises a channel with every band's noise allowed `offset` dB over its
// masked threshold (less in the low bands; never under the threshold in
// quiet), and leaves the frame ready to count and write (true). Once its
// lines surely cost `enough` bits or more, it stops there, unfinished
// (false): the frame is not wanted at that cost.
bool Encoder::codeChannel(Channel& c, float offset, int enough) {
    IcsFrame& f = c.frame;
    int least = 0;
    f.maxBands = c.codedBands; // trimmed again once coded
    const float scale = std::pow(10.0f, offset / 10.0f);
    const BandLayout& layout = c.layout;
    const BandMasking& m = c.masking;
    const float quietShare =
        m_quietYields ? std::min(1.0f, scale * std::pow(10.0f, kQuietYieldsUnderDb / 10.0f)) : 1.0f;
    c.quantized.fill(0);
    int previousNoise = kNoNoise;
    const float substituteShare = lowRate(m_settings) ? kLowRateSubstituteShare : kSubstituteShare;
    float loudest = 0;
    double total = 0;
    int lines = 0;
    for (int g = 0; g < layout.groupCount; ++g)
        for (int b = 0; b < c.codedBands; ++b) {
            const int s = BandLayout::slot(g, b);
            loudest = std::max(loudest, m.energy[s]);
            total += m.energy[s];
            lines += layout.width[s];
        }
    const float lineNoise =
        m_fidelityShare > 0 && lines > 0 ? float(m_fidelityShare * total / lines) : 0.0f;
    for (int g = 0; g < layout.groupCount; ++g) {
        for (int b = 0; b < layout.bands; ++b) {
            const int s = BandLayout::slot(g, b);
            f.scalefactor[s] = 0;
            f.book[s] = kZeroBook;
            if (b >= c.codedBands)
                continue;
            const int start = layout.start[s];
            const int width = layout.width[s];
            float masked = m.threshold[s];
            if (lineNoise > 0)
                masked = std::min(masked, lineNoise * float(width));
            float allowed =
                std::max(masked * scale * c.lowBandShares[size_t(b)], m.quiet[s] * quietShare);
            // A band well over its threshold, and the frame's loudest band, are
            // kept however coarsely: dropping them would take out what is heard
            // most (a tone at a low rate). Keeping every band within 10 dB of
            // the loudest instead cost 0.5 ODG at 64-128 kbit/s.
            if (m.energy[s] > kProminentBand * m.threshold[s] || m.energy[s] >= loudest)
                allowed = std::min(allowed, kKeptShare * m.energy[s]);
            if (!c.lfe && substitutable(m, layout, s, b, allowed, substituteShare)) {
                int energy = noiseEnergy(m.energy[s], layout.windows[g]);
                if (previousNoise != kNoNoise)
                    energy = std::clamp(energy, previousNoise - 60, previousNoise + 60);
                f.book[s] = kNoiseBook;
                f.scalefactor[s] = static_cast<int16_t>(std::clamp(energy, -100, 155));
                previousNoise = f.scalefactor[s];
                continue;
            }
            const int sf =
                c.quantizer.searchScalefactor(start, width, m.energy[s], allowed, c.hint[s]);
            c.hint[s] = static_cast<int16_t>(sf);
            if (sf < 0 || !c.quantizer.quantize(start, width, sf, c.quantized.data()))
                continue;
            f.book[s] = kCodedBand;
            f.scalefactor[s] = static_cast<int16_t>(sf);
            // Making a neighbour's scale factor finer (below) only adds.
            if (enough < kUnusableBits) {
                least += spectralBitsAtLeast(c.quantized.data() + start, width);
                if (least >= enough)
                    return false;
            }
        }
    }
    // Every band is quantised at its scale factor already (the rest are
    // zero); only a limited one must be again.
    if (limitScalefactorSteps(f, layout))
        for (int g = 0; g < layout.groupCount; ++g)
            for (int b = 0; b < c.codedBands; ++b) {
                const int s = BandLayout::slot(g, b);
                if (f.book[s] == kCodedBand)
                    c.quantizer.quantize(layout.start[s], layout.width[s], f.scalefactor[s],
                                         c.quantized.data());
            }
    if (f.sequence == WindowSequence::EightShort)
        deinterleaveShort(f, m_frequencyIndex, c.quantized.data(), f.quantized.data());
    else
        f.quantized = c.quantized;
    if (chooseBooks(f, m_frequencyIndex) >= kUnusableBits ||
        !FrameWriter::validSectioned(f, m_frequencyIndex))
        dropNoiseBands(f); // the first noise energy out of reach of global_gain
    return true;
}

// What the frame costs coded at `offset`; `enough` once it surely costs
// that or more (its coding then left unfinished).
int Encoder::evaluate(float offset, int enough) {
    if (enough < kUnusableBits) {
        int least = kBlockEndBits + kElementBits * int(m_elements.size());
        for (const auto& c : m_channels) {
            if (!codeChannel(*c, offset, enough - least))
                return m_lastBits = enough;
            least += spectralBitsAtLeast(c->frame.quantized.data(), kFrameLines);
        }
        return evaluateCoded();
    }
    for (const Element& e : m_elements) {
        codeChannel(*m_channels[e.first], offset);
        if (e.second >= 0)
            codeChannel(*m_channels[e.second], offset);
    }
    return evaluateCoded();
}

// What the channels cost as coded.
int Encoder::evaluateCoded() {
    int bits = kBlockEndBits;
    for (Element& e : m_elements) {
        bits += kElementBits;
        Channel& first = *m_channels[e.first];
        const bool pair = e.kind == Element::Kind::Pair;
        if (pair) {
            Channel& second = *m_channels[e.second];
            // A common window shares its band count.
            const int bands = std::max(codedExtent(first.frame), codedExtent(second.frame));
            first.frame.maxBands = second.frame.maxBands = bands;
            bits += icsBits(first.frame, m_frequencyIndex, true);
            bits += icsBits(second.frame, m_frequencyIndex, false);
            if (e.pair.msMaskPresent == 1)
                bits += first.layout.groupCount * first.frame.maxBands;
        } else {
            first.frame.maxBands = codedExtent(first.frame);
            bits += icsBits(first.frame, m_frequencyIndex, true);
        }
    }
    m_lastBits = bits;
    return bits;
}

// The lowest noise offset whose frame fits the budget, to within the
// search's resolution. It starts from the last frame's offset (neighbouring
// frames need much the same) and steps away from it, further each time,
// until the budget is bracketed; then, bits falling smoothly with the offset,
// it tries where the line between the bracket's ends meets the budget, a
// little to either side, which usually closes the bracket in two tries
// where halving it took three or four.
float Encoder::searchOffset(const RateControl::Budget& budget) {
    const int limit = budget.maxBits;
    const float lowest = budget.noiseOffset;
    m_fitting.valid = false;
    float probe = std::clamp(m_lastOffset, lowest, kHighestOffset);
    if (budget.fixedOffset)
        probe = lowest;
    float low = 0;  // does not fit
    float high = 0; // fits
    int lowBits = 0;
    int highBits = 0;
    int bits = 0;
    if (fits(probe, limit, bits)) {
        if (probe <= lowest || closeEnough(bits, limit))
            return probe;
        high = probe;
        highBits = bits;
        float step = firstStep(limit - bits);
        low = std::max(high - step, lowest);
        while (fits(low, limit, bits)) {
            if (low <= lowest || closeEnough(bits, limit))
                return low;
            high = low;
            highBits = bits;
            step *= 2;
            low = std::max(low - step, lowest);
        }
        lowBits = bits;
    } else {
        low = probe;
        lowBits = bits;
        float step = firstStep(bits - limit);
        high = std::min(probe + step, kHighestOffset);
        while (!fits(high, limit, bits)) {
            if (high >= kHighestOffset)
                return kHighestOffset;
            low = high;
            lowBits = bits;
            step *= 2;
            high = std::min(high + step, kHighestOffset);
        }
        if (closeEnough(bits, limit))
            return high;
        highBits = bits;
    }
    if (lowBits > highBits)
        m_bitsPerDb = float(lowBits - highBits) / (high - low);
    bool above = true; // which side of the line's meeting point to try first
    while (high - low > kOffsetResolution) {
        const float t =
            lowBits > highBits ? float(lowBits - limit) / float(lowBits - highBits) : 0.5f;
        const float meet = low + std::clamp(t, 0.0f, 1.0f) * (high - low);
        const float side = 0.5f * kOffsetResolution * (above ? 1.0f : -1.0f);
        const float margin = 0.25f * kOffsetResolution;
        const float next = std::clamp(meet + side, low + margin, high - margin);
        if (fits(next, limit, bits)) {
            if (closeEnough(bits, limit))
                return next;
            high = next;
            highBits = bits;
            above = false;
        } else {
            low = next;
            lowBits = bits;
            above = true;
        }
    }
    return high;
}

// The search's first step away from its start, `missing` bits from the
// budget: as far as the bits per dB the last searches found say, a little
// past it, so that one step usually brackets the budget.
float Encoder::firstStep(int missing) const {
    if (m_bitsPerDb <= 0)
        return kOffsetStep;
    return std::clamp(float(missing) / m_bitsPerDb + 0.5f * kOffsetResolution, kOffsetResolution,
                      kOffsetStep);
}

bool Encoder::fits(float offset, int limit, int& bits) {
    m_evaluated = offset;
    bits = evaluate(offset);
    if (bits > limit)
        return false;
    keepFitting(offset);
    return true;
}

bool Encoder::closeEnough(int bits, int limit) {
    return float(bits) >= (1.0f - kCloseEnoughShare) * float(limit);
}

void Encoder::keepFitting(float offset) {
    if (m_fitting.valid && m_fitting.offset <= offset)
        return;
    m_fitting.valid = true;
    m_fitting.offset = offset;
    m_fitting.bits = m_lastBits;
    m_fitting.frames.resize(m_channels.size());
    for (size_t c = 0; c < m_channels.size(); ++c)
        m_fitting.frames[c] = m_channels[c]->frame;
}

// Puts back the frames as coded at `offset` when the search kept them.
bool Encoder::restoreFitting(float offset) {
    if (!m_fitting.valid || m_fitting.offset != offset)
        return false;
    for (size_t c = 0; c < m_channels.size(); ++c)
        m_channels[c]->frame = m_fitting.frames[c];
    m_lastBits = m_fitting.bits;
    m_evaluated = offset;
    return true;
}

std::vector<uint8_t> Encoder::writePacket(bool settle) {
    FrameWriter writer(m_frequencyIndex);
    for (const Element& e : m_elements) {
        const IcsFrame& first = m_channels[e.first]->frame;
        switch (e.kind) {
        case Element::Kind::Single:
            writer.singleChannel(e.tag, first);
            break;
        case Element::Kind::Pair:
            writer.channelPair(e.tag, first, m_channels[e.second]->frame, e.pair);
            break;
        case Element::Kind::LowFrequency:
            writer.lowFrequency(e.tag, first);
            break;
        }
    }
    const int bits = int(writer.bitCount()) + 3; // and the end element
    const int fill = std::max(m_rate.fillBytes(bits), settle ? m_rate.settleBytes(bits) : 0);
    if (fill > 0)
        writer.fillTo(size_t((bits + 7) / 8 + fill));
    return writer.finish();
}

} // namespace sondrel::afconvert::aac
