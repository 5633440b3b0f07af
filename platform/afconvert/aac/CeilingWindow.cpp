#include "platform/afconvert/aac/CeilingWindow.h"

#include <algorithm>

namespace sondrel::afconvert::aac {

CeilingWindow::CeilingWindow(int64_t ceilingBits, int frames, int64_t floorBits)
    : m_ceiling(ceilingBits), m_frames(std::max(1, frames)), m_floor(floorBits) {}

int64_t CeilingWindow::room() const {
    // The run ending `later` frames after this one holds this frame, the
    // last frames - 1 - later frames before it, and `later` frames to come.
    int64_t room = m_ceiling - int64_t(m_frames - 1) * m_floor;
    int64_t before = 0;
    int kept = 0;
    for (auto it = m_recent.rbegin(); it != m_recent.rend(); ++it) {
        before += *it;
        ++kept;
        const int later = m_frames - 1 - kept;
        room = std::min(room, m_ceiling - int64_t(later) * m_floor - before);
    }
    return room;
}

void CeilingWindow::add(int bits) {
    m_recent.push_back(bits);
    while (int(m_recent.size()) >= m_frames)
        m_recent.pop_front();
}

void CeilingWindow::clear() {
    m_recent.clear();
}

} // namespace sondrel::afconvert::aac
