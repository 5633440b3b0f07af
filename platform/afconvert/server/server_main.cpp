// afconvert-server: afconvert for batches. Sondrel starts one per job slot,
// with one end of a socket as its standard input (see ServerProtocol.h). With
// --load-engine it loads the FFmpeg engine first, so that the children it
// forks, one per file, find it loaded instead of each paying for loading its
// libraries. Each child runs exactly afconvert's command line.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <sys/socket.h>

#include "platform/afconvert/CommandLine.h"
#include "platform/afconvert/EngineLoader.h"
#include "platform/afconvert/server/BatchServer.h"

using namespace sondrel::afconvert;

namespace {

bool servesASocket() {
    int type = 0;
    socklen_t length = sizeof type;
    return ::getsockopt(0, SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_SEQPACKET;
}

long threadCount() {
    std::error_code error;
    long count = 0;
    for (std::filesystem::directory_iterator it("/proc/self/task", error), end; !error && it != end;
         it.increment(error))
        ++count;
    return count;
}

} // namespace

int main(int argc, char** argv) {
    const bool loadEngine = argc == 2 && std::strcmp(argv[1], "--load-engine") == 0;
    if (!servesASocket() || (argc > 1 && !loadEngine)) {
        std::fputs("afconvert-server: Sondrel's batch helper, not a command; use afconvert\n",
                   stderr);
        return 2;
    }
    // Children must be ours to reap, and a client that has gone must not
    // kill us while we end a child.
    std::signal(SIGCHLD, SIG_DFL);
    std::signal(SIGPIPE, SIG_IGN);
    if (loadEngine) {
        const long threads = threadCount();
        CodecEngine* engine = nullptr;
        // A failure is left to the children, which report it as afconvert does.
        (void)loadFullEngine(engine);
        // Forking is safe only while this process has one thread of its own.
        if (threadCount() != threads) {
            std::fputs("afconvert-server: the engine started threads; not serving\n", stderr);
            return 3;
        }
    }
    return RunBatchServer(0, RunCommandLine);
}
