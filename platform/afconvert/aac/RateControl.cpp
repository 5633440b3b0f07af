#include "platform/afconvert/aac/RateControl.h"

#include <algorithm>
#include <cmath>

#include "platform/afconvert/aac/IcsFrame.h"

namespace sondrel::afconvert::aac {

namespace {

constexpr int kBufferBitsPerChannel = 6144;
constexpr double kAverageReservoirSeconds = 4.0;
// A frame's share of the reservoir follows its perceptual entropy against the
// running average, between these bounds of the mean frame.
constexpr double kLeanestShare = 0.6;
constexpr double kRichestShare = 2.5;
// How fast the average demand follows the frames (about two seconds).
constexpr double kDemandSmoothing = 0.01;
constexpr double kBufferDriftFrames = 4;
constexpr double kAverageDriftFrames = 100;
// Frames whose perceptual entropy is under this carry no sound worth
// steering a variable rate by (silence, a fade's last frames).
constexpr float kQuietEntropy = 40.0f;
// Variable modes with a rate: the noise offset's step per frame for a
// doubling of the rate over target; about five seconds to settle.
constexpr float kOffsetGain = 0.08f;
constexpr float kLowestOffset = -40.0f;
constexpr float kHighestOffset = 30.0f;
constexpr double kCeilingShare = 1.5;

} // namespace

RateControl::RateControl(RateMode mode, int64_t bitRate, float quality, int sampleRate,
                         int channels)
    : m_mode(mode), m_maxFrameBits(kBufferBitsPerChannel * channels), m_offset(quality) {
    m_meanBits = double(bitRate) * kFrameLines / double(sampleRate);
    m_steered =
        bitRate > 0 && (mode == RateMode::Variable || mode == RateMode::ConstrainedVariable);
    if (mode == RateMode::Constant)
        m_reservoirSize = std::max(0.0, m_maxFrameBits - m_meanBits);
    else
        m_reservoirSize = kAverageReservoirSeconds * double(sampleRate) / kFrameLines * m_meanBits;
    m_reservoir = mode == RateMode::Constant ? 0 : m_reservoirSize / 2;
    m_averageDemand = 0;
    m_windowFrames = std::max(1, (sampleRate + kFrameLines - 1) / kFrameLines);
    m_ceilingBits = int64_t(kCeilingShare * double(bitRate) * m_windowFrames * kFrameLines /
                            double(sampleRate));
}

RateControl::Budget RateControl::budget(float perceptualEntropy) {
    Budget b;
    if (m_mode == RateMode::Variable || m_mode == RateMode::ConstrainedVariable) {
        b.fixedOffset = true;
        b.noiseOffset = m_offset;
        b.maxBits = m_maxFrameBits;
        if (m_mode == RateMode::ConstrainedVariable && m_ceilingBits > 0) {
            const int64_t room = m_ceilingBits - m_windowBits;
            b.maxBits = int(std::clamp<int64_t>(room, 64, m_maxFrameBits));
        }
        return b;
    }
    if (m_averageDemand <= 0)
        m_averageDemand = std::max(1.0f, perceptualEntropy);
    const double share =
        std::clamp(double(perceptualEntropy) / m_averageDemand, kLeanestShare, kRichestShare);
    // The reservoir is steered back toward half full over a number of frames:
    // a few for the decoder buffer's small one, two seconds for the average's.
    const double drift = m_mode == RateMode::Constant ? kBufferDriftFrames : kAverageDriftFrames;
    double want = m_meanBits * share + (m_reservoir - m_reservoirSize / 2) / drift;
    want = std::max(want, kLeanestShare * m_meanBits);
    if (m_mode == RateMode::Constant)
        want = std::max(want, m_meanBits + m_reservoir - m_reservoirSize); // spend, not pad
    want = std::min(want, m_meanBits + m_reservoir);
    b.maxBits = int(std::clamp(want, 0.0, double(m_maxFrameBits)));
    b.noiseOffset = kLowestOffset;
    return b;
}

int RateControl::fillBytes(int bits) const {
    if (m_mode != RateMode::Constant)
        return 0;
    const double over = m_reservoir + m_meanBits - bits - m_reservoirSize;
    return over > 0 ? int(std::ceil(over / 8.0)) + 1 : 0;
}

void RateControl::spent(int bits, float perceptualEntropy) {
    m_averageDemand += kDemandSmoothing * (std::max(1.0f, perceptualEntropy) - m_averageDemand);
    if (m_mode == RateMode::Variable || m_mode == RateMode::ConstrainedVariable) {
        m_window.push_back(bits);
        m_windowBits += bits;
        while (int(m_window.size()) >= m_windowFrames) {
            m_windowBits -= m_window.front();
            m_window.pop_front();
        }
        if (m_steered && perceptualEntropy > kQuietEntropy) {
            m_activeBits += bits;
            m_activeFrames += 1;
            const double ratio = m_activeBits / (m_activeFrames * m_meanBits);
            m_offset = std::clamp(m_offset + kOffsetGain * 6.0f * float(std::log2(ratio)),
                                  kLowestOffset, kHighestOffset);
        }
        return;
    }
    m_reservoir = std::min(m_reservoir + m_meanBits - bits, m_reservoirSize);
}

} // namespace sondrel::afconvert::aac
