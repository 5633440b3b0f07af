// Every failure ends with exit status 1, a one-line message on standard
// error naming the file and the reason, no "done", and no file left behind.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/afconvert/TestSupport.h"

namespace sondrel::afconvert::testing {
namespace {

void expectCleanFailure(const RunResult& r, const std::string& mentions) {
    EXPECT_EQ(r.exitCode, 1) << r.err;
    std::string lower = r.out;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    EXPECT_EQ(lower.find("done"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(mentions), std::string::npos) << r.err;
}

std::string ima4(const std::string& in, const std::string& out) {
    return "-v -f caff -d ima4 --no-filler -c 1 " + quote(in) + " " + quote(out);
}

TEST(AfconvertFailures, BadInputsLeaveNothingBehind) {
    TempDir dir;
    const std::string out = dir / "out.caf";

    expectCleanFailure(afconvert(ima4(dir / "missing.wav", out)), "missing.wav: No such file");

    const std::string text = dir / "notes.wav";
    std::ofstream(text) << "This is a shopping list, not a sound.\nMilk\nBread\n";
    expectCleanFailure(afconvert(ima4(text, out)), "notes.wav: not an audio file");

    const std::string whole = dir / "whole.wav", cut = dir / "cut.wav";
    makeTones(whole, 0.5, 44100, {440, 440});
    const std::string bytes = readFile(whole);
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    expectCleanFailure(afconvert(ima4(cut, out)), "cut.wav: the file is truncated");

    auto names = dir.entries();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"cut.wav", "notes.wav", "whole.wav"}));
}

TEST(AfconvertFailures, BadOptionsAreOneLineErrors) {
    TempDir dir;
    const std::string in = dir / "in.wav", out = dir / "out.caf";
    makeTones(in, 0.2, 44100, {440});
    const std::string files = quote(in) + " " + quote(out);

    expectCleanFailure(afconvert("--frobnicate -f caff -d aac " + files),
                       "unknown option --frobnicate");
    expectCleanFailure(afconvert("-f caff -d aach " + files),
                       "'aach' (HE-AAC) cannot be made here");
    expectCleanFailure(afconvert("-f caff -d aac -b " + files), "invalid value");
    expectCleanFailure(afconvert(files), "no output file or data format specified");
    expectCleanFailure(afconvert("-f WAVE -d aac " + files), "a WAVE file cannot hold aac data");
    expectCleanFailure(afconvert("-f caff -d aac -b 4000 " + files),
                       "out of the AAC encoder's range");
    expectCleanFailure(afconvert("-f caff -d aac@22000 " + files),
                       "aac cannot be encoded at 22000 Hz");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.wav"});

    const RunResult help = afconvert("-h");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: afconvert"), std::string::npos);
}

TEST(AfconvertFailures, UnwritableFolderAndFullDisk) {
    TempDir dir;
    const std::string in = dir / "in.wav";
    makeTones(in, 2.0, 44100, {440, 440});
    fs::create_directory(dir / "locked");
    fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec |
                                        fs::perms::group_read | fs::perms::group_exec |
                                        fs::perms::others_read | fs::perms::others_exec);
    // As root, permissions do not bind: run the tool as nobody then.
    const std::string asUser =
        ::geteuid() == 0 ? "setpriv --reuid=nobody --regid=nogroup --clear-groups " : "";
    const RunResult locked =
        runShell(asUser + quote(afconvertPath()) + " " + ima4(in, dir / "locked/out.caf"));
    expectCleanFailure(locked, "cannot create a file in the folder");
    EXPECT_TRUE(fs::is_empty(dir / "locked"));

    // A 64 KiB file-size limit: the 2 s of audio need more. The tool must
    // report it (SIGXFSZ is ignored, so writes fail) and remove its file.
    for (const std::string& format : {std::string("-d ima4 -c 1"), std::string("-d LEI16"),
                                      std::string("-d aac -s 0 -b 320000")}) {
        SCOPED_TRACE(format);
        const RunResult full = runShell("ulimit -f 64; " + quote(afconvertPath()) + " -f caff " +
                                        format + " " + quote(in) + " " + quote(dir / "big.caf"));
        expectCleanFailure(full, "file too large");
        EXPECT_FALSE(fs::exists(dir / "big.caf"));
    }
    EXPECT_EQ(dir.entries().size(), 2u); // in.wav and the locked folder
}

TEST(AfconvertFailures, ExistingOutputIsReplacedOnlyOnSuccess) {
    TempDir dir;
    const std::string in = dir / "in.wav", out = dir / "keep.caf";
    makeTones(in, 0.2, 44100, {440});
    std::ofstream(out) << "precious";
    const std::string cut = dir / "cut.wav";
    std::ofstream(cut, std::ios::binary) << readFile(in).substr(0, 2000);
    expectCleanFailure(afconvert(ima4(cut, out)), "truncated");
    EXPECT_EQ(readFile(out), "precious");
    const RunResult ok = afconvert(ima4(in, out));
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_EQ(readFile(out).substr(0, 4), "caff");
}

TEST(AfconvertOutput, DoneOnlyOnTheLastLineWhateverTheNames) {
    TempDir dir;
    const std::string in = dir / "Done done DONE.wav";
    makeTones(in, 0.3, 44100, {440});
    const RunResult r = afconvert("-v -f caff -d aac " + quote(in) + " " + quote(dir / "done.caf"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto lines = r.outLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), "done");
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        std::string lower = lines[i];
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        EXPECT_EQ(lower.find("done"), std::string::npos) << lines[i];
    }
    EXPECT_NE(r.err.find("Done done DONE.wav"), std::string::npos); // names go to standard error
}

} // namespace
} // namespace sondrel::afconvert::testing
