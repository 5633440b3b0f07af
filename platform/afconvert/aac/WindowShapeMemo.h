#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/afconvert/aac/IcsFrame.h"

namespace sondrel::afconvert::aac {

// The window shape chosen for each long frame of a file, element by
// element, kept by the first pass over a short file so that the passes after
// it (measuring a quality again, then coding) need not weigh the shapes
// again. The choice depends only on the frame's own samples, so it is the
// same in every pass over them. Filled by one thread while measuring; only
// read while coding.
class WindowShapeMemo {
public:
    static constexpr int kMostElements = 4;

    std::optional<WindowShape> find(int64_t packet, int element) const;
    void keep(int64_t packet, int element, WindowShape shape);

private:
    enum : uint8_t { kUnknown = 0, kSine = 1, kKbd = 2 };
    std::vector<uint8_t> m_shapes; // kMostElements a packet
};

} // namespace sondrel::afconvert::aac
