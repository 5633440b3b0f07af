#include "runtime/system/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <mutex>
#include <thread>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace sondrel::system {

struct ChildProcess::State {
    explicit State(pid_t child) : pid(child) {}
    std::mutex mutex;
    std::condition_variable ended;
    const pid_t pid;
    bool reaped = false;
    int exitCode = -1;
};

namespace {

// The waiter does nothing but wait; a small stack is plenty, with room for
// sanitizer builds.
constexpr std::size_t kWaiterStackSize = 256 * 1024;

// Reaps a child that has ended (or, with `block`, waits for it); the caller
// holds state.mutex. True when the child is gone.
bool reapLocked(ChildProcess::State& state, bool block);

class SpawnActions {
public:
    SpawnActions() { m_ok = ::posix_spawn_file_actions_init(&m_actions) == 0; }
    ~SpawnActions() {
        if (m_ok) {
            ::posix_spawn_file_actions_destroy(&m_actions);
        }
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    bool prepare(const SpawnRequest& request);
    const posix_spawn_file_actions_t* get() const { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
    bool m_ok;
};

bool SpawnActions::prepare(const SpawnRequest& request) {
    if (!m_ok) {
        return false;
    }
    struct stat status;
    // A folder we cannot enter is ignored, as the child would ignore a failed
    // change of folder.
    if (!request.folder.empty() && ::stat(request.folder.c_str(), &status) == 0 &&
        S_ISDIR(status.st_mode) && ::access(request.folder.c_str(), X_OK) == 0 &&
        ::posix_spawn_file_actions_addchdir_np(&m_actions, request.folder.c_str()) != 0) {
        return false;
    }
    const int sources[] = {request.standardInput, request.standardOutput, request.standardError};
    for (int target = 0; target < 3; ++target) {
        if (sources[target] >= 0 &&
            ::posix_spawn_file_actions_adddup2(&m_actions, sources[target], target) != 0) {
            return false;
        }
    }
    // Nothing of ours but the three standard descriptors reaches the child.
    return ::posix_spawn_file_actions_addclosefrom_np(&m_actions, 3) == 0;
}

class SpawnAttributes {
public:
    SpawnAttributes() {
        m_ok = ::posix_spawnattr_init(&m_attributes) == 0;
        sigset_t none;
        sigset_t defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        // The child starts with no blocked signals and SIGPIPE at its default,
        // whatever our threads have set for themselves.
        m_ok = m_ok && ::posix_spawnattr_setsigmask(&m_attributes, &none) == 0 &&
               ::posix_spawnattr_setsigdefault(&m_attributes, &defaults) == 0 &&
               ::posix_spawnattr_setflags(&m_attributes,
                                          POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
    }
    ~SpawnAttributes() { ::posix_spawnattr_destroy(&m_attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    bool ok() const { return m_ok; }
    const posix_spawnattr_t* get() const { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes;
    bool m_ok;
};

// Everything posix_spawn needs, made before any process is created, so the
// intermediate process of a detached start need not allocate.
struct PreparedSpawn {
    SpawnActions actions;
    SpawnAttributes attributes;
    std::vector<char*> argv;
    std::vector<char*> envp;

    bool prepare(const SpawnRequest& request) {
        for (const std::string& argument : request.arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        prepareEnvironment(request.environment);
        return attributes.ok() && actions.prepare(request);
    }
    // Ours, less what the request replaces, then the request's own entries.
    void prepareEnvironment(const std::vector<std::string>& added) {
        const auto replaced = [&](const char* entry) {
            for (const std::string& a : added) {
                const std::size_t name = a.find('=') + 1;
                if (std::strncmp(entry, a.c_str(), name) == 0) {
                    return true;
                }
            }
            return false;
        };
        for (char** e = environ; e && *e; ++e) {
            if (!replaced(*e)) {
                envp.push_back(*e);
            }
        }
        for (const std::string& a : added) {
            envp.push_back(const_cast<char*>(a.c_str()));
        }
        envp.push_back(nullptr);
    }
    int spawn(const SpawnRequest& request, pid_t& pid) const {
        return ::posix_spawn(&pid, request.executable.c_str(), actions.get(), attributes.get(),
                             argv.data(), envp.data());
    }
};

bool reapLocked(ChildProcess::State& state, bool block) {
    if (state.reaped) {
        return true;
    }
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(state.pid, &status, block ? 0 : WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0) {
        return false;
    }
    // ECHILD means the child is gone without us (SIGCHLD ignored): it has
    // ended all the same, with no status to tell.
    state.reaped = true;
    if (result == state.pid) {
        state.exitCode = ExitCodeOfStatus(status);
    }
    state.ended.notify_all();
    return true;
}

void* waiterMain(void* argument) {
    std::unique_ptr<std::shared_ptr<ChildProcess::State>> owned(
        static_cast<std::shared_ptr<ChildProcess::State>*>(argument));
    ChildProcess::State& state = **owned;
    // Wait without reaping, so the process id stays ours until the reap below,
    // which happens under the lock that signal() takes.
    siginfo_t info;
    while (::waitid(P_PID, static_cast<id_t>(state.pid), &info, WEXITED | WNOWAIT) != 0 &&
           errno == EINTR) {
    }
    std::lock_guard lock(state.mutex);
    reapLocked(state, true);
    return nullptr;
}

} // namespace

int ExitCodeOfStatus(int status) {
    return (status & 0x7F) != 0 ? 1 : (status >> 8) & 0xFF;
}

ChildProcess::ChildProcess(pid_t pid) : m_state(std::make_shared<State>(pid)) {}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : m_state(std::move(other.m_state)), m_hasWaiter(std::exchange(other.m_hasWaiter, false)),
      m_waiter(other.m_waiter) {}

ChildProcess::~ChildProcess() {
    if (!m_state) {
        return;
    }
    if (m_hasWaiter) {
        bool ended = hasEnded();
        if (ended) {
            ::pthread_join(m_waiter, nullptr);
        } else {
            ::pthread_detach(m_waiter);
        }
        return;
    }
    std::lock_guard lock(m_state->mutex);
    if (!m_state->reaped) {
        ::kill(m_state->pid, SIGKILL);
        reapLocked(*m_state, true);
    }
}

std::optional<ChildProcess> ChildProcess::spawn(const SpawnRequest& request) {
    PreparedSpawn prepared;
    if (!prepared.prepare(request)) {
        return std::nullopt;
    }
    pid_t pid;
    int error = prepared.spawn(request, pid);
    if (error != 0) {
        errno = error;
        return std::nullopt;
    }
    return ChildProcess(pid);
}

std::optional<pid_t> ChildProcess::spawnDetached(const SpawnRequest& request) {
    PreparedSpawn prepared;
    Pipe handOver;
    if (!prepared.prepare(request) || !MakePipe(handOver)) {
        return std::nullopt;
    }
    pid_t intermediate = ::fork();
    if (intermediate < 0) {
        return std::nullopt;
    }
    if (intermediate == 0) {
        pid_t child;
        if (prepared.spawn(request, child) != 0) {
            ::_exit(1);
        }
        bool written = ::write(handOver.write.get(), &child, sizeof child) == sizeof child;
        ::_exit(written ? 0 : 1);
    }
    handOver.write.reset();
    pid_t child = -1;
    ssize_t got;
    do {
        got = ::read(handOver.read.get(), &child, sizeof child);
    } while (got < 0 && errno == EINTR);
    int status = 0;
    pid_t waited;
    do {
        waited = ::waitpid(intermediate, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (got != sizeof child || waited != intermediate) {
        return std::nullopt;
    }
    return child;
}

pid_t ChildProcess::pid() const {
    return m_state->pid;
}

bool ChildProcess::startWaiter() {
    pthread_attr_t attributes;
    if (::pthread_attr_init(&attributes) != 0) {
        return false;
    }
    ::pthread_attr_setstacksize(&attributes,
                                std::max<std::size_t>(kWaiterStackSize, PTHREAD_STACK_MIN));
    // The waiter takes no signals meant for the process: it starts with all
    // of them blocked.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    auto shared = std::make_unique<std::shared_ptr<State>>(m_state);
    int error = ::pthread_create(&m_waiter, &attributes, waiterMain, shared.get());
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ::pthread_attr_destroy(&attributes);
    if (error != 0) {
        return false;
    }
    shared.release(); // now the waiter's
    m_hasWaiter = true;
    return true;
}

bool ChildProcess::hasEnded() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->reaped;
}

int ChildProcess::exitCode() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->exitCode;
}

bool ChildProcess::tryReap() {
    std::lock_guard lock(m_state->mutex);
    return reapLocked(*m_state, false);
}

void ChildProcess::waitForEnd() {
    std::unique_lock lock(m_state->mutex);
    if (!m_hasWaiter) {
        reapLocked(*m_state, true);
        return;
    }
    m_state->ended.wait(lock, [this] { return m_state->reaped; });
}

bool ChildProcess::waitForEndFor(std::chrono::milliseconds timeout) {
    if (!m_hasWaiter) {
        // No one else reaps this child: look for its end now and then.
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!tryReap()) {
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
    std::unique_lock lock(m_state->mutex);
    return m_state->ended.wait_for(lock, timeout, [this] { return m_state->reaped; });
}

bool ChildProcess::signal(int signal) {
    std::lock_guard lock(m_state->mutex);
    return !m_state->reaped && ::kill(m_state->pid, signal) == 0;
}

} // namespace sondrel::system
