#pragma once

// One running instance of the program per user and display (see platform/appkit/InstanceChannel.h
// for how): a later start hands its files to the running instance, which brings its windows
// forward and passes the files to the open-files handler.

#include <functional>
#include <vector>

#include "runtime/core/Text.h"

namespace sondrel::windowing {

enum class InstanceClaim {
    First,      // no other instance runs: this one takes the files of later starts
    HandedOver, // a running instance took the paths: this start has nothing more to do
    Alone,      // no private place to meet could be had: this one runs on its own
    Unanswered, // an instance runs but did not take the paths
};

// After InitWindowingLibrary, on the main thread. `folder` is where the instance's lock and
// socket lie (a folder only the user can enter); empty: the user's runtime folder. `paths` are
// handed over when another instance runs.
InstanceClaim ClaimSingleInstance(core::TextView folder, const std::vector<core::Text>& paths);

// Stops taking the files of later starts (at shutdown). Safe without a claim.
void ReleaseSingleInstance();

// The files a later start handed over, on the main thread, in the order given. Without a handler
// they are ignored.
using OpenFilesHandler = std::function<void(const std::vector<core::Text>& paths)>;
void SetOpenFilesHandler(OpenFilesHandler handler);

namespace detail {
// For the application delegate: passes opened files to the handler.
void OpenFiles(const std::vector<core::Text>& paths);
} // namespace detail

} // namespace sondrel::windowing
