#include "runtime/controls/PanelPath.h"

namespace sondrel::controls {

PanelPath SplitPanelPath(core::TextView path, bool folderMode) {
    PanelPath result;
    if (path.empty())
        return result;
    const bool trailingSlash = folderMode && path.back() == u'/';
    // The search runs from the last unit (one earlier for a folder's final "/") down to the
    // second unit.
    const std::size_t last = path.size() - (trailingSlash ? 2 : 1);
    for (std::size_t i = last; i >= 1 && i < path.size(); --i) {
        if (path[i] == u'/') {
            result.hasDirectory = true;
            result.directory = core::Text(path.substr(0, i));
            result.name = core::Text(path.substr(i + 1));
            return result;
        }
    }
    result.name = core::Text(path.substr(0, path.size() - (trailingSlash ? 1 : 0)));
    return result;
}

} // namespace sondrel::controls
