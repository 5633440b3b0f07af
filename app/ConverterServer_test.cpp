#include "app/ConverterServer.h"

#include <chrono>
#include <cstdlib>
#include <algorithm>

#include <gtest/gtest.h>

#include "app/BatchConversion.h"
#include "app/testing/MemoryLog.h"
#include "app/testing/TestFiles.h"

namespace sondrel::app {
namespace {

using testing::FolderNames;
using testing::MemoryLog;
using testing::ScratchFolder;
namespace fs = std::filesystem;

class FixedControls final : public BatchControls {
public:
    explicit FixedControls(core::Text folder) : m_folder(std::move(folder)) {}
    BatchSettings readSettings() override { return {u"64", 0, true, {}}; }
    core::Text outputFolder() override { return m_folder; }
    void lock(std::int64_t) override {}
    void unlock(std::int64_t) override {}
    void showProgress(double, core::TextView) override {}
    void clearProgress() override {}

private:
    core::Text m_folder;
};

// A batch whose converter server misbehaves the first time it is started
// (testing/FakeConverterServer.cpp): the real converter, found first in PATH,
// with the fake server beside it, which later becomes the real one.
class ServerFaults : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedPath = std::getenv("PATH");
        fs::create_directories(tools.path() / "bin");
        fs::create_directories(tools.path() / "lib/sondrel");
        const char* bin = std::getenv("SONDREL_BIN");
        ASSERT_NE(bin, nullptr);
        fs::create_symlink(fs::path(bin) / "afconvert", tools.path() / "bin/afconvert");
        fs::create_symlink(SONDREL_FAKE_SERVER, tools.path() / "lib/sondrel/afconvert-server");
        ::setenv("PATH", ((tools.path() / "bin").string() + ":" + m_savedPath).c_str(), 1);
        ::setenv("SONDREL_FAKE_SERVER_REAL", SONDREL_REAL_SERVER, 1);
        for (const char* name : {"1.wav", "2.wav", "3.wav", "4.wav"}) {
            ASSERT_TRUE(testing::MakeTone(input.file(name), 0.2));
        }
    }
    void TearDown() override {
        ::setenv("PATH", m_savedPath.c_str(), 1);
        ::unsetenv("SONDREL_FAKE_SERVER_MODE");
        ::unsetenv("SONDREL_FAKE_SERVER_STATE");
        ::unsetenv("SONDREL_FAKE_SERVER_REAL");
    }

    struct Run {
        core::Text log;
        std::vector<std::string> outputs;
        int serverStarts = 0;
    };
    // The four files converted `slots` at a time, the fake acting as `mode`.
    Run convert(const std::string& mode, int slots, std::chrono::milliseconds readyDeadline) {
        ScratchFolder output;
        ScratchFolder state;
        ::setenv("SONDREL_FAKE_SERVER_MODE", mode.c_str(), 1);
        ::setenv("SONDREL_FAKE_SERVER_STATE", state.path().c_str(), 1);
        AppState appState;
        appState.reset();
        for (const char* name : {"1.wav", "2.wav", "3.wav", "4.wav"}) {
            core::AddListElement(appState.fileList.get())->path =
                core::FileNameToText(input.file(name));
        }
        appState.fileCount = 4;
        FixedControls controls(output.folderText());
        const BatchSettings settings = controls.readSettings();
        MemoryLog log;
        const int children = testing::ChildProcessCount();
        BatchConversion(appState, controls, log, settings, slots, readyDeadline).run();
        // Every server, the fake among them, has been ended and reaped.
        EXPECT_EQ(testing::ChildProcessCount(), children) << mode;
        EXPECT_TRUE(testing::ProcessesUsing(input.path()).empty()) << mode;
        const std::string starts = testing::ReadFile(state.file("starts"));
        return {log.text(), FolderNames(output.path()),
                static_cast<int>(std::count(starts.begin(), starts.end(), '\n'))};
    }

    ScratchFolder tools;
    ScratchFolder input;
    std::string m_savedPath;
};

// What a one-at-a-time batch of the four files logs.
constexpr char16_t kAllDone[] = u" \u2022 Converting (1/4) \"1.wav\" - Done!\n"
                                u" \u2022 Converting (2/4) \"2.wav\" - Done!\n"
                                u" \u2022 Converting (3/4) \"3.wav\" - Done!\n"
                                u" \u2022 Converting (4/4) \"4.wav\" - Done!\n"
                                u"Complete!\n";
// ... and when the first file's converter fails.
constexpr char16_t kFirstFails[] = u" \u2022 Converting (1/4) \"1.wav\" - Error!\n"
                                   u"   Unable to convert. File skipped.\n"
                                   u" \u2022 Converting (2/4) \"2.wav\" - Done!\n"
                                   u" \u2022 Converting (3/4) \"3.wav\" - Done!\n"
                                   u" \u2022 Converting (4/4) \"4.wav\" - Done!\n"
                                   u"Complete!\n";

TEST_F(ServerFaults, AServerThatIsNeverReadyCostsItsSlotTheDeadlineAndNothingElse) {
    // The fake never says Ready, or says something else first. That slot
    // starts its converters directly for the rest of the batch (no second
    // server), the other keeps its server, and the log cannot tell.
    const std::vector<std::string> all{"1.caf", "2.caf", "3.caf", "4.caf"};
    for (const char* mode : {"silent", "garbage-first"}) {
        const Run run = convert(mode, 2, std::chrono::milliseconds(500));
        EXPECT_EQ(run.log, kAllDone) << mode << ": " << core::TextToUtf8(run.log);
        EXPECT_EQ(run.outputs, all) << mode;
        EXPECT_EQ(run.serverStarts, 2) << mode;
    }
}

TEST_F(ServerFaults, AFailedSendOrAReplyThatDoesNotParseFailsTheFileAndTheSlotGetsANewServer) {
    // One slot, so the fake's file is the first. The replacement server
    // converts the rest: the fake is the first of two servers started.
    for (const char* mode : {"garbage-reply", "dies-mid-reply", "refuses-runs"}) {
        const Run run = convert(mode, 1, kServerReadyDeadline);
        EXPECT_EQ(run.log, kFirstFails) << mode << ": " << core::TextToUtf8(run.log);
        EXPECT_EQ(run.outputs, (std::vector<std::string>{"2.caf", "3.caf", "4.caf"})) << mode;
        EXPECT_EQ(run.serverStarts, 2) << mode;
    }
}

} // namespace
} // namespace sondrel::app
