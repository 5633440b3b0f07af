#include "app/DropQueue.h"

#include <fstream>

#include <gtest/gtest.h>

#include "app/testing/TestFiles.h"

namespace sondrel::app {
namespace {

using testing::ScratchFolder;

core::Text T(const std::string& utf8) {
    return core::Utf8ToText(utf8);
}

void Touch(const std::string& path) {
    std::ofstream(path) << "x";
}

TEST(DropQueue, AFolderQueuesItsFilesButNotSubFoldersOrDsStore) {
    ScratchFolder root;
    std::filesystem::create_directory(root.file("album"));
    for (const char* name : {"album/b.aif", "album/.DS_Store", "album/a.wav", "album/c"}) {
        Touch(root.file(name));
    }
    std::filesystem::create_directory(root.file("album/sub"));
    Touch(root.file("album/sub/deep.wav"));

    const DroppedBatch batch = ExpandDrop({T(root.file("album"))});
    EXPECT_EQ(batch.logLines,
              std::vector<core::Text>{T("Directory - \"" + root.file("album") + "/\"\n")});
    EXPECT_EQ(batch.files,
              (std::vector<core::Text>{T(root.file("album/a.wav")), T(root.file("album/b.aif")),
                                       T(root.file("album/c"))}));

    // A trailing "/" on the dropped folder changes nothing.
    const DroppedBatch again = ExpandDrop({T(root.file("album") + "/")});
    EXPECT_EQ(again.logLines, batch.logLines);
    EXPECT_EQ(again.files, batch.files);

    // An empty folder: its line and no files.
    std::filesystem::create_directory(root.file("empty"));
    const DroppedBatch empty = ExpandDrop({T(root.file("empty"))});
    EXPECT_EQ(empty.logLines.size(), 1u);
    EXPECT_TRUE(empty.files.empty());
}

TEST(DropQueue, SeveralItemsAreQueuedInDropOrder) {
    ScratchFolder root;
    std::filesystem::create_directory(root.file("set"));
    std::filesystem::create_directory(root.file("other"));
    for (const char* name : {"x.wav", "y.wav", "set/s.wav", "other/o.wav"}) {
        Touch(root.file(name));
    }
    const std::string folder = root.path().string() + "/";
    const DroppedBatch batch = ExpandDrop(
        DroppedPaths(T(root.file("x.wav") + "\n" + root.file("y.wav") + "\n" + root.file("set") +
                       "\n" + root.file("other/o.wav") + "\n" + root.file("missing.wav") + "\n")));
    EXPECT_EQ(batch.logLines, (std::vector<core::Text>{
                                  T("Directory - \"" + folder + "\"\n"), // x and y share it
                                  T("Directory - \"" + folder + "set/\"\n"),
                                  T("Directory - \"" + folder + "other/\"\n"),
                                  T("Directory - \"" + folder + "\"\n"), // missing.wav
                              }));
    EXPECT_EQ(batch.files, (std::vector<core::Text>{
                               T(root.file("x.wav")), T(root.file("y.wav")),
                               T(root.file("set/s.wav")), T(root.file("other/o.wav")),
                               T(root.file("missing.wav")), // queued: the conversion reports it
                           }));
}

TEST(DropQueue, FileNamesHoldingLineFeedsAreReassembled) {
    ScratchFolder root;
    Touch(root.file("two\nlines.wav"));
    Touch(root.file("plain.wav"));
    EXPECT_EQ(DroppedPaths(T(root.file("plain.wav") + "\n" + root.file("two\nlines.wav"))),
              (std::vector<core::Text>{T(root.file("plain.wav")), T(root.file("two\nlines.wav"))}));
    // Pieces that never make an existing path stay as they are; empty ones vanish.
    EXPECT_EQ(DroppedPaths(u"/no/such\n\n/thing\n"),
              (std::vector<core::Text>{u"/no/such", u"/thing"}));
    EXPECT_TRUE(DroppedPaths(u"").empty());
}

} // namespace
} // namespace sondrel::app
