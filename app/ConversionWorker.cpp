#include "app/ConversionWorker.h"

#include "app/LogTexts.h"
#include "runtime/core/Thread.h"

namespace sondrel::app {
namespace {

constexpr int kIdlePollMilliseconds = 500;

void CloseBatch(AppState& state, ConversionLog& log, RunningConverter& interrupted) {
    if (state.cancelRequested != 0) {
        log.append(u"\n"); // ends the interrupted progress line
        interrupted.stop();
        log.append(kCancelledLine);
        log.showEnd();
        state.cancelRequested = 0;
    } else {
        log.append(kCompleteLine);
        log.showEnd();
    }
}

} // namespace

void RunBatch(AppState& state, BatchControls& controls, ConversionLog& log) {
    BatchSettings settings = controls.readSettings();
    const std::int64_t fileCount = state.fileCount;
    controls.lock(fileCount);

    BatchOutputs outputs;
    RunningConverter interrupted;
    std::int64_t fileNumber = 0;
    FileList* list = state.fileList.get();
    core::RewindList(list);
    while (const QueuedFile* file = core::NextListElement(list)) {
        // A cancel that came between two files starts no further converter.
        if (state.cancelRequested != 0) {
            break;
        }
        ++fileNumber;
        settings.outputFolder = controls.outputFolder();
        ConversionOutcome outcome = ConvertOneFile(settings, file->path, fileNumber, fileCount, log,
                                                   state.cancelRequested, outputs);
        if (outcome.result == ConversionResult::Cancelled) {
            interrupted = std::move(outcome.interrupted);
            break;
        }
    }
    CloseBatch(state, log, interrupted);

    core::EmptyList(list);
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
