#pragma once

// The application's shared state: what the main thread (start-up, event loop,
// drop handler) and the batch worker hand to each other, for the whole run.
//
// Hand-over rule: the main thread fills `fileList` and `fileCount` completely
// and only then sets `batchRunning`; while `batchRunning` is 1 it touches
// neither. The worker reads them only while `batchRunning` is 1 and clears it
// only after it has emptied the list. The flags are atomics, so each side sees
// the other's writes in that order.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "runtime/core/LinkedList.h"
#include "runtime/core/Text.h"
#include "runtime/core/Thread.h"

namespace sondrel::app {

// One queued source file: its full path.
struct QueuedFile {
    core::Text path;
};

using FileList = core::LinkedList<QueuedFile>;

// Wakes the worker as soon as a batch is queued, the worker is asked to end,
// a batch is cancelled or one of its files has its verdict.
class WorkerWakeUp {
public:
    void notify() {
        {
            std::lock_guard guard(m_lock);
            m_pending = true;
        }
        m_condition.notify_all();
    }
    // Waits until notified or `milliseconds` have passed; consumes the notice.
    void wait(int milliseconds) {
        std::unique_lock guard(m_lock);
        m_condition.wait_for(guard, std::chrono::milliseconds(milliseconds),
                             [this] { return m_pending; });
        m_pending = false;
    }
    // Waits until notified (at once when a notice came since the last wait);
    // consumes the notice.
    void wait() {
        std::unique_lock guard(m_lock);
        m_condition.wait(guard, [this] { return m_pending; });
        m_pending = false;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_condition;
    bool m_pending = false;
};

struct AppState {
    std::atomic<std::uint8_t> batchRunning{0};
    // Set through requestCancel, which also wakes the worker (a batch sleeps
    // until a verdict or a cancel comes).
    std::atomic<std::uint8_t> cancelRequested{0};
    std::atomic<std::uint8_t> quitRequested{0};
    // The user's own "Sticky Window" choice, kept while Help or About
    // suspends stickiness. Main thread only.
    std::uint8_t stickyWanted = 0;

    // The current batch (see the hand-over rule above). The count is wider
    // than a folder can overflow: every queued file is numbered correctly.
    std::unique_ptr<FileList> fileList;
    std::int64_t fileCount = 0;
    // The "Jobs" setting (see ConversionJobs), read at start-up; each batch
    // takes it as it then stands.
    std::int64_t jobsSetting = 0;

    core::Text supportFolder;
    core::Text droppedPath;
    core::Text chosenFolder;

    // The worker thread and its stop request; the worker ends its loop (after
    // finishing the batch it is in) once `workerShouldEnd` is set.
    core::ThreadHandle worker = 0;
    std::atomic<bool> workerShouldEnd{false};
    WorkerWakeUp workerWakeUp;

    // Asks the running batch to stop, and wakes the worker to see it.
    void requestCancel() {
        cancelRequested = 1;
        workerWakeUp.notify();
    }

    // Start-up step 2: flags and count to 0, a fresh empty list.
    void reset() {
        fileCount = 0;
        batchRunning = 0;
        cancelRequested = 0;
        fileList = core::CreateList<QueuedFile>();
    }
};

} // namespace sondrel::app
