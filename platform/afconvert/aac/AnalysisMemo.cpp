#include "platform/afconvert/aac/AnalysisMemo.h"

namespace sondrel::afconvert::aac {

const BlockAnalysis* AnalysisMemo::find(int64_t packet) const {
    if (packet < 0 || size_t(packet) >= m_blocks.size())
        return nullptr;
    return &m_blocks[size_t(packet)];
}

size_t AnalysisMemo::blockBytes(size_t channels) {
    return sizeof(BlockAnalysis) + channels * (sizeof(ChannelAnalysis) + sizeof(PairCoding));
}

bool AnalysisMemo::wants(int64_t packet, size_t channels) const {
    return packet >= 0 && size_t(packet) == m_blocks.size() &&
           m_bytes + blockBytes(channels) <= m_mostBytes;
}

void AnalysisMemo::keep(int64_t packet, BlockAnalysis analysis) {
    if (!wants(packet, analysis.channels.size()))
        return;
    m_bytes += blockBytes(analysis.channels.size());
    m_blocks.push_back(std::move(analysis));
}

} // namespace sondrel::afconvert::aac
