#include "runtime/system/FileMove.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/stat.h>

namespace sondrel::system {
namespace {

namespace fs = std::filesystem;

fs::path MakeScratch(const fs::path& parent) {
    std::string pattern = (parent / "sondrel-move-XXXXXX").string();
    return ::mkdtemp(pattern.data()) != nullptr ? fs::path(pattern) : fs::path();
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

core::Text T(const fs::path& path) {
    return core::Utf8ToText(path.string());
}

class FileMove : public ::testing::Test {
protected:
    void TearDown() override {
        for (const fs::path& folder : {m_here, m_there}) {
            if (!folder.empty()) {
                fs::remove_all(folder);
            }
        }
    }
    fs::path m_here = MakeScratch(fs::temp_directory_path());
    fs::path m_there;
};

TEST_F(FileMove, MovesOnceAndNeverReplaces) {
    const std::string content = "[Saved Settings]\nData = 0\n";
    std::ofstream(m_here / "old") << content;
    ::chmod((m_here / "old").c_str(), 0640);
    fs::create_directory(m_here / "new");
    EXPECT_EQ(MoveFileWithoutReplacing(T(m_here / "old"), T(m_here / "new/file")),
              MoveResult::Moved);
    EXPECT_FALSE(fs::exists(m_here / "old"));
    EXPECT_EQ(Read(m_here / "new/file"), content);

    // Something already there wins; the file to move is left alone.
    std::ofstream(m_here / "other") << "other";
    EXPECT_EQ(MoveFileWithoutReplacing(T(m_here / "other"), T(m_here / "new/file")),
              MoveResult::TargetExists);
    EXPECT_EQ(Read(m_here / "other"), "other");
    EXPECT_EQ(Read(m_here / "new/file"), content);

    // Nothing to move, or nowhere to put it: nothing changes.
    EXPECT_EQ(MoveFileWithoutReplacing(T(m_here / "missing"), T(m_here / "new/x")),
              MoveResult::Failed);
    EXPECT_EQ(MoveFileWithoutReplacing(T(m_here / "other"), T(m_here / "no/such/folder")),
              MoveResult::Failed);
    EXPECT_EQ(Read(m_here / "other"), "other");
    EXPECT_EQ(MoveFileWithoutReplacing(u"", T(m_here / "new/y")), MoveResult::Failed);
}

// Across file systems (the temporary folder and /dev/shm, where they differ)
// the file is copied in full, keeps its permission bits, and only then is the
// original removed.
TEST_F(FileMove, AcrossFileSystemsCopiesThenRemoves) {
    struct stat here {
    }, shm{};
    if (::stat(m_here.c_str(), &here) != 0 || ::stat("/dev/shm", &shm) != 0 ||
        here.st_dev == shm.st_dev) {
        GTEST_SKIP() << "no second file system to move to";
    }
    m_there = MakeScratch("/dev/shm");
    ASSERT_FALSE(m_there.empty());
    std::string content(200000, 'x');
    for (std::size_t i = 0; i < content.size(); i += 7) {
        content[i] = static_cast<char>('a' + i % 26);
    }
    std::ofstream(m_here / "big", std::ios::binary) << content;
    ::chmod((m_here / "big").c_str(), 0604);
    EXPECT_EQ(MoveFileWithoutReplacing(T(m_here / "big"), T(m_there / "big")), MoveResult::Moved);
    EXPECT_FALSE(fs::exists(m_here / "big"));
    EXPECT_EQ(Read(m_there / "big"), content);
    struct stat moved {};
    ASSERT_EQ(::stat((m_there / "big").c_str(), &moved), 0);
    EXPECT_EQ(moved.st_mode & 07777, 0604u);

    std::ofstream(m_here / "second") << "second";
    EXPECT_EQ(MoveFileWithoutReplacing(T(m_here / "second"), T(m_there / "big")),
              MoveResult::TargetExists);
    EXPECT_EQ(Read(m_here / "second"), "second");
    EXPECT_EQ(Read(m_there / "big"), content);
    // No temporary copy is left behind either way.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_there), fs::directory_iterator()), 1);
}

} // namespace
} // namespace sondrel::system
