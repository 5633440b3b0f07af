#pragma once

// The loop of afconvert-server (see ServerProtocol.h): one request at a time,
// each run in a child process forked from this one, so the child starts with
// everything this process has loaded.
//
// The server is single-threaded, which is what makes forking it safe: the
// child gets a consistent copy of every lock and allocator. Each child:
//  - gets the Run's three descriptors as its standard input, output and
//    error, and no other descriptor of ours;
//  - starts with default signal handling and no blocked signals, as a
//    freshly executed program would;
//  - is sent SIGTERM by the system if the server dies first, so no child
//    outlives its server (its unfinished output is never named);
//  - ends with the status `program` returns.

#include <functional>

namespace sondrel::afconvert {

// What a child runs: a main() over the Run's argument list.
using ChildProgram = std::function<int(int argc, char** argv)>;

// How long a child gets to end after SIGTERM when the client has gone away,
// before SIGKILL.
inline constexpr int kChildStopGraceMilliseconds = 2000;

// Sends Ready, then serves requests on `socket` until the client closes it;
// then ends a running child and returns 0. Returns 1 if the socket fails.
int RunBatchServer(int socket, const ChildProgram& program);

} // namespace sondrel::afconvert
