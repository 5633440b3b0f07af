#include "app/ConversionWorker.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "app/LogTexts.h"
#include "platform/posix/CorePool.h"
#include "app/testing/MemoryLog.h"
#include "app/testing/TestFiles.h"
#include "runtime/core/Thread.h"

namespace sondrel::app {
namespace {

using testing::FolderNames;
using testing::FolderNameSet;
using testing::MemoryLog;
using testing::ScratchFolder;
namespace fs = std::filesystem;

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
    void showProgress(double fraction, core::TextView title) override {
        shown.emplace_back(fraction, core::Text(title));
        highest = fraction;
    }
    void clearProgress() override { calls.push_back("clear progress"); }
    std::vector<std::string> calls;
    std::vector<std::pair<double, core::Text>> shown;
    std::atomic<double> highest{0}; // the last part shown, for other threads

private:
    core::Text m_folder;
    bool m_aac;
};

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// The process `pid`'s parent and its name (as the system shortens it).
std::pair<pid_t, std::string> ParentAndName(pid_t pid) {
    const std::string stat = ReadBytes("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t open = stat.find('(');
    const std::size_t close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos) {
        return {-1, {}};
    }
    std::istringstream fields(stat.substr(close + 2));
    std::string state;
    pid_t parent = -1;
    fields >> state >> parent;
    return {parent, stat.substr(open + 1, close - open - 1)};
}

// Waits (at most 20 s) until some process other than this one holds `path`
// open; its process id, or -1.
pid_t WaitForUserOf(const fs::path& path) {
    for (int i = 0; i < 4000; ++i) {
        for (pid_t pid : testing::ProcessesUsing(path.parent_path())) {
            std::error_code error;
            for (const auto& fd :
                 fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
                std::error_code unreadable;
                if (fs::read_symlink(fd.path(), unreadable) == fs::canonical(path, unreadable)) {
                    return pid;
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}

class Batch : public ::testing::Test {
protected:
    void SetUp() override { state.reset(); }
    void queue(const std::vector<std::string>& names, const ScratchFolder& from) {
        for (const std::string& name : names) {
            core::AddListElement(state.fileList.get())->path =
                core::FileNameToText(from.file(name));
        }
        state.fileCount = static_cast<std::int64_t>(names.size());
        state.batchRunning = 1;
    }
    void queue(const std::vector<std::string>& names) { queue(names, input); }
    // Nothing of the batch runs any more: no process holds a file of it
    // open, and every converter server is gone.
    void expectNothingLeftRunning(int childrenBefore) {
        EXPECT_TRUE(testing::ProcessesUsing(input.path()).empty());
        EXPECT_TRUE(testing::ProcessesUsing(output.path()).empty());
        EXPECT_EQ(testing::ChildProcessCount(), childrenBefore);
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
    EXPECT_EQ(controls.calls, (std::vector<std::string>{"lock 2", "clear progress", "unlock 2"}));
    // The batch showed its progress from its start, never going back.
    ASSERT_FALSE(controls.shown.empty());
    EXPECT_EQ(controls.shown.front(), std::make_pair(0.0, core::Text(u"Sondrel \u2014 0%")));
    for (std::size_t i = 1; i < controls.shown.size(); ++i) {
        EXPECT_GE(controls.shown[i].first, controls.shown[i - 1].first);
    }
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

TEST_F(Batch, OnEveryCoreTheLogAndTheOutputsAreThoseOfOneFileAtATime) {
    // Each run gets a folder of its own with the same names in it: the files
    // of `names`, the output folder inside it.
    const std::vector<std::string> names{
        "slow.wav",                 // finishes long after the files behind it
        "a.wav",        "gone.wav", // named but never made
        "notes.txt",    "take.one.wav",
        "take.two.wav",               // take.caf is taken by then
        "out/loop.caf",               // would replace itself
        "x.bad.wav",    "x.good.wav", // the first fails, so the second converts
        "b.aif",        "c.mp3",        "d.wav"};
    const auto prepare = [](const ScratchFolder& root) {
        fs::create_directory(root.path() / "out");
        bool made = testing::MakeTone(root.file("slow.wav"), 20.0);
        for (const char* name :
             {"a.wav", "take.one.wav", "take.two.wav", "x.good.wav", "b.aif", "c.mp3", "d.wav"}) {
            made = made && testing::MakeTone(root.file(name), 0.3);
        }
        made = made && testing::MakeTone(root.file("out/loop.wav"), 0.3);
        fs::rename(root.file("out/loop.wav"), root.file("out/loop.caf"));
        std::ofstream(root.file("notes.txt")) << "not audio\n";
        std::ofstream(root.file("x.bad.wav")) << "RIFF, but no more";
        return made;
    };
    std::vector<core::Text> logs;
    std::vector<ScratchFolder> roots(2);
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(prepare(roots[run]));
        state.reset();
        state.jobsSetting = run == 0 ? 1 : 4;
        MemoryLog runLog;
        runLog.append(DirectoryLine(u"album/")); // as a drop writes it
        RecordingControls runControls(core::FileNameToText(roots[run].file("out/")));
        queue(names, roots[run]);
        RunBatch(state, runControls, runLog);
        logs.push_back(runLog.text());
    }
    EXPECT_EQ(logs[0], logs[1]);
    EXPECT_EQ(logs[1], u"Directory - \"album/\"\n"
                       u" \u2022 Converting (1/12) \"slow.wav\" - Done!\n"
                       u" \u2022 Converting (2/12) \"a.wav\" - Done!\n"
                       u" \u2022 Converting (3/12) \"gone.wav\" - Error!\n"
                       u"   Unable to convert. File skipped.\n"
                       u" \u2022 Converting (4/12) \"notes.txt\" - Error!\n"
                       u"   Unable to convert. File skipped.\n"
                       u" \u2022 Converting (5/12) \"take.one.wav\" - Done!\n"
                       u" \u2022 Converting (6/12) \"take.two.wav\" - Error!\n"
                       u"   Unable to convert. File skipped.\n"
                       u" \u2022 Converting (7/12) \"loop.caf\" - Error!\n"
                       u"   Unable to convert. File skipped.\n"
                       u" \u2022 Converting (8/12) \"x.bad.wav\" - Error!\n"
                       u"   Unable to convert. File skipped.\n"
                       u" \u2022 Converting (9/12) \"x.good.wav\" - Done!\n"
                       u" \u2022 Converting (10/12) \"b.aif\" - Done!\n"
                       u" \u2022 Converting (11/12) \"c.mp3\" - Done!\n"
                       u" \u2022 Converting (12/12) \"d.wav\" - Done!\n"
                       u"Complete!\n")
        << core::TextToUtf8(logs[1]);
    const std::vector<std::string> outputs = FolderNames(roots[0].path() / "out");
    EXPECT_EQ(outputs, (std::vector<std::string>{"a.caf", "b.caf", "c.caf", "d.caf", "loop.caf",
                                                 "slow.caf", "take.caf", "x.caf"}));
    EXPECT_EQ(FolderNames(roots[1].path() / "out"), outputs);
    for (const std::string& name : outputs) {
        EXPECT_EQ(ReadBytes(roots[0].path() / "out" / name),
                  ReadBytes(roots[1].path() / "out" / name))
            << name;
    }
    // take.caf is take.one's, not take.two's.
    EXPECT_EQ(ReadBytes(roots[1].path() / "out/take.caf"),
              ReadBytes(roots[1].path() / "out/a.caf"));
}

TEST_F(Batch, OneAtATimeACancelStopsTheRunningFileAndStartsNoOther) {
    state.jobsSetting = 1;
    for (const char* name : {"1.wav", "2.wav", "4.wav", "5.wav"}) {
        ASSERT_TRUE(testing::MakeTone(input.file(name), 0.2));
    }
    // Long enough (mono, so that the file stays small) that the converter
    // shows its own progress well before it ends, however quick the encoder.
    ASSERT_TRUE(testing::MakeTone(input.file("3.wav"), 1200.0, 44100, 1));
    std::jthread canceller;
    log.onAppend = [&](core::TextView text) {
        if (core::FindText(text, u"(3/5)") != 0) {
            canceller = std::jthread([this] {
                testing::WaitUntilWritingInto(output.path());
                // Once the running file's own progress shows: past 2 of 5.
                for (int i = 0; i < 4000 && controls.highest <= 0.4; ++i) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
                state.requestCancel(); // while file 3 is being written
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
    EXPECT_EQ(controls.calls, (std::vector<std::string>{"lock 5", "clear progress", "unlock 5"}));
    EXPECT_LT(controls.highest, 0.6); // file 3 was not counted as finished
}

TEST_F(Batch, OneAtATimeACancelDuringTheFirstFileEndsItsLine) {
    state.jobsSetting = 1;
    ASSERT_TRUE(testing::MakeTone(input.file("1.wav"), 0.2));
    ASSERT_TRUE(testing::MakeTone(input.file("2.wav"), 0.2));
    log.onAppend = [&](core::TextView text) {
        if (core::FindText(text, u"(1/2)") != 0) {
            state.requestCancel(); // the converter of file 1 stops at its first poll
        }
    };
    queue({"1.wav", "2.wav"});
    RunBatch(state, controls, log);
    EXPECT_EQ(log.text(), u" \u2022 Converting (1/2) \"1.wav\" . . .\n"
                          u"Batch conversion canceled by user.\n");
    EXPECT_TRUE(FolderNames(output.path()).empty());
}

TEST_F(Batch, ACancelBetweenTwoFilesStartsNoFurtherConverter) {
    state.jobsSetting = 1;
    for (const char* name : {"1.wav", "2.wav", "3.wav"}) {
        ASSERT_TRUE(testing::MakeTone(input.file(name), 0.2));
    }
    // The cancel comes as file 1 is marked done: file 2 has not started.
    log.onReplace = [&](core::TextView text) {
        if (core::FindText(text, u"(1/3) \"1.wav\" - Done!") != 0) {
            state.requestCancel();
        }
    };
    queue({"1.wav", "2.wav", "3.wav"});
    RunBatch(state, controls, log);
    // As ever, a line end before the cancel text.
    EXPECT_EQ(log.text(), u" \u2022 Converting (1/3) \"1.wav\" - Done!\n"
                          u"\n"
                          u"Batch conversion canceled by user.\n");
    EXPECT_EQ(FolderNames(output.path()), std::vector<std::string>{"1.caf"});
    EXPECT_EQ(state.cancelRequested, 0);
}

TEST_F(Batch, ACancelWithSeveralConvertersRunningLeavesOnlyWhatTheLogReports) {
    state.jobsSetting = 3;
    const int children = testing::ChildProcessCount();
    std::vector<std::string> names;
    for (int i = 1; i <= 7; ++i) {
        names.push_back(std::to_string(i) + ".wav");
        // Long files with short ones between them: some finish, others run.
        ASSERT_TRUE(testing::MakeTone(input.file(names.back()), i % 2 == 1 ? 120.0 : 0.2));
    }
    std::jthread canceller([this] {
        // Cancel once three converters are writing at once.
        for (int i = 0; i < 4000 && testing::ProcessesUsing(output.path()).size() < 3; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        state.requestCancel();
    });
    queue(names);
    RunBatch(state, controls, log);
    canceller.join();

    const std::string text = core::TextToUtf8(log.text());
    // The first file was the one in progress: its line ends as it stood.
    EXPECT_TRUE(text.starts_with(" \u2022 Converting (1/7) \"1.wav\" . . .\n")) << text;
    // Lines were in progress: no empty line before the cancel text.
    EXPECT_TRUE(text.ends_with("\nBatch conversion canceled by user.\n")) << text;
    EXPECT_FALSE(text.ends_with("\n\nBatch conversion canceled by user.\n")) << text;
    // Every output is complete and reported done; every file reported done
    // has its output; no long file got that far.
    std::set<std::string> reported;
    for (const std::string& name : names) {
        const std::string base = name.substr(0, name.find('.'));
        if (text.find("\"" + name + "\" - Done!") != std::string::npos) {
            reported.insert(base + ".caf");
            EXPECT_TRUE(testing::DecodesAs(output.file(base + ".caf"), "aac", 2)) << name;
        }
    }
    EXPECT_EQ(FolderNameSet(output.path()), reported) << text;
    EXPECT_LE(reported.size(), 3u) << text;
    EXPECT_EQ(text.find("Error!"), std::string::npos) << text;
    EXPECT_EQ(state.cancelRequested, 0);
    expectNothingLeftRunning(children);
}

TEST_F(Batch, AConverterOrServerKilledInOneSlotFailsThatFileAndTheOthersGoOn) {
    state.jobsSetting = 2;
    const int children = testing::ChildProcessCount();
    const std::vector<std::string> names{"1.wav", "2.wav", "3.wav", "4.wav", "5.wav", "6.wav"};
    for (const std::string& name : names) {
        ASSERT_TRUE(
            testing::MakeTone(input.file(name), name == "1.wav" || name == "3.wav" ? 120.0 : 0.2));
    }
    std::string parentOfThird;
    std::jthread killer([&] {
        // File 1's converter is killed outright; so is the server running
        // file 3, which takes its converter with it.
        const pid_t first = WaitForUserOf(input.path() / "1.wav");
        if (first > 0) {
            ::kill(first, SIGKILL);
        }
        const pid_t third = WaitForUserOf(input.path() / "3.wav");
        if (third > 0) {
            const pid_t server = ParentAndName(third).first;
            parentOfThird = ParentAndName(server).second;
            // Never this process: only a converter server is killed.
            if (parentOfThird == "afconvert-serve" && server != ::getpid()) {
                ::kill(server, SIGKILL);
            }
        }
    });
    queue(names);
    RunBatch(state, controls, log);
    killer.join();
    // The converters run as children of the slots' servers.
    EXPECT_EQ(parentOfThird, "afconvert-serve");
    EXPECT_EQ(log.text(), u" \u2022 Converting (1/6) \"1.wav\" - Error!\n"
                          u"   Unable to convert. File skipped.\n"
                          u" \u2022 Converting (2/6) \"2.wav\" - Done!\n"
                          u" \u2022 Converting (3/6) \"3.wav\" - Error!\n"
                          u"   Unable to convert. File skipped.\n"
                          u" \u2022 Converting (4/6) \"4.wav\" - Done!\n"
                          u" \u2022 Converting (5/6) \"5.wav\" - Done!\n"
                          u" \u2022 Converting (6/6) \"6.wav\" - Done!\n"
                          u"Complete!\n");
    EXPECT_EQ(FolderNames(output.path()),
              (std::vector<std::string>{"2.caf", "4.caf", "5.caf", "6.caf"}));
    expectNothingLeftRunning(children);
}

TEST_F(Batch, AHungConverterHoldsUpNoOtherSlot) {
    state.jobsSetting = 2;
    // A stand-in converter (started directly: no server lies beside it) that
    // hangs on one file and hands the others to the real one.
    ScratchFolder tools;
    const char* bin = std::getenv("SONDREL_BIN");
    const std::string real = bin != nullptr ? std::string(bin) + "/afconvert" : "afconvert";
    std::ofstream(tools.file("afconvert"))
        << "#!/bin/sh\ncase \"$*\" in *hang.wav*) exec sleep 600;; esac\nexec '" << real
        << "' \"$@\"\n";
    fs::permissions(tools.file("afconvert"), fs::perms::owner_all);
    const std::string path = std::getenv("PATH");
    ::setenv("PATH", (tools.path().string() + ":" + path).c_str(), 1);
    const std::vector<std::string> names{"hang.wav", "a.wav", "b.wav", "c.wav", "d.wav"};
    for (const std::string& name : names) {
        ASSERT_TRUE(testing::MakeTone(input.file(name), 0.2));
    }
    std::jthread canceller([this] {
        // Every other file gets done meanwhile; then the batch is cancelled.
        for (int i = 0; i < 4000 && FolderNames(output.path()).size() < 4; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        state.requestCancel();
    });
    queue(names);
    RunBatch(state, controls, log);
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(log.text(), u" \u2022 Converting (1/5) \"hang.wav\" . . .\n"
                          u" \u2022 Converting (2/5) \"a.wav\" - Done!\n"
                          u" \u2022 Converting (3/5) \"b.wav\" - Done!\n"
                          u" \u2022 Converting (4/5) \"c.wav\" - Done!\n"
                          u" \u2022 Converting (5/5) \"d.wav\" - Done!\n"
                          u"Batch conversion canceled by user.\n");
    EXPECT_EQ(FolderNames(output.path()),
              (std::vector<std::string>{"a.caf", "b.caf", "c.caf", "d.caf"}));
    EXPECT_TRUE(testing::ProcessesUsing(input.path()).empty());
}

TEST_F(Batch, EachSlotGivesItsConverterItsShareOfTheCores) {
    // A stand-in converter that notes the threads its environment gives it and succeeds.
    ScratchFolder tools;
    std::ofstream(tools.file("afconvert"))
        << "#!/bin/sh\necho \"$AFCONVERT_JOBS\" >>'" << tools.file("threads")
        << "'\nwhile [ $# -gt 2 ]; do shift; done\n: >\"$2\"; echo done\n";
    fs::permissions(tools.file("afconvert"), fs::perms::owner_all);
    const std::string path = std::getenv("PATH");
    ::setenv("PATH", (tools.path().string() + ":" + path).c_str(), 1);
    for (const char* name : {"a.wav", "b.wav", "c.wav", "d.wav"}) {
        std::ofstream(input.file(name)) << "x";
    }
    // Four cores: one file has them all; four files one each; three files,
    // three slots of one core each (never more threads than cores).
    state.jobsSetting = 4;
    for (const auto& [names, expected] :
         std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"a.wav"}, "4\n"},
             {{"a.wav", "b.wav", "c.wav", "d.wav"}, "1\n1\n1\n1\n"},
             {{"a.wav", "b.wav"}, "2\n2\n"},
             {{"a.wav", "b.wav", "c.wav"}, "1\n1\n1\n"}}) {
        fs::remove(tools.file("threads"));
        for (const auto& entry : fs::directory_iterator(output.path())) {
            fs::remove(entry.path());
        }
        queue(names);
        RunBatch(state, controls, log);
        EXPECT_EQ(ReadBytes(tools.file("threads")), expected) << names.size() << " files";
    }
    ::setenv("PATH", path.c_str(), 1);
}

TEST_F(Batch, SlotsLeftIdleLendTheirCoresToTheFileStillRunning) {
    // A stand-in converter that names its batch's pool of cores; the long
    // file's runs until the test has seen the pool.
    ScratchFolder tools;
    std::ofstream(tools.file("afconvert"))
        << "#!/bin/sh\necho \"$AFCONVERT_CORE_POOL\" >'" << tools.file("pool")
        << "'\nwhile [ $# -gt 2 ]; do shift; done\ncase \"$1\" in *long.wav) while [ ! -e '"
        << tools.file("seen") << "' ]; do sleep 0.01; done;; esac\n: >\"$2\"; echo done\n";
    fs::permissions(tools.file("afconvert"), fs::perms::owner_all);
    const std::string path = std::getenv("PATH");
    ::setenv("PATH", (tools.path().string() + ":" + path).c_str(), 1);
    for (const char* name : {"long.wav", "a.wav", "b.wav", "c.wav"}) {
        std::ofstream(input.file(name)) << "x";
    }
    state.jobsSetting = 4;
    queue({"long.wav", "a.wav", "b.wav", "c.wav"});
    std::thread batch([&] { RunBatch(state, controls, log); });
    // Once the three short files are done, their three slots' cores are in
    // the pool for the long one.
    std::unique_ptr<posix::CorePool> pool;
    std::string name;
    for (int i = 0; i < 2000 && !(pool && pool->available() == 3); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        name = ReadBytes(tools.file("pool"));
        if (!pool && name.size() > 1) {
            name.pop_back(); // the newline
            pool = posix::CorePool::open(name);
        }
    }
    ASSERT_TRUE(pool);
    EXPECT_EQ(pool->available(), 3);
    pool.reset();
    std::ofstream(tools.file("seen")) << "x";
    batch.join();
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(FolderNames(output.path()),
              (std::vector<std::string>{"a.caf", "b.caf", "c.caf", "long.caf"}));
    EXPECT_FALSE(posix::CorePool::open(name)) << "the pool goes with its batch";
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
