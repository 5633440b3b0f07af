#include "app/ConvertOneFile.h"

#include <sys/stat.h>

#include "app/LogTexts.h"
#include "runtime/core/TextFileName.h"
#include "runtime/core/Thread.h"
#include "runtime/system/ProgramRunner.h"

namespace sondrel::app {
namespace {

// RunKeepObject + RunReadOutput + RunWriteInput: the tool's standard output
// comes to us, and its input is a pipe nothing writes to.
constexpr int kConverterFlags =
    system::RunKeepObject | system::RunReadOutput | system::RunWriteInput;

bool SameFile(core::TextView a, core::TextView b) {
    const std::optional<std::string> firstName = core::TextToFileName(a);
    const std::optional<std::string> secondName = core::TextToFileName(b);
    struct stat first {};
    struct stat second {};
    return firstName && secondName && ::stat(firstName->c_str(), &first) == 0 &&
           ::stat(secondName->c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

// The log's last line; a progress line is always the last one.
std::int64_t LastLine(ConversionLog& log) {
    return log.lineCount() - 1;
}

ConversionResult Fail(ConversionLog& log, std::int64_t fileNumber, std::int64_t fileCount,
                      core::TextView name) {
    log.replaceLine(LastLine(log), ErrorLine(fileNumber, fileCount, name));
    log.append(kSkippedLine);
    return ConversionResult::Failed;
}

bool StillInProgress(ConversionLog& log) {
    return core::RightText(log.lineText(LastLine(log)), 5) == kProgressEnd;
}

// A line of the tool's output that says "done" marks the file's progress line
// done. Only the progress line is rewritten: a second such line must not
// overwrite (and so duplicate) a line that is no longer this file's.
void FollowLine(ConversionLog& log, core::TextView line, std::int64_t fileNumber,
                std::int64_t fileCount, core::TextView name) {
    if (core::FindText(line, u"done") != 0 && StillInProgress(log)) {
        log.replaceLine(LastLine(log), DoneLine(fileNumber, fileCount, name));
    }
}

} // namespace

core::Text SourceFileName(core::TextView path) {
    const std::size_t slash = path.rfind(u'/');
    return core::Text(slash == core::TextView::npos ? path : path.substr(slash + 1));
}

core::Text OutputBase(core::TextView fileName) {
    return core::LeftText(fileName, core::FindText(fileName, u".", 1));
}

core::Text OutputPath(core::TextView outputFolder, core::TextView sourcePath) {
    return core::Text(outputFolder) + OutputBase(SourceFileName(sourcePath)) + u"caf";
}

std::vector<core::Text> ConverterArguments(const BatchSettings& settings, core::TextView sourcePath,
                                           core::TextView outputPath) {
    std::vector<core::Text> arguments{u"-v", u"-f", u"caff", u"-d"};
    if (settings.aac) {
        arguments.insert(arguments.end(),
                         {u"aac", u"--no-filler", u"-s", core::NumberText(settings.strategyIndex),
                          u"-b", settings.bitrateText + u"000"});
    } else {
        arguments.insert(arguments.end(), {u"ima4", u"--no-filler", u"-c", u"1"});
    }
    arguments.emplace_back(sourcePath);
    arguments.emplace_back(outputPath);
    return arguments;
}

ConversionOutcome ConvertOneFile(const BatchSettings& settings, core::TextView sourcePath,
                                 std::int64_t fileNumber, std::int64_t fileCount,
                                 ConversionLog& log,
                                 const std::atomic<std::uint8_t>& cancelRequested,
                                 BatchOutputs& outputs) {
    const core::Text name = SourceFileName(sourcePath);
    const core::Text outputPath = OutputPath(settings.outputFolder, sourcePath);
    log.append(ProgressLine(fileNumber, fileCount, name));
    log.showEnd();

    if (outputs.contains(outputPath) || SameFile(sourcePath, outputPath)) {
        return {Fail(log, fileNumber, fileCount, name), {}};
    }
    RunningConverter tool(system::StartProgram(kConverterProgram,
                                               ConverterArguments(settings, sourcePath, outputPath),
                                               u"", kConverterFlags));
    if (!tool) {
        return {Fail(log, fileNumber, fileCount, name), {}};
    }
    const system::ProgramHandle program = tool.handle();
    while (system::ProgramIsRunning(program)) {
        if (system::ProgramHasOutput(program) > 0) {
            FollowLine(log, system::ReadProgramLine(program), fileNumber, fileCount, name);
        } else {
            core::SleepMilliseconds(1);
        }
        if (cancelRequested != 0) {
            return {ConversionResult::Cancelled, std::move(tool)};
        }
    }
    // Lines the tool printed just before it ended, the "done" line among
    // them, are still there to be read.
    while (system::ProgramHasOutput(program) > 0) {
        FollowLine(log, system::ReadProgramLine(program), fileNumber, fileCount, name);
    }
    const int exitCode = system::ProgramExitCode(program);
    tool.close();

    if (StillInProgress(log)) {
        return {Fail(log, fileNumber, fileCount, name), {}};
    }
    if (exitCode != 0) {
        // The tool said "done" but then failed or was killed: its word is not
        // taken, and the done line becomes the error line. The rewritten line
        // is the one before the last (empty) line.
        log.replaceLine(LastLine(log) - 1,
                        ConvertingText(fileNumber, fileCount, name) + u" - Error!");
        log.append(kSkippedLine);
        return {ConversionResult::Failed, {}};
    }
    outputs.add(outputPath);
    return {ConversionResult::Converted, {}};
}

} // namespace sondrel::app
