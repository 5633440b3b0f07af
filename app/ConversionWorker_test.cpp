#include "app/ConversionWorker.h"

#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "app/testing/MemoryLog.h"
#include "app/testing/TestFiles.h"
#include "runtime/core/Thread.h"

namespace sondrel::app {
namespace {

using testing::FolderNames;
using testing::MemoryLog;
using testing::ScratchFolder;

// The controls as a batch sees them: fixed settings, and a record of the
// locking, which must bracket the whole batch.
class RecordingControls final : public BatchControls {
public:
    explicit RecordingControls(core::Text folder, bool aac = true)
        : m_folder(std::move(folder)), m_aac(aac) {}
    BatchSettings readSettings() override { return {u"64", 0, m_aac, {}}; }
    core::Text outputFolder() override { return m_folder; }
    void lock(std::int64_t count) override { calls.push_back("lock " + std::to_string(count)); }
    void unlock(std::int64_t count) override { calls.push_back("unlock " + std::to_string(count)); }
    std::vector<std::string> calls;

private:
    core::Text m_folder;
    bool m_aac;
};

class Batch : public ::testing::Test {
protected:
    void SetUp() override { state.reset(); }
    void queue(const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            core::AddListElement(state.fileList.get())->path = core::Utf8ToText(input.file(name));
        }
        state.fileCount = static_cast<std::int64_t>(names.size());
        state.batchRunning = 1;
    }

    ScratchFolder input;
    ScratchFolder output;
    AppState state;
    MemoryLog log;
    RecordingControls controls{output.folderText()};
};

TEST_F(Batch, EveryFileIsConvertedInTurnAndTheBatchCloses) {
    ASSERT_TRUE(testing::MakeTone(input.file("a.wav")));
    std::ofstream(input.file("b.aif")) << "no audio";
    queue({"a.wav", "b.aif"});
    RunBatch(state, controls, log);
    EXPECT_EQ(log.text(), u" \u2022 Converting (1/2) \"a.wav\" - Done!\n"
                          u" \u2022 Converting (2/2) \"b.aif\" - Error!\n"
                          u"   Unable to convert. File skipped.\n"
                          u"Complete!\n");
    EXPECT_EQ(controls.calls, (std::vector<std::string>{"lock 2", "unlock 2"}));
    EXPECT_EQ(state.batchRunning, 0);
    EXPECT_EQ(state.fileList->count(), 0);
    EXPECT_TRUE(testing::DecodesAs(output.file("a.caf"), "aac", 2));
    EXPECT_EQ(FolderNames(output.path()), std::vector<std::string>{"a.caf"});

    // An empty batch completes at once; the next batch numbers from 1 again.
    queue({});
    RunBatch(state, controls, log);
    const core::Text before = log.text();
    EXPECT_EQ(core::RightText(before, 20), u"Complete!\nComplete!\n");
    queue({"a.wav"});
    RunBatch(state, controls, log);
    EXPECT_EQ(log.text(), before + u" \u2022 Converting (1/1) \"a.wav\" - Done!\n"
                                   u"Complete!\n");
}

TEST_F(Batch, SameOutputNameInOneBatchIsAnError) {
    ASSERT_TRUE(testing::MakeTone(input.file("hit.wav")));
    ASSERT_TRUE(testing::MakeTone(input.file("hit.aif")));
    queue({"hit.wav", "hit.aif"});
    RunBatch(state, controls, log);
    EXPECT_EQ(log.lineText(1), u" \u2022 Converting (2/2) \"hit.aif\" - Error!");
    EXPECT_EQ(log.lineText(2), u"   Unable to convert. File skipped.");
    // A later batch may convert the same name again: the user asked for it.
    queue({"hit.aif"});
    RunBatch(state, controls, log);
    EXPECT_EQ(log.lineText(4), u" \u2022 Converting (1/1) \"hit.aif\" - Done!");
}

TEST_F(Batch, CancelStopsTheRunningFileAndStartsNoOther) {
    for (const char* name : {"1.wav", "2.wav", "4.wav", "5.wav"}) {
        ASSERT_TRUE(testing::MakeTone(input.file(name), 0.2));
    }
    ASSERT_TRUE(testing::MakeTone(input.file("3.wav"), 120.0));
    std::jthread canceller;
    log.onAppend = [&](core::TextView text) {
        if (core::FindText(text, u"(3/5)") != 0) {
            canceller = std::jthread([this] {
                testing::WaitUntilWritingInto(output.path());
                state.cancelRequested = 1; // while file 3 is being written
            });
        }
    };
    queue({"1.wav", "2.wav", "3.wav", "4.wav", "5.wav"});
    RunBatch(state, controls, log);
    EXPECT_EQ(log.text(), u" \u2022 Converting (1/5) \"1.wav\" - Done!\n"
                          u" \u2022 Converting (2/5) \"2.wav\" - Done!\n"
                          u" \u2022 Converting (3/5) \"3.wav\" . . .\n"
                          u"Batch conversion canceled by user.\n");
    EXPECT_EQ(FolderNames(output.path()), (std::vector<std::string>{"1.caf", "2.caf"}));
    EXPECT_EQ(state.cancelRequested, 0);
    EXPECT_EQ(state.batchRunning, 0);
    EXPECT_EQ(controls.calls, (std::vector<std::string>{"lock 5", "unlock 5"}));
}

TEST_F(Batch, ACancelBetweenFilesStartsNoFurtherConverter) {
    ASSERT_TRUE(testing::MakeTone(input.file("1.wav"), 0.2));
    ASSERT_TRUE(testing::MakeTone(input.file("2.wav"), 0.2));
    log.onAppend = [&](core::TextView text) {
        if (core::FindText(text, u"(1/2)") != 0) {
            state.cancelRequested = 1; // the converter of file 1 stops at its first poll
        }
    };
    queue({"1.wav", "2.wav"});
    RunBatch(state, controls, log);
    EXPECT_EQ(log.text(), u" \u2022 Converting (1/2) \"1.wav\" . . .\n"
                          u"Batch conversion canceled by user.\n");
    EXPECT_TRUE(FolderNames(output.path()).empty());
}

TEST_F(Batch, TheWorkerThreadRunsQueuedBatchesUntilAskedToEnd) {
    ASSERT_TRUE(testing::MakeTone(input.file("a.wav"), 0.2));
    const core::ThreadHandle worker =
        core::StartThread([this] { RunConversionWorker(state, controls, log); });
    ASSERT_NE(worker, 0u);
    queue({"a.wav"});
    state.workerWakeUp.notify();
    for (int i = 0; i < 1000 && state.batchRunning != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(state.batchRunning, 0);
    EXPECT_EQ(log.text(), u" \u2022 Converting (1/1) \"a.wav\" - Done!\nComplete!\n");

    state.workerShouldEnd = true;
    state.workerWakeUp.notify();
    for (int i = 0; i < 500 && core::IsThreadRunning(worker); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(core::IsThreadRunning(worker));
}

} // namespace
} // namespace sondrel::app
