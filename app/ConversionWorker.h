#pragma once

// The batch worker: sleeps until the drop handler has queued a batch,
// converts its files (several at once, see BatchConversion.h), closes the
// batch with "Complete!" or the cancel text, and gives the controls back.

#include "app/AppState.h"
#include "app/BatchControls.h"
#include "app/ConversionLog.h"

namespace sondrel::app {

// Runs the queued batch (state.batchRunning is 1): locks the controls,
// converts every queued file on up to ConversionJobs(state.jobsSetting) job
// slots (never more than there are files), each converter allowed its slot's
// share of those cores for a long file, logging them in queue order,
// honours a cancel (every running converter is stopped, so no unfinished
// output is left), writes the closing line, empties the list, clears
// batchRunning and unlocks the controls.
void RunBatch(AppState& state, BatchControls& controls, ConversionLog& log);

// The worker thread's loop: waits for batches (waking at once when notified,
// else every 500 ms) and runs each, until state.workerShouldEnd is set; a
// batch it is in is finished first, so set cancelRequested too to end it
// quickly.
void RunConversionWorker(AppState& state, BatchControls& controls, ConversionLog& log);

} // namespace sondrel::app
