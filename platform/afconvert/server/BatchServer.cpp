#include "platform/afconvert/server/BatchServer.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/afconvert/server/ServerProtocol.h"

namespace sondrel::afconvert {

namespace {

using Clock = std::chrono::steady_clock;

// Where the system cannot tell us of a child's end through a descriptor, how
// often we look for it.
constexpr int kReapPollMilliseconds = 5;

// The wait status reported for a child whose status was lost (it cannot
// happen while SIGCHLD keeps its default handling): ended by SIGKILL.
constexpr int kLostStatus = SIGKILL;

// A descriptor that becomes readable when process `pid` (our child) ends;
// -1 where the system has none. Called through syscall(): the C library's
// declaration of pidfd_open lacks C linkage in C++ on some releases.
int endWatch(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

ServerMessage reply(ServerMessageKind kind, std::int32_t value) {
    ServerMessage message;
    message.kind = kind;
    message.value = value;
    return message;
}

// In the forked child: becomes the program the Run asks for.
[[noreturn]] void becomeChild(pid_t server, ServerMessage& run, const ChildProgram& program) {
    // No child outlives its server; a server that died before this call
    // would never send the signal, hence the check after it.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != server)
        ::_exit(127);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    std::signal(SIGPIPE, SIG_DFL);
    std::signal(SIGCHLD, SIG_DFL);

    int sources[kRunDescriptors];
    for (int target = 0; target < kRunDescriptors; ++target) {
        sources[target] = run.descriptors[target].get();
        // Out of the way of the standard descriptors before they are replaced.
        if (sources[target] < kRunDescriptors)
            sources[target] = ::fcntl(sources[target], F_DUPFD, kRunDescriptors);
    }
    for (int target = 0; target < kRunDescriptors; ++target) {
        if (sources[target] < 0 || ::dup2(sources[target], target) != target)
            ::_exit(127);
    }
    ::close_range(kRunDescriptors, ~0U, 0);

    const std::string& folder = run.texts.back();
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
        // A folder that cannot be entered is ignored, as for any program we start.
    }
    std::vector<char*> argv;
    for (std::size_t i = 0; i + 1 < run.texts.size(); ++i)
        argv.push_back(run.texts[i].data());
    argv.push_back(nullptr);
    const int status = program(static_cast<int>(argv.size() - 1), argv.data());
    std::fflush(nullptr);
    // Not exit(): the server's own clean-up at exit is not the child's.
    ::_exit(status);
}

class Server {
public:
    Server(int socket, const ChildProgram& program) : m_socket(socket), m_program(program) {}
    ~Server() { stopChild(); }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    int run();

private:
    enum class Next { Serve, End, Fail };

    struct Child {
        pid_t pid = -1;
        posix::UniqueFd ended; // readable once the child has ended; empty without pidfds
    };

    Next handleMessage();
    void start(ServerMessage& run);
    // Reaps the child if it has ended (waiting for that with `block`) and
    // reports its end; true when there is no child any more.
    bool reap(bool block);
    // Ends a running child: SIGTERM, SIGKILL after the grace time; reaps it.
    void stopChild();
    bool send(ServerMessageKind kind, std::int32_t value) {
        return SendServerMessage(m_socket, reply(kind, value));
    }

    int m_socket;
    const ChildProgram& m_program;
    std::optional<Child> m_child;
};

int Server::run() {
    if (!send(ServerMessageKind::Ready, 0))
        return 1;
    for (;;) {
        pollfd watched[2] = {{m_socket, POLLIN, 0}, {-1, POLLIN, 0}};
        nfds_t count = 1;
        int timeout = -1;
        if (m_child) {
            if (m_child->ended)
                watched[count++].fd = m_child->ended.get();
            else
                timeout = kReapPollMilliseconds;
        }
        if (::poll(watched, count, timeout) < 0 && errno != EINTR)
            return 1;
        // A child's end is handled before any request that came with it, so
        // a Signal never reaches a process that has been reaped.
        reap(false);
        if (watched[0].revents == 0)
            continue;
        switch (handleMessage()) {
        case Next::Serve:
            break;
        case Next::End:
            stopChild();
            return 0;
        case Next::Fail:
            stopChild();
            return 1;
        }
    }
}

Server::Next Server::handleMessage() {
    ServerMessage message;
    switch (ReceiveServerMessage(m_socket, message)) {
    case ReceiveResult::Message:
        break;
    case ReceiveResult::Malformed:
        return Next::Serve; // its descriptors are closed; nothing is started
    case ReceiveResult::End:
        return Next::End;
    case ReceiveResult::Failed:
        return Next::Fail;
    }
    switch (message.kind) {
    case ServerMessageKind::Run:
        start(message);
        break;
    case ServerMessageKind::Signal:
        if (m_child)
            ::kill(m_child->pid, message.value);
        break;
    default:
        break; // not a request
    }
    return Next::Serve;
}

void Server::start(ServerMessage& run) {
    if (m_child) {
        send(ServerMessageKind::StartFailed, EBUSY);
        return;
    }
    if (run.descriptors.size() != kRunDescriptors || run.texts.size() < 2) {
        send(ServerMessageKind::StartFailed, EINVAL);
        return;
    }
    const pid_t server = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        send(ServerMessageKind::StartFailed, errno);
        return;
    }
    if (pid == 0)
        becomeChild(server, run, m_program);
    // The child's descriptors are the child's alone: its output pipe must end
    // when the child ends.
    run.descriptors.clear();
    m_child = Child{pid, posix::UniqueFd(endWatch(pid))};
    send(ServerMessageKind::Started, pid);
}

bool Server::reap(bool block) {
    if (!m_child)
        return true;
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(m_child->pid, &status, block ? 0 : WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0)
        return false;
    send(ServerMessageKind::Ended, result == m_child->pid ? status : kLostStatus);
    m_child.reset();
    return true;
}

void Server::stopChild() {
    if (reap(false))
        return;
    ::kill(m_child->pid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::milliseconds(kChildStopGraceMilliseconds);
    while (Clock::now() < deadline) {
        pollfd ended{m_child->ended.get(), POLLIN, 0};
        ::poll(&ended, m_child->ended ? 1 : 0, kReapPollMilliseconds);
        if (reap(false))
            return;
    }
    ::kill(m_child->pid, SIGKILL);
    reap(true);
}

} // namespace

int RunBatchServer(int socket, const ChildProgram& program) {
    Server server(socket, program);
    return server.run();
}

} // namespace sondrel::afconvert
