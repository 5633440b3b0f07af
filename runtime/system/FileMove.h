#pragma once

// Moving one file to a new place without ever replacing what is there, and
// without losing it on the way: across file systems it is copied, flushed to
// the disk and given its new name before the original is removed.

#include "runtime/core/Text.h"

namespace sondrel::system {

enum class MoveResult {
    Moved,        // the file is at `to` (and, unless removing it failed, no longer at `from`)
    TargetExists, // something is at `to` already: nothing was changed
    Failed,       // the file is still at `from` and nothing new is at `to`
};

// Moves the file (or symbolic link) at `from` to `to`, whose folder must exist.
// Across file systems only a regular file can be moved; it keeps its
// permission bits.
MoveResult MoveFileWithoutReplacing(core::TextView from, core::TextView to);

} // namespace sondrel::system
