#include "runtime/system/FolderScan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "runtime/system/ProcessEnvironment.h"

namespace sondrel::system {
namespace {

namespace fs = std::filesystem;
using Entries = std::map<core::Text, int>; // name -> kind

class FolderScanTest : public ::testing::Test {
protected:
    FolderScanTest() {
        std::string pattern = (fs::temp_directory_path() / "sondrel-scan-XXXXXX").string();
        m_folder = ::mkdtemp(pattern.data());
        for (const char* file : {"a.txt", "b.TXT", ".hidden", "noext", "bad\xFF"}) {
            std::ofstream(m_folder / file) << "x";
        }
        fs::create_directory(m_folder / "sub");
        fs::create_directory_symlink(m_folder / "sub", m_folder / "link");
    }
    ~FolderScanTest() override {
        CloseAllFolderScans();
        fs::remove_all(m_folder);
    }

    core::Text folder(const std::string& suffix = "") const {
        return core::Utf8ToText(m_folder.string() + suffix);
    }

    static Entries scan(core::ObjectNumber number) {
        Entries entries;
        while (NextFolderEntry(number) == 1) {
            entries[FolderEntryName(number)] = FolderEntryKind(number);
        }
        return entries;
    }

    fs::path m_folder;
};

TEST_F(FolderScanTest, EveryNamePatternGivesEveryEntry) {
    // A name that is not UTF-8 keeps its odd byte as an escaped unit.
    const Entries all{{u".", 2},     {u"..", 2},  {u".hidden", 1}, {u"a.txt", 1},    {u"b.TXT", 1},
                      {u"noext", 1}, {u"sub", 2}, {u"link", 1},    {u"bad\xDCFF", 1}};
    ASSERT_EQ(OpenFolderScan(0, folder(), u"*.*"), 1);
    EXPECT_EQ(scan(0), all);
    ASSERT_EQ(OpenFolderScan(0, folder("/"), u""), 1);
    EXPECT_EQ(scan(0), all);
    ASSERT_EQ(OpenFolderScan(3, folder(), u"*.txt"), 1);
    EXPECT_EQ(scan(3), (Entries{{u"a.txt", 1}}));
    ASSERT_EQ(OpenFolderScan(3, folder(), u"[ab].*"), 1);
    EXPECT_EQ(scan(3), (Entries{{u"a.txt", 1}, {u"b.TXT", 1}}));
}

TEST_F(FolderScanTest, ANameThatIsNotUtf8NamesItsFileAgain) {
    ASSERT_EQ(OpenFolderScan(0, folder(), u"bad*"), 1);
    ASSERT_EQ(NextFolderEntry(0), 1);
    const core::Text name = FolderEntryName(0);
    EXPECT_EQ(name, u"bad\xDCFF");
    EXPECT_EQ(PathSize(folder("/") + name), 1);
}

TEST_F(FolderScanTest, NameIsEmptyOutsideTheEntries) {
    ASSERT_EQ(OpenFolderScan(0, folder(), u"a.txt"), 1);
    EXPECT_EQ(FolderEntryName(0), u"");
    EXPECT_EQ(NextFolderEntry(0), 1);
    EXPECT_EQ(FolderEntryName(0), u"a.txt");
    EXPECT_EQ(NextFolderEntry(0), 0);
    EXPECT_EQ(FolderEntryName(0), u"");
    EXPECT_EQ(NextFolderEntry(0), 0);
    CloseFolderScan(0);
    EXPECT_EQ(FolderEntryKind(0), 0);
    EXPECT_EQ(NextFolderEntry(0), 0);
}

TEST_F(FolderScanTest, MissingFolderLeavesNoScan) {
    ASSERT_EQ(OpenFolderScan(0, folder(), u""), 1);
    // Opening again under the same number closes the old scan, also on failure.
    EXPECT_EQ(OpenFolderScan(0, folder("/missing"), u""), 0);
    EXPECT_EQ(NextFolderEntry(0), 0);
    EXPECT_EQ(FolderEntryKind(0), 0);
    EXPECT_EQ(FolderEntryName(0), u"");
    EXPECT_EQ(OpenFolderScan(core::AnyObjectNumber, folder("/a.txt"), u""), 0);
    EXPECT_EQ(OpenFolderScan(0, core::Text(u"bad\xD800"), u""), 0);
}

TEST_F(FolderScanTest, HandlesAndTheCurrentFolder) {
    fs::path previous = fs::current_path();
    fs::current_path(m_folder / "sub");
    std::ofstream("only") << "x";
    core::ObjectNumber handle = OpenFolderScan(core::AnyObjectNumber, u"", u"o*");
    fs::current_path(previous);
    ASSERT_GT(handle, 1);
    EXPECT_EQ(scan(handle), (Entries{{u"only", 1}}));
    core::ObjectNumber other = OpenFolderScan(core::AnyObjectNumber, folder(), u"noext");
    ASSERT_NE(other, handle);
    CloseFolderScan(handle);
    EXPECT_EQ(NextFolderEntry(handle), 0);
    EXPECT_EQ(scan(other), (Entries{{u"noext", 1}}));
}

TEST_F(FolderScanTest, LongPathsWork) {
    std::string component(200, 'd');
    fs::path deep = m_folder;
    while (deep.string().size() < 3000) {
        deep /= component;
    }
    fs::create_directories(deep);
    std::ofstream(deep / "song.wav") << "x";
    ASSERT_EQ(OpenFolderScan(0, core::Utf8ToText(deep.string()), u"*.wav"), 1);
    EXPECT_EQ(scan(0), (Entries{{u"song.wav", 1}}));
    // Beyond what the system accepts: a clean failure.
    std::string tooLong = deep.string();
    while (tooLong.size() < 5000) {
        tooLong += "/" + component;
    }
    EXPECT_EQ(OpenFolderScan(0, core::Utf8ToText(tooLong), u""), 0);
}

} // namespace
} // namespace sondrel::system
