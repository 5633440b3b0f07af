#pragma once

// A started converter, however it was started: as a program of its own
// (StartProgram), or as a child of a job slot's converter server. Whoever
// holds it last ends the tool if it still runs (it then removes its
// unfinished output file) and lets it go, so no converter outlives the batch
// that started it, also when the holder unwinds.

#include <memory>
#include <string>
#include <vector>

#include "runtime/core/Text.h"

namespace sondrel::app {

// How long a tool gets to remove its unfinished output after the request to
// end, before it is killed outright.
inline constexpr int kConverterStopGraceMilliseconds = 2000;

// One converter run. One thread at a time uses it.
class ConverterProcess {
public:
    virtual ~ConverterProcess() = default;
    // True while output is unread or the tool has not ended. The program
    // runner's form waits for the tool's end once its output has ended.
    virtual bool isRunning() = 0;
    // Bytes of output that can be read without waiting.
    virtual std::int64_t outputAvailable() = 0;
    // The next output line (waits for a whole one); empty at the end.
    virtual core::Text readLine() = 0;
    // Waits at most `milliseconds` for output or the tool's end.
    virtual void waitForOutput(int milliseconds) = 0;
    // The exit status once the tool has ended (1 when a signal ended it); -1
    // before, or when its end cannot be known (its server died).
    virtual int exitCode() = 0;
    // Ends the tool if it still runs: SIGTERM, then SIGKILL when it has not
    // ended after a grace time; returns once it has ended.
    virtual void stop() = 0;
};

class RunningConverter {
public:
    RunningConverter() = default;
    explicit RunningConverter(std::unique_ptr<ConverterProcess> process)
        : m_process(std::move(process)) {}
    ~RunningConverter() { stop(); }
    RunningConverter(const RunningConverter&) = delete;
    RunningConverter& operator=(const RunningConverter&) = delete;
    RunningConverter(RunningConverter&& other) noexcept = default;
    RunningConverter& operator=(RunningConverter&& other) noexcept;

    // Starts the converter `program` (found through the search path) with
    // `arguments` and `environment` ("NAME=value" entries added to ours), as a
    // program of its own whose output comes to us; empty when it cannot be
    // started.
    static RunningConverter startProgram(core::TextView program,
                                         const std::vector<core::Text>& arguments,
                                         const std::vector<std::string>& environment = {});

    explicit operator bool() const { return m_process != nullptr; }
    // The run; only while there is one.
    ConverterProcess& process() { return *m_process; }

    // Ends the tool if it still runs, then lets it go.
    void stop();
    // Lets go of a tool that has ended.
    void close() { m_process.reset(); }

private:
    std::unique_ptr<ConverterProcess> m_process;
};

} // namespace sondrel::app
