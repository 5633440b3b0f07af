#pragma once

// The conversion of one queued file: its progress line in the log, the
// converter run with the batch's settings, and the line rewritten to say
// whether the file was converted.

#include <atomic>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/ConversionLog.h"
#include "app/RunningConverter.h"
#include "runtime/core/Text.h"

namespace sondrel::app {

// The converter, found through the search path (the program's own folder
// comes first there, see EnterBundleContents).
inline constexpr char16_t kConverterProgram[] = u"afconvert";

// Fixed when a batch starts, except the output folder, which is read again
// for every file.
struct BatchSettings {
    core::Text bitrateText;         // "16" to "320": the bitrate item without " kbps"
    std::int64_t strategyIndex = 0; // 0 CBR, 1 ABR, 2 VBR Con, 3 VBR
    bool aac = true;                // false: IMA4, one channel
    core::Text outputFolder;        // ending in "/"
    // Threads the converter may use for one long file (-j); 0: its default,
    // every core. A batch gives each job slot its share of its cores.
    std::int64_t converterThreads = 0;
};

enum class ConversionResult { Converted, Failed, Cancelled };

struct ConversionOutcome {
    ConversionResult result = ConversionResult::Failed;
    // Cancelled only: the interrupted converter, handed to the caller, which
    // stops it (removing its unfinished output) and closes it.
    RunningConverter interrupted;
};

// The output paths a batch has written. Two sources whose names give the same
// output name (the text up to the first ".", or names without one) would
// otherwise silently overwrite each other's result.
class BatchOutputs {
public:
    bool contains(core::TextView path) const { return m_written.contains(core::Text(path)); }
    void add(core::TextView path) { m_written.emplace(path); }
    void clear() { m_written.clear(); }

private:
    std::set<core::Text, std::less<>> m_written;
};

// The part of `path` after its last "/" (all of it without one). Unlike
// FileNamePart it keeps double quotes: file names may hold them.
core::Text SourceFileName(core::TextView path);
// The name up to and including its first "." ("" without one).
core::Text OutputBase(core::TextView fileName);
// folder + base + "caf".
core::Text OutputPath(core::TextView outputFolder, core::TextView sourcePath);

// The converter's arguments, one by one: for AAC
//   -v -f caff -d aac --no-filler -s <strategy> -b <bitrate>000 <source> <output>
// and for IMA4
//   -v -f caff -d ima4 --no-filler -c 1 <source> <output>
// Each path is exactly one argument whatever it holds (blanks, quotes, line
// feeds, leading dashes).
std::vector<core::Text> ConverterArguments(const BatchSettings& settings, core::TextView sourcePath,
                                           core::TextView outputPath);

// What the converter's environment adds for the application: its progress
// lines, and the threads one long source may use (the batch's share of the
// cores; none given: every core).
std::vector<std::string> ConverterEnvironment(std::int64_t converterThreads,
                                              const std::string& corePool = {});

// A file this batch must not convert: its output is one the batch already
// wrote (two sources whose names give the same output name), or the output
// would replace the source itself.
bool OutputRefused(const BatchOutputs& outputs, core::TextView sourcePath,
                   core::TextView outputPath);

// The part of its source a converter has read, from one of its progress
// lines ("progress 0.4213"); nothing for any other line.
std::optional<double> ProgressLinePart(core::TextView line);

// Follows a started converter until it ends, reading its output. Converted
// when it printed a line containing "done" and then ended with status 0 (a
// tool that says "done" and then fails or is killed is not believed);
// otherwise Failed. `cancelRequested` is tested at least once a millisecond;
// when it is set the result is Cancelled at once and the tool is handed back
// still running. Each progress line the tool prints is stored in `part`, if
// given, which another thread may read meanwhile.
ConversionOutcome FollowConverter(RunningConverter tool,
                                  const std::atomic<std::uint8_t>& cancelRequested,
                                  std::atomic<double>* part = nullptr);

// Converts `sourcePath` as file `fileNumber` of `fileCount`, reporting in
// `log`: its progress line, rewritten to the done line, or to the error line
// followed by the skipped line. The converter is started directly and
// followed as FollowConverter says; a cancel leaves the progress line as it
// is and hands the tool back still running. A refused file (OutputRefused)
// or one whose converter cannot be started fails without a converter run.
ConversionOutcome ConvertOneFile(const BatchSettings& settings, core::TextView sourcePath,
                                 std::int64_t fileNumber, std::int64_t fileCount,
                                 ConversionLog& log,
                                 const std::atomic<std::uint8_t>& cancelRequested,
                                 BatchOutputs& outputs);

} // namespace sondrel::app
