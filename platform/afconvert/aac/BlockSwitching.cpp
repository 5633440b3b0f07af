#include "platform/afconvert/aac/BlockSwitching.h"

#include <algorithm>

namespace sondrel::afconvert::aac {

namespace {

constexpr int kPiece = 128;
// A piece this many times louder (in energy) than the loudest of the eight
// before it is an attack: 10 dB, the rise at which a long window's
// pre-echo becomes audible on castanets and drum hits.
constexpr float kAttackRatio = 10.0f;
// A piece this many times quieter than the one before it is a release: a
// sound stopping dead (20 dB within 128 samples). A long window spreads the
// sound's noise over the silence after it; short ones keep it to a few
// milliseconds. Game effects at 64 kbit/s graded up to 0.3 better (CBR) and
// 0.2 (ABR), voices up to 0.1; music, which seldom stops dead, the same.
constexpr float kReleaseRatio = 100.0f;
// Below this energy per sample (about -70 dBFS) nothing counts as an attack.
constexpr float kQuietEnergy = 32768.0f * 32768.0f * 1e-7f * kPiece;
// The short windows' middles: pieces 4 to 11 of the block.
constexpr int kFirstPiece = 4;
constexpr int kHistory = 8;

float pieceEnergy(const float* s) {
    float e = 0;
    for (int n = 0; n < kPiece; ++n) {
        const float d = s[n] - s[n - 1];
        e += d * d;
    }
    return e;
}

} // namespace

AttackInfo findAttack(const float* samples, int blockStart) {
    // Pieces from kFirstPiece - kHistory (the previous block's) through the
    // block's eleventh; the sample before each piece is always in the buffer.
    const float* base = samples + blockStart;
    std::array<float, kHistory + 8> energy{};
    for (int i = 0; i < int(energy.size()); ++i)
        energy[i] = pieceEnergy(base + (kFirstPiece - kHistory + i) * kPiece);
    for (int w = 0; w < 8; ++w) {
        const float e = energy[kHistory + w];
        const float before = *std::max_element(energy.begin() + w, energy.begin() + kHistory + w);
        if (e > kQuietEnergy && e > kAttackRatio * before)
            return {true, w};
        const float previous = energy[kHistory + w - 1];
        if (previous > kQuietEnergy && e * kReleaseRatio < previous)
            return {true, w};
    }
    return {};
}

WindowSequence BlockSwitching::next(bool thisShort, bool nextShort) {
    const bool previousShort = m_previous == WindowSequence::EightShort;
    // A long block between two short ones would need a window that starts and
    // ends short, which AAC-LC has not: it is coded short as well.
    if (thisShort || m_previous == WindowSequence::LongStart || (previousShort && nextShort))
        m_previous = WindowSequence::EightShort;
    else if (nextShort)
        m_previous = previousShort ? WindowSequence::EightShort : WindowSequence::LongStart;
    else
        m_previous = previousShort ? WindowSequence::LongStop : WindowSequence::OnlyLong;
    return m_previous;
}

void groupShortWindows(const AttackInfo& attack, IcsFrame& frame) {
    frame.groupLength.fill(0);
    int groups = 0;
    const int at = attack.attack ? attack.window : 0;
    if (at > 0)
        frame.groupLength[groups++] = static_cast<uint8_t>(at);
    frame.groupLength[groups++] = 1;
    if (at + 1 < kShortWindows)
        frame.groupLength[groups++] = static_cast<uint8_t>(kShortWindows - at - 1);
    frame.groupCount = groups;
}

} // namespace sondrel::afconvert::aac
