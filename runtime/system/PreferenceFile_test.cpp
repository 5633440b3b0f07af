#include "runtime/system/PreferenceFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <sys/stat.h>

namespace sondrel::system {
namespace {

namespace fs = std::filesystem;

class PreferenceFileTest : public ::testing::Test {
protected:
    PreferenceFileTest() {
        std::string pattern = (fs::temp_directory_path() / "sondrel-pref-XXXXXX").string();
        m_folder = ::mkdtemp(pattern.data());
    }
    ~PreferenceFileTest() override {
        ClosePreferenceFile();
        fs::remove_all(m_folder);
    }

    fs::path path(const char* name = "save.pref") const { return m_folder / name; }
    core::Text name(const char* file = "save.pref") const {
        return core::Utf8ToText(path(file).string());
    }
    void write(const std::string& bytes, const char* file = "save.pref") const {
        std::ofstream(path(file), std::ios::binary) << bytes;
    }
    std::string read(const char* file = "save.pref") const {
        std::ifstream in(path(file), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    std::size_t filesInFolder() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()));
    }

private:
    fs::path m_folder;
};

TEST_F(PreferenceFileTest, CreatedFileHoldsExactlyWhatWasWritten) {
    ASSERT_TRUE(CreatePreferenceFile(name()));
    EXPECT_EQ(read(), ""); // created empty at once
    EXPECT_FALSE(SelectPreferenceGroup(u"Saved Settings"));
    WritePreferenceNumber(u"Transparent", 0);
    ClosePreferenceFile();
    EXPECT_EQ(read(), "\xEF\xBB\xBF\n[Saved Settings]\nTransparent = 0\n");

    // The application's first run.
    ASSERT_TRUE(CreatePreferenceFile(name()));
    SelectPreferenceGroup(u"Saved Settings");
    WritePreferenceNumber(u"Transparent", 0);
    WritePreferenceNumber(u"Sticky", 0);
    WritePreferenceNumber(u"Strategy", 1);
    WritePreferenceNumber(u"Bitrate", 4);
    WritePreferenceNumber(u"Data", 1);
    ClosePreferenceFile();
    EXPECT_EQ(read(), "\xEF\xBB\xBF\n[Saved Settings]\nTransparent = 0\nSticky = 0\n"
                      "Strategy = 1\nBitrate = 4\nData = 1\n");

    ASSERT_TRUE(OpenPreferenceFile(name()));
    EXPECT_TRUE(SelectPreferenceGroup(u"saved settings"));
    EXPECT_EQ(ReadPreferenceNumber(u"Bitrate"), 4);
    WritePreferenceNumber(u"Bitrate", -320);
    ClosePreferenceFile();
    EXPECT_EQ(read(), "\xEF\xBB\xBF\n[Saved Settings]\nTransparent = 0\nSticky = 0\n"
                      "Strategy = 1\nBitrate = -320\nData = 1\n");
}

TEST_F(PreferenceFileTest, UnmodifiedFileIsNotTouched) {
    std::string original = "[Saved Settings]\r\nData=0\r\n;note\r\n";
    write(original);
    struct stat before;
    ::stat(path().c_str(), &before);
    ASSERT_TRUE(OpenPreferenceFile(name()));
    EXPECT_TRUE(SelectPreferenceGroup(u"Saved Settings"));
    EXPECT_EQ(ReadPreferenceNumber(u"Data", 5), 0);
    WritePreferenceNumber(u"bad=key", 1); // refused, so no modification
    ClosePreferenceFile();
    struct stat after;
    ::stat(path().c_str(), &after);
    EXPECT_EQ(read(), original);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST_F(PreferenceFileTest, EmptyFileGetsNoByteOrderMark) {
    write("");
    ASSERT_TRUE(OpenPreferenceFile(name()));
    WritePreferenceNumber(u"Data", 1);
    ClosePreferenceFile();
    EXPECT_EQ(read(), "Data = 1\n");
}

TEST_F(PreferenceFileTest, Latin1FileIsWrittenBackAsUtf8) {
    write("[G]\nname = caf\xE9\nn = 1\n");
    ASSERT_TRUE(OpenPreferenceFile(name()));
    SelectPreferenceGroup(u"G");
    WritePreferenceNumber(u"n", 2);
    ClosePreferenceFile();
    EXPECT_EQ(read(), "\xEF\xBB\xBF\n[G]\nname = caf\xC3\xA9\nn = 2\n");
}

TEST_F(PreferenceFileTest, ReadsNumbersAsTheyBegin) {
    write("\xEF\xBB\xBF\n  [Numbers] extra\nmixed =  12abc\nletters = abc\nsigned = -7\n"
          "huge = 99999999999999999999\nUPPER=3\nbare\n[NoClose\nx = 5\n");
    ASSERT_TRUE(OpenPreferenceFile(name()));
    EXPECT_EQ(ReadPreferenceNumber(u"mixed", 1), 1); // keys before the first group only
    EXPECT_TRUE(SelectPreferenceGroup(u"Numbers"));
    EXPECT_EQ(ReadPreferenceNumber(u"mixed", 1), 12);
    EXPECT_EQ(ReadPreferenceNumber(u"letters", 1), 0);
    EXPECT_EQ(ReadPreferenceNumber(u"signed"), -7);
    EXPECT_EQ(ReadPreferenceNumber(u"huge"), INT64_MAX);
    EXPECT_EQ(ReadPreferenceNumber(u"upper"), 3);
    EXPECT_EQ(ReadPreferenceNumber(u"bare", 9), 0);
    EXPECT_EQ(ReadPreferenceNumber(u"missing", 42), 42);
    EXPECT_TRUE(SelectPreferenceGroup(u"noclose"));
    EXPECT_EQ(ReadPreferenceNumber(u"x"), 5);
    EXPECT_FALSE(SelectPreferenceGroup(u"Absent"));
    EXPECT_EQ(ReadPreferenceNumber(u"x", 8), 8);
}

TEST_F(PreferenceFileTest, WritesKeepTheFileInOrder) {
    write("\xEF\xBB\xBF\n;comment\n; spaced\n[A]\nKey = 1\n\n\n[B]\nother = 2\n");
    ASSERT_TRUE(OpenPreferenceFile(name()));
    SelectPreferenceGroup(u"a");
    WritePreferenceNumber(u"KEY", 5);
    WritePreferenceNumber(u"New", 6);
    SelectPreferenceGroup(u"Missing");
    WritePreferenceNumber(u"m", 7);
    ClosePreferenceFile();
    EXPECT_EQ(read(), "\xEF\xBB\xBF\n; comment\n; spaced\n[A]\nKEY = 5\nNew = 6\n[B]\nother = 2\n"
                      "[Missing]\nm = 7\n");
}

TEST_F(PreferenceFileTest, CrLfFileIsReadAndWrittenWithLineFeeds) {
    write("\xEF\xBB\xBF\r\n\r\n[Saved Settings]\r\n\r\nSticky = 1\r\n\r\nData = 0\r\n");
    ASSERT_TRUE(OpenPreferenceFile(name()));
    SelectPreferenceGroup(u"Saved Settings");
    EXPECT_EQ(ReadPreferenceNumber(u"Sticky"), 1);
    EXPECT_EQ(ReadPreferenceNumber(u"Data", 1), 0);
    WritePreferenceNumber(u"Data", 1);
    ClosePreferenceFile();
    EXPECT_EQ(read(), "\xEF\xBB\xBF\n[Saved Settings]\nSticky = 1\nData = 1\n");
}

TEST_F(PreferenceFileTest, MissingFileIsCreatedOnlyWhenWritten) {
    EXPECT_FALSE(OpenPreferenceFile(name()));
    EXPECT_FALSE(SelectPreferenceGroup(u"Saved Settings"));
    EXPECT_EQ(ReadPreferenceNumber(u"Data", 3), 3);
    ClosePreferenceFile();
    EXPECT_FALSE(fs::exists(path()));

    EXPECT_FALSE(OpenPreferenceFile(name(), PreferenceCompactKeys));
    SelectPreferenceGroup(u"Saved Settings");
    WritePreferenceNumber(u"Data", 1);
    ClosePreferenceFile();
    EXPECT_EQ(read(), "\xEF\xBB\xBF\n[Saved Settings]\nData=1\n");
}

TEST_F(PreferenceFileTest, ReplacesTheFileWholeAndKeepsItsPermissions) {
    write("\xEF\xBB\xBF\nData = 0\n");
    fs::permissions(path(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(path(), path("link.pref"));
    struct stat before;
    ::stat(path().c_str(), &before);

    ASSERT_TRUE(OpenPreferenceFile(name("link.pref")));
    WritePreferenceNumber(u"Data", 1);
    ClosePreferenceFile();

    struct stat after;
    ::stat(path().c_str(), &after);
    EXPECT_EQ(read(), "\xEF\xBB\xBF\nData = 1\n");
    EXPECT_NE(after.st_ino, before.st_ino); // a new file took the old one's place
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_TRUE(fs::is_symlink(path("link.pref")));
    EXPECT_EQ(filesInFolder(), 2u); // no temporary file is left
}

TEST_F(PreferenceFileTest, NothingIsWrittenWhereTheFileCannotBeKept) {
    // A folder in the file's place is not a preference file and is left alone.
    fs::create_directory(path());
    EXPECT_FALSE(OpenPreferenceFile(name()));
    WritePreferenceNumber(u"Data", 1);
    EXPECT_EQ(ReadPreferenceNumber(u"Data", 5), 1); // held in memory meanwhile
    ClosePreferenceFile();
    EXPECT_TRUE(fs::is_directory(path()));
    EXPECT_EQ(filesInFolder(), 1u);

    // A file we may read but not write is read, and its changes are dropped.
    ASSERT_TRUE(OpenPreferenceFile(u"/proc/sys/kernel/ostype")); // "Linux", read-only even for root
    EXPECT_EQ(ReadPreferenceNumber(u"linux", 1), 0);
    WritePreferenceNumber(u"Extra", 1);
    ClosePreferenceFile();

    EXPECT_FALSE(CreatePreferenceFile(name("no/such/folder/file.pref")));
    WritePreferenceNumber(u"Data", 1);
    EXPECT_EQ(ReadPreferenceNumber(u"Data", 5), 5);
    ClosePreferenceFile();
}

TEST_F(PreferenceFileTest, EachThreadHasItsOwnFileClosedWhenTheThreadEnds) {
    ASSERT_TRUE(CreatePreferenceFile(name("main.pref")));
    WritePreferenceNumber(u"Main", 1);
    std::thread worker([this] {
        EXPECT_EQ(ReadPreferenceNumber(u"Main", 9), 9); // not this thread's file
        ASSERT_TRUE(CreatePreferenceFile(name("worker.pref")));
        WritePreferenceNumber(u"Worker", 2);
    });
    worker.join();
    EXPECT_EQ(read("worker.pref"), "\xEF\xBB\xBF\nWorker = 2\n");
    EXPECT_EQ(ReadPreferenceNumber(u"Main"), 1);
    // A new create closes (and writes) the current file first.
    ASSERT_TRUE(CreatePreferenceFile(name("other.pref")));
    EXPECT_EQ(read("main.pref"), "\xEF\xBB\xBF\nMain = 1\n");
}

} // namespace
} // namespace sondrel::system
