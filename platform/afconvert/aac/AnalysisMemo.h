#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/afconvert/aac/BlockSwitching.h"
#include "platform/afconvert/aac/IcsFrame.h"
#include "platform/afconvert/aac/PsychoModel.h"

namespace sondrel::afconvert::aac {

// What analysing one channel of a block leaves for its coding: the window
// decision, the lines in the layout's order (mid/side where the pair chose
// it), the masking, and the state the next block's analysis starts from.
struct ChannelAnalysis {
    WindowSequence sequence = WindowSequence::OnlyLong;
    WindowShape shape = WindowShape::Sine;
    int groupCount = 1;
    std::array<uint8_t, kShortWindows> groupLength{};
    int codedBands = 0;
    PsychoModel::History psycho;
    BlockSwitching switching;
    AttackInfo nextAttack;
    BandMasking masking;
    std::array<float, kFrameLines> ordered{};
};

struct BlockAnalysis {
    std::vector<ChannelAnalysis> channels;
    std::vector<PairCoding> pairs; // each element's
    float entropy = 0;
};

// The analysis of a short file's first blocks, kept by the first pass over
// it so that the passes after it (measuring a quality again, then coding)
// take it instead of transforming and weighing every block again: the
// analysis depends only on the samples, so it is the same in every pass
// that starts at the file's start. Blocks are kept in order from the first,
// up to a memory budget; those after it are analysed in every pass, from
// the state the last kept block left. Filled by one thread while measuring;
// only read while coding.
class AnalysisMemo {
public:
    static constexpr size_t kDefaultBytes = size_t(16) << 20;

    explicit AnalysisMemo(size_t mostBytes = kDefaultBytes) : m_mostBytes(mostBytes) {}

    const BlockAnalysis* find(int64_t packet) const;
    // Whether keep() would take this packet's analysis for `channels` channels.
    bool wants(int64_t packet, size_t channels) const;
    void keep(int64_t packet, BlockAnalysis analysis);
    size_t blocks() const { return m_blocks.size(); }
    // What keeping a block of `channels` channels counts against the budget.
    static size_t blockBytes(size_t channels);

private:
    size_t m_mostBytes;
    size_t m_bytes = 0;
    std::vector<BlockAnalysis> m_blocks;
};

} // namespace sondrel::afconvert::aac
