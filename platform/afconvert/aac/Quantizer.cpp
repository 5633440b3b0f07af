#include "platform/afconvert/aac/Quantizer.h"

#include <algorithm>
#include <cmath>

namespace sondrel::afconvert::aac {

namespace {

constexpr int kHintSteps = 3;

struct Tables {
    std::array<float, Quantizer::kLargestValue + 1> power43{}; // q^(4/3)
    std::array<float, 256> step{};                             // 2^((sf - 100) / 4)
    std::array<float, 256> inverse34{};                        // 2^(-3/16 (sf - 100))
    Tables() {
        for (int q = 0; q <= Quantizer::kLargestValue; ++q)
            power43[q] = std::pow(float(q), 4.0f / 3.0f);
        for (int sf = 0; sf < 256; ++sf) {
            step[sf] = std::exp2(0.25f * float(sf - 100));
            inverse34[sf] = std::exp2(-0.1875f * float(sf - 100));
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

} // namespace

void Quantizer::load(const float* lines, int count) {
    m_finest.fill({});
    for (int k = 0; k < count; ++k) {
        m_value[k] = lines[k];
        m_magnitude[k] = std::fabs(lines[k]);
        m_power[k] = std::sqrt(m_magnitude[k] * std::sqrt(m_magnitude[k])); // |x|^(3/4), cheaply
    }
}

int Quantizer::finestScalefactor(int start, int width) const {
    if (start % 4 != 0)
        return finestOf(start, width);
    Finest& known = m_finest[size_t(start / 4)];
    if (known.width != width) {
        known.scalefactor = static_cast<int16_t>(finestOf(start, width));
        known.width = static_cast<int16_t>(width);
    }
    return known.scalefactor;
}

int Quantizer::finestOf(int start, int width) const {
    const float peak = *std::max_element(m_power.begin() + start, m_power.begin() + start + width);
    if (peak <= 0)
        return 0;
    const float limit = float(kLargestValue) - kRounding;
    const int sf = int(std::ceil(100.0f + std::log2(peak / limit) / 0.1875f));
    return std::clamp(sf, 0, 255);
}

float Quantizer::distortion(int start, int width, int scalefactor) const {
    const Tables& t = tables();
    const float inverse = t.inverse34[scalefactor];
    const float step = t.step[scalefactor];
    float noise = 0;
    for (int k = start; k < start + width; ++k) {
        const int q = std::min(int(m_power[k] * inverse + kRounding), kLargestValue);
        const float d = m_magnitude[k] - t.power43[q] * step;
        noise += d * d;
    }
    return noise;
}

int Quantizer::searchScalefactor(int start, int width, float energy, float allowed,
                                 int hint) const {
    if (allowed >= energy || energy <= 0)
        return -1;
    int low = finestScalefactor(start, width);
    const auto within = [&](int sf) { return distortion(start, width, sf) <= allowed; };
    if (!within(low))
        return low;
    // The answer is the last scale factor within the allowance: from a hint,
    // a few steps find it when it is near, else the steps narrow the range
    // the halving then searches.
    int high = 256; // past the last within, by convention
    if (hint > low && hint < 256) {
        if (within(hint)) {
            low = hint;
            for (int step = 0; step < kHintSteps && low + 1 < high; ++step) {
                if (!within(low + 1))
                    return low;
                ++low;
            }
        } else {
            high = hint;
            for (int step = 0; step < kHintSteps && high - 1 > low; ++step) {
                if (within(high - 1))
                    return high - 1;
                --high;
            }
        }
    }
    while (high - low > 1) {
        const int mid = (low + high) / 2;
        if (within(mid))
            low = mid;
        else
            high = mid;
    }
    return low;
}

bool Quantizer::quantize(int start, int width, int scalefactor, int16_t* out) const {
    const float inverse = tables().inverse34[scalefactor];
    bool any = false;
    for (int k = start; k < start + width; ++k) {
        const int q = std::min(int(m_power[k] * inverse + kRounding), kLargestValue);
        out[k] = static_cast<int16_t>(m_value[k] < 0 ? -q : q);
        any = any || q != 0;
    }
    return any;
}

} // namespace sondrel::afconvert::aac
