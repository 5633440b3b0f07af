#pragma once

// What a batch needs of the main window's controls: the chosen settings, and
// locking them while it runs. The main window binds these to its gadgets.

#include <cstdint>

#include "app/ConvertOneFile.h"
#include "runtime/core/Text.h"

namespace sondrel::app {

class BatchControls {
public:
    virtual ~BatchControls() = default;

    // The bitrate text, strategy index and AAC choice the controls show (the
    // output folder is left empty: see outputFolder).
    virtual BatchSettings readSettings() = 0;
    // The chosen output folder, ending in "/".
    virtual core::Text outputFolder() = 0;
    // Locks the controls for a batch of `fileCount` files: two or more also
    // swap the output-folder row for the Cancel button.
    virtual void lock(std::int64_t fileCount) = 0;
    // Gives them back after the batch locked with the same count.
    virtual void unlock(std::int64_t fileCount) = 0;
};

} // namespace sondrel::app
