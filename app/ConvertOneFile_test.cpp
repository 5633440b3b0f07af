#include "app/ConvertOneFile.h"

#include <cstdlib>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "app/LogTexts.h"
#include "app/testing/ConversionFixture.h"
#include "app/testing/MemoryLog.h"
#include "app/testing/TestFiles.h"
#include "platform/afconvert/Options.h"

namespace sondrel::app {
namespace {

using testing::FolderNames;
using testing::MemoryLog;
using testing::ScratchFolder;

const BatchSettings kAbr128{u"128", 1, true, {}};

TEST(ConvertOneFile, OutputNamesKeepTheSourceNameUpToItsFirstDot) {
    EXPECT_EQ(OutputPath(u"/out/", u"/music/song.mp3"), u"/out/song.caf");
    EXPECT_EQ(OutputPath(u"/out/", u"/music/my.song.mp3"), u"/out/my.caf");
    EXPECT_EQ(OutputPath(u"/out/", u"/music/noext"), u"/out/caf");
    EXPECT_EQ(OutputPath(u"/out/", u"/music/.hidden.wav"), u"/out/.caf");
    // Double quotes are part of a file name, not quoting.
    EXPECT_EQ(SourceFileName(u"/a b/say \"hi\".wav"), u"say \"hi\".wav");
    EXPECT_EQ(OutputPath(u"/out/", u"/a b/say \"hi\".wav"), u"/out/say \"hi\".caf");
    EXPECT_EQ(SourceFileName(u"plain.wav"), u"plain.wav");
}

// The arguments as the converter itself reads them: each strategy and bitrate
// comes through as the setting it names, IMA4 as one channel, and each path
// as one argument whatever it holds.
TEST(ConvertOneFile, TheConverterReadsTheSettingsAndEachPathWhole) {
    const core::Text source = u"/my music/-b 64 \"odd\"\nname.wav";
    const core::Text output = u"/out put/-s 0.caf";
    const auto parse = [&](const BatchSettings& settings) {
        std::vector<std::string> arguments;
        for (const core::Text& argument : ConverterArguments(settings, source, output)) {
            arguments.push_back(core::TextToUtf8(argument));
        }
        afconvert::Options options;
        EXPECT_TRUE(afconvert::parseOptions(arguments, options).ok());
        EXPECT_EQ(options.fileType, afconvert::FileType::Caf);
        EXPECT_EQ(options.inputPath, core::TextToUtf8(source));
        EXPECT_EQ(options.outputPath, core::TextToUtf8(output));
        EXPECT_TRUE(options.noFiller);
        return options;
    };
    for (std::int64_t strategy = 0; strategy < 4; ++strategy) {
        for (const char16_t* bitrate : {u"16", u"128", u"320"}) {
            const afconvert::Options aac = parse({bitrate, strategy, true, {}});
            ASSERT_TRUE(aac.dataFormat);
            EXPECT_EQ(aac.dataFormat->kind, afconvert::DataKind::Aac);
            EXPECT_EQ(aac.strategy, afconvert::AacStrategy(strategy));
            EXPECT_EQ(aac.bitRate, std::stoll(core::TextToUtf8(bitrate)) * 1000);
            EXPECT_EQ(aac.channels, 0); // the source's
        }
    }
    const afconvert::Options ima4 = parse({u"128", 1, false, {}});
    ASSERT_TRUE(ima4.dataFormat);
    EXPECT_EQ(ima4.dataFormat->kind, afconvert::DataKind::Ima4);
    EXPECT_EQ(ima4.channels, 1);
    // Progress lines and the batch's share of the cores come through the
    // environment, so the arguments are only the settings and the paths.
    EXPECT_FALSE(ima4.progressLines);
    EXPECT_EQ(ima4.jobs, 0);
    EXPECT_EQ(ConverterEnvironment(0), (std::vector<std::string>{"AFCONVERT_PROGRESS=1"}));
    EXPECT_EQ(ConverterEnvironment(2),
              (std::vector<std::string>{"AFCONVERT_PROGRESS=1", "AFCONVERT_JOBS=2"}));
}

class Conversion : public testing::ConversionFixture {
protected:
    ConversionOutcome convert(const std::string& source, std::int64_t number = 1,
                              std::int64_t count = 1, BatchSettings settings = kAbr128) {
        settings.outputFolder = output.folderText();
        return ConvertOneFile(settings, core::Utf8ToText(source), number, count, log, cancel,
                              outputs);
    }
};

TEST_F(Conversion, AnyFileNameConvertsAndIsMarkedDone) {
    // Blanks, double quotes, a line feed and a leading dash: still one argument each.
    const std::string name = "-v \"odd\"\nname.wav";
    ASSERT_TRUE(testing::MakeTone(input.file(name)));
    log.append(u"Directory - \"x\"\n");
    EXPECT_EQ(convert(input.file(name), 2, 3).result, ConversionResult::Converted);
    // The log is made of lines: the line feed shows as "?".
    EXPECT_EQ(log.text(),
              u"Directory - \"x\"\n \u2022 Converting (2/3) \"-v \"odd\"?name.wav\" - Done!\n")
        << core::TextToUtf8(log.text());
    EXPECT_EQ(log.showEndCount(), 1);
    EXPECT_TRUE(testing::DecodesAs(output.file("-v \"odd\"\nname.caf"), "aac", 2));
    EXPECT_EQ(FolderNames(output.path()), std::vector<std::string>{"-v \"odd\"\nname.caf"});
}

TEST_F(Conversion, Ima4IsOneChannel) {
    ASSERT_TRUE(testing::MakeTone(input.file("fx.aif"), 0.3, 22050, 2));
    EXPECT_EQ(convert(input.file("fx.aif"), 1, 1, BatchSettings{u"16", 0, false, {}}).result,
              ConversionResult::Converted);
    EXPECT_TRUE(testing::DecodesAs(output.file("fx.caf"), "adpcm_ima_qt", 1));
}

TEST_F(Conversion, AFileTheConverterRefusesIsLoggedAndSkipped) {
    std::ofstream(input.file("notes.txt")) << "not audio at all\n";
    EXPECT_EQ(convert(input.file("notes.txt"), 1, 2).result, ConversionResult::Failed);
    EXPECT_EQ(log.text(), u" \u2022 Converting (1/2) \"notes.txt\" - Error!\n"
                          u"   Unable to convert. File skipped.\n");
    EXPECT_TRUE(FolderNames(output.path()).empty());

    // A path that names nothing fails the same way.
    EXPECT_EQ(convert(input.file("gone.wav"), 2, 2).result, ConversionResult::Failed);
    EXPECT_EQ(log.lineText(2), u" \u2022 Converting (2/2) \"gone.wav\" - Error!");
    EXPECT_EQ(log.lineText(3), u"   Unable to convert. File skipped.");
}

TEST_F(Conversion, AConverterThatCannotBeStartedFailsTheFile) {
    ASSERT_TRUE(testing::MakeTone(input.file("a.wav")));
    ::setenv("PATH", tools.path().c_str(), 1); // holds no afconvert
    EXPECT_EQ(convert(input.file("a.wav")).result, ConversionResult::Failed);
    EXPECT_EQ(log.text(), u" \u2022 Converting (1/1) \"a.wav\" - Error!\n"
                          u"   Unable to convert. File skipped.\n");
}

TEST_F(Conversion, TwoSourcesWithOneOutputNameNeverOverwriteEachOther) {
    ASSERT_TRUE(testing::MakeTone(input.file("take.one.wav"), 0.2));
    ASSERT_TRUE(testing::MakeTone(input.file("take.two.wav"), 0.4));
    EXPECT_EQ(convert(input.file("take.one.wav"), 1, 2).result, ConversionResult::Converted);
    const auto firstSize = std::filesystem::file_size(output.file("take.caf"));
    EXPECT_EQ(convert(input.file("take.two.wav"), 2, 2).result, ConversionResult::Failed);
    EXPECT_EQ(std::filesystem::file_size(output.file("take.caf")), firstSize);
    EXPECT_EQ(log.lineText(1), u" \u2022 Converting (2/2) \"take.two.wav\" - Error!");
    EXPECT_EQ(log.lineText(2), u"   Unable to convert. File skipped.");
}

TEST_F(Conversion, AnOutputThatWouldReplaceItsSourceIsRefused) {
    ASSERT_TRUE(testing::MakeTone(output.file("loop.wav")));
    std::filesystem::rename(output.file("loop.wav"), output.file("loop.caf"));
    const auto size = std::filesystem::file_size(output.file("loop.caf"));
    EXPECT_EQ(convert(output.file("loop.caf")).result, ConversionResult::Failed);
    EXPECT_EQ(std::filesystem::file_size(output.file("loop.caf")), size);
}

TEST_F(Conversion, ADoneLinePrintedJustBeforeTheEndIsStillSeen) {
    useScriptedConverter("echo progress; echo done");
    EXPECT_EQ(convert(input.file("a.wav")).result, ConversionResult::Converted);
    EXPECT_EQ(log.text(), u" \u2022 Converting (1/1) \"a.wav\" - Done!\n");
}

TEST_F(Conversion, OnlyTheProgressLineIsMarkedDone) {
    useScriptedConverter("echo 'done 1'; sleep 0.05; echo 'all done'");
    log.append(u"Directory - \"x\"\n");
    EXPECT_EQ(convert(input.file("a.wav")).result, ConversionResult::Converted);
    EXPECT_EQ(log.text(), u"Directory - \"x\"\n \u2022 Converting (1/1) \"a.wav\" - Done!\n");
}

TEST(ConverterProgress, OnlyTheMachineLinesAreRead) {
    EXPECT_EQ(ProgressLinePart(u"progress 0.4213"), 0.4213);
    EXPECT_EQ(ProgressLinePart(u"progress 1.0000"), 1.0);
    EXPECT_EQ(ProgressLinePart(u"progress 0"), 0.0);
    EXPECT_EQ(ProgressLinePart(u"progress 7.5"), 1.0); // never more than the whole
    for (const char16_t* other : {u"progress: 40%", u"progress ", u"progress 0.5.1",
                                  u"progress -0.5", u" progress 0.5", u"progress 0.5 ", u"done"}) {
        EXPECT_FALSE(ProgressLinePart(other)) << core::TextToUtf8(other);
    }
}

TEST_F(Conversion, TheToolsProgressLinesReachTheCallerAndDoNotMisleadIt) {
    // The -v lines for people pass by; the last machine line stays.
    useScriptedConverter("echo 'progress 0.2500'; echo 'progress: 50%'; echo 'progress 0.7500'; "
                         "echo 'input: 1 channel'; echo done");
    std::atomic<double> part{0};
    ConversionOutcome outcome =
        FollowConverter(RunningConverter::startProgram(kConverterProgram, {}), cancel, &part);
    EXPECT_EQ(outcome.result, ConversionResult::Converted);
    EXPECT_EQ(part.load(), 0.75);
    // Progress without "done" is still a failure.
    useScriptedConverter("echo 'progress 1.0000'");
    EXPECT_EQ(FollowConverter(RunningConverter::startProgram(kConverterProgram, {}), cancel, &part)
                  .result,
              ConversionResult::Failed);
}

TEST_F(Conversion, WithoutADoneLineTheFileFails) {
    useScriptedConverter("echo 'Done in capitals does not count'; exit 0");
    EXPECT_EQ(convert(input.file("a.wav")).result, ConversionResult::Failed);
    EXPECT_EQ(log.text(), u" \u2022 Converting (1/1) \"a.wav\" - Error!\n"
                          u"   Unable to convert. File skipped.\n");
}

TEST_F(Conversion, ADoneLineCountsOnlyWhenTheToolThenEndsWell) {
    // "done", then a failure status: the done line becomes the error line.
    useScriptedConverter("echo done; exit 3");
    log.append(u"Directory - \"x\"\n");
    EXPECT_EQ(convert(input.file("a.wav"), 1, 2).result, ConversionResult::Failed);
    EXPECT_EQ(log.text(), u"Directory - \"x\"\n \u2022 Converting (1/2) \"a.wav\" - Error!\n"
                          u"   Unable to convert. File skipped.\n");
    // "done", then killed by a signal: the same, and the next file is logged
    // after it as usual.
    useScriptedConverter("echo done; kill -9 $$");
    EXPECT_EQ(convert(input.file("b.wav"), 2, 2).result, ConversionResult::Failed);
    EXPECT_EQ(log.text(), u"Directory - \"x\"\n \u2022 Converting (1/2) \"a.wav\" - Error!\n"
                          u"   Unable to convert. File skipped.\n"
                          u" \u2022 Converting (2/2) \"b.wav\" - Error!\n"
                          u"   Unable to convert. File skipped.\n");
    // A file that failed so may be tried again within the batch.
    useScriptedConverter("echo done");
    EXPECT_EQ(convert(input.file("a.wav"), 1, 1).result, ConversionResult::Converted);
}

TEST_F(Conversion, ACancelHandsBackTheRunningToolAndStoppingItLeavesNoOutput) {
    // A long input, so the converter is surely still writing when cancelled.
    ASSERT_TRUE(testing::MakeTone(input.file("long.wav"), 120.0));
    std::jthread canceller([this] {
        testing::WaitUntilWritingInto(output.path());
        cancel = 1;
    });
    ConversionOutcome outcome = convert(input.file("long.wav"), 3, 5);
    ASSERT_EQ(outcome.result, ConversionResult::Cancelled);
    ASSERT_TRUE(outcome.interrupted);
    EXPECT_EQ(log.text(), u" \u2022 Converting (3/5) \"long.wav\" . . .");
    outcome.interrupted.stop();
    EXPECT_FALSE(outcome.interrupted);
    EXPECT_TRUE(FolderNames(output.path()).empty());
}

} // namespace
} // namespace sondrel::app
