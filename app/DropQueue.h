#pragma once

// How a drop of file names on the log becomes a batch: which files are
// queued, in which order, and the directory lines the log gets for them.

#include <vector>

#include "runtime/core/Text.h"

namespace sondrel::app {

struct DroppedBatch {
    // The directory lines, in order, each ending in a line feed.
    std::vector<core::Text> logLines;
    // The full paths of the files to convert, in queue order.
    std::vector<core::Text> files;
};

// The dropped paths of a drop text, which joins them with line feeds. A file
// name may itself hold a line feed: a piece that names nothing is joined with
// the following pieces while that gives an existing path. Empty pieces are
// dropped.
std::vector<core::Text> DroppedPaths(core::TextView dropText);

// Expands the dropped paths in drop order. A path that is not a folder (also
// one that names nothing: the conversion then reports it) is queued as it is,
// under a line for its folder that consecutive files of the same folder share.
// A folder gets its own line and contributes every entry that is not a folder
// and not ".DS_Store", sorted by name; its sub-folders are neither queued nor
// entered. A folder that cannot be read contributes nothing.
DroppedBatch ExpandDrop(const std::vector<core::Text>& paths);

} // namespace sondrel::app
