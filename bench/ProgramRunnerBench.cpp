// The cost of running a trivial program through the program runner, against
// starting and waiting for the same program with posix_spawn directly, in the
// same run. After the benchmarks the ratios are printed:
//   StartProgram cycle / posix_spawn + waitpid (output to /dev/null)
//   StartProgram cycle / posix_spawn + pipe read + waitpid
// A cycle is StartProgram with flags 28 (as the converter is run), reading
// every output line, and CloseProgramObject.

#include "runtime/system/ProgramRunner.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace sondrel::system;

char kEcho[] = "echo";
char kDone[] = "done";
char* kArguments[] = {kEcho, kDone, nullptr};

void StartProgramCycle(benchmark::State& state) {
    for (auto _ : state) {
        ProgramHandle program =
            StartProgram(u"echo", u"done", u"", RunKeepObject | RunReadOutput | RunWriteInput);
        if (program == 0) {
            state.SkipWithError("echo cannot be started");
            return;
        }
        while (ProgramIsRunning(program)) {
            benchmark::DoNotOptimize(ReadProgramLine(program));
        }
        CloseProgramObject(program);
    }
}
BENCHMARK(StartProgramCycle)->UseRealTime();

void waitFor(pid_t pid) {
    int status;
    while (::waitpid(pid, &status, 0) < 0) {
    }
}

void PosixSpawnWait(benchmark::State& state) {
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid;
        if (::posix_spawnp(&pid, kEcho, &actions, nullptr, kArguments, environ) != 0) {
            state.SkipWithError("echo cannot be started");
            break;
        }
        waitFor(pid);
    }
    ::posix_spawn_file_actions_destroy(&actions);
}
BENCHMARK(PosixSpawnWait)->UseRealTime();

void PosixSpawnPipeWait(benchmark::State& state) {
    for (auto _ : state) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            state.SkipWithError("no pipe");
            break;
        }
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
        pid_t pid;
        int error = ::posix_spawnp(&pid, kEcho, &actions, nullptr, kArguments, environ);
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(ends[1]);
        if (error == 0) {
            char buffer[256];
            while (::read(ends[0], buffer, sizeof buffer) > 0) {
            }
            waitFor(pid);
        }
        ::close(ends[0]);
        if (error != 0) {
            state.SkipWithError("echo cannot be started");
            break;
        }
    }
}
BENCHMARK(PosixSpawnPipeWait)->UseRealTime();

// Keeps each benchmark's real time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                m_times[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void printRatios() const {
        auto time = [this](const char* name) {
            auto it = m_times.find(name);
            return it == m_times.end() ? 0.0 : it->second;
        };
        double cycle = time("StartProgramCycle");
        for (const char* baseline : {"PosixSpawnWait", "PosixSpawnPipeWait"}) {
            if (cycle > 0 && time(baseline) > 0) {
                std::printf("ratio StartProgramCycle / %s: %.2f\n", baseline,
                            cycle / time(baseline));
            }
        }
    }

private:
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
