#include "platform/afconvert/aac/WindowShapeCost.h"

#include <algorithm>
#include <cmath>

namespace sondrel::afconvert::aac {

float windowShapeCost(const float* lines, const BandLayout& layout,
                      const std::array<float, kMaxLongBands>& threshold, int codedBands) {
    float bits = 0;
    for (int b = 0; b < codedBands; ++b) {
        const int start = layout.start[size_t(b)];
        const int width = layout.width[size_t(b)];
        const float allowed = threshold[size_t(b)];
        float energy = 0;
        for (int k = start; k < start + width; ++k)
            energy += lines[k] * lines[k];
        if (energy <= allowed || allowed <= 0)
            continue;
        // Noise spread evenly over the band's lines: each line's size in
        // steps of that noise's amplitude. Eight lines' factors multiplied
        // stay far inside a double's range (a line is less than 2^25 steps,
        // the threshold in quiet being above one unit), so that one
        // logarithm does for eight lines.
        const double perStep = std::sqrt(width / double(allowed));
        double product = 1;
        for (int k = start; k < start + width; ++k) {
            product *= 1.0 + std::abs(lines[k]) * perStep;
            if (((k - start) & 7) == 7) {
                bits += float(std::log2(product));
                product = 1;
            }
        }
        bits += float(std::log2(product));
    }
    return bits;
}

} // namespace sondrel::afconvert::aac
