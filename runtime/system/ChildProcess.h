#pragma once

// One child process, from its start until it has been reaped.
//
// Every child is reaped exactly once, and only while holding the child's own
// lock, after the child has ended; signal() takes the same lock and refuses
// once the child is reaped, so a signal can never reach an unrelated process
// that was given the same process id later.
//
// A child either gets a waiter thread (startWaiter), which waits for its end
// and reaps it, or is reaped by the owner (waitForEnd, tryReap). Destroying
// the owner:
//  - with a waiter whose child has ended: joins the waiter (no thread is left);
//  - with a waiter whose child still runs: lets the waiter go on alone; it
//    reaps the child when it ends and then finishes by itself;
//  - without a waiter, child not yet reaped: kills and reaps it, because no one
//    else would (this is the clean-up path for a start that failed half-way).

#include "runtime/system/UniqueFd.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <pthread.h>
#include <sys/types.h>

namespace sondrel::system {

struct SpawnRequest {
    // The file to run (a path; no search is done).
    std::string executable;
    // The argument list handed to the child; the first is the program's name.
    std::vector<std::string> arguments;
    // Working folder of the child; empty keeps ours. A folder that cannot be
    // entered is ignored and the child starts in ours.
    std::string folder;
    // Descriptors that become the child's standard input, output and error;
    // -1 leaves the child ours.
    int standardInput = -1;
    int standardOutput = -1;
    int standardError = -1;
    // "NAME=value" entries the child's environment has besides ours (one of
    // ours of the same name is replaced).
    std::vector<std::string> environment;
};

// Exit code of a wait status: the exit status (0 to 255), or 1 when the child
// was ended by a signal.
int ExitCodeOfStatus(int status);

class ChildProcess {
public:
    // Starts the child; nothing when it cannot be started (errno tells why).
    static std::optional<ChildProcess> spawn(const SpawnRequest& request);
    // Starts the child through an intermediate process that ends at once, so
    // the child is not ours and needs no reaping. Returns its process id, or
    // nothing on failure.
    static std::optional<pid_t> spawnDetached(const SpawnRequest& request);

    ChildProcess(ChildProcess&&) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    pid_t pid() const;

    // Starts the thread that waits for the child's end and reaps it. False
    // when no thread can be made.
    bool startWaiter();

    // The child has ended and been reaped.
    bool hasEnded() const;
    // -1 until reaped, then ExitCodeOfStatus of its status.
    int exitCode() const;

    // Reaps the child if it has ended; never waits. True when it is reaped.
    // Only for a child without a waiter.
    bool tryReap();
    // Waits until the child has been reaped (reaping it here when it has no
    // waiter).
    void waitForEnd();
    // Waits at most `timeout` for the reap by the waiter; true when reaped.
    bool waitForEndFor(std::chrono::milliseconds timeout);

    // Sends `signal` to the child unless it has been reaped already; true when
    // it was sent.
    bool signal(int signal);

    // What the owner and the waiter share (defined in the source).
    struct State;

private:
    explicit ChildProcess(pid_t pid);

    std::shared_ptr<State> m_state;
    bool m_hasWaiter = false;
    pthread_t m_waiter{};
};

} // namespace sondrel::system
