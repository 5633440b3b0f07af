#include "platform/afconvert/aac/RateControl.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "platform/afconvert/aac/IcsFrame.h"

namespace sondrel::afconvert::aac {

namespace {

constexpr int kBufferBitsPerChannel = 6144;
// The average's reservoir holds up to eight seconds of bits and is steered
// toward two: room to save through silence and quiet passages and spend it
// on what follows.
constexpr double kAverageReservoirSeconds = 8.0;
constexpr double kAverageReservoirAim = 0.25;
// A frame's share of the reservoir follows its perceptual entropy against the
// running average, between these bounds of the mean frame.
constexpr double kLeanestShare = 0.6;
constexpr double kRichestShare = 2.5;
// How fast the average demand follows the frames (about two seconds).
constexpr double kDemandSmoothing = 0.01;
constexpr double kBufferDriftFrames = 4;
constexpr double kAverageDriftFrames = 50;
// The decoder buffer is brought to its aim over a segment's last frames.
constexpr int kBufferJoinFrames = 8;
// Frames whose perceptual entropy is under this carry no sound worth
// steering a variable rate by (silence, a fade's last frames).
constexpr float kQuietEntropy = 40.0f;
// Variable modes with a rate: the noise offset's step per frame for a
// doubling of the rate over target; about five seconds to settle.
constexpr float kOffsetGain = 0.08f;
// Frames that cost less than this share of the mean frame (near silence,
// whatever the offset) do not steer it.
constexpr double kSteeringShare = 0.25;
constexpr double kCeilingShare = 1.5;
// The unconstrained variable mode with a rate keeps a looser ceiling, twice
// the rate: a constant quality otherwise spent whole seconds of a loud noise
// (a menu's whoosh) at 2.5 times the rate and starved the ticks and chimes
// around it (-2.1 ODG at 64 kbit/s where the average strategy gave -1.0;
// with the ceiling -0.8). Clips the ceiling does not reach code the same.
constexpr double kVariableCeilingShare = 2.0;
// Whatever the frames before it spent, every frame under the ceiling may
// still take this share of the ceiling's pace (1.35 times the rate): a loud
// passage after a burst is coded a little coarser throughout, never starved.
// Letting the burst take the whole second's room left UI sounds with a
// sustained whoosh at 64 kbit/s graded -3.6 (FFmpeg's encoder: -3.0); capping
// every frame at the pace cost piano attacks 0.2. From 0.8, 0.9 gained menu
// sounds 0.04 at 96 kbit/s and impacts 0.04 at 64, and moved nothing else
// by 0.01; 0.95 left impacts at 96 kbit/s 12% under the rate.
constexpr double kGuaranteedShare = 0.9;
// What a frame costs at the least (a near-silent one), for the ceiling's sake.
constexpr int64_t kLeastFrameBits = 64;
// The least demand a frame ahead is planned with (see plannedBits).
constexpr double kLeastDemand = 1.0;

} // namespace

// Where a variable rate starts: the noise offset the average strategy settles
// at on music (the mean over the frames that carry sound, 48 kHz stereo, on
// the benchmark's pieces), by bits per sample and channel. A steered offset
// stays within kOffsetReach of it: a quiet or noisy opening (that costs little
// however fine its coding) must not drive it to extremes the music after it
// then pays for (10 s of pink noise at -62 dBFS before music: 154 kbit/s for
// 128 unbounded).
float RateControl::startingOffset(int64_t bitRate, int sampleRate, int channels) {
    static constexpr std::array<std::pair<double, float>, 5> kOffsets{
        {{0.333, 10.0f}, {0.667, 2.0f}, {1.333, -5.0f}, {2.667, -20.0f}, {5.333, -40.0f}}};
    const double bits = double(bitRate) / (double(sampleRate) * channels);
    if (bits <= kOffsets.front().first)
        return kOffsets.front().second;
    for (size_t i = 1; i < kOffsets.size(); ++i) {
        if (bits <= kOffsets[i].first) {
            const auto [b0, o0] = kOffsets[i - 1];
            const auto [b1, o1] = kOffsets[i];
            const double t = std::log2(bits / b0) / std::log2(b1 / b0);
            return float(o0 + t * (o1 - o0));
        }
    }
    return kOffsets.back().second;
}

RateControl::RateControl(RateMode mode, int64_t bitRate, float quality, int sampleRate,
                         int channels, bool qualityFixed)
    : m_mode(mode), m_maxFrameBits(kBufferBitsPerChannel * channels), m_offset(quality) {
    m_meanBits = double(bitRate) * kFrameLines / double(sampleRate);
    m_steered = bitRate > 0 && !qualityFixed &&
                (mode == RateMode::Variable || mode == RateMode::ConstrainedVariable);
    if (m_steered)
        m_offset = m_startOffset = startingOffset(bitRate, sampleRate, channels);
    if (mode == RateMode::Constant)
        m_reservoirSize = std::max(0.0, m_maxFrameBits - m_meanBits);
    else
        m_reservoirSize = kAverageReservoirSeconds * double(sampleRate) / kFrameLines * m_meanBits;
    m_reservoirAim =
        mode == RateMode::Constant ? m_reservoirSize / 2 : m_reservoirSize * kAverageReservoirAim;
    m_reservoir = mode == RateMode::Constant ? 0 : m_reservoirAim;
    m_averageDemand = 0;
    m_windowFrames = std::max(1, (sampleRate + kFrameLines - 1) / kFrameLines);
    const double ceilingShare = mode == RateMode::Variable ? kVariableCeilingShare : kCeilingShare;
    m_ceilingBits =
        int64_t(ceilingShare * double(bitRate) * m_windowFrames * kFrameLines / double(sampleRate));
    m_ceiling = freshCeiling();
}

std::optional<CeilingWindow> RateControl::freshCeiling() const {
    if (m_mode == RateMode::Constant || m_mode == RateMode::Average || m_ceilingBits <= 0)
        return std::nullopt;
    const auto floor = int64_t(kGuaranteedShare * double(m_ceilingBits) / m_windowFrames);
    return CeilingWindow(m_ceilingBits, m_windowFrames, std::max(floor, kLeastFrameBits));
}

RateControl::Budget RateControl::budget(float perceptualEntropy, std::span<const float> ahead,
                                        bool endsStream) {
    Budget b;
    if (m_mode == RateMode::Variable || m_mode == RateMode::ConstrainedVariable) {
        b.fixedOffset = true;
        b.noiseOffset = m_offset;
        b.maxBits = m_maxFrameBits;
        if (m_ceiling)
            b.maxBits = int(std::clamp<int64_t>(ceilingRoom(), kLeastFrameBits, m_maxFrameBits));
        b.hardBits = b.maxBits;
        return b;
    }
    if (m_averageDemand <= 0)
        m_averageDemand = std::max(1.0f, perceptualEntropy);
    const double share =
        std::clamp(double(perceptualEntropy) / m_averageDemand, kLeanestShare, kRichestShare);
    // The reservoir is steered back toward its aim over a number of frames:
    // a few for the decoder buffer's small one, two seconds for the average's.
    double drift = m_mode == RateMode::Constant ? kBufferDriftFrames : kAverageDriftFrames;
    // Before a join the average's reservoir is brought to its aim, where the
    // next segment starts: what it saved is spent here, not lost.
    if (m_mode == RateMode::Average && m_framesToJoin > 0)
        drift = std::min(drift, double(m_framesToJoin));
    double want = m_meanBits * share + (m_reservoir - m_reservoirAim) / drift;
    const bool planned = m_mode == RateMode::Constant && !ahead.empty();
    if (planned)
        want = plannedBits(ahead, endsStream);
    else
        want = std::max(want, kLeanestShare * m_meanBits);
    if (m_mode == RateMode::Constant)
        want = std::max(want, m_meanBits + m_reservoir - m_reservoirSize); // spend, not pad
    want = std::min(want, m_meanBits + m_reservoir);
    if (m_mode == RateMode::Constant && m_framesToJoin > 0 && m_framesToJoin <= kBufferJoinFrames) {
        // On course for the aim at the join: the shortfall made up evenly
        // over the frames left.
        const double shortfall = std::max(0.0, m_reservoirAim - m_reservoir);
        want = std::min(want, m_meanBits - shortfall / m_framesToJoin);
    }
    b.maxBits = int(std::clamp(want, 0.0, double(m_maxFrameBits)));
    // A constant rate's frame can take no more than the decoder's buffer
    // holds; the average's reservoir only guides. The last frame before a
    // join must leave the buffer at its aim, where the next segment starts.
    double hard = m_mode == RateMode::Constant ? m_meanBits + m_reservoir : m_maxFrameBits;
    if (m_mode == RateMode::Constant && m_framesToJoin == 1)
        hard = std::min(hard, m_meanBits + m_reservoir - m_reservoirAim);
    b.hardBits = int(std::clamp(hard, 0.0, double(m_maxFrameBits)));
    b.noiseOffset = kLowestOffset;
    return b;
}

// The constant rate's look-ahead: each frame is given bits by its demand
// (what the encoder weighs it at, see Encoder::planningDemand). The bits the
// frames ahead spend, summed frame after frame against their demand summed
// likewise, must keep the buffer between empty and full after every frame,
// and leave it at its aim after the last (empty after the stream's last
// frame: nothing after it could spend it). The spending that shares the
// bits out most evenly by demand between those limits is the taut string
// between them: its first stretch's slope (bits per unit of demand) gives
// this frame's bits. Against the buffer steered back to its aim as the
// frames come, a hard passage ahead is saved for, and one that lasts is
// given the buffer's bits throughout, not only at its start: at 64 kbit/s
// music gained up to 0.22 ODG (two pieces lost 0.02 and 0.03), menu sounds
// 0.3, voices up to 0.07.
double RateControl::plannedBits(std::span<const float> ahead, bool endsStream) const {
    const auto demand = [](float d) { return std::max(double(d), kLeastDemand); };
    // The slopes from here that keep within every limit met so far.
    double lowest = 0;
    double highest = std::numeric_limits<double>::max();
    double demandSum = 0;
    for (size_t j = 0; j < ahead.size(); ++j) {
        demandSum += demand(ahead[j]);
        const double most = m_reservoir + double(j + 1) * m_meanBits; // never below empty
        const double least = most - m_reservoirSize;                  // nor over full
        // A limit outside the slopes left: the string bends at the one
        // that bounded them on that side.
        if (least / demandSum > highest)
            return highest * demand(ahead.front());
        if (most / demandSum < lowest)
            return lowest * demand(ahead.front());
        lowest = std::max(lowest, least / demandSum);
        highest = std::min(highest, most / demandSum);
    }
    const double end = endsStream ? 0.0 : m_reservoirAim;
    const double last = m_reservoir + double(ahead.size()) * m_meanBits - end;
    return std::clamp(last / demandSum, lowest, highest) * demand(ahead.front());
}

void RateControl::approachJoin(int framesLeft) {
    m_framesToJoin = m_mode == RateMode::Variable ? 0 : framesLeft;
}

int RateControl::joinApproachFrames() const {
    return std::max(int(kAverageDriftFrames), m_windowFrames);
}

int64_t RateControl::ceilingRoom() const {
    int64_t room = m_ceiling ? m_ceiling->room() : m_maxFrameBits;
    const double share = double(m_ceilingBits) / m_windowFrames; // a frame's
    if (m_sinceJoin >= 0 && m_sinceJoin < m_windowFrames)
        room = std::min(room, int64_t(share * (m_sinceJoin + 1)) - m_sinceJoinBits);
    if (m_framesToJoin > 0 && m_framesToJoin <= m_windowFrames) {
        // Each run of frames from one in this second to the join, the frames
        // still to come kept their least.
        const int64_t later = int64_t(m_framesToJoin - 1) * kLeastFrameBits;
        int64_t sum = 0;
        room = std::min(room, int64_t(share * m_framesToJoin) - later);
        for (size_t i = m_beforeJoin.size(); i-- > 0;) {
            sum += m_beforeJoin[i];
            const int length = int(m_beforeJoin.size() - i) + m_framesToJoin;
            room = std::min(room, int64_t(share * length) - later - sum);
        }
    }
    return room;
}

void RateControl::restartAtJoin(int64_t packet) {
    m_framesToJoin = 0;
    if (m_mode == RateMode::ConstrainedVariable) {
        // The second before the join is the last segment's: only the
        // frames from here on are counted, against their share.
        if (m_ceiling)
            m_ceiling->clear();
        m_sinceJoin = 0;
        m_sinceJoinBits = 0;
    }
    if (m_mode != RateMode::Constant) {
        m_reservoir = m_reservoirAim;
        return;
    }
    const double credit = double(packet) * m_meanBits - m_reservoirAim;
    m_reservoir = m_reservoirAim + (credit - 8.0 * std::floor(credit / 8.0));
}

int RateControl::settleBytes(int bits) const {
    if (m_mode != RateMode::Constant)
        return 0;
    const double over = m_reservoir + m_meanBits - 8.0 * ((bits + 7) / 8) - m_reservoirAim;
    return over > 0 ? int(std::floor(over / 8.0)) : 0;
}

int RateControl::fillBytes(int bits) const {
    if (m_mode != RateMode::Constant)
        return 0;
    const double over = m_reservoir + m_meanBits - bits - m_reservoirSize;
    return over > 0 ? int(std::ceil(over / 8.0)) + 1 : 0;
}

void RateControl::spent(int bits, float perceptualEntropy) {
    // A running mean over the first frames, then an exponential one: one
    // loud first frame must not set the measure for the seconds after it.
    if (perceptualEntropy > kQuietEntropy) {
        m_demandFrames += 1;
        const double weight = std::max(kDemandSmoothing, 1.0 / m_demandFrames);
        m_averageDemand += weight * (perceptualEntropy - m_averageDemand);
    }
    if (m_mode == RateMode::Variable || m_mode == RateMode::ConstrainedVariable) {
        if (m_ceiling)
            m_ceiling->add(bits);
        if (m_sinceJoin >= 0 && m_sinceJoin < m_windowFrames) {
            ++m_sinceJoin;
            m_sinceJoinBits += bits;
        }
        if (m_framesToJoin > 0 && m_framesToJoin <= m_windowFrames)
            m_beforeJoin.push_back(bits);
        if (m_steered && perceptualEntropy > kQuietEntropy && bits > kSteeringShare * m_meanBits) {
            m_activeBits += bits;
            m_activeFrames += 1;
            const double ratio = m_activeBits / (m_activeFrames * m_meanBits);
            m_offset = std::clamp(m_offset + kOffsetGain * 6.0f * float(std::log2(ratio)),
                                  m_startOffset - kOffsetReach, m_startOffset + kOffsetReach);
        }
        return;
    }
    m_reservoir = std::min(m_reservoir + m_meanBits - bits, m_reservoirSize);
}

} // namespace sondrel::afconvert::aac
