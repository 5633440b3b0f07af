#pragma once

#include <span>

#include "platform/afconvert/aac/IcsFrame.h"

namespace sondrel::afconvert::aac {

// The rising halves of the transform's windows: a long window has 1024
// values, a short one 128; the falling half is the rising one reversed.
// Sine: w(n) = sin(pi / 2N * (n + 1/2)). Kaiser-Bessel derived: alpha 4 for
// long windows and 6 for short ones, as decoders build them.
std::span<const float> longWindowRise(WindowShape shape);
std::span<const float> shortWindowRise(WindowShape shape);

} // namespace sondrel::afconvert::aac
