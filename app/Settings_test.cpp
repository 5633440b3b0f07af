#include "app/Settings.h"

#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

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
