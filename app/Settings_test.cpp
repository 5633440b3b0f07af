#include "app/Settings.h"

#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/SupportFolder.h"
#include "app/testing/TestFiles.h"
#include "runtime/system/PreferenceFile.h"

namespace sondrel::app {
namespace {

using testing::ScratchFolder;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

int Permissions(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<int>(status.st_mode & 07777) : -1;
}

TEST(SupportFolder, LayoutFollowsTheSystemVersion) {
    EXPECT_EQ(SupportFolderPath(u"/home/u/", 60000),
              u"/home/u/Library/Application Support/Sondrel/");
    EXPECT_EQ(SupportFolderPath(u"/home/u/", 10700),
              u"/home/u/Library/Application Support/Sondrel/");
    EXPECT_EQ(SupportFolderPath(u"/home/u/", 10800),
              u"/home/u/Library/Application Support/Sondrel/");
    EXPECT_EQ(SupportFolderPath(u"/home/u/", 10600),
              u"/home/u/Library/Application Support/Quillfern/Sondrel/");
    EXPECT_EQ(SupportFolderPath(u"/home/u/", 10000),
              u"/home/u/Library/Application Support/Quillfern/Sondrel/");
    EXPECT_EQ(SupportFolderPath(u"", 60000), u"");
    EXPECT_EQ(SettingsPath(u"/s/"), u"/s/save.pref");
    EXPECT_EQ(SettingsPath(u""), u"");
}

TEST(SupportFolder, EveryMissingLevelIsCreatedForTheOwnerOnly) {
    ScratchFolder home;
    const core::Text homeText = home.folderText();
    const core::Text folder = SupportFolderPath(homeText, 60000);
    ASSERT_TRUE(CreateSupportFolder(homeText, folder));
    for (const char* level :
         {"Library", "Library/Application Support", "Library/Application Support/Sondrel"}) {
        EXPECT_EQ(Permissions(home.file(level)), 0700) << level;
    }
    // Existing levels are kept as they are; the older layout adds its own two.
    ::chmod(home.file("Library").c_str(), 0755);
    const core::Text old = SupportFolderPath(homeText, 10600);
    ASSERT_TRUE(CreateSupportFolder(homeText, old));
    EXPECT_EQ(Permissions(home.file("Library")), 0755);
    EXPECT_EQ(Permissions(home.file("Library/Application Support/Quillfern/Sondrel")), 0700);

    EXPECT_FALSE(CreateSupportFolder(u"", u"Library/Application Support/Sondrel/"));
    EXPECT_FALSE(CreateSupportFolder(homeText + u"missing/", homeText + u"missing/Library/"));
}

class SettingsFile : public ::testing::Test {
protected:
    void TearDown() override { system::ClosePreferenceFile(); }
    ScratchFolder folder;
    const std::string path = folder.file("save.pref");
    const core::Text pathText = core::Utf8ToText(path);
};

TEST_F(SettingsFile, FirstRunCreatesTheDefaultsAndSavesThemAtOnce) {
    const LoadedSettings loaded = LoadOrCreateSettings(pathText);
    EXPECT_TRUE(loaded.created);
    EXPECT_EQ(loaded.values, kFirstRunSettings);
    // On disk before any close, in this order.
    const std::string text = ReadFile(path);
    const std::size_t group = text.find("[Saved Settings]\n");
    ASSERT_NE(group, std::string::npos) << text;
    EXPECT_NE(
        text.find("Transparent = 0\nSticky = 0\nStrategy = 1\nBitrate = 4\nData = 1\n", group),
        std::string::npos)
        << text;

    // The next run reads them back; a change is on disk straight away.
    system::ClosePreferenceFile();
    const LoadedSettings again = LoadOrCreateSettings(pathText);
    EXPECT_FALSE(again.created);
    EXPECT_EQ(again.values, kFirstRunSettings);
    WriteSetting(pathText, kBitrateKey, 8);
    EXPECT_NE(ReadFile(path).find("Bitrate = 8\n"), std::string::npos);
    WriteSetting(pathText, kStickyKey, 1);
    system::ClosePreferenceFile();
    const LoadedSettings third = LoadOrCreateSettings(pathText);
    EXPECT_EQ(third.values, (Settings{0, 1, 1, 8, 1}));
}

TEST_F(SettingsFile, MissingKeysReadAsZeroAndValuesAreNotRangeChecked) {
    {
        std::ofstream out(path);
        out << "[Saved Settings]\nData = 0\n";
    }
    EXPECT_EQ(LoadOrCreateSettings(pathText).values, (Settings{0, 0, 0, 0, 0}));
    system::ClosePreferenceFile();
    {
        std::ofstream out(path);
        out << "[saved settings]\nTransparent = 2\nStrategy = 9\nBitrate = -3\nData = 7\n";
    }
    const LoadedSettings loaded = LoadOrCreateSettings(pathText);
    EXPECT_FALSE(loaded.created);
    EXPECT_EQ(loaded.values, (Settings{2, 0, 9, -3, 7}));
}

TEST_F(SettingsFile, JobsIsReadAndMeansEveryCoreUnlessSetWithinItsBounds) {
    {
        std::ofstream out(path);
        out << "[Saved Settings]\nData = 1\nJobs = 3\n";
    }
    EXPECT_EQ(LoadOrCreateSettings(pathText).jobs, 3);
    system::ClosePreferenceFile();
    const std::int64_t cores = ::sysconf(_SC_NPROCESSORS_ONLN);
    EXPECT_EQ(ConversionJobs(0), std::min<std::int64_t>(cores, kMaxJobs));
    EXPECT_EQ(ConversionJobs(-4), ConversionJobs(0));
    EXPECT_EQ(ConversionJobs(1), 1);
    EXPECT_EQ(ConversionJobs(5), 5);
    EXPECT_EQ(ConversionJobs(1000), kMaxJobs);
}

TEST(Settings, WithoutASupportFolderNothingIsStored) {
    const LoadedSettings loaded = LoadOrCreateSettings(u"");
    EXPECT_TRUE(loaded.created);
    EXPECT_EQ(loaded.values, kFirstRunSettings);
    WriteSetting(u"", kDataKey, 0); // no file in use: nothing happens
    system::ClosePreferenceFile();
}

} // namespace
} // namespace sondrel::app
