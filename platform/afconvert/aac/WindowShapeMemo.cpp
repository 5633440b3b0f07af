#include "platform/afconvert/aac/WindowShapeMemo.h"

namespace sondrel::afconvert::aac {

std::optional<WindowShape> WindowShapeMemo::find(int64_t packet, int element) const {
    const auto at = size_t(packet) * kMostElements + size_t(element);
    if (packet < 0 || element < 0 || element >= kMostElements || at >= m_shapes.size())
        return std::nullopt;
    switch (m_shapes[at]) {
    case kSine:
        return WindowShape::Sine;
    case kKbd:
        return WindowShape::Kbd;
    default:
        return std::nullopt;
    }
}

void WindowShapeMemo::keep(int64_t packet, int element, WindowShape shape) {
    if (packet < 0 || element < 0 || element >= kMostElements)
        return;
    const auto at = size_t(packet) * kMostElements + size_t(element);
    if (at >= m_shapes.size())
        m_shapes.resize(at + kMostElements, kUnknown);
    m_shapes[at] = shape == WindowShape::Kbd ? kKbd : kSine;
}

} // namespace sondrel::afconvert::aac
