#include "platform/afconvert/aac/Windows.h"

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace sondrel::afconvert::aac {

namespace {

template <size_t Half> std::array<float, Half> sineRise() {
    std::array<float, Half> w{};
    for (size_t n = 0; n < Half; ++n)
        w[n] = static_cast<float>(std::sin(std::numbers::pi / (2.0 * Half) * (double(n) + 0.5)));
    return w;
}

// The zeroth-order modified Bessel function of the first kind, by its series.
double besselI0(double x) {
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k < 50; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
        if (term < sum * 1e-12)
            break;
    }
    return sum;
}

template <size_t Half> std::array<float, Half> kbdRise(double alpha) {
    std::vector<double> kaiser(Half + 1);
    for (size_t n = 0; n <= Half; ++n) {
        const double r = 2.0 * double(n) / double(Half) - 1.0;
        kaiser[n] = besselI0(std::numbers::pi * alpha * std::sqrt(1.0 - r * r));
    }
    double total = 0;
    for (double k : kaiser)
        total += k;
    std::array<float, Half> w{};
    double running = 0;
    for (size_t n = 0; n < Half; ++n) {
        running += kaiser[n];
        w[n] = static_cast<float>(std::sqrt(running / total));
    }
    return w;
}

} // namespace

std::span<const float> longWindowRise(WindowShape shape) {
    static const auto sine = sineRise<kFrameLines>();
    static const auto kbd = kbdRise<kFrameLines>(4.0);
    return shape == WindowShape::Kbd ? std::span<const float>(kbd) : std::span<const float>(sine);
}

std::span<const float> shortWindowRise(WindowShape shape) {
    static const auto sine = sineRise<kShortLines>();
    static const auto kbd = kbdRise<kShortLines>(6.0);
    return shape == WindowShape::Kbd ? std::span<const float>(kbd) : std::span<const float>(sine);
}

} // namespace sondrel::afconvert::aac
