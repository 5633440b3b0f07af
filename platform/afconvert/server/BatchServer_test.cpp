// The batch server as Sondrel runs it: the real program, a socket, and files
// converted by its children, compared with afconvert run by hand.

#include "platform/afconvert/server/BatchServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include "platform/afconvert/TestSupport.h"
#include "platform/afconvert/server/ServerProtocol.h"

extern char** environ;

namespace sondrel::afconvert::testing {
namespace {

using namespace std::chrono_literals;

std::string serverPath() {
    return (fs::path(afconvertPath()).parent_path().parent_path() / "lib/sondrel/afconvert-server")
        .string();
}

bool processExists(pid_t pid) {
    return ::kill(pid, 0) == 0;
}

// True once `pid` is gone (or a zombie nobody reaps in time), within 10 s.
bool endsSoon(pid_t pid) {
    for (int i = 0; i < 1000; ++i) {
        const std::string state = readFile("/proc/" + std::to_string(pid) + "/stat");
        const size_t close = state.rfind(')');
        if (state.empty() || (close != std::string::npos && state.compare(close + 2, 1, "Z") == 0))
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

// What a converter child wrote, and how it ended.
struct ChildRun {
    pid_t pid = -1;
    posix::UniqueFd output; // the child's standard output
    posix::UniqueFd errors; // its standard error
    posix::UniqueFd input;  // its standard input: a pipe nothing writes to
};

std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(got));
    return text;
}

// The server started as Sondrel starts it: the socket as standard input.
class ServerUnderTest {
public:
    explicit ServerUnderTest(bool loadEngine, std::vector<std::string> arguments = {}) {
        int ends[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends), 0);
        m_socket.reset(ends[0]);
        posix::UniqueFd theirs(ends[1]);
        const std::string program = serverPath();
        arguments.insert(arguments.begin(), "afconvert-server");
        if (loadEngine)
            arguments.push_back("--load-engine");
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, theirs.get(), 0);
        EXPECT_EQ(::posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ),
                  0);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ServerUnderTest() {
        m_socket.reset();
        if (m_pid > 0 && !m_reaped) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    pid_t pid() const { return m_pid; }
    int socket() const { return m_socket.get(); }
    void closeSocket() { m_socket.reset(); }

    // The next message, waiting at most 20 s.
    std::optional<ServerMessage> next() {
        pollfd watched{m_socket.get(), POLLIN, 0};
        if (::poll(&watched, 1, 20000) != 1)
            return std::nullopt;
        ServerMessage message;
        if (ReceiveServerMessage(m_socket.get(), message) != ReceiveResult::Message)
            return std::nullopt;
        return message;
    }
    bool expect(ServerMessageKind kind, int32_t* value = nullptr) {
        std::optional<ServerMessage> message = next();
        if (!message || message->kind != kind)
            return false;
        if (value)
            *value = message->value;
        return true;
    }

    // Asks for afconvert with `arguments`; the child, once it has started.
    std::optional<ChildRun> run(const std::vector<std::string>& arguments,
                                const std::string& folder = "") {
        int out[2], err[2], in[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 ||
            ::pipe2(in, O_CLOEXEC) != 0)
            return std::nullopt;
        ChildRun child;
        child.output.reset(out[0]);
        child.errors.reset(err[0]);
        child.input.reset(in[1]);
        posix::UniqueFd theirs[3] = {posix::UniqueFd(in[0]), posix::UniqueFd(out[1]),
                                     posix::UniqueFd(err[1])};
        std::vector<std::string> texts{"afconvert"};
        texts.insert(texts.end(), arguments.begin(), arguments.end());
        if (!SendServerMessage(m_socket.get(), RunMessage(texts, folder),
                               {theirs[0].get(), theirs[1].get(), theirs[2].get()}))
            return std::nullopt;
        int32_t pid = -1;
        if (!expect(ServerMessageKind::Started, &pid))
            return std::nullopt;
        child.pid = pid;
        return child;
    }
    // run(), then waits for the child's first output: it is converting.
    std::optional<ChildRun> runUntilItWrites(const std::vector<std::string>& arguments) {
        std::optional<ChildRun> child = run(arguments);
        char first[64];
        if (child && ::read(child->output.get(), first, sizeof first) <= 0)
            return std::nullopt;
        return child;
    }
    void signal(int number) {
        ServerMessage message;
        message.kind = ServerMessageKind::Signal;
        message.value = number;
        EXPECT_TRUE(SendServerMessage(m_socket.get(), message));
    }
    // The server's own exit status, waiting at most 10 s.
    std::optional<int> exitStatus() {
        for (int i = 0; i < 1000; ++i) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_reaped = true;
                return status;
            }
            std::this_thread::sleep_for(10ms);
        }
        return std::nullopt;
    }

private:
    pid_t m_pid = -1;
    bool m_reaped = false;
    posix::UniqueFd m_socket;
};

std::vector<std::string> aacArguments(const std::string& in, const std::string& out) {
    return {"-v", "-f", "caff", "-d", "aac", "--no-filler", "-s", "1", "-b", "128000", in, out};
}

TEST(BatchServer, EachFileIsConvertedExactlyAsTheCommandLineConvertsIt) {
    TempDir dir;
    makeTones(dir / "tone.wav", 0.5, 44100, {440, 660});
    ServerUnderTest server(true);
    ASSERT_TRUE(server.expect(ServerMessageKind::Ready));

    // Twice through the server (one child each), once by hand.
    for (const char* name : {"first.caf", "second.caf"}) {
        std::optional<ChildRun> child = server.run(aacArguments(dir / "tone.wav", dir / name));
        ASSERT_TRUE(child);
        EXPECT_NE(child->pid, server.pid());
        const std::string out = readAll(child->output.get());
        const std::string err = readAll(child->errors.get());
        int32_t status = -1;
        ASSERT_TRUE(server.expect(ServerMessageKind::Ended, &status));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << err;
        const RunResult byHand = afconvert("-v -f caff -d aac --no-filler -s 1 -b 128000 " +
                                           quote(dir / "tone.wav") + " " + quote(dir / "hand.caf"));
        EXPECT_EQ(out, byHand.out);
        EXPECT_EQ(readFile(dir / name), readFile(dir / "hand.caf"));
        EXPECT_FALSE(processExists(child->pid)); // reaped by the server
    }

    // A failure: the same message and status, nothing written.
    std::optional<ChildRun> child = server.run(aacArguments(dir / "none.wav", dir / "none.caf"));
    ASSERT_TRUE(child);
    const std::string out = readAll(child->output.get());
    const std::string err = readAll(child->errors.get());
    int32_t status = -1;
    ASSERT_TRUE(server.expect(ServerMessageKind::Ended, &status));
    const RunResult byHand = afconvert("-v -f caff -d aac --no-filler -s 1 -b 128000 " +
                                       quote(dir / "none.wav") + " " + quote(dir / "none.caf"));
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), byHand.exitCode);
    EXPECT_EQ(out, byHand.out);
    EXPECT_EQ(err, byHand.err);
    EXPECT_FALSE(fs::exists(dir / "none.caf"));

    // A relative output path is taken in the Run's folder.
    child = server.run({"-f", "caff", "-d", "ima4", "-c", "1", dir / "tone.wav", "rel.caf"},
                       dir.path());
    ASSERT_TRUE(child);
    readAll(child->output.get());
    ASSERT_TRUE(server.expect(ServerMessageKind::Ended, &status));
    EXPECT_TRUE(fs::exists(dir / "rel.caf"));

    server.closeSocket();
    std::optional<int> ended = server.exitStatus();
    ASSERT_TRUE(ended);
    EXPECT_TRUE(WIFEXITED(*ended) && WEXITSTATUS(*ended) == 0);
}

TEST(BatchServer, AChildHasOnlyItsOwnDescriptorsAndEndsOnRequestLeavingNothing) {
    TempDir dir;
    makeTones(dir / "long.wav", 30.0, 44100, {440, 660});
    ServerUnderTest server(true);
    ASSERT_TRUE(server.expect(ServerMessageKind::Ready));
    // Once it converts, its descriptors are the three it was given and its
    // own files; the server's socket is not among them.
    std::optional<ChildRun> child =
        server.runUntilItWrites(aacArguments(dir / "long.wav", dir / "long.caf"));
    ASSERT_TRUE(child);
    const std::string fds = "/proc/" + std::to_string(child->pid) + "/fd";
    bool sawSocket = false;
    for (const auto& entry : fs::directory_iterator(fds)) {
        std::error_code error;
        sawSocket |= fs::read_symlink(entry.path(), error).string().starts_with("socket:");
    }
    EXPECT_FALSE(sawSocket);

    server.signal(SIGTERM);
    int32_t status = -1;
    ASSERT_TRUE(server.expect(ServerMessageKind::Ended, &status));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(dir.entries().size(), 1u); // long.wav: no output, no temporary
    // A signal with no child running reaches no one; serving goes on.
    server.signal(SIGKILL);
    child = server.run({"-d", "ima4", "-c", "1", dir / "long.wav", dir / "short.caf"});
    ASSERT_TRUE(child);
    ASSERT_TRUE(server.expect(ServerMessageKind::Ended, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(BatchServer, NoChildOutlivesItsServerOrItsClient) {
    TempDir dir;
    makeTones(dir / "long.wav", 30.0, 44100, {440, 660});
    {
        // The client goes: the server ends its child, then itself.
        ServerUnderTest server(true);
        ASSERT_TRUE(server.expect(ServerMessageKind::Ready));
        std::optional<ChildRun> child = server.run(aacArguments(dir / "long.wav", dir / "a.caf"));
        ASSERT_TRUE(child);
        server.closeSocket();
        std::optional<int> ended = server.exitStatus();
        ASSERT_TRUE(ended);
        EXPECT_TRUE(WIFEXITED(*ended) && WEXITSTATUS(*ended) == 0);
        EXPECT_TRUE(endsSoon(child->pid));
    }
    {
        // The server is killed: its child is ended by the system.
        ServerUnderTest server(false);
        ASSERT_TRUE(server.expect(ServerMessageKind::Ready));
        std::optional<ChildRun> child =
            server.runUntilItWrites(aacArguments(dir / "long.wav", dir / "b.caf"));
        ASSERT_TRUE(child);
        ::kill(server.pid(), SIGKILL);
        EXPECT_TRUE(endsSoon(child->pid));
        // Its output pipe ends with it.
        readAll(child->output.get());
    }
    EXPECT_EQ(dir.entries().size(), 1u);
}

TEST(BatchServer, RequestsItCannotServeAreRefusedAndServingGoesOn) {
    TempDir dir;
    makeTones(dir / "tone.wav", 30.0, 44100, {440});
    ServerUnderTest server(false);
    ASSERT_TRUE(server.expect(ServerMessageKind::Ready));
    int32_t value = 0;
    // Without the three descriptors.
    ASSERT_TRUE(SendServerMessage(server.socket(), RunMessage({"afconvert", "-h"}, ""), {0}));
    ASSERT_TRUE(server.expect(ServerMessageKind::StartFailed, &value));
    EXPECT_EQ(value, EINVAL);
    // Bytes that are no message are dropped.
    ASSERT_EQ(::send(server.socket(), "junk", 4, 0), 4);
    // A second file while one runs.
    std::optional<ChildRun> child = server.run(aacArguments(dir / "tone.wav", dir / "t.caf"));
    ASSERT_TRUE(child);
    EXPECT_FALSE(server.run({"-h"}));
    readAll(child->output.get());
    int32_t status = -1;
    ASSERT_TRUE(server.expect(ServerMessageKind::Ended, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(fs::exists(dir / "t.caf"));
}

TEST(BatchServer, RunByHandItSaysWhatItIsAndEnds) {
    const RunResult result = runShell(quote(serverPath()) + " --load-engine");
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("use afconvert"), std::string::npos);
    ServerUnderTest unknownOption(false, {"--frobnicate"});
    EXPECT_FALSE(unknownOption.next());
    std::optional<int> ended = unknownOption.exitStatus();
    ASSERT_TRUE(ended);
    EXPECT_EQ(WEXITSTATUS(*ended), 2);
}

} // namespace
} // namespace sondrel::afconvert::testing
