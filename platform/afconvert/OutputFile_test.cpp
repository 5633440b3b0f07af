// The output file has no name until it is complete, and naming it never
// follows or replaces anything but the one name asked for.

#include "platform/afconvert/OutputFile.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/afconvert/TestSupport.h"

namespace sondrel::afconvert::testing {
namespace {

void writeText(const OutputFile& file, const std::string& text) {
    ASSERT_EQ(::write(file.fd(), text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

std::vector<std::string> sortedEntries(const TempDir& dir) {
    std::vector<std::string> names = dir.entries();
    std::sort(names.begin(), names.end());
    return names;
}

TEST(OutputFile, HasNoNameUntilCommittedAndLeavesNothingWhenDropped) {
    TempDir dir;
    {
        OutputFile file;
        ASSERT_TRUE(file.create(dir / "out.caf", OutputFile::Naming::Replace).ok());
        writeText(file, "half a file");
        EXPECT_TRUE(dir.entries().empty()); // not even a hidden name
    }
    EXPECT_TRUE(dir.entries().empty());

    std::ofstream(dir / "out.caf") << "older";
    OutputFile file;
    ASSERT_TRUE(file.create(dir / "out.caf", OutputFile::Naming::Replace).ok());
    writeText(file, "newer");
    EXPECT_EQ(readFile(dir / "out.caf"), "older");
    ASSERT_TRUE(file.commit().ok());
    EXPECT_EQ(readFile(dir / "out.caf"), "newer");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.caf"});
    // The usual permissions of a new file, not a temporary file's private ones.
    struct stat st {};
    ASSERT_EQ(::stat((dir / "out.caf").c_str(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

TEST(OutputFile, NamingNeverFollowsALink) {
    TempDir dir;
    TempDir elsewhere;
    std::ofstream(elsewhere / "victim") << "precious";
    fs::create_symlink(elsewhere / "victim", dir / "song.caf");
    // Replace: the link itself is replaced, the file it names is untouched.
    OutputFile replacing;
    ASSERT_TRUE(replacing.create(dir / "song.caf", OutputFile::Naming::Replace).ok());
    writeText(replacing, "new song");
    ASSERT_TRUE(replacing.commit().ok());
    EXPECT_FALSE(fs::is_symlink(dir / "song.caf"));
    EXPECT_EQ(readFile(dir / "song.caf"), "new song");
    EXPECT_EQ(readFile(elsewhere / "victim"), "precious");

    // Next free name: a link, even one whose target does not exist yet, is a
    // taken name, and its target is never made.
    fs::create_symlink(elsewhere / "victim", dir / "tune.caf");
    fs::create_symlink(elsewhere / "made-through-a-link", dir / "tune-1.caf");
    OutputFile numbering;
    ASSERT_TRUE(numbering.create(dir / "tune.caf", OutputFile::Naming::NextFree).ok());
    writeText(numbering, "new tune");
    ASSERT_TRUE(numbering.commit().ok());
    EXPECT_EQ(numbering.path(), dir / "tune-2.caf");
    EXPECT_EQ(readFile(dir / "tune-2.caf"), "new tune");
    EXPECT_EQ(readFile(elsewhere / "victim"), "precious");
    EXPECT_FALSE(fs::exists(elsewhere / "made-through-a-link"));
    EXPECT_EQ(sortedEntries(dir),
              (std::vector<std::string>{"song.caf", "tune-1.caf", "tune-2.caf", "tune.caf"}));
}

TEST(OutputFile, AFolderThatVanishesBeforeTheEndFailsTheCommit) {
    TempDir dir;
    fs::create_directory(dir / "out");
    OutputFile file;
    ASSERT_TRUE(file.create(dir / "out/a.caf", OutputFile::Naming::Replace).ok());
    writeText(file, "data");
    fs::remove_all(dir / "out");
    const Status committed = file.commit();
    EXPECT_FALSE(committed.ok());
    EXPECT_NE(committed.message().find("No such file"), std::string::npos) << committed.message();
    EXPECT_TRUE(dir.entries().empty());

    EXPECT_FALSE(file.create(dir / "gone/a.caf", OutputFile::Naming::Replace).ok());
    fs::create_directory(dir / "a.caf");
    EXPECT_EQ(file.create(dir / "a.caf", OutputFile::Naming::Replace).message(), "is a folder");
}

} // namespace
} // namespace sondrel::afconvert::testing
