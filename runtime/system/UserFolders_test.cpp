#include "runtime/system/UserFolders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "runtime/system/ProcessEnvironment.h"
#include "runtime/system/testing/ScopedVariable.h"

namespace sondrel::system {
namespace {

namespace fs = std::filesystem;

using testing::ScopedVariable;

class Scratch {
public:
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "sondrel-folders-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~Scratch() { fs::remove_all(m_path); }
    std::string path(const std::string& name = "") const { return (m_path / name).string(); }
    core::Text text(const std::string& name = "") const { return core::Utf8ToText(path(name)); }

private:
    fs::path m_path;
};

TEST(UserFolders, HomeComesFromHomeWhenItIsAbsolute) {
    {
        const ScopedVariable home("HOME", "/some/where");
        EXPECT_EQ(UserHomeFolder(), u"/some/where/");
    }
    {
        const ScopedVariable home("HOME", "/some/where/");
        EXPECT_EQ(UserHomeFolder(), u"/some/where/");
    }
    // Unset, empty or relative: the password database's entry, an absolute folder.
    for (std::optional<std::string> value :
         {std::optional<std::string>(), std::optional<std::string>(""),
          std::optional<std::string>("rel/home")}) {
        const ScopedVariable home("HOME", value);
        const core::Text folder = UserHomeFolder();
        ASSERT_FALSE(folder.empty());
        EXPECT_EQ(folder.front(), u'/');
        EXPECT_EQ(folder.back(), u'/');
        EXPECT_EQ(folder.find(u"rel/home"), core::Text::npos);
    }
}

TEST(UserFolders, ConfigFolderFollowsXdgConfigHome) {
    {
        const ScopedVariable config("XDG_CONFIG_HOME", "/elsewhere/cfg");
        EXPECT_EQ(UserConfigFolder(u"/home/u/"), u"/elsewhere/cfg/");
        EXPECT_EQ(UserConfigFolder(u""), u"/elsewhere/cfg/");
    }
    for (std::optional<std::string> value :
         {std::optional<std::string>(), std::optional<std::string>(""),
          std::optional<std::string>("relative/cfg")}) {
        const ScopedVariable config("XDG_CONFIG_HOME", value);
        EXPECT_EQ(UserConfigFolder(u"/home/u/"), u"/home/u/.config/");
        EXPECT_EQ(UserConfigFolder(u""), u"");
    }
}

TEST(UserFolders, DesktopSettingOfUserDirs) {
    const char16_t* home = u"/home/u/";
    EXPECT_EQ(DesktopFolderSetting("XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n", home),
              u"/home/u/Schreibtisch");
    EXPECT_EQ(DesktopFolderSetting("# comment\n  XDG_DESKTOP_DIR = \"${HOME}/Desk/\"", home),
              u"/home/u/Desk");
    EXPECT_EQ(DesktopFolderSetting("XDG_DESKTOP_DIR=\"$HOME/\"\n", home), u"/home/u");
    EXPECT_EQ(DesktopFolderSetting("XDG_DESKTOP_DIR=\"/srv/desk\"\n", home), u"/srv/desk");
    EXPECT_EQ(DesktopFolderSetting("XDG_DESKTOP_DIR=\"$HOME/My \\\"Desk\\\" \\$1\"\n", home),
              u"/home/u/My \"Desk\" $1");
    // The last valid assignment counts; other keys, relative paths and broken lines do not.
    EXPECT_EQ(DesktopFolderSetting("XDG_DESKTOP_DIR=\"$HOME/A\"\nXDG_DESKTOP_DIR=\"$HOME/B\"\n"
                                   "XDG_DESKTOP_DIR=\"relative\"\nXDG_DESKTOP_DIR=\"$HOME/C\n",
                                   home),
              u"/home/u/B");
    EXPECT_EQ(DesktopFolderSetting("XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n", home), std::nullopt);
    EXPECT_EQ(DesktopFolderSetting("XDG_DESKTOP_DIRS=\"$HOME/X\"\n", home), std::nullopt);
    EXPECT_EQ(DesktopFolderSetting("XDG_DESKTOP_DIR=$HOME/Unquoted\n", home), std::nullopt);
    EXPECT_EQ(DesktopFolderSetting("XDG_DESKTOP_DIR=\"$HOMEWORK\"\n", home), std::nullopt);
    EXPECT_EQ(DesktopFolderSetting("", home), std::nullopt);
}

TEST(UserFolders, DesktopFolderFallsBackToDesktopThenHome) {
    const Scratch scratch;
    const core::Text home = scratch.text(); // ends in "/"
    const core::Text config = scratch.text(".config") + u"/";
    fs::create_directories(scratch.path(".config"));
    // Nothing set, no Desktop folder: the home folder.
    EXPECT_EQ(UserDesktopFolder(home, config), home);
    fs::create_directory(scratch.path("Desktop"));
    EXPECT_EQ(UserDesktopFolder(home, config), home + u"Desktop/");
    // The folder user-dirs.dirs names, once it exists.
    std::ofstream(scratch.path(".config/user-dirs.dirs"))
        << "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n";
    EXPECT_EQ(UserDesktopFolder(home, config), home + u"Desktop/");
    fs::create_directory(scratch.path("Bureau"));
    EXPECT_EQ(UserDesktopFolder(home, config), home + u"Bureau/");
    EXPECT_EQ(UserDesktopFolder(u"", u""), u"");
}

} // namespace
} // namespace sondrel::system
