#include "runtime/controls/Color.h"

namespace sondrel::controls {

int MakeColor(int red, int green, int blue) {
    return red + green * 256 + blue * 65536;
}

} // namespace sondrel::controls
