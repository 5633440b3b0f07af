#pragma once

// One batch, converted on every job slot at once with a log that reads
// exactly as if the files had been converted one after another.
//
// Files are handed to the slots in queue order. The log follows the queue:
// the line being worked on is always the earliest file not yet finished
// (its progress line, " . . ."); a file that finished early is logged, done
// or skipped, as soon as its turn comes. So the log's lines, texts and order
// are those of a one-at-a-time batch, whatever order the files finish in.
//
// Output names: two files with one output name never run at once. The later
// one waits for the earlier one's verdict: when the earlier one wrote the
// output, the later one is refused, as it would be one at a time; when it
// failed, the later one converts.
//
// Cancel: no further file starts and every running converter is stopped
// (its unfinished output is never named). The files the batch started are
// then logged in queue order: the current one and any other that was
// stopped with its progress line ended as it stood, those that finished
// with their verdict. So every output the batch wrote is in the log before
// the cancel text. A cancel that comes between two files leaves, as always,
// a line end before the cancel text.
//
// Progress: while the batch runs, its progress shows in the window's title
// and on the task bar entry (BatchProgress.h); both are cleared when it ends,
// whether complete or cancelled.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "app/AppState.h"
#include "app/BatchControls.h"
#include "app/BatchProgress.h"
#include "app/ConversionLog.h"
#include "app/ConvertOneFile.h"
#include "app/ConverterSlots.h"
#include "platform/posix/CorePool.h"

namespace sondrel::app {

class BatchConversion {
public:
    // The batch queued in `state`; `slots` files at a time. The arguments are
    // borrowed for the length of the batch. A slot whose converter server is
    // not ready within `serverReadyDeadline` starts its converters directly.
    BatchConversion(AppState& state, BatchControls& controls, ConversionLog& log,
                    const BatchSettings& settings, int slots,
                    std::chrono::milliseconds serverReadyDeadline = kServerReadyDeadline);

    // Converts and logs every file, or stops at a cancel; writes the closing
    // line ("Complete!" or the cancel text). No converter runs afterwards.
    // Between events (a verdict, a cancel: AppState::requestCancel) the
    // calling thread sleeps on the state's worker wake-up.
    void run();

private:
    enum class State { Waiting, Held, Running, Finished };
    struct File {
        const QueuedFile* source = nullptr;
        core::Text output;
        State state = State::Waiting;
        FileVerdict verdict = FileVerdict::Failed;
        bool shown = false; // its progress line is in the log
    };

    SlotSettings slotSettings() const;
    // Logs what came in, notes a cancel, hands out files; true once the
    // batch is over (every file logged, or cancelled with none running).
    bool step(ConverterSlots& slots);
    void dispatch(ConverterSlots& slots);
    void lendIdleCores();
    // Refuses file `index` or hands it to a slot.
    void start(std::size_t index, ConverterSlots& slots);
    void finish(std::size_t index, FileVerdict verdict);
    // A file is finished: `verdict` for file `index`, from its slot or refused.
    void settle(File& file, FileVerdict verdict);
    bool slotFree() const { return m_running < m_slots; }

    // Logs the files whose turn has come, as far as they are finished, and
    // shows the progress line of the first unfinished one.
    void logInTurn();
    void logFinishedShown(const File& file, std::size_t index);
    core::Text finishedText(const File& file, std::size_t index) const;
    void append(const core::Text& text);
    std::int64_t number(std::size_t index) const { return static_cast<std::int64_t>(index) + 1; }

    AppState& m_state;
    BatchControls& m_controls;
    ConversionLog& m_log;
    const BatchSettings& m_settings;
    const int m_slots;
    const std::int64_t m_count;
    const std::chrono::milliseconds m_serverReadyDeadline;

    std::vector<File> m_files;
    std::size_t m_nextToStart = 0;   // files before it were started or held
    std::vector<std::size_t> m_held; // files waiting for an output name, in queue order
    std::map<core::Text, std::size_t, std::less<>> m_holders; // output name -> running file
    BatchOutputs m_outputs;
    int m_running = 0;
    // Cores lent to the running converters: one for each slot left idle once
    // no file is left to start.
    std::unique_ptr<posix::CorePool> m_corePool;
    int m_lentCores = 0;
    std::int64_t m_finished = 0; // files with a verdict
    BatchProgress m_progress;
    std::size_t m_nextToLog = 0;
    bool m_cancelled = false;
    bool m_cancelledInALine = false; // a file's progress line was showing then
};

} // namespace sondrel::app
