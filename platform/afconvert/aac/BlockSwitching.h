#pragma once

#include <array>

#include "platform/afconvert/aac/IcsFrame.h"

namespace sondrel::afconvert::aac {

// Where a block's attack lies, if it has one: the short window (0-7) whose
// middle holds the first sudden rise of high-frequency energy, or its
// sudden fall (a release: a sound stopping dead), which short windows serve
// alike.
struct AttackInfo {
    bool attack = false;
    int window = 0;
};

// Finds attacks in the samples a block's short windows would cover. The
// encoder keeps three blocks of samples at a time (the block being coded, its
// successor and 512 samples of look-ahead); `samples` starts at the block.
// Energies are measured on the first difference of the signal, in 128-sample
// pieces: a rise against the loudest of the eight pieces before each, a fall
// against the piece just before.
AttackInfo findAttack(const float* samples, int blockStart);

// Chooses window sequences so that a block with an attack is coded with
// eight short windows, the blocks around it with start and stop windows.
class BlockSwitching {
public:
    // The sequence of the block being coded, knowing whether it and the
    // next block want short windows.
    WindowSequence next(bool thisShort, bool nextShort);

private:
    WindowSequence m_previous = WindowSequence::OnlyLong;
};

// Groups the eight short windows: those before the attack, the attack's own
// window, and those after it.
void groupShortWindows(const AttackInfo& attack, IcsFrame& frame);

} // namespace sondrel::afconvert::aac
