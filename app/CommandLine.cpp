#include "app/CommandLine.h"

#include <filesystem>

#include "runtime/core/TextFileName.h"
#include "runtime/windowing/ApplicationLaunch.h"

namespace sondrel::app {
namespace {

constexpr char kSeeHelp[] = " (see 'sondrel --help')";

CommandLine Failure(std::string message) {
    CommandLine line;
    line.action = CommandLine::Action::Error;
    line.error = "sondrel: " + std::move(message) + kSeeHelp;
    return line;
}

CommandLine Only(CommandLine::Action action) {
    CommandLine line;
    line.action = action;
    return line;
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const std::string& workingFolder) {
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!optionsEnded && argument.starts_with('-') && argument != "-") {
            if (argument == "--") {
                optionsEnded = true;
            } else if (argument == "--help" || argument == "-h") {
                return Only(CommandLine::Action::Help);
            } else if (argument == "--version") {
                return Only(CommandLine::Action::Version);
            } else if (const int length = windowing::ToolkitOptionLength(argument); length > 0) {
                if (i + length > arguments.size()) {
                    return Failure("option '" + argument + "' needs a value");
                }
                line.toolkitArguments.insert(
                    line.toolkitArguments.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i),
                    arguments.begin() + static_cast<std::ptrdiff_t>(i + length));
                i += static_cast<std::size_t>(length) - 1;
            } else {
                return Failure("unknown option '" + argument + "'");
            }
            continue;
        }
        if (argument.empty()) {
            continue;
        }
        std::filesystem::path path(argument);
        if (path.is_relative()) {
            if (workingFolder.empty()) {
                return Failure("cannot find '" + argument + "': the working folder is unknown");
            }
            path = (std::filesystem::path(workingFolder) / path).lexically_normal();
        }
        line.items.push_back(core::FileNameToText(path.native()));
    }
    return line;
}

std::string UsageText() {
    return "Usage: sondrel [--help] [--version] [FILE|FOLDER...]\n"
           "Converts audio files into Core Audio Format (.caf) files.\n"
           "\n"
           "The files and folders named are queued as if dropped on the log of the window;\n"
           "when Sondrel already runs on this display, they go to its window instead.\n"
           "\n"
           "  -h, --help     show this help and end\n"
           "      --version  show the version and end\n"
           "      --         end the options: every later argument is a file or folder\n"
           "\n"
           "Qt's own options (-platform, -style, -display and the rest) are taken as well.\n";
}

std::string VersionText() {
    return std::string("sondrel ") + SONDREL_VERSION + "\n";
}

} // namespace sondrel::app
