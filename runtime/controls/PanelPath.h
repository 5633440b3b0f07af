#pragma once

// How a file chooser's initial path splits into the folder it opens in and the name it shows.
// The last "/" after the first unit separates them (a "/" in the first unit never counts, so "/x"
// has no folder). In folder mode a path ending in "/" names that folder: the chooser opens in its
// parent with the folder's name (which keeps its final "/"); a path without any "/" that counts
// is all name (less the final "/" in folder mode).

#include "runtime/core/Text.h"

namespace sondrel::controls {

struct PanelPath {
    bool hasDirectory = false;
    core::Text directory; // without the separating "/"
    core::Text name;
    bool operator==(const PanelPath&) const = default;
};

PanelPath SplitPanelPath(core::TextView path, bool folderMode);

} // namespace sondrel::controls
