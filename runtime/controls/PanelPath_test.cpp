#include "runtime/controls/PanelPath.h"

#include <gtest/gtest.h>

namespace sondrel::controls {
namespace {

TEST(PanelPathTest, SplitsAtTheLastSlashAfterTheFirstUnit) {
    EXPECT_EQ(SplitPanelPath(u"", false), (PanelPath{false, u"", u""}));
    EXPECT_EQ(SplitPanelPath(u"/home/user/song.wav", false),
              (PanelPath{true, u"/home/user", u"song.wav"}));
    EXPECT_EQ(SplitPanelPath(u"song.wav", false), (PanelPath{false, u"", u"song.wav"}));
    EXPECT_EQ(SplitPanelPath(u"/x", false), (PanelPath{false, u"", u"/x"}))
        << "the first unit is never taken";
    EXPECT_EQ(SplitPanelPath(u"/home/user/", false), (PanelPath{true, u"/home/user", u""}));
}

TEST(PanelPathTest, FolderModeOpensTheParentOfANamedFolder) {
    EXPECT_EQ(SplitPanelPath(u"/home/user/Music/", true),
              (PanelPath{true, u"/home/user", u"Music/"}));
    EXPECT_EQ(SplitPanelPath(u"/home/user/Music", true),
              (PanelPath{true, u"/home/user", u"Music"}));
    EXPECT_EQ(SplitPanelPath(u"Music/", true), (PanelPath{false, u"", u"Music"}));
    EXPECT_EQ(SplitPanelPath(u"/", true), (PanelPath{false, u"", u""}));
    EXPECT_EQ(SplitPanelPath(u"//", true), (PanelPath{false, u"", u"/"}));
}

} // namespace
} // namespace sondrel::controls
