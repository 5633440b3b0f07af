#include "app/SupportFolder.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "app/testing/TestFiles.h"

namespace sondrel::app {
namespace {

namespace fs = std::filesystem;
using testing::Permissions;
using testing::ReadFile;
using testing::ScratchFolder;

core::Text T(const std::string& utf8) {
    return core::Utf8ToText(utf8);
}

TEST(SupportFolder, LiesInTheConfigurationFolder) {
    EXPECT_EQ(SupportFolderPath(u"/home/u/.config/"), u"/home/u/.config/Sondrel/");
    EXPECT_EQ(SupportFolderPath(u"/xdg/config"), u"/xdg/config/Sondrel/");
    EXPECT_EQ(SupportFolderPath(u""), u"");
    EXPECT_EQ(SettingsPath(u"/s/"), u"/s/save.pref");
    EXPECT_EQ(SettingsPath(u""), u"");
    EXPECT_EQ(OldSettingsPaths(u"/home/u/"),
              (std::vector<core::Text>{u"/home/u/Library/Application Support/Sondrel/save.pref",
                                       u"/home/u/Library/Application Support/Quillfern/Sondrel/"
                                       u"save.pref"}));
    EXPECT_TRUE(OldSettingsPaths(u"").empty());
}

TEST(SupportFolder, EveryMissingLevelIsCreatedForTheOwnerOnly) {
    ScratchFolder root;
    ::chmod(root.path().c_str(), 0755);
    const core::Text folder = root.folderText() + u"xdg/config/Sondrel/";
    ASSERT_TRUE(CreateSupportFolder(folder, u"/home/elsewhere/"));
    for (const char* level : {"xdg", "xdg/config", "xdg/config/Sondrel"}) {
        EXPECT_EQ(Permissions(root.file(level)), 0700) << level;
    }
    EXPECT_EQ(Permissions(root.path().string()), 0755) << "existing levels are left as they are";
    ASSERT_TRUE(CreateSupportFolder(folder, u"/home/elsewhere/")); // all there already

    // Below the home folder, a missing home is not made up.
    const core::Text home = root.folderText() + u"gone/";
    EXPECT_FALSE(CreateSupportFolder(home + u".config/Sondrel/", home));
    EXPECT_FALSE(fs::exists(root.file("gone")));
    fs::create_directory(root.file("gone"));
    EXPECT_TRUE(CreateSupportFolder(home + u".config/Sondrel/", home));

    // A file where a level should be: nothing can be stored.
    std::ofstream(root.file("blocked")) << "a file";
    EXPECT_FALSE(CreateSupportFolder(root.folderText() + u"blocked/Sondrel/", u""));
    EXPECT_FALSE(CreateSupportFolder(u"", u""));
    EXPECT_FALSE(CreateSupportFolder(u"relative/Sondrel/", u""));
}

class OldSettings : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(config.file("Sondrel")); }
    // Writes a settings file at an old place below the home folder.
    void putOld(const std::string& layout, const std::string& content) {
        const fs::path file = home.path() / "Library/Application Support" / layout / "save.pref";
        fs::create_directories(file.parent_path());
        std::ofstream(file) << content;
    }
    std::string old(const std::string& layout) const {
        return home.file("Library/Application Support/" + layout + "/save.pref");
    }
    ScratchFolder home;
    ScratchFolder config;
    const std::string settings = config.file("Sondrel/save.pref");
};

TEST_F(OldSettings, AreMovedOnceWithTheirContent) {
    const std::string content = "[Saved Settings]\nTransparent = 1\nSticky = 0\nStrategy = 3\n"
                                "Bitrate = 8\nData = 1\n";
    putOld("Sondrel", content);
    ::chmod(old("Sondrel").c_str(), 0640);
    EXPECT_EQ(AdoptOldSettings(home.folderText(), T(settings)), T(settings));
    EXPECT_EQ(ReadFile(settings), content);
    EXPECT_EQ(Permissions(settings), 0640);
    EXPECT_FALSE(fs::exists(old("Sondrel")));
    // Once there, the new file is the one used.
    EXPECT_EQ(AdoptOldSettings(home.folderText(), T(settings)), T(settings));
    EXPECT_EQ(ReadFile(settings), content);
}

TEST_F(OldSettings, TheOlderLayoutIsMovedToo) {
    putOld("Quillfern/Sondrel", "[Saved Settings]\nData = 0\n");
    EXPECT_EQ(AdoptOldSettings(home.folderText(), T(settings)), T(settings));
    EXPECT_EQ(ReadFile(settings), "[Saved Settings]\nData = 0\n");
    EXPECT_FALSE(fs::exists(old("Quillfern/Sondrel")));
}

TEST_F(OldSettings, AnExistingNewFileWinsAndTheOldOnesStay) {
    std::ofstream(settings) << "[Saved Settings]\nData = 1\n";
    putOld("Sondrel", "[Saved Settings]\nData = 0\n");
    putOld("Quillfern/Sondrel", "[Saved Settings]\nStrategy = 2\n");
    EXPECT_EQ(AdoptOldSettings(home.folderText(), T(settings)), T(settings));
    EXPECT_EQ(ReadFile(settings), "[Saved Settings]\nData = 1\n");
    EXPECT_EQ(ReadFile(old("Sondrel")), "[Saved Settings]\nData = 0\n");
    EXPECT_EQ(ReadFile(old("Quillfern/Sondrel")), "[Saved Settings]\nStrategy = 2\n");
}

TEST_F(OldSettings, OfTwoOldFilesTheLaterLayoutIsTakenAndTheOtherStays) {
    putOld("Sondrel", "later");
    putOld("Quillfern/Sondrel", "earlier");
    EXPECT_EQ(AdoptOldSettings(home.folderText(), T(settings)), T(settings));
    EXPECT_EQ(ReadFile(settings), "later");
    EXPECT_EQ(ReadFile(old("Quillfern/Sondrel")), "earlier");
}

TEST_F(OldSettings, AFailedMoveKeepsAndUsesTheOldFile) {
    putOld("Sondrel", "[Saved Settings]\nData = 0\n");
    // No folder to move into (the support folder could not be made).
    const std::string nowhere = config.file("missing/Sondrel/save.pref");
    EXPECT_EQ(AdoptOldSettings(home.folderText(), T(nowhere)), T(old("Sondrel")));
    EXPECT_EQ(AdoptOldSettings(home.folderText(), u""), T(old("Sondrel")));
    EXPECT_EQ(ReadFile(old("Sondrel")), "[Saved Settings]\nData = 0\n");
    EXPECT_FALSE(fs::exists(nowhere));
}

TEST_F(OldSettings, NothingOldGivesTheNewPlace) {
    // A folder named like an old file is nothing to move.
    fs::create_directories(old("Sondrel"));
    EXPECT_EQ(AdoptOldSettings(home.folderText(), T(settings)), T(settings));
    EXPECT_FALSE(fs::exists(settings));
    EXPECT_TRUE(fs::is_directory(old("Sondrel")));
    EXPECT_EQ(AdoptOldSettings(u"", T(settings)), T(settings));
}

} // namespace
} // namespace sondrel::app
