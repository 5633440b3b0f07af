#include "runtime/system/ProgramRunner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sondrel::system {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<core::Text>;
namespace fs = std::filesystem;

// The scriptable child built with the tests (testing/TestChild.cpp), found
// through PATH like any program.
constexpr char16_t kChild[] = u"sondrel-test-child";
constexpr int kReadFlags = RunKeepObject | RunReadOutput | RunWriteInput;

// Reads every output line in the way the converter does. A broken runner must
// fail the test, not hang it: after a minute the child is killed.
Lines readAll(ProgramHandle program) {
    Lines lines;
    auto deadline = std::chrono::steady_clock::now() + 60s;
    while (ProgramIsRunning(program)) {
        if (ProgramHasOutput(program) > 0) {
            lines.push_back(ReadProgramLine(program));
        } else if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the child did not finish";
            KillProgram(program, 0);
            break;
        } else {
            std::this_thread::sleep_for(1ms);
        }
    }
    return lines;
}

Lines runAndRead(core::TextView arguments, int flags = kReadFlags) {
    ProgramHandle program = StartProgram(kChild, arguments, u"", flags);
    EXPECT_GT(program, 1);
    Lines lines = readAll(program);
    CloseProgramObject(program);
    return lines;
}

std::size_t entriesIn(const char* folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// True while this process has a child process, running or not yet reaped.
bool hasChildren() {
    siginfo_t info{};
    return ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0;
}

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "sondrel-runner-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~TempFolder() { fs::remove_all(m_path); }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

core::Text text(const std::string& utf8) {
    return core::Utf8ToText(utf8);
}

TEST(ProgramRunner, ReadsOutputLineByLine) {
    EXPECT_EQ(runAndRead(u"out:first\\nsecond\\r\\n\\nthird"),
              (Lines{u"first", u"second\r", u"", u"third"}));
    EXPECT_EQ(runAndRead(u"out:caf\\xC3\\xA9\\x20\\xF0\\x9F\\x8E\\xB5\\n"), Lines{u"café  "});
    EXPECT_EQ(runAndRead(u""), Lines{});
}

// The child writes the first byte of "é", then waits until the test has read that much, so the
// character reaches the reader in two reads; it must still arrive as one.
TEST(ProgramRunner, ACharacterSplitBetweenReadsArrivesWhole) {
    ProgramHandle program =
        StartProgram(kChild, u"pid out:caf\\xC3 wait-usr1 out:\\xA9!\\n", u"", kReadFlags);
    ASSERT_GT(program, 1);
    const pid_t child = static_cast<pid_t>(std::stol(core::TextToUtf8(ReadProgramLine(program))));
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (ProgramHasOutput(program) < 4 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    ASSERT_EQ(ProgramHasOutput(program), 4) << "\"caf\" and the first byte of \"é\", no more";
    ::kill(child, SIGUSR1);
    EXPECT_EQ(ReadProgramLine(program), u"café!");
    EXPECT_EQ(readAll(program), Lines{});
    CloseProgramObject(program);
}

TEST(ProgramRunner, ArgumentsReachTheChild) {
    EXPECT_EQ(runAndRead(u"args \"with  blank\" plain \"\" \"a\"\"b\" back\\slash"),
              (Lines{u"<with  blank>", u"<plain>", u"<>", u"<a>", u"<b>", u"<back\\slash>"}));

    // The list form passes each argument unchanged.
    std::vector<core::Text> arguments{u"args", u"\"quoted\"", u"two words", u"", u"tab\there"};
    ProgramHandle program = StartProgram(kChild, arguments, u"", kReadFlags);
    ASSERT_GT(program, 1);
    EXPECT_EQ(readAll(program), (Lines{u"<\"quoted\">", u"<two words>", u"<>", u"<tab\there>"}));
    CloseProgramObject(program);
}

TEST(ProgramRunner, RefusesWhatItCannotStart) {
    TempFolder folder;
    fs::path empty = folder.path() / "empty-tool";
    std::ofstream(empty).close();
    fs::permissions(empty, fs::perms::owner_all);
    fs::path plain = folder.path() / "not-executable";
    std::ofstream(plain) << "#!/bin/sh\n";

    EXPECT_EQ(StartProgram(u"sondrel-no-such-program", u"", u"", kReadFlags), 0);
    EXPECT_EQ(StartProgram(u"/no/such/program", u"", u"", kReadFlags), 0);
    EXPECT_EQ(StartProgram(u"./sondrel-test-child", u"", u"", kReadFlags), 0);
    EXPECT_EQ(StartProgram(text(empty.string()), u"", u"", kReadFlags), 0);
    EXPECT_EQ(StartProgram(text(plain.string()), u"", u"", kReadFlags), 0);
    EXPECT_EQ(StartProgram(text(folder.path().string()), u"", u"", kReadFlags), 0);
    EXPECT_EQ(StartProgram(u"", u"", u"", kReadFlags), 0);
    EXPECT_EQ(StartProgram(u"sondrel-no-such-program", u"", u"", 0), 0);
    // An unpaired surrogate cannot be converted: refused, never cut short.
    EXPECT_EQ(StartProgram(kChild, core::Text(u"args a\xD800"), u"", kReadFlags), 0);
    std::string tooMany = "args";
    for (int i = 0; i < 510; ++i) {
        tooMany += " x";
    }
    EXPECT_EQ(StartProgram(kChild, text(tooMany), u"", kReadFlags), 0);
    EXPECT_FALSE(hasChildren());

    std::string path = std::getenv("PATH");
    ::unsetenv("PATH");
    EXPECT_EQ(StartProgram(kChild, u"", u"", kReadFlags), 0);
    ::setenv("PATH", path.c_str(), 1);
}

TEST(ProgramRunner, StartsInTheWorkingFolder) {
    TempFolder folder;
    fs::path real = fs::canonical(folder.path());
    ProgramHandle program = StartProgram(kChild, u"cwd", text(folder.path().string()), kReadFlags);
    ASSERT_GT(program, 1);
    EXPECT_EQ(readAll(program), Lines{text(real.string())});
    CloseProgramObject(program);
    // A folder that cannot be entered is ignored.
    EXPECT_EQ(runAndRead(u"cwd"), Lines{text(fs::current_path().string())});
    program = StartProgram(kChild, u"cwd", u"/no/such/folder", kReadFlags);
    EXPECT_EQ(readAll(program), Lines{text(fs::current_path().string())});
    CloseProgramObject(program);
}

TEST(ProgramRunner, ProgramByPathRunsTheFileFound) {
    const char* bin = std::getenv("SONDREL_BIN");
    ASSERT_NE(bin, nullptr);
    TempFolder folder;
    // A relative name with a "/" is taken against our folder, not the child's.
    fs::path previous = fs::current_path();
    fs::current_path(bin);
    ProgramHandle program = StartProgram(u"../bin/sondrel-test-child", u"out:hello\\n",
                                         text(folder.path().string()), kReadFlags);
    fs::current_path(previous);
    ASSERT_GT(program, 1);
    EXPECT_EQ(readAll(program), Lines{u"hello"});
    CloseProgramObject(program);
}

TEST(ProgramRunner, WaitForEndGivesTheExitCode) {
    ProgramHandle program = StartProgram(kChild, u"exit:7", u"", RunWaitForEnd | RunKeepObject);
    ASSERT_GT(program, 1);
    EXPECT_EQ(ProgramExitCode(program), 7);
    EXPECT_FALSE(ProgramIsRunning(program));
    CloseProgramObject(program);

    program = StartProgram(kChild, u"raise:9", u"", RunWaitForEnd | RunKeepObject);
    EXPECT_EQ(ProgramExitCode(program), 1);
    CloseProgramObject(program);

    TempFolder folder;
    std::string marker = (folder.path() / "marker").string();
    EXPECT_EQ(StartProgram(u"/bin/sh", text("-c \"echo > '" + marker + "'\""), u"", RunWaitForEnd),
              1);
    EXPECT_TRUE(fs::exists(marker));
    EXPECT_FALSE(hasChildren());
}

TEST(ProgramRunner, WaitForEndTakesAllOutputWithoutStalling) {
    // Far more than a pipe holds: the child would never end if the wait did
    // not read its output meanwhile.
    ProgramHandle program =
        StartProgram(kChild, u"outbytes:300000 out:\\nend\\n errbytes:300000 input", u"",
                     RunWaitForEnd | kReadFlags | RunReadErrors);
    ASSERT_GT(program, 1);
    EXPECT_EQ(ProgramExitCode(program), 0);
    EXPECT_EQ(readAll(program), (Lines{core::Text(300000, u'o'), u"end", u"input:0"}));
    EXPECT_EQ(ProgramErrorText(program), core::Text(10240, u'e'));
    CloseProgramObject(program);
}

TEST(ProgramRunner, StandardErrorNeverStallsTheChild) {
    ProgramHandle program =
        StartProgram(kChild, u"errbytes:200000 err:\\nlast\\xC3\\xA9 out:done\\n", u"",
                     kReadFlags | RunReadErrors);
    ASSERT_GT(program, 1);
    EXPECT_EQ(readAll(program), Lines{u"done"});
    core::Text errors = ProgramErrorText(program);
    EXPECT_EQ(errors.size(), 10240u - 1u); // the two bytes of "é" give one unit
    EXPECT_TRUE(errors.ends_with(u"eee\nlasté"));
    CloseProgramObject(program);
}

TEST(ProgramRunner, BuffersAtMost10240BytesOfOutput) {
    ProgramHandle program = StartProgram(kChild, u"outbytes:50000", u"", kReadFlags);
    ASSERT_GT(program, 1);
    std::int64_t available = 0;
    auto deadline = std::chrono::steady_clock::now() + 60s;
    while (available < 10240 && std::chrono::steady_clock::now() < deadline) {
        available = ProgramHasOutput(program);
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(available, 10240);
    EXPECT_EQ(readAll(program), Lines{core::Text(50000, u'o')});
    EXPECT_EQ(ProgramExitCode(program), 0);
    CloseProgramObject(program);
}

TEST(ProgramRunner, WithoutOutputPipeRunsUntilTheChildEnds) {
    ProgramHandle program =
        StartProgram(kChild, u"input exit:3", u"", RunKeepObject | RunWriteInput);
    ASSERT_GT(program, 1);
    EXPECT_TRUE(ProgramIsRunning(program)); // it waits for the end of its input
    EXPECT_EQ(ProgramHasOutput(program), 0);
    EXPECT_EQ(ReadProgramLine(program), u"");
    EXPECT_EQ(ProgramExitCode(program), -1);
    EXPECT_TRUE(KillProgram(program));
    EXPECT_FALSE(ProgramIsRunning(program));
    EXPECT_EQ(ProgramExitCode(program), 1);
    CloseProgramObject(program);
}

TEST(ProgramRunner, ChildGetsOnlyTheStandardDescriptors) {
    int stray = ::open("/dev/null", O_RDONLY); // inheritable on purpose
    ASSERT_GE(stray, 0);
    EXPECT_EQ(runAndRead(u"fds", kReadFlags | RunReadErrors), Lines{u"3"});
    ::close(stray);
}

TEST(ProgramRunner, DetachedStartLeavesNothingBehind) {
    EXPECT_EQ(StartProgram(kChild, u"", u"", 0), 1);
    EXPECT_FALSE(hasChildren()); // the child is not ours, and the go-between is reaped
    EXPECT_EQ(StartProgram(kChild, u"", u"", RunWaitForEnd), 1);
    EXPECT_FALSE(hasChildren());
}

TEST(ProgramRunner, CloseLeavesARunningChildRunning) {
    ProgramHandle program = StartProgram(kChild, u"pid pause", u"", kReadFlags);
    ASSERT_GT(program, 1);
    pid_t pid = std::stoi(core::TextToUtf8(ReadProgramLine(program)));
    CloseProgramObject(program);
    EXPECT_EQ(::kill(pid, 0), 0);
    EXPECT_FALSE(ProgramIsRunning(program)); // the handle is gone
    // Once it ends, its waiter reaps it.
    ::kill(pid, SIGKILL);
    auto deadline = std::chrono::steady_clock::now() + 60s;
    while (hasChildren() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_FALSE(hasChildren());
}

TEST(ProgramRunner, KillProgramEndsTheChild) {
    ProgramHandle program = StartProgram(kChild, u"out:ready\\n pause", u"", kReadFlags);
    ASSERT_GT(program, 1);
    EXPECT_EQ(ReadProgramLine(program), u"ready");
    EXPECT_TRUE(KillProgram(program));
    EXPECT_EQ(ProgramExitCode(program), 1);
    EXPECT_FALSE(ProgramIsRunning(program));
    CloseProgramObject(program);

    // One that ignores SIGTERM gets SIGKILL after the grace.
    program = StartProgram(kChild, u"ignore-term out:ready\\n pause", u"", kReadFlags);
    EXPECT_EQ(ReadProgramLine(program), u"ready");
    EXPECT_TRUE(KillProgram(program, 20));
    EXPECT_EQ(ProgramExitCode(program), 1);
    EXPECT_TRUE(KillProgram(program)); // already ended
    CloseProgramObject(program);
    EXPECT_FALSE(KillProgram(program));
    EXPECT_FALSE(hasChildren());
}

TEST(ProgramRunner, UnknownHandlesAreIgnored) {
    for (ProgramHandle handle : {ProgramHandle(0), ProgramHandle(1), ProgramHandle(4096)}) {
        EXPECT_FALSE(ProgramIsRunning(handle));
        EXPECT_EQ(ProgramHasOutput(handle), 0);
        EXPECT_EQ(ReadProgramLine(handle), u"");
        EXPECT_EQ(ProgramExitCode(handle), -1);
        EXPECT_EQ(ProgramErrorText(handle), u"");
        CloseProgramObject(handle);
    }
}

TEST(ProgramRunner, ThousandCyclesLeaveNoDescriptorThreadOrChild) {
    auto cycle = [] {
        ProgramHandle program = StartProgram(kChild, u"out:working\\n err:noise out:done\\n", u"",
                                             kReadFlags | RunReadErrors);
        ASSERT_GT(program, 1);
        ASSERT_EQ(readAll(program), (Lines{u"working", u"done"}));
        CloseProgramObject(program);
    };
    // A first cycle outside the count: the first thread a process starts can
    // bring up helpers of its own (a sanitizer's background thread).
    cycle();
    std::size_t descriptors = entriesIn("/proc/self/fd");
    std::size_t threads = entriesIn("/proc/self/task");
    for (int i = 0; i < 1000 && !HasFatalFailure(); ++i) {
        cycle();
    }
    EXPECT_EQ(entriesIn("/proc/self/fd"), descriptors);
    EXPECT_EQ(entriesIn("/proc/self/task"), threads);
    EXPECT_FALSE(hasChildren());
}

TEST(ProgramRunner, CloseAllProgramObjectsClosesEveryObject) {
    ProgramHandle first = StartProgram(kChild, u"out:a\\n", u"", kReadFlags);
    ProgramHandle second = StartProgram(kChild, u"out:b\\n", u"", kReadFlags);
    EXPECT_EQ(ReadProgramLine(first), u"a");
    EXPECT_EQ(ReadProgramLine(second), u"b");
    CloseAllProgramObjects();
    EXPECT_EQ(ProgramExitCode(first), -1);
    EXPECT_EQ(ReadProgramLine(second), u"");
}

} // namespace
} // namespace sondrel::system
