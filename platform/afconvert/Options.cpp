#include "platform/afconvert/Options.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace sondrel::afconvert {

namespace {

bool parseInt(const std::string& text, int64_t& value) {
    if (text.empty())
        return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

Status intInRange(const std::string& option, const std::string& text, int64_t low, int64_t high,
                  int64_t& value) {
    if (!parseInt(text, value) || value < low || value > high)
        return Status::failure("invalid value '" + text + "' for " + option + " (expected " +
                               std::to_string(low) + " to " + std::to_string(high) + ")");
    return {};
}

// Reads the encoder properties scripts pass with -u/-ue: what has a meaning
// here is applied, the rest is reported as ignored.
Status applyProperty(const std::string& property, const std::string& value, Options& out) {
    std::string code;
    for (char c : property)
        if (c != '\'' && c != '"')
            code += c;
    if (code == "vbrq") {
        int64_t quality = 0;
        AFC_TRY(intInRange("-ue vbrq", value, 0, 127, quality));
        out.variableQuality = static_cast<int>(quality);
        return {};
    }
    out.warnings.push_back("encoder property '" + code + "' has no effect here; ignored");
    return {};
}

Status parseComplexity(const std::string& text, ResamplerComplexity& out) {
    std::string code;
    for (char c : text)
        if (c != '\'' && c != '"')
            code += c;
    if (code == "line")
        out = ResamplerComplexity::Line;
    else if (code == "norm")
        out = ResamplerComplexity::Normal;
    else if (code == "bats")
        out = ResamplerComplexity::Mastering;
    else
        return Status::failure("invalid value '" + text +
                               "' for --src-complexity (expected line, norm or bats)");
    return {};
}

// -l once names the output's layout; twice, the input's and then the output's.
Status addChannelLayout(const std::string& text, Options& out) {
    ChannelLayout layout;
    AFC_TRY(parseChannelLayout(text, layout));
    if (out.inputLayout)
        return Status::failure(
            "-l given more than twice (once for the input, once for the output)");
    if (out.outputLayout)
        out.inputLayout = std::move(out.outputLayout);
    out.outputLayout = std::move(layout);
    return {};
}

struct Cursor {
    const std::vector<std::string>& arguments;
    size_t index = 0;

    // The value of an option: the part after '=' or the next argument.
    Status value(const std::string& option, const std::optional<std::string>& inlineValue,
                 std::string& out) {
        if (inlineValue) {
            out = *inlineValue;
            return {};
        }
        if (index + 1 >= arguments.size())
            return Status::failure("missing value for option " + option);
        out = arguments[++index];
        return {};
    }
};

Status parseOne(Cursor& cursor, const std::string& name,
                const std::optional<std::string>& inlineValue, Options& out) {
    std::string value;
    int64_t number = 0;
    if (name == "-f" || name == "--file") {
        AFC_TRY(cursor.value(name, inlineValue, value));
        FileType type{};
        AFC_TRY(parseFileType(value, type));
        out.fileType = type;
    } else if (name == "-d" || name == "--data") {
        AFC_TRY(cursor.value(name, inlineValue, value));
        DataFormat format;
        AFC_TRY(parseDataFormat(value, format));
        if (format.flags)
            out.warnings.push_back("format flags in '" + value + "' are not needed here; ignored");
        out.dataFormat = format;
    } else if (name == "-c" || name == "--channels") {
        AFC_TRY(cursor.value(name, inlineValue, value));
        AFC_TRY(intInRange(name, value, 1, 8, number));
        out.channels = static_cast<int>(number);
    } else if (name == "-b" || name == "--bitrate") {
        AFC_TRY(cursor.value(name, inlineValue, value));
        AFC_TRY(intInRange(name, value, 1, 100'000'000, number));
        out.bitRate = number;
    } else if (name == "-s" || name == "--strategy") {
        AFC_TRY(cursor.value(name, inlineValue, value));
        AFC_TRY(intInRange(name, value, 0, 3, number));
        out.strategy = static_cast<AacStrategy>(number);
    } else if (name == "-j" || name == "--jobs") {
        AFC_TRY(cursor.value(name, inlineValue, value));
        AFC_TRY(intInRange(name, value, 1, 1024, number));
        out.jobs = static_cast<int>(number);
    } else if (name == "-q" || name == "--quality") {
        AFC_TRY(cursor.value(name, inlineValue, value));
        AFC_TRY(intInRange(name, value, 0, 127, number));
        out.quality = static_cast<int>(number);
    } else if (name == "-r" || name == "--src-quality") {
        AFC_TRY(cursor.value(name, inlineValue, value));
        AFC_TRY(intInRange(name, value, 0, 127, number));
        out.resamplerQuality = static_cast<int>(number);
    } else if (name == "--src-complexity") {
        AFC_TRY(cursor.value(name, inlineValue, value));
        ResamplerComplexity complexity{};
        AFC_TRY(parseComplexity(value, complexity));
        out.resamplerComplexity = complexity;
    } else if (name == "--aac-encoder") {
        AFC_TRY(cursor.value(name, inlineValue, value));
        if (value == "own")
            out.aacEncoder = AacEncoderChoice::Own;
        else if (value == "ffmpeg")
            out.aacEncoder = AacEncoderChoice::Ffmpeg;
        else
            return Status::failure("invalid value '" + value +
                                   "' for --aac-encoder (expected own or ffmpeg)");
    } else if (name == "-l" || name == "--channel-layout" || name == "--channellayout") {
        AFC_TRY(cursor.value(name, inlineValue, value));
        AFC_TRY(addChannelLayout(value, out));
    } else if (name == "-o") {
        AFC_TRY(cursor.value(name, inlineValue, value));
        if (!out.outputPath.empty())
            return Status::failure("more than one output file given");
        if (value.empty())
            return Status::failure("empty output file name");
        out.outputPath = value;
    } else if (name == "-u" || name == "-ue" || name == "--userproperty") {
        std::string property;
        AFC_TRY(cursor.value(name, inlineValue, property));
        AFC_TRY(cursor.value(name, std::nullopt, value));
        AFC_TRY(applyProperty(property, value, out));
    } else if (inlineValue) {
        return Status::failure("option " + name + " takes no value");
    } else if (name == "-v" || name == "--verbose") {
        out.verbose = true;
    } else if (name == "--progress") {
        out.progressLines = true;
    } else if (name == "--no-filler") {
        out.noFiller = true;
    } else if (name == "--soundcheck-generate" || name == "--soundcheck-read") {
        out.warnings.push_back(name + ": Sound Check loudness data is not made or copied here; the "
                                      "audio is converted without it");
    } else {
        return Status::failure("unknown option " + name);
    }
    return {};
}

} // namespace

void applyEnvironment(const char* progress, const char* jobs, const char* corePool, Options& out) {
    if (corePool && corePool[0] == '/')
        out.corePool = corePool;
    if (progress && std::string_view(progress) == "1")
        out.progressLines = true;
    int64_t threads = 0;
    if (jobs && out.jobs == 0 && parseInt(jobs, threads) && threads >= 1 && threads <= 256)
        out.jobs = static_cast<int>(threads);
}

Status parseOptions(const std::vector<std::string>& arguments, Options& out) {
    out = Options{};
    for (const std::string& a : arguments) {
        out.help = out.help || a == "-h" || a == "--help" || a == "-hf";
        out.listFileTypes = out.listFileTypes || a == "-hf";
    }
    if (out.help)
        return {};
    std::vector<std::string> files;
    bool optionsEnded = false;
    Cursor cursor{arguments};
    for (; cursor.index < arguments.size(); ++cursor.index) {
        const std::string& argument = arguments[cursor.index];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        std::string name = argument;
        const size_t equals = argument.find('=');
        if (argument.starts_with("--") && equals != std::string::npos) {
            name = argument.substr(0, equals);
            inlineValue = argument.substr(equals + 1);
        }
        AFC_TRY(parseOne(cursor, name, inlineValue, out));
    }
    if (files.empty())
        return Status::failure("no input file given");
    if (files.size() > 2 || (files.size() == 2 && !out.outputPath.empty()))
        return Status::failure("too many file names (one input and at most one output)");
    if (files[0].empty())
        return Status::failure("empty input file name");
    out.inputPath = files[0];
    if (files.size() == 2) {
        if (files[1].empty())
            return Status::failure("empty output file name");
        out.outputPath = files[1];
    }
    if (!out.fileType && !out.dataFormat)
        return Status::failure("no output file or data format specified");
    return {};
}

std::string usageText() {
    return R"(Usage: afconvert [options] input_file [output_file]

Converts an audio file that FFmpeg can read into another format.

Options (before or after the file names):
  -f, --file TYPE         output file type: caff, WAVE, AIFF, AIFC, m4af, mp4f, adts, NeXT
  -d, --data FORMAT[@RATE][/FLAGS][#FRAMES]
                          output data format: LEI16 BEI16 LEI24 BEI24 LEI32 BEI32
                          LEF32 BEF32 LEF64 BEF64 UI8 I8, ulaw, alaw, ima4, aac, alac;
                          @RATE resamples (for example LEI16@44100)
  -c, --channels N        output channel count (1 mixes down, 2 from mono duplicates)
  -b, --bitrate N         AAC total bit rate in bits per second
  -s, --strategy N        AAC bit-rate allocation: 0 constant, 1 average (default),
                          2 constrained variable, 3 variable
  -q, --quality N         encoder quality, 0 to 127
  -r, --src-quality N     resampler quality, 0 to 127
      --src-complexity C  resampler: line (quick), norm (default) or bats (mastering)
      --aac-encoder E     own (the default: Sondrel's AAC encoder) or ffmpeg
                          (FFmpeg's, for comparison; also used for more than
                          six channels)
  -l, --channel-layout TAG
                          output channel layout: a layout tag (Mono, Stereo,
                          Quadraphonic, MPEG_5_1_A, AAC_5_1, MPEG_7_1_C...) or
                          mono, stereo, quad, 5.0, 5.1, 6.1, 7.1; given twice,
                          the first describes the input's channels
  -u, -ue PROPERTY VALUE  encoder property (vbrq N: variable-rate quality, 0 to 127)
  -o FILE                 output file
      --no-filler         no 'free' padding chunk in a CAF file
      --soundcheck-generate, --soundcheck-read
                          accepted; Sound Check data is not made here (a warning says so)
  -j, --jobs N            threads for one long WAV or AIFF source to PCM or IMA4
                          (default: every online CPU); the file is the same
  -v, --verbose           progress on standard output
      --progress          for programs: a line "progress F" on standard output at
                          most twice a second, F the part converted (0 to 1)
  -h, --help              this text
  -hf                     the file types and the data formats each can hold

At least one of -f and -d is needed; the other follows from it or from the
output file's extension. Without an output file the result is written beside
the input, named after it with the file type's extension.

The output is exactly as long as the input says it is: encoder priming and
padding that the input's container records (MP4 edit lists and iTunSMPB
tags, CAF packet tables, Ogg granule positions, MP3 encoder headers) are
left out. Resampled, it has the input's frames scaled by the rate ratio,
rounded to the nearest frame.
)";
}

std::string helpText(const Options& options) {
    return options.listFileTypes ? fileTypesText() : usageText();
}

} // namespace sondrel::afconvert
