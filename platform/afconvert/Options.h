#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/afconvert/ChannelLayout.h"
#include "platform/afconvert/DataFormat.h"
#include "platform/afconvert/FileType.h"
#include "platform/afconvert/Status.h"

namespace sondrel::afconvert {

// AAC bit-rate allocation, as -s numbers it.
enum class AacStrategy { Constant = 0, Average = 1, ConstrainedVariable = 2, Variable = 3 };

// The resampler's filter, as --src-complexity names it: line (short and
// quick), norm (the default), bats (mastering: the steepest, slowest).
enum class ResamplerComplexity { Line, Normal, Mastering };

// Which AAC encoder codes -d aac: our own, or FFmpeg's (kept for comparison).
enum class AacEncoderChoice { Default, Own, Ffmpeg };

// The command line, parsed but not yet checked against the input file.
struct Options {
    std::string inputPath;
    std::string outputPath; // empty: beside the input, named after it
    std::optional<FileType> fileType;
    std::optional<DataFormat> dataFormat;
    int channels = 0;    // 0 keeps the source's channel count
    int64_t bitRate = 0; // 0: the encoder's default
    AacStrategy strategy = AacStrategy::Average;
    std::optional<int> quality;          // -q, 0-127
    std::optional<int> resamplerQuality; // -r, 0-127
    std::optional<ResamplerComplexity> resamplerComplexity;
    std::optional<ChannelLayout> inputLayout;                // -l given twice: the first
    std::optional<ChannelLayout> outputLayout;               // -l: the last
    std::optional<int> variableQuality;                      // -ue vbrq, 0-127
    AacEncoderChoice aacEncoder = AacEncoderChoice::Default; // --aac-encoder
    int jobs = 0; // -j: threads for one long source; 0: every online CPU
    // A batch's pool of idle cores a long source may borrow threads from
    // (the name of a POSIX semaphore; empty: none).
    std::string corePool;
    // Not from the command line: tests cut short sources into small segments.
    std::optional<int64_t> segmentFrames;
    std::optional<int64_t> segmentMinimumFrames;
    bool verbose = false;
    bool progressLines = false; // --progress: "progress 0.4213" lines for programs
    bool noFiller = false;
    bool help = false;
    bool listFileTypes = false; // -hf
    // Notes for standard error about options accepted but without effect here.
    std::vector<std::string> warnings;
};

// Parses afconvert's arguments (without the program name). Options may come
// before or after the file names, in short or long form; "--name=value" also
// works, and "--" ends the options. -h wins over any other content.
Status parseOptions(const std::vector<std::string>& arguments, Options& out);

// What a program that runs afconvert asks of it without changing its command
// line: AFCONVERT_PROGRESS=1 adds the "progress F" lines (as --progress), and
// AFCONVERT_JOBS=N sets the threads for one long source where -j is not given.
// Values that do not parse are ignored.
// AFCONVERT_CORE_POOL=NAME names the batch's pool of idle cores.
void applyEnvironment(const char* progress, const char* jobs, const char* corePool, Options& out);

// The usage text that -h prints.
std::string usageText();

// What -h or -hf asks the program to print.
std::string helpText(const Options& options);

} // namespace sondrel::afconvert
