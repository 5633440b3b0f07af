// The event queue and run loop: a post from a worker thread ending a blocked WaitEvent (the
// batch worker's scroll requests), and many queued events taken in order (the queue costs
// constant time per event, so the rate must not fall with the queue's length). And the main
// thread's work for one update of a batch's progress (window title and task bar entry), which
// must stay well under a millisecond.

#include <cstdlib>
#include <semaphore>
#include <thread>

#include <benchmark/benchmark.h>

#include "runtime/windowing/EventQueue.h"
#include "runtime/windowing/RunLoop.h"
#include "runtime/windowing/TaskBarProgress.h"
#include "runtime/windowing/Windows.h"

namespace sondrel::windowing {
namespace {

// Waits, skipping native events that produce nothing (the wake-ups posts leave behind).
std::int32_t WaitProgramEvent(std::int32_t timeout) {
    std::int32_t kind = WaitEvent(timeout);
    while (kind == -1)
        kind = WaitEvent(timeout);
    return kind;
}

void Drain() {
    while (WaitEvent(0) != 0) {
    }
}

void BM_PostFromWorkerWakesWait(benchmark::State& state) {
    Drain();
    std::binary_semaphore go(0);
    std::atomic<bool> stop = false;
    std::thread worker([&] {
        for (;;) {
            go.acquire();
            if (stop)
                return;
            PostAppEvent(GadgetEvent, 0, 4, 768);
        }
    });
    for (auto _ : state) {
        go.release();
        if (WaitProgramEvent(-1) != GadgetEvent) {
            state.SkipWithError("the wait did not return the posted event");
            break;
        }
    }
    stop = true;
    go.release();
    worker.join();
    Drain();
}
BENCHMARK(BM_PostFromWorkerWakesWait)->UseRealTime();

void BM_QueuedEventsTakenInOrder(benchmark::State& state) {
    Drain();
    const auto count = static_cast<std::int64_t>(state.range(0));
    for (auto _ : state) {
        for (std::int64_t i = 0; i < count; ++i)
            QueueEvent(GadgetEvent, i, 0, 0);
        for (std::int64_t i = 0; i < count; ++i) {
            if (WaitEvent(0) != GadgetEvent || CurrentEventObject() != i) {
                state.SkipWithError("events out of order");
                return;
            }
        }
        Drain();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_QueuedEventsTakenInOrder)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

void BM_ProgressUpdateOnTheMainThread(benchmark::State& state) {
    constexpr core::ObjectNumber kWindow = 7;
    if (CreateWindow(kWindow, 0, 0, 420, 400, u"Sondrel") == 0) {
        state.SkipWithError("no window");
        return;
    }
    int percent = 0;
    for (auto _ : state) {
        percent = (percent + 1) % 100;
        SetWindowTitle(kWindow, u"Sondrel \u2014 " + core::NumberText(percent) +
                                    u"% \u2014 about 3 min left");
        SetTaskBarProgress(percent / 100.0);
    }
    ClearTaskBarProgress();
    CloseWindowObject(kWindow);
    Drain();
}
BENCHMARK(BM_ProgressUpdateOnTheMainThread)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace sondrel::windowing

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    sondrel::windowing::InitWindowingLibrary();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    sondrel::windowing::EndWindowingLibrary();
    return 0;
}
