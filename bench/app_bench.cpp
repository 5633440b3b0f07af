// A batch of the real application: one drop of a folder of N one-second WAV
// files, converted to IMA4 mono by the real converter, with the event loop
// turned here the way the application turns it. Compared with the same files
// converted by the same converter, with the same arguments, back to back from
// a shell loop: the difference per file is what the application adds
// (starting the converter, reading its progress, the log, the scroll).
//
// Reported per batch size: the batch's wall time, the shell loop's, the
// overhead per file, the longest time between two returns of the event wait
// (an upper bound of the longest busy stretch of the main thread; it includes
// the wait's own 10 ms timeout when nothing happens) and when it ended after
// the drop, the application's own CPU time per file (all its threads, not
// the converter; steadier than wall times on a loaded machine, though it
// includes this driver's 10 ms event waits), the resident memory growth per file and the process's
// peak resident memory.
//
// One application per process, so the batch sizes run one after the other in
// the same window, each batch adding to the same log. Sizes: 100 and 1,000;
// SONDREL_BENCH_FILES (e.g. "100,1000,10000") chooses others.

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include <QTest>

#include <benchmark/benchmark.h>

#include "app/AppNumbers.h"
#include "app/Application.h"
#include "app/testing/TestFiles.h"
#include "platform/appkit/EventSynthesis.h"
#include "platform/appkit/ModalAnswers.h"
#include "platform/appkit/NSPasteboard.h"
#include "platform/objc/Messaging.h"
#include "runtime/controls/GadgetTexts.h"
#include "runtime/windowing/Gadget.h"
#include "runtime/windowing/RunLoop.h"

namespace sondrel::app {
namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
double StatusKilobytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::strtod(line.c_str() + field.size() + 1, nullptr);
        }
    }
    return 0;
}

struct Bench {
    testing::ScratchFolder home;
    testing::ScratchFolder work;
    std::optional<Application> app;
    int batches = 0;

    void step(int timeout) {
        const std::int32_t kind = windowing::WaitEvent(timeout);
        if (kind > 0) {
            app->handleEvent(kind);
        }
    }
    void pump(int milliseconds) {
        const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
        while (Clock::now() < end) {
            step(5);
        }
    }
    void click(core::ObjectNumber gadget) {
        QWidget* widget = windowing::GadgetHandle(gadget)->widget();
        QPoint point = widget->rect().center();
        if (QWidget* child = widget->childAt(point)) {
            point = child->mapFrom(widget, point);
            widget = child;
        }
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, point);
        pump(30);
    }
    bool start(const std::string& outputFolder) {
        fs::create_directories(outputFolder);
        app.emplace(ApplicationOptions{home.folderText()});
        if (!app->startUp()) {
            return false;
        }
        pump(50);
        appkit::ModalAnswer answer;
        answer.action = appkit::ModalAnswer::Action::Accept;
        answer.paths = {core::Utf8ToText(outputFolder)};
        appkit::answerNextModal(answer);
        click(BrowseButton);
        click(Ima4Option);
        return windowing::GetGadgetState(Ima4Option) == 1;
    }
    bool drop(const std::string& path) {
        appkit::NSPasteboardObject* pasteboard = appkit::newPasteboard();
        pasteboard->setFileNames({core::Utf8ToText(path)});
        const bool accepted =
            appkit::testing::dropOnView(windowing::GadgetHandle(LogEditor), pasteboard, 30, 30);
        objc::release(pasteboard);
        return accepted;
    }
};

// CPU time of this process (all its threads, not its children) in ms.
double ProcessCpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) * 1000 + static_cast<double>(time.tv_usec) / 1000;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

Bench* g_bench = nullptr;

// N copies of one one-second tone in a new folder; the folder.
std::string MakeInputs(const fs::path& root, std::int64_t count) {
    const fs::path folder = root / ("in" + std::to_string(count));
    fs::create_directories(folder);
    const std::string tone = (root / "tone.wav").string();
    if (!fs::exists(tone)) {
        testing::MakeTone(tone, 1.0);
    }
    for (std::int64_t i = 0; i < count; ++i) {
        fs::copy_file(tone, folder / ("fx" + std::to_string(i) + ".wav"),
                      fs::copy_options::overwrite_existing);
    }
    return folder.string();
}

std::size_t CountFiles(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// The same conversions back to back from a shell loop; its wall time.
double ShellLoopMilliseconds(const std::string& inputs, const std::string& outputs) {
    const std::string command = "cd '" + inputs +
                                "' && for f in *.wav; do afconvert -v -f caff -d ima4 "
                                "--no-filler -c 1 \"$f\" '" +
                                outputs + "'/\"${f%.wav}.caf\" >/dev/null 2>&1; done";
    const auto begin = Clock::now();
    const int status = std::system(command.c_str());
    const double elapsed = Milliseconds(Clock::now() - begin);
    return status == 0 ? elapsed : -1;
}

void BM_BatchOfOneSecondFiles(benchmark::State& state) {
    Bench& bench = *g_bench;
    const std::int64_t count = state.range(0);
    const fs::path root = bench.work.path();
    const std::string inputs = MakeInputs(root, count);
    const std::string outputs = (root / "out").string() + "/";
    const std::string loopOutputs = (root / ("loop" + std::to_string(count))).string();
    fs::create_directories(loopOutputs);

    for (auto _ : state) {
        fs::remove_all(outputs);
        fs::create_directories(outputs);
        const double rssBefore = StatusKilobytes("VmRSS");
        const double cpuBefore = ProcessCpuMilliseconds();
        const auto begin = Clock::now();
        if (!bench.drop(inputs)) {
            state.SkipWithError("the drop was refused");
            break;
        }
        double longestGap = 0;
        double longestGapAt = 0; // seconds after the drop
        auto last = Clock::now();
        std::int64_t waits = 0;
        // The batch starts when the drop's event is handled.
        while (waits < 20 || bench.app->state().batchRunning != 0) {
            bench.step(10);
            const auto now = Clock::now();
            if (Milliseconds(now - last) > longestGap) {
                longestGap = Milliseconds(now - last);
                longestGapAt = Milliseconds(now - begin) / 1000;
            }
            last = now;
            ++waits;
        }
        const double batch = Milliseconds(Clock::now() - begin);
        const double cpu = ProcessCpuMilliseconds() - cpuBefore;
        bench.pump(50);
        const double rssAfter = StatusKilobytes("VmRSS");
        if (CountFiles(outputs) != static_cast<std::size_t>(count)) {
            state.SkipWithError("the batch did not convert every file");
            break;
        }
        const double loop = ShellLoopMilliseconds(inputs, loopOutputs);
        if (loop < 0 || CountFiles(loopOutputs) != static_cast<std::size_t>(count)) {
            state.SkipWithError("the shell loop failed");
            break;
        }
        state.SetIterationTime(batch / 1000);
        state.counters["batch_s"] = batch / 1000;
        state.counters["loop_s"] = loop / 1000;
        state.counters["overhead_ms_per_file"] = (batch - loop) / static_cast<double>(count);
        state.counters["app_cpu_ms_per_file"] = cpu / static_cast<double>(count);
        state.counters["longest_wait_gap_ms"] = longestGap;
        state.counters["longest_gap_at_s"] = longestGapAt;
        state.counters["rss_growth_kB_per_file"] = (rssAfter - rssBefore) / count;
        state.counters["peak_rss_MB"] = StatusKilobytes("VmHWM") / 1024;
        state.counters["log_lines"] = windowing::CountGadgetItems(LogEditor);
    }
}

std::vector<std::int64_t> BatchSizes() {
    std::vector<std::int64_t> sizes;
    std::stringstream list(std::getenv("SONDREL_BENCH_FILES") != nullptr
                               ? std::getenv("SONDREL_BENCH_FILES")
                               : "100,1000");
    std::string item;
    while (std::getline(list, item, ',')) {
        if (const long long size = std::atoll(item.c_str()); size > 0) {
            sizes.push_back(size);
        }
    }
    return sizes;
}

// The converter is the one built beside this program.
void PutConverterOnPath() {
    std::error_code ignored;
    const fs::path self = fs::read_symlink("/proc/self/exe", ignored);
    const std::string bin = (self.parent_path().parent_path() / "bin").string();
    const char* path = std::getenv("PATH");
    setenv("PATH", (bin + ":" + (path != nullptr ? path : "")).c_str(), 1);
}

} // namespace
} // namespace sondrel::app

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    sondrel::app::PutConverterOnPath();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    sondrel::app::Bench bench;
    sondrel::app::g_bench = &bench;
    if (!bench.start((bench.work.path() / "out").string() + "/")) {
        return 1;
    }
    for (const std::int64_t size : sondrel::app::BatchSizes()) {
        benchmark::RegisterBenchmark("BM_BatchOfOneSecondFiles",
                                     sondrel::app::BM_BatchOfOneSecondFiles)
            ->Arg(size)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bench.app->shutDown();
    return 0;
}
