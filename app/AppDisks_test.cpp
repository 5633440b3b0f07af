// The whole application writing onto real small disks: a tmpfs that fills up
// in the middle of a file, and one made read-only during a batch (which binds
// root too, unlike file permissions). Mounting needs privileges; without them
// these tests are skipped.

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include <sys/mount.h>

#include "app/testing/AppDriver.h"

namespace sondrel::app {
namespace {

using testing::AppDriver;
using testing::FolderNames;

namespace fs = std::filesystem;

// A tmpfs of a given size mounted on a folder for the length of a test. It is
// unmounted when it goes, also when the test fails; the unmount is lazy, so it
// succeeds even while a converter still has a file open there.
class SmallDisk {
public:
    SmallDisk(const fs::path& where, const std::string& size)
        : m_where(where), m_options("size=" + size + ",mode=0755") {
        fs::create_directories(where);
        if (::mount("tmpfs", where.c_str(), "tmpfs", kFlags, m_options.c_str()) == 0) {
            m_mounted = true;
        } else {
            m_refusal = std::strerror(errno);
        }
    }
    ~SmallDisk() {
        if (m_mounted) {
            ::umount2(m_where.c_str(), MNT_DETACH);
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    const std::string& refusal() const { return m_refusal; }
    const fs::path& path() const { return m_where; }
    std::string file(const std::string& name) const { return (m_where / name).string(); }
    // Makes the disk read-only. The system refuses (EBUSY) while a file on
    // it is open for writing, so the caller retries.
    bool makeReadOnly() {
        return ::mount("tmpfs", m_where.c_str(), "tmpfs", kFlags | MS_REMOUNT | MS_RDONLY,
                       m_options.c_str()) == 0;
    }

private:
    static constexpr unsigned long kFlags = MS_NOSUID | MS_NODEV;
    fs::path m_where;
    std::string m_options;
    bool m_mounted = false;
    std::string m_refusal;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

class AppDisks : public AppDriver {
protected:
    bool logged(const std::string& name, core::TextView verdict) const {
        const core::Text line =
            core::Text(u"\"") + core::Utf8ToText(name) + u"\"" + core::Text(verdict);
        return logText().find(line) != core::Text::npos;
    }
};

// One file at a time: the file after one that filled the disk is started
// only once that one has failed and given its space back.
class AppDisksOneAtATime : public AppDisks {
protected:
    void prepareHome() override {
        fs::create_directories(supportFile(""));
        std::ofstream(supportFile("save.pref")) << "[Saved Settings]\nData = 1\nJobs = 1\n";
    }
};

#define SKIP_UNLESS_MOUNTED(disk)                                                                  \
    if (!(disk).mounted()) {                                                                       \
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << (disk).refusal()                    \
                     << "); these tests need the privilege to mount (run as root)";                \
    }

TEST_F(AppDisksOneAtATime, AFullDiskSkipsTheFileThatDoesNotFitAndKeepsEverythingElse) {
    // 512 KiB: the big file's IMA4 output (about 1.4 MB) cannot fit, the
    // small ones (about 12 KB each) can.
    SmallDisk disk(output.path() / "disk", "512k");
    SKIP_UNLESS_MOUNTED(disk);
    chooseOutputFolder(disk.path().string());
    click(Ima4Option);
    ASSERT_TRUE(testing::MakeTone(input.file("a small.wav"), 0.5));
    ASSERT_TRUE(testing::MakeTone(input.file("b big.wav"), 60.0));
    ASSERT_TRUE(testing::MakeTone(input.file("c small.wav"), 0.5));
    std::ofstream(disk.file("b big.caf")) << "an older conversion";

    ASSERT_TRUE(
        drop({input.file("a small.wav"), input.file("b big.wav"), input.file("c small.wav")}));
    ASSERT_TRUE(pumpUntil([this] { return app->state().batchRunning == 0; }, 60000));
    pump(50);
    EXPECT_TRUE(logged("a small.wav", u" - Done!")) << logUtf8();
    EXPECT_TRUE(logged("b big.wav", u" - Error!")) << logUtf8();
    EXPECT_EQ(countInLog(u"File skipped."), 1u) << logUtf8();
    // The space the failed file took is free again: the next file fits.
    EXPECT_TRUE(logged("c small.wav", u" - Done!")) << logUtf8();
    EXPECT_NE(core::FindText(logText(), u"Complete!"), 0);
    EXPECT_EQ(FolderNames(disk.path()),
              (std::vector<std::string>{"a small.caf", "b big.caf", "c small.caf"}));
    EXPECT_EQ(ReadFile(disk.file("b big.caf")), "an older conversion");
    EXPECT_TRUE(testing::DecodesAs(disk.file("a small.caf"), "adpcm_ima_qt", 1));
    EXPECT_TRUE(testing::DecodesAs(disk.file("c small.caf"), "adpcm_ima_qt", 1));
}

TEST_F(AppDisks, AnOutputDiskMadeReadOnlyDuringABatchSkipsTheRestAndKeepsTheDone) {
    SmallDisk disk(output.path() / "disk", "64m");
    SKIP_UNLESS_MOUNTED(disk);
    chooseOutputFolder(disk.path().string());
    click(Ima4Option);
    std::vector<std::string> files;
    // Many short files: the disk can only become read-only in a gap between
    // two of them, and a quick batch has short gaps.
    files.push_back(input.file("f1.wav"));
    ASSERT_TRUE(testing::MakeTone(files.back(), 0.1, 8000, 1));
    for (int i = 2; i <= 60; ++i) {
        files.push_back(input.file("f" + std::to_string(i) + ".wav"));
        fs::copy_file(files.front(), files.back());
    }
    ASSERT_TRUE(drop(files));
    // Once the first file is done, the disk becomes read-only as soon as the
    // system allows it: between two files, when no file on it is open.
    std::atomic<bool> readOnly{false};
    std::jthread remount([&](std::stop_token stop) {
        while (!stop.stop_requested() && !fs::exists(disk.file("f1.caf"))) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        while (!stop.stop_requested() && !disk.makeReadOnly()) {
            std::this_thread::yield();
        }
        readOnly = !stop.stop_requested();
    });
    ASSERT_TRUE(pumpUntil([this] { return app->state().batchRunning == 0; }, 60000));
    pump(50);
    remount.request_stop();
    remount.join();
    ASSERT_TRUE(readOnly) << logUtf8();

    // Every file is done with a complete output, or skipped with none; the
    // first is done, and the last came too late for a writable disk. Which
    // others got done depends on when the disk turned, and with several
    // files at once not only on their order: the outputs are compared with
    // the files logged done as sets.
    std::set<std::string> done;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string name = "f" + std::to_string(i + 1);
        if (logged(name + ".wav", u" - Done!")) {
            done.insert(name + ".caf");
            EXPECT_TRUE(testing::DecodesAs(disk.file(name + ".caf"), "adpcm_ima_qt", 1));
        } else {
            EXPECT_TRUE(logged(name + ".wav", u" - Error!")) << logUtf8();
        }
    }
    EXPECT_EQ(testing::FolderNameSet(disk.path()), done);
    EXPECT_TRUE(done.contains("f1.caf"));
    EXPECT_LT(done.size(), files.size()) << logUtf8();
    EXPECT_EQ(countInLog(u"File skipped."), files.size() - done.size()) << logUtf8();
    EXPECT_NE(core::FindText(logText(), u"Complete!"), 0);
}

} // namespace
} // namespace sondrel::app
