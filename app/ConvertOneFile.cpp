#include "app/ConvertOneFile.h"

#include <algorithm>

#include <sys/stat.h>

#include "app/LogTexts.h"
#include "runtime/core/TextFileName.h"

namespace sondrel::app {
namespace {

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

std::vector<std::string> ConverterEnvironment(std::int64_t converterThreads,
                                              const std::string& corePool) {
    std::vector<std::string> environment{"AFCONVERT_PROGRESS=1"};
    if (converterThreads > 0) {
        environment.push_back("AFCONVERT_JOBS=" + std::to_string(converterThreads));
    }
    if (!corePool.empty()) {
        environment.push_back("AFCONVERT_CORE_POOL=" + corePool);
    }
    return environment;
}

bool OutputRefused(const BatchOutputs& outputs, core::TextView sourcePath,
                   core::TextView outputPath) {
    return outputs.contains(outputPath) || SameFile(sourcePath, outputPath);
}

std::optional<double> ProgressLinePart(core::TextView line) {
    constexpr core::TextView kPrefix = u"progress ";
    if (!line.starts_with(kPrefix)) {
        return std::nullopt;
    }
    // Digits, a point, digits: read here rather than by the C library,
    // whose number reading follows the locale's decimal sign.
    constexpr int kMostDigits = 15; // exact in a double
    std::int64_t digits = 0;
    int count = 0;
    double scale = 1;
    bool point = false;
    for (const char16_t unit : line.substr(kPrefix.size())) {
        if (unit == u'.' && !point) {
            point = true;
        } else if (unit >= u'0' && unit <= u'9' && count < kMostDigits) {
            digits = digits * 10 + (unit - u'0');
            ++count;
            if (point) {
                scale *= 10;
            }
        } else {
            return std::nullopt;
        }
    }
    if (count == 0) {
        return std::nullopt;
    }
    return std::min(static_cast<double>(digits) / scale, 1.0);
}

ConversionOutcome FollowConverter(RunningConverter tool,
                                  const std::atomic<std::uint8_t>& cancelRequested,
                                  std::atomic<double>* part) {
    ConverterProcess& process = tool.process();
    bool saidDone = false;
    const auto takeLine = [&] {
        const core::Text line = process.readLine();
        if (core::FindText(line, u"done") != 0) {
            saidDone = true;
        } else if (part != nullptr) {
            if (const std::optional<double> read = ProgressLinePart(line)) {
                part->store(*read, std::memory_order_relaxed);
            }
        }
    };
    while (process.isRunning()) {
        if (process.outputAvailable() > 0) {
            takeLine();
        } else {
            process.waitForOutput(1);
        }
        if (cancelRequested != 0) {
            return {ConversionResult::Cancelled, std::move(tool)};
        }
    }
    // Lines the tool printed just before it ended, the "done" line among
    // them, are still there to be read.
    while (process.outputAvailable() > 0) {
        takeLine();
    }
    const bool converted = saidDone && process.exitCode() == 0;
    tool.close();
    return {converted ? ConversionResult::Converted : ConversionResult::Failed, {}};
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

    if (OutputRefused(outputs, sourcePath, outputPath)) {
        return {Fail(log, fileNumber, fileCount, name), {}};
    }
    RunningConverter tool = RunningConverter::startProgram(
        kConverterProgram, ConverterArguments(settings, sourcePath, outputPath),
        ConverterEnvironment(settings.converterThreads));
    if (!tool) {
        return {Fail(log, fileNumber, fileCount, name), {}};
    }
    ConversionOutcome outcome = FollowConverter(std::move(tool), cancelRequested);
    switch (outcome.result) {
    case ConversionResult::Cancelled:
        break;
    case ConversionResult::Converted:
        log.replaceLine(LastLine(log), DoneLine(fileNumber, fileCount, name));
        outputs.add(outputPath);
        break;
    case ConversionResult::Failed:
        Fail(log, fileNumber, fileCount, name);
        break;
    }
    return outcome;
}

} // namespace sondrel::app
