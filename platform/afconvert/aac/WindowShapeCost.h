#pragma once

#include <array>

#include "platform/afconvert/aac/BandLayout.h"

namespace sondrel::afconvert::aac {

// About what a long frame's lines cost to code with each band's noise at
// `threshold` (a long frame's masked threshold per band): the bits a line
// needs to keep its size against that noise, summed. Bands under their
// threshold cost nothing; they are not coded.
// Two transforms of one frame compared by it show which window shape packs
// the frame's energy into fewer lines for the noise allowed: the sine
// window's slowly falling side lobes spread a tone over many bands, which
// then cost bits wherever the threshold lies far under the tone (sparse
// tones: chimes, bells, beeps); the KBD window's wider main lobe costs more
// where partials lie close together (a piano's low notes).
float windowShapeCost(const float* lines, const BandLayout& layout,
                      const std::array<float, kMaxLongBands>& threshold, int codedBands);

} // namespace sondrel::afconvert::aac
