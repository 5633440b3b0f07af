#pragma once

// What a batch needs of the main window's controls: the chosen settings,
// locking them while it runs, and showing its progress. The main window binds
// these to its gadgets, its title and the task bar.

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
    // Shows the batch's progress: `title` as the window's title and
    // `fraction` (0 to 1) on the task bar entry.
    virtual void showProgress(double fraction, core::TextView title) = 0;
    // The window's own title again, and no progress on the task bar entry.
    virtual void clearProgress() = 0;
};

} // namespace sondrel::app
