#include "app/ConversionWorker.h"

#include <algorithm>

#include "app/BatchConversion.h"
#include "app/Settings.h"
#include "runtime/core/Thread.h"

namespace sondrel::app {
namespace {

constexpr int kIdlePollMilliseconds = 500;

} // namespace

void RunBatch(AppState& state, BatchControls& controls, ConversionLog& log) {
    BatchSettings settings = controls.readSettings();
    const std::int64_t fileCount = state.fileCount;
    controls.lock(fileCount);

    const std::int64_t cores = ConversionJobs(state.jobsSetting);
    const std::int64_t slots = std::clamp<std::int64_t>(fileCount, 1, cores);
    // A long file may use several threads: each slot gets its share of the
    // cores, so that the batch never runs more threads than it has cores.
    settings.converterThreads = std::max<std::int64_t>(1, cores / slots);
    BatchConversion(state, controls, log, settings, static_cast<int>(slots)).run();

    core::EmptyList(state.fileList.get());
    state.batchRunning = 0;
    controls.unlock(fileCount);
    state.cancelRequested = 0;
}

void RunConversionWorker(AppState& state, BatchControls& controls, ConversionLog& log) {
    while (!state.workerShouldEnd) {
        if (state.batchRunning != 1) {
            state.workerWakeUp.wait(kIdlePollMilliseconds);
            core::ThreadStopPoint();
            continue;
        }
        RunBatch(state, controls, log);
    }
}

} // namespace sondrel::app
