#pragma once

// Sondrel's command line: `sondrel [--help] [--version] [FILE|FOLDER...]`. The files and folders
// are queued as a drop of them on the log would be (or handed to the Sondrel already running on
// the display). The toolkit's own options (-platform, -style, -display and the rest) may stand
// anywhere before "--", which ends the options: everything after it is a file or folder.

#include <string>
#include <vector>

#include "runtime/core/Text.h"

namespace sondrel::app {

struct CommandLine {
    enum class Action {
        Run,     // start (or hand the items over)
        Help,    // print UsageText and end, status 0
        Version, // print VersionText and end, status 0
        Error,   // print `error` on standard error and end, status 2
    };
    Action action = Action::Run;
    // The files and folders named, as absolute paths, in order.
    std::vector<core::Text> items;
    // The toolkit's options with their values, in order.
    std::vector<std::string> toolkitArguments;
    // The one-line message for Action::Error.
    std::string error;
};

// Reads the arguments after the program's name. Relative items are taken from `workingFolder`
// (absolute; empty when unknown, which makes a relative item an error).
CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const std::string& workingFolder);

// What --help and --version print, each ending in a line feed.
std::string UsageText();
std::string VersionText();

} // namespace sondrel::app
