// One instance per user and display, with real processes on the offscreen
// platform: a later `sondrel` hands its files to the running window (here the
// application in the test process, whose single-instance socket lies in its
// scratch home) and ends at once; a socket left by a crashed run is replaced.

#include "app/Application.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/testing/AppDriver.h"
#include "app/testing/SondrelProcess.h"

namespace sondrel::app {
namespace {

namespace fs = std::filesystem;
using testing::AppDriver;
using testing::ScratchFolder;
using testing::SondrelProcess;

core::Text T(const std::string& utf8) {
    return core::Utf8ToText(utf8);
}

// The processes descending from this one (the converters of a batch).
std::vector<pid_t> Descendants() {
    std::map<pid_t, pid_t> parents;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream in(entry.path() / "stat");
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        std::istringstream fields(stat.substr(close + 2));
        std::string state;
        pid_t parent = 0;
        fields >> state >> parent;
        parents[static_cast<pid_t>(std::stoi(name))] = parent;
    }
    std::vector<pid_t> found{::getpid()};
    for (std::size_t i = 0; i < found.size(); ++i) {
        for (const auto& [pid, parent] : parents) {
            if (parent == found[i]) {
                found.push_back(pid);
            }
        }
    }
    found.erase(found.begin());
    return found;
}

// Connects (or binds) a new local socket to `path`; true when that worked.
bool UseSocket(const std::string& path, int (*use)(int, const sockaddr*, socklen_t)) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    const bool done = use(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return done;
}

// True when something listens on the socket at `path`.
bool Listening(const std::string& path) {
    return UseSocket(path, ::connect);
}

// A socket file no one listens on, as a run that crashed leaves it.
void LeaveStaleSocket(const std::string& path) {
    UseSocket(path, ::bind);
}

bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 6000 && !done(); ++i) { // at most a minute
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// Where the in-process application listens, as the name the runtime gives it.
std::string SocketIn(const fs::path& folder) {
    return (folder / "example.quillfern.Sondrel.offscreen.socket").string();
}

class AppInstances : public AppDriver {
protected:
    // A later start of the real program: it finds this application through
    // its runtime folder, the scratch home.
    std::unique_ptr<SondrelProcess> later(const std::vector<std::string>& items) {
        return std::make_unique<SondrelProcess>(
            std::vector<std::string>{"XDG_RUNTIME_DIR=" + home.path().string(),
                                     "HOME=" + otherHome.path().string(), "-XDG_CONFIG_HOME"},
            items);
    }
    // Turns the event loop (the running instance answers from it) until the
    // process ends; its exit code.
    int finish(SondrelProcess& process) {
        EXPECT_TRUE(process.started());
        EXPECT_TRUE(pumpUntil([&] { return process.ended(); }, 60000));
        return process.exitCode();
    }
    ScratchFolder otherHome;
};

TEST_F(AppInstances, ALaterStartHandsItsFilesToTheRunningWindow) {
    ASSERT_EQ(app->instanceClaim(), windowing::InstanceClaim::First);
    ASSERT_EQ(appkit::instanceSocketPath(home.path().string()), SocketIn(home.path()));
    ASSERT_TRUE(testing::MakeTone(input.file("a.wav"), 0.2));
    fs::create_directory(input.file("album"));
    ASSERT_TRUE(testing::MakeTone(input.file("album/b.wav"), 0.2));

    // Before an output folder is chosen: the message a drop gets.
    answerOk();
    auto early = later({input.file("a.wav")});
    EXPECT_EQ(finish(*early), 0);
    ASSERT_TRUE(pumpUntil([] { return !appkit::modalRecords().empty(); }));
    EXPECT_EQ(appkit::modalRecords().at(0).message, u"Output Folder!");
    EXPECT_EQ(logText(), u" \nDrag and drop audio file(s) here.");

    chooseOutputFolder(output.path().string());
    auto start = later({input.file("a.wav"), input.file("album")});
    EXPECT_EQ(finish(*start), 0);
    ASSERT_TRUE(pumpUntil([] { return core::FindText(logText(), u"Complete!") != 0; }));
    const std::string in = input.path().string() + "/";
    EXPECT_EQ(logText(), T("Directory - \"" + in + "\"\nDirectory - \"" + in + "album/\"\n") +
                             u" \u2022 Converting (1/2) \"a.wav\" - Done!\n" +
                             u" \u2022 Converting (2/2) \"b.wav\" - Done!\nComplete!\n")
        << logUtf8();
    EXPECT_TRUE(testing::DecodesAs(output.file("a.caf"), "aac", 2));
    EXPECT_TRUE(testing::DecodesAs(output.file("b.caf"), "aac", 2));
}

// While a batch runs, handed-over files get what a drop gets: "Wait!", and
// they are not queued.
TEST_F(AppInstances, DuringABatchTheRunningWindowSaysWait) {
    chooseOutputFolder(output.path().string());
    ASSERT_TRUE(testing::MakeTone(input.file("long.wav"), 60.0));
    ASSERT_TRUE(testing::MakeTone(input.file("short.wav"), 0.2));
    ASSERT_TRUE(drop({input.file("long.wav")}));
    ASSERT_TRUE(pumpUntil([this] { return testing::WritingInto(output.path()); }));
    // The converter is held while the later start comes, so the batch
    // certainly still runs.
    // Held, and let go however the test ends: a converter left stopped
    // would outlive the test and hold its output open.
    struct Held {
        std::vector<pid_t> pids = Descendants();
        Held() {
            for (const pid_t pid : pids) {
                ::kill(pid, SIGSTOP);
            }
        }
        ~Held() {
            for (const pid_t pid : pids) {
                ::kill(pid, SIGCONT);
            }
        }
    };
    std::optional<Held> held(std::in_place);
    appkit::clearModalAnswers();
    answerOk();
    auto start = later({input.file("short.wav")});
    EXPECT_EQ(finish(*start), 0);
    ASSERT_TRUE(pumpUntil([] { return !appkit::modalRecords().empty(); }));
    EXPECT_EQ(appkit::modalRecords().at(0).message, u"Wait!");
    EXPECT_EQ(appkit::modalRecords().at(0).informative,
              u"Sondrel is still converting audio file(s).");
    held.reset();
    ASSERT_TRUE(waitForBatchEnd());
    EXPECT_EQ(countInLog(u"short.wav"), 0u) << logUtf8();
    EXPECT_FALSE(fs::exists(output.file("short.caf")));
}

// Without files, a later start brings the running window forward.
TEST_F(AppInstances, ALaterStartWithoutFilesBringsTheWindowForward) {
    appkit::NSWindowObject* window = windowing::WindowHandle(MainWindow);
    window->miniaturize();
    ASSERT_TRUE(pumpUntil([&] { return window->isMiniaturized(); }));
    auto start = later({});
    EXPECT_EQ(finish(*start), 0);
    EXPECT_TRUE(pumpUntil([&] { return !window->isMiniaturized() && window->isKeyWindow(); }));
    EXPECT_TRUE(appkit::modalRecords().empty());
}

class StaleSocket : public AppInstances {
protected:
    void prepareHome() override { LeaveStaleSocket(SocketIn(home.path())); }
};

TEST_F(StaleSocket, IsReplacedNotTrusted) {
    EXPECT_EQ(app->instanceClaim(), windowing::InstanceClaim::First);
    EXPECT_TRUE(Listening(SocketIn(home.path())));
    auto start = later({});
    EXPECT_EQ(finish(*start), 0);
}

// A runtime folder others may enter is no place for the socket: the
// application runs on its own and leaves nothing there.
class OpenRuntimeFolder : public AppInstances {
protected:
    void prepareHome() override { ::chmod(home.path().c_str(), 0755); }
};

TEST_F(OpenRuntimeFolder, RunsAlone) {
    EXPECT_EQ(app->instanceClaim(), windowing::InstanceClaim::Alone);
    EXPECT_FALSE(fs::exists(SocketIn(home.path())));
    EXPECT_FALSE(fs::exists(home.file("example.quillfern.Sondrel.offscreen.lock")));
}

// Real processes only: a run killed outright leaves its socket behind; the
// next start takes over from it, and a start after that hands over to the new
// one.
TEST(AppInstanceProcesses, AKilledInstanceIsFollowedByTheNextStart) {
    ScratchFolder runtime;
    ScratchFolder home;
    const std::vector<std::string> environment{"XDG_RUNTIME_DIR=" + runtime.path().string(),
                                               "HOME=" + home.path().string(), "-XDG_CONFIG_HOME"};
    const std::string socket = SocketIn(runtime.path());
    SondrelProcess crashed(environment, {});
    ASSERT_TRUE(WaitFor([&] { return Listening(socket); }));
    crashed.signal(SIGKILL);
    ASSERT_TRUE(WaitFor([&] { return crashed.ended(); }));
    ASSERT_TRUE(fs::exists(socket));
    EXPECT_FALSE(Listening(socket));

    SondrelProcess next(environment, {home.file("a.wav")});
    ASSERT_TRUE(WaitFor([&] { return Listening(socket) || next.ended(); }));
    EXPECT_FALSE(next.ended()) << "the next start ended instead of running";
    SondrelProcess last(environment, {home.file("b.wav")});
    ASSERT_TRUE(WaitFor([&] { return last.ended(); }));
    EXPECT_EQ(last.exitCode(), 0);
    EXPECT_FALSE(next.ended());
    next.signal(SIGTERM);
    EXPECT_TRUE(WaitFor([&] { return next.ended(); }));
}

} // namespace
} // namespace sondrel::app
