#pragma once

namespace sondrel::controls {

// A colour value: red + green x 256 + blue x 65536, so red in bits 0-7, green in bits 8-15 and
// blue in bits 16-23 for components from 0 to 255; -1 stands for the default colour.
int MakeColor(int red, int green, int blue);

} // namespace sondrel::controls
