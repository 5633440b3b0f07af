#include "runtime/system/ProcessEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

namespace sondrel::system {
namespace {

namespace fs = std::filesystem;

TEST(ProcessEnvironment, VersionCodeIsThatOfACurrentSystem) {
    EXPECT_EQ(SystemVersionCode(), 60000);
    EXPECT_EQ(BringProcessToFront(), 0);
}

TEST(ProcessEnvironment, HomeFolderEndsInSlash) {
    core::Text home = UserHomeFolder();
    ASSERT_FALSE(home.empty());
    EXPECT_TRUE(home.ends_with(u'/'));
    EXPECT_EQ(PathSize(home), -2);
}

TEST(ProcessEnvironment, PathSizeAndMakeFolder) {
    std::string pattern = (fs::temp_directory_path() / "sondrel-env-XXXXXX").string();
    fs::path folder = ::mkdtemp(pattern.data());
    std::ofstream(folder / "empty").close();
    std::ofstream(folder / "five") << "12345";
    auto text = [&](const char* name) { return core::Utf8ToText((folder / name).string()); };

    EXPECT_EQ(PathSize(text("empty")), 0);
    EXPECT_EQ(PathSize(text("five")), 5);
    EXPECT_EQ(PathSize(text("missing")), -1);
    EXPECT_EQ(PathSize(core::Utf8ToText(folder.string())), -2);
    EXPECT_EQ(PathSize(u""), -1);

    EXPECT_TRUE(MakeFolder(text("Sondrel")));
    EXPECT_EQ(PathSize(text("Sondrel")), -2);
    struct stat status;
    ASSERT_EQ(::stat((folder / "Sondrel").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    EXPECT_FALSE(MakeFolder(text("Sondrel"))); // exists already
    EXPECT_FALSE(MakeFolder(text("a/b")));     // one level only
    fs::remove_all(folder);
}

TEST(ProcessEnvironment, PathParts) {
    EXPECT_EQ(FileNamePart(u"/music/album/song.mp3"), u"song.mp3");
    EXPECT_EQ(FileNamePart(u"\"/music/my album/song.mp3\""), u"song.mp3");
    EXPECT_EQ(FileNamePart(u"bare.wav"), u"bare.wav");
    EXPECT_EQ(FileNamePart(u"/folder/"), u"");
    EXPECT_EQ(FileNamePart(u""), u"");
    EXPECT_EQ(FolderPart(u"/music/album/song.mp3"), u"/music/album/");
    EXPECT_EQ(FolderPart(u"\"/music/my album/song.mp3\""), u"/music/my album/");
    EXPECT_EQ(FolderPart(u"bare.wav"), u"");
    EXPECT_EQ(FolderPart(u""), u"");
}

TEST(ProcessEnvironment, EnterBundleContentsFindsToolsBesideTheProgram) {
    fs::path previous = fs::current_path();
    std::string path = std::getenv("PATH");
    ::setenv("PATH", "/usr/bin:/bin", 1);

    ASSERT_EQ(EnterBundleContents(), 0);
    fs::path programFolder = fs::canonical("/proc/self/exe").parent_path();
    EXPECT_EQ(fs::current_path(), programFolder);
    EXPECT_EQ(std::string(std::getenv("PATH")), programFolder.string() + ":/usr/bin:/bin");
    ASSERT_EQ(EnterBundleContents(), 0); // not added twice
    EXPECT_EQ(std::string(std::getenv("PATH")), programFolder.string() + ":/usr/bin:/bin");

    fs::current_path(previous);
    ::setenv("PATH", path.c_str(), 1);
}

} // namespace
} // namespace sondrel::system
