#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include "app/InfoWindows.h"
#include "app/testing/SondrelProcess.h"
#include "runtime/core/TextFileName.h"

namespace sondrel::app {
namespace {

using Action = CommandLine::Action;

CommandLine Parse(const std::vector<std::string>& arguments, const std::string& folder = "/w/d") {
    return ParseCommandLine(arguments, folder);
}

TEST(CommandLine, ItemsBecomeAbsolutePathsInOrder) {
    const CommandLine line =
        Parse({"a.wav", "../b/c.wav", "/abs/x y.wav", "album/", "./d.aif", "-", "caf\xff.wav", ""});
    EXPECT_EQ(line.action, Action::Run);
    EXPECT_EQ(line.items, (std::vector<core::Text>{u"/w/d/a.wav", u"/w/b/c.wav", u"/abs/x y.wav",
                                                   u"/w/d/album/", u"/w/d/d.aif", u"/w/d/-",
                                                   core::FileNameToText("/w/d/caf\xff.wav")}));
    EXPECT_TRUE(line.toolkitArguments.empty());
    // Without a working folder only absolute paths can be named.
    EXPECT_EQ(Parse({"/abs.wav"}, "").items, std::vector<core::Text>{u"/abs.wav"});
    const CommandLine lost = Parse({"/abs.wav", "rel.wav"}, "");
    EXPECT_EQ(lost.action, Action::Error);
    EXPECT_NE(lost.error.find("'rel.wav'"), std::string::npos) << lost.error;
}

TEST(CommandLine, ToolkitOptionsAreKeptForTheToolkit) {
    const CommandLine line = Parse({"-platform", "offscreen", "a.wav", "--style=fusion", "-reverse",
                                    "--display", ":1", "b.wav", "-qwindowtitle", "T"});
    EXPECT_EQ(line.action, Action::Run);
    EXPECT_EQ(line.toolkitArguments,
              (std::vector<std::string>{"-platform", "offscreen", "--style=fusion", "-reverse",
                                        "--display", ":1", "-qwindowtitle", "T"}));
    EXPECT_EQ(line.items, (std::vector<core::Text>{u"/w/d/a.wav", u"/w/d/b.wav"}));
    // "--" ends the options: what follows is a file, whatever it looks like.
    const CommandLine ended = Parse({"--", "-platform", "--help", "--"});
    EXPECT_EQ(ended.action, Action::Run);
    EXPECT_EQ(ended.items,
              (std::vector<core::Text>{u"/w/d/-platform", u"/w/d/--help", u"/w/d/--"}));
    EXPECT_TRUE(ended.toolkitArguments.empty());
}

TEST(CommandLine, HelpVersionAndErrors) {
    EXPECT_EQ(Parse({"a.wav", "--help", "--bogus"}).action, Action::Help);
    EXPECT_EQ(Parse({"-h"}).action, Action::Help);
    EXPECT_EQ(Parse({"--version", "a.wav"}).action, Action::Version);
    const CommandLine unknown = Parse({"a.wav", "--bogus", "--help"});
    EXPECT_EQ(unknown.action, Action::Error);
    EXPECT_EQ(unknown.error, "sondrel: unknown option '--bogus' (see 'sondrel --help')");
    EXPECT_EQ(Parse({"-x"}).action, Action::Error);
    const CommandLine missing = Parse({"a.wav", "-platform"});
    EXPECT_EQ(missing.action, Action::Error);
    EXPECT_EQ(missing.error, "sondrel: option '-platform' needs a value (see 'sondrel --help')");
    EXPECT_EQ(UsageText().rfind("Usage: sondrel [--help] [--version] [FILE|FOLDER...]\n", 0), 0u);
    // The version printed is the one the About window shows.
    const std::string version = VersionText();
    ASSERT_TRUE(version.starts_with("sondrel ") && version.ends_with("\n")) << version;
    EXPECT_EQ(core::Utf8ToText(version.substr(8, version.size() - 9)),
              core::Text(kVersionText).substr(9));
}

// The real program: --help and --version print and end without opening any
// window (here no display could be reached), an unknown option is one line on
// standard error and status 2.
TEST(CommandLine, TheProgramAnswersWithoutAWindow) {
    const std::vector<std::string> noDisplay{"QT_QPA_PLATFORM=xcb", "-DISPLAY", "-WAYLAND_DISPLAY"};
    testing::SondrelProcess help(noDisplay, {"--help"}, true);
    const auto [helpOut, helpError] = help.finish();
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_EQ(helpOut, UsageText());
    EXPECT_EQ(helpError, "");

    testing::SondrelProcess version(noDisplay, {"-platform", "xcb", "--version"}, true);
    const auto [versionOut, versionError] = version.finish();
    EXPECT_EQ(version.exitCode(), 0);
    EXPECT_EQ(versionOut, VersionText());

    testing::SondrelProcess wrong(noDisplay, {"a.wav", "--frobnicate"}, true);
    const auto [wrongOut, wrongError] = wrong.finish();
    EXPECT_EQ(wrong.exitCode(), 2);
    EXPECT_EQ(wrongOut, "");
    EXPECT_EQ(wrongError, "sondrel: unknown option '--frobnicate' (see 'sondrel --help')\n");
}

} // namespace
} // namespace sondrel::app
