#include "platform/afconvert/CommandLine.h"

#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/afconvert/Console.h"
#include "platform/afconvert/Converter.h"
#include "platform/afconvert/EngineLoader.h"
#include "platform/afconvert/LeanEngine.h"
#include "platform/afconvert/Options.h"
#include "platform/afconvert/OutputFile.h"

namespace sondrel::afconvert {

int RunCommandLine(int argc, char** argv) {
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
    applyEnvironment(std::getenv("AFCONVERT_PROGRESS"), std::getenv("AFCONVERT_JOBS"),
                     std::getenv("AFCONVERT_CORE_POOL"), options);
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

} // namespace sondrel::afconvert
