#pragma once

#include "runtime/controls/ImageDecoder.h"

namespace sondrel::controls {

// The BMP decoder (identifier "BMP"): Windows bitmaps with a 40-byte or larger info header,
// 1 bit (black and white), 4 and 8 bits through the colour table, 8-bit run-length encoding,
// 16 bits as 5-5-5 or (bit fields) 5-6-5, 24 and 32 bits. It delivers 24-bit RGB. Whatever the
// header claims, it reads only inside the data and writes only inside the image: rows, runs and
// colour indexes that point elsewhere are dropped, and what they would have drawn stays black.
const ImageDecoder& BmpDecoder();

// Registers the BMP decoder; each call registers it again. Returns the new decoder count.
int RegisterBmpDecoder();

} // namespace sondrel::controls
