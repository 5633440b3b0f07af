// afconvert: converts audio files, with the command line of the tool of
// that name. The last line on standard output says "done" once the output
// file is complete; every failure is one line on standard error and exit
// status 1, with no output file left behind.

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "platform/afconvert/Console.h"
#include "platform/afconvert/Converter.h"
#include "platform/afconvert/EngineLoader.h"
#include "platform/afconvert/LeanEngine.h"
#include "platform/afconvert/Options.h"
#include "platform/afconvert/OutputFile.h"

using namespace sondrel::afconvert;

int main(int argc, char** argv) {
    // A file-size limit makes writes fail with EFBIG, reported like a full disk,
    // instead of killing the process with a half-written file.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    OutputFile::installSignalCleanup();

    Console console(stdout, stderr);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    Options options;
    if (Status status = parseOptions(arguments, options); !status.ok()) {
        console.error("afconvert: " + status.message());
        console.error("Try 'afconvert -h' for usage.");
        return 1;
    }
    if (options.help) {
        console.usage(helpText(options));
        return 0;
    }
    for (const std::string& warning : options.warnings)
        console.error("afconvert: warning: " + warning);

    LeanEngine lean;
    Engines engines{lean, &loadFullEngine};
    std::string written;
    if (Status status = convertFile(options, engines, console, written); !status.ok()) {
        console.error("afconvert: " + status.message());
        return 1;
    }
    if (options.verbose)
        console.note("afconvert: wrote " + written);
    return console.finish() ? 0 : 1;
}
