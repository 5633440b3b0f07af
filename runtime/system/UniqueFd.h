#pragma once

// Owned file descriptors and pipes. The owner is the platform's
// (platform/posix/UniqueFd.h): one class from the converter up to the
// application.

#include "platform/posix/UniqueFd.h"

namespace sondrel::system {

using posix::UniqueFd;

// Both ends of a pipe, each close-on-exec so that no other child started at
// the same time inherits them.
struct Pipe {
    UniqueFd read;
    UniqueFd write;
};

// Makes a close-on-exec pipe; false (with errno set) when the system has none
// to give.
bool MakePipe(Pipe& pipe);

} // namespace sondrel::system
