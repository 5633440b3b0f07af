#pragma once

#include "runtime/controls/ImageDecoder.h"

namespace sondrel::controls {

// The PNG decoder (identifier "PNG"), on libpng: every colour type and bit depth, interlaced or
// not, transformed to 8-bit RGB (delivered depth 24) or, where the image has alpha or a tRNS
// chunk, 8-bit RGBA (32). Source depth: palette and grey images their bit depth (with tRNS:
// palette 32, grey 8 or 16), grey with alpha its bit depth, RGB 24 (with tRNS 32), RGBA 32.
// libpng's warnings and error messages are not shown; an error stops the decoding.
const ImageDecoder& PngDecoder();

// Registers the PNG decoder unless the table already holds it. Returns the decoder count.
int RegisterPngDecoder();

} // namespace sondrel::controls
