#pragma once

// The job slots of a batch: up to N files converted at once, each by a
// converter of its own. Every slot is a thread that takes one file at a time,
// runs its converter and hands back the verdict; the batch worker alone
// decides which file goes next and writes the log.
//
// When the converter has a server (ConverterServer::Locate), each slot starts
// one, so the engine is loaded once per slot rather than once per file; a
// server that dies, cannot be sent a file or says something that does not
// parse is replaced for the slot's next file (the file it was converting
// fails). Without a server, or when one cannot be started or is not ready in
// time, the slot starts each converter directly for the rest of the batch,
// exactly as a single conversion does.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/ConverterServer.h"
#include "runtime/core/Text.h"

namespace sondrel::app {

// A file handed to a slot.
struct SlotJob {
    std::size_t index = 0;             // the caller's number for the file
    std::vector<core::Text> arguments; // the converter's arguments
    core::Text outputPath;             // where the converter writes
};

enum class FileVerdict {
    Converted,   // the output is complete
    Failed,      // the converter failed or could not be started: nothing written
    Interrupted, // stopped by the cancel before it finished: nothing written
    NotStarted,  // the cancel came before its converter was started
};

struct SlotResult {
    std::size_t index = 0;
    FileVerdict verdict = FileVerdict::Failed;
};

struct SlotSettings {
    int count = 1;
    // The converter's server; nothing: converters are started directly.
    std::optional<std::string> server;
    // The server loads the engine before the first file (it will be needed).
    bool loadEngine = false;
    // How long a slot waits for its server's Ready before it starts its
    // converters directly for the rest of the batch.
    std::chrono::milliseconds readyDeadline = kServerReadyDeadline;
    // Threads each converter may use for one long source (0: every core),
    // and the batch's pool of cores to borrow more from (empty: none).
    std::int64_t converterThreads = 0;
    std::string corePool;
    // Called on a slot's thread each time a verdict is ready to collect.
    std::function<void()> resultReady;
};

class ConverterSlots {
public:
    explicit ConverterSlots(const SlotSettings& settings);
    // Cancels what still runs and ends every slot and its server.
    ~ConverterSlots();
    ConverterSlots(const ConverterSlots&) = delete;
    ConverterSlots& operator=(const ConverterSlots&) = delete;

    // Hands a file to the next free slot. The caller keeps at most `count`
    // files in the slots (handed over and not yet collected).
    void submit(SlotJob job);
    // The verdicts that came since the last call, maybe none; never waits
    // (SlotSettings::resultReady says when there are more).
    std::vector<SlotResult> collect();
    // Stops every running converter (its unfinished output goes with it);
    // files handed over and not yet started come back NotStarted.
    void cancel() { m_cancel = 1; }
    // The parts of their sources the running converters have read, added
    // up: 0 to `count`. A file's part is gone before its verdict is given,
    // so the caller never counts a file both as running and as finished.
    double runningParts() const;

private:
    void serve(std::atomic<double>& part);
    std::optional<SlotJob> take();
    void give(SlotResult result);

    const SlotSettings m_settings;
    std::atomic<std::uint8_t> m_cancel{0};
    std::mutex m_mutex;
    std::condition_variable m_jobReady;
    std::deque<SlotJob> m_jobs;
    std::vector<SlotResult> m_results;
    bool m_closing = false;
    std::deque<std::atomic<double>> m_parts; // one for each slot
    std::vector<std::jthread> m_threads;     // last: the threads use everything above
};

} // namespace sondrel::app
