// Batches of the real application: one drop of a folder of N WAV files,
// converted by the real converter, with the event loop turned here the way
// the application turns it, side by side in one run with the same
// conversions done the ways a user would otherwise do them.
//
// BM_BatchOfOneSecondFiles/N/jobs: N one-second WAV files to IMA4 mono on
// `jobs` job slots (0: every core). Compared with the same converter runs,
// with the same arguments, back to back from a shell loop: the difference per
// file is what the application adds (handing files to the slots, the slots'
// converter servers, reading progress, the log, the scroll), and
// batch/loop per file is the per-file cost against the converter's own run
// time. The batch and the shell loop alternate a few times and the best of
// each is kept, so that a moment of load from elsewhere on a shared machine
// does not decide the figures. Beside it, CPU times per file, which a loaded
// machine does not stretch: the application's own (all its threads, not the
// converters; and of that the main thread's), the converters' in the batch
// (with their servers) and the shell loop's (converters and shell).
//
// The main thread: the longest stretch between two returns of the event wait,
// in wall time (an upper bound: it includes the wait's own 10 ms timeout and
// any time the thread was not scheduled) and in the main thread's own CPU
// time (the work it really did in one go), with when it ended after the drop
// and how many lines the log had then.
//
// Memory, per file: each round starts with an empty log. For the first round
// the growth of the resident memory and of the heap (what the allocator has
// handed out) during the batch, next to the bytes of the log text itself
// (UTF-16) and what the heap got back when the log was cleared (the log's
// own memory: its text, twice, and the text document's lines); what the heap
// still holds once the log is cleared (the first round's includes the room
// the log's buffers keep for the next text); for later rounds, which reuse
// that room, what they leave behind (what the application holds per file for
// good; near 0). And the peak memory of the application with its converter
// servers and converters (ProcessTreeMemory.h), resident and proportional.
//
// BM_AacAgainstPeers/N: N one-second WAV files to AAC 128 kbit/s (the
// default settings), on every core, against the same converter runs spread
// over every core with xargs -P and against ffmpeg on every core writing
// .m4a files (how batches are made with ffmpeg); rounds alternate.
//
// BM_AacFixedCost/N/jobs: N 50 ms WAV files to AAC: what each file costs
// when there is next to no audio in it, in the batch and when the converter
// is run once per file from a shell loop.
//
// BM_MixedBatch/N: N one-second WAV files and one 10-minute WAV of pink noise (last in the
// queue, as a soundtrack named after the effects is) to AAC 128 kbit/s on
// every core: the batch's wall time against the best possible, the CPU time
// of application and converters divided by the cores (best_ratio: 1 is
// perfect). The long file runs in segments on the cores the slots leave idle.
//
// BM_AacBatchMemory/N/jobs: one batch of N one-second WAV files to AAC, for
// the peak memory of application, servers and converters against the number
// of job slots.
//
// One application per process, so the batches run one after the other in
// the same window. Sizes: 100 and 1,000 files for IMA4;
// SONDREL_BENCH_FILES (e.g. "100,1000,10000") chooses others, and
// SONDREL_BENCH_ROUNDS the number of rounds (3 up to 1,000 files, else 1).

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <malloc.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <QTest>

#include <benchmark/benchmark.h>

#include "app/AppNumbers.h"
#include "app/Application.h"
#include "app/testing/TestFiles.h"
#include "bench/ProcessTreeMemory.h"
#include "platform/appkit/EventSynthesis.h"
#include "platform/appkit/ModalAnswers.h"
#include "platform/appkit/NSPasteboard.h"
#include "platform/objc/Messaging.h"
#include "runtime/controls/GadgetTexts.h"
#include "runtime/controls/ObjectMessage.h"
#include "runtime/windowing/Gadget.h"
#include "runtime/windowing/RunLoop.h"

namespace sondrel::app {
namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
using sondrel::bench::ProcessTreeMemory;

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
        ApplicationOptions options;
        options.home = home.folderText();
        app.emplace(std::move(options));
        if (!app->startUp()) {
            return false;
        }
        pump(50);
        appkit::ModalAnswer answer;
        answer.action = appkit::ModalAnswer::Action::Accept;
        answer.paths = {core::Utf8ToText(outputFolder)};
        appkit::answerNextModal(answer);
        click(BrowseButton);
        return true;
    }
    // AAC at the first-run settings (ABR, 128 kbps), or IMA4.
    bool choose(bool aac) {
        click(aac ? AacOption : Ima4Option);
        return windowing::GetGadgetState(aac ? AacOption : Ima4Option) == 1;
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

// Bytes the allocator has handed out and not yet got back.
double HeapBytes() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

// CPU time in ms of this process (all its threads, not its children) or of
// its children that have ended and been waited for, with everything they
// waited for in turn (RUSAGE_CHILDREN: the converter servers and their
// converters, a shell and its programs).
double CpuMilliseconds(int who = RUSAGE_SELF) {
    rusage usage{};
    getrusage(who, &usage);
    const auto ms = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) * 1000 + static_cast<double>(time.tv_usec) / 1000;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// The 1-minute load average: how busy the shared machine was.
double LoadAverage() {
    double load = 0;
    std::ifstream("/proc/loadavg") >> load;
    return load;
}

int OnlineCores() {
    return static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN));
}

Bench* g_bench = nullptr;

// `count` copies of one tone of `seconds` in a new folder named `name`; the folder.
std::string MakeInputs(const fs::path& root, const std::string& name, std::int64_t count,
                       double seconds) {
    const fs::path folder = root / name;
    fs::create_directories(folder);
    const std::string tone = (root / ("tone" + std::to_string(seconds) + ".wav")).string();
    if (!fs::exists(tone)) {
        testing::MakeTone(tone, seconds);
    }
    for (std::int64_t i = 0; i < count; ++i) {
        fs::copy_file(tone, folder / ("fx" + std::to_string(i) + ".wav"),
                      fs::copy_options::overwrite_existing);
    }
    return folder.string();
}

// The log's length in UTF-16 units.
std::int64_t LogLength(const Bench& bench) {
    return static_cast<std::int64_t>(
        controls::SendObjectMessage(nullptr, bench.app->logViews().logStorage, "length"));
}

std::size_t CountFiles(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// The converter arguments of the application, up to the paths.
const char* ConverterOptions(bool aac) {
    return aac ? "-v --progress -f caff -d aac --no-filler -s 1 -b 128000"
               : "-v --progress -f caff -d ima4 --no-filler -c 1";
}

// A shell command line's wall time in ms (-1 when it failed), and in `cpu`
// the CPU time of the shell and everything it ran.
double TimedCommand(const std::string& command, double& cpu) {
    const double cpuBefore = CpuMilliseconds(RUSAGE_CHILDREN);
    const auto begin = Clock::now();
    const int status = std::system(command.c_str());
    const double elapsed = Milliseconds(Clock::now() - begin);
    cpu = CpuMilliseconds(RUSAGE_CHILDREN) - cpuBefore;
    return status == 0 ? elapsed : -1;
}

// The same conversions back to back from a shell loop.
double ShellLoopMilliseconds(const std::string& inputs, const std::string& outputs, bool aac,
                             double& cpu) {
    return TimedCommand("cd '" + inputs + "' && for f in *.wav; do afconvert " +
                            ConverterOptions(aac) + " \"$f\" '" + outputs +
                            "'/\"${f%.wav}.caf\" >/dev/null 2>&1; done",
                        cpu);
}

// The same conversions spread over every core with xargs -P.
double XargsMilliseconds(const std::string& inputs, const std::string& outputs, double& cpu) {
    return TimedCommand("cd '" + inputs + "' && printf '%s\\0' *.wav | xargs -0 -P " +
                            std::to_string(OnlineCores()) + " -I{} afconvert " +
                            ConverterOptions(true) + " {} '" + outputs + "'/{}.caf >/dev/null 2>&1",
                        cpu);
}

// ffmpeg on every core, to AAC 128 kbit/s in .m4a files.
double FfmpegMilliseconds(const std::string& inputs, const std::string& outputs, double& cpu) {
    return TimedCommand("cd '" + inputs + "' && printf '%s\\0' *.wav | xargs -0 -P " +
                            std::to_string(OnlineCores()) +
                            " -I{} ffmpeg -nostdin -v error -y -i {} -c:a aac -b:a 128k '" +
                            outputs + "'/{}.m4a",
                        cpu);
}

// The main thread's CPU time so far (this thread: the driver turns the event
// loop here, as the application's main procedure does).
double ThreadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The stretches of the main thread between two returns of the event wait:
// the longest in wall time (an upper bound: it includes the wait's own 10 ms
// timeout and any time the thread was not scheduled on a busy machine) and
// the longest in the thread's own CPU time (what it really worked in one go),
// each with the time after the drop it ended and the log's line count then.
struct Stretches {
    struct Longest {
        double ms = 0;
        double at = 0; // seconds after the drop
        std::int64_t line = 0;
        double otherMs = 0; // the same stretch's CPU time (of the longest in wall time)
    };
    Longest wall;
    Longest cpu;

    static void note(Longest& longest, double ms, double at, double otherMs = 0) {
        if (ms > longest.ms) {
            longest = {ms, at, windowing::CountGadgetItems(LogEditor), otherMs};
        }
    }
};

struct BatchRun {
    double wallMs = 0;
    double cpuMs = 0;          // the application's (this process's) CPU time
    double mainCpuMs = 0;      // of that, the main thread's
    double converterCpuMs = 0; // the converters' and their servers' CPU time
    Stretches stretches;
    ProcessTreeMemory::Peak rss; // at the peak of the summed resident sizes
    ProcessTreeMemory::Peak pss; // at the peak of the summed proportional sizes
};

// One drop of the folder on `jobs` job slots (0: every core) and the event
// loop turned until the batch has ended.
std::optional<BatchRun> RunBatch(Bench& bench, const std::string& inputs, std::int64_t jobs) {
    bench.app->state().jobsSetting = jobs;
    BatchRun run;
    ProcessTreeMemory memory;
    const double cpuBefore = CpuMilliseconds();
    const double mainCpuBefore = ThreadCpuMilliseconds();
    const double convertersBefore = CpuMilliseconds(RUSAGE_CHILDREN);
    const auto begin = Clock::now();
    if (!bench.drop(inputs)) {
        return std::nullopt;
    }
    auto last = Clock::now();
    double lastCpu = ThreadCpuMilliseconds();
    std::int64_t waits = 0;
    // The batch starts when the drop's event is handled.
    while (waits < 20 || bench.app->state().batchRunning != 0) {
        bench.step(10);
        const auto now = Clock::now();
        const double cpu = ThreadCpuMilliseconds();
        const double at = Milliseconds(now - begin) / 1000;
        Stretches::note(run.stretches.wall, Milliseconds(now - last), at, cpu - lastCpu);
        Stretches::note(run.stretches.cpu, cpu - lastCpu, at);
        last = now;
        lastCpu = cpu;
        ++waits;
    }
    run.wallMs = Milliseconds(Clock::now() - begin);
    memory.stop();
    // The sampler is ours, not the application's.
    run.cpuMs = CpuMilliseconds() - cpuBefore - memory.samplerCpuMs();
    run.mainCpuMs = ThreadCpuMilliseconds() - mainCpuBefore;
    run.converterCpuMs = CpuMilliseconds(RUSAGE_CHILDREN) - convertersBefore;
    run.rss = memory.rss();
    run.pss = memory.pss();
    return run;
}

// How many times the batch and the shell loop alternate (best of each is
// kept): SONDREL_BENCH_ROUNDS, else 3 up to 1,000 files and 1 above.
int Rounds(std::int64_t count) {
    if (const char* rounds = std::getenv("SONDREL_BENCH_ROUNDS")) {
        return std::max(1, std::atoi(rounds));
    }
    return count > 1000 ? 1 : 3;
}

// The heap and resident memory around one round, per file.
struct RoundMemory {
    double rssGrowth = 0;  // bytes: after the batch, against before it
    double heapGrowth = 0; // bytes: the same for the heap
    double logFreed = 0;   // bytes the heap got back when the log was cleared
    double heapKept = 0;   // bytes still held once the log was cleared
    double logText = 0;    // bytes of the log text (UTF-16)
};

// Clears the log (each round starts with an empty one, so that what a round
// leaves behind beyond its log can be told apart).
void ClearLog(Bench& bench) {
    windowing::ClearGadgetItems(LogEditor);
    bench.pump(20);
}

// Keeps the smallest of each value seen.
class Best {
public:
    void note(const std::string& name, double value) {
        auto [it, inserted] = m_values.emplace(name, value);
        if (!inserted) {
            it->second = std::min(it->second, value);
        }
    }
    double operator[](const std::string& name) const { return m_values.at(name); }

private:
    std::map<std::string, double> m_values;
};

// Empties (or makes) an output folder.
void FreshFolder(const std::string& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
}

// One batch into an emptied output folder, with an empty log; nothing
// unless every file was converted.
std::optional<BatchRun> CountedBatch(Bench& bench, const std::string& inputs,
                                     const std::string& outputs, std::int64_t count,
                                     std::int64_t jobs) {
    FreshFolder(outputs);
    ClearLog(bench);
    std::optional<BatchRun> run = RunBatch(bench, inputs, jobs);
    if (run && CountFiles(outputs) != static_cast<std::size_t>(count)) {
        run.reset();
    }
    return run;
}

// `command` (timed, writing into `folder`) run on an emptied `folder`: its
// wall time, or -1 unless it wrote `count` files; its CPU time in `cpu`.
template <class Command>
double CountedCommand(const std::string& folder, std::int64_t count, double& cpu, Command command) {
    FreshFolder(folder);
    const double ms = command(cpu);
    return ms >= 0 && CountFiles(folder) == static_cast<std::size_t>(count) ? ms : -1;
}

void ReportTreeMemory(benchmark::State& state, const BatchRun& run) {
    state.counters["tree_peak_rss_MB"] = run.rss.rssMB;
    state.counters["tree_peak_pss_MB"] = run.pss.pssMB;
    state.counters["tree_processes_at_peak"] = run.rss.processes;
}

void BM_BatchOfOneSecondFiles(benchmark::State& state) {
    Bench& bench = *g_bench;
    const std::int64_t count = state.range(0);
    const std::int64_t jobs = state.range(1);
    const auto files = static_cast<double>(count);
    const fs::path root = bench.work.path();
    const std::string inputs = MakeInputs(root, "in" + std::to_string(count), count, 1.0);
    const std::string outputs = (root / "out").string() + "/";
    const std::string loopOutputs = (root / ("loop" + std::to_string(count))).string();
    fs::create_directories(loopOutputs);
    if (!bench.choose(false)) {
        state.SkipWithError("IMA4 cannot be chosen");
        return;
    }
    state.counters["load_1min"] = LoadAverage();

    for (auto _ : state) {
        Best best;
        std::vector<RoundMemory> memory;
        std::int64_t logLines = 0;
        Stretches worst;
        BatchRun peak;
        for (int round = 0; round < Rounds(count); ++round) {
            FreshFolder(outputs);
            ClearLog(bench);
            RoundMemory used;
            const double rssBefore = StatusKilobytes("VmRSS") * 1024;
            const double heapBefore = HeapBytes();
            const std::optional<BatchRun> run = RunBatch(bench, inputs, jobs);
            if (!run) {
                state.SkipWithError("the drop was refused");
                return;
            }
            bench.pump(50);
            used.rssGrowth = StatusKilobytes("VmRSS") * 1024 - rssBefore;
            const double heapAfter = HeapBytes();
            used.heapGrowth = heapAfter - heapBefore;
            used.logText = static_cast<double>(LogLength(bench)) * sizeof(char16_t);
            logLines = windowing::CountGadgetItems(LogEditor);
            ClearLog(bench);
            used.logFreed = heapAfter - HeapBytes();
            used.heapKept = HeapBytes() - heapBefore;
            memory.push_back(used);
            if (CountFiles(outputs) != static_cast<std::size_t>(count)) {
                state.SkipWithError("the batch did not convert every file");
                return;
            }
            double loopCpu = 0;
            const double loop = ShellLoopMilliseconds(inputs, loopOutputs, false, loopCpu);
            if (loop < 0 || CountFiles(loopOutputs) != static_cast<std::size_t>(count)) {
                state.SkipWithError("the shell loop failed");
                return;
            }
            best.note("batch", run->wallMs);
            best.note("loop", loop);
            best.note("cpu", run->cpuMs);
            best.note("main", run->mainCpuMs);
            best.note("converters", run->converterCpuMs);
            best.note("loopCpu", loopCpu);
            for (auto [mine, theirs] : {std::pair{&worst.wall, &run->stretches.wall},
                                        std::pair{&worst.cpu, &run->stretches.cpu}}) {
                if (theirs->ms > mine->ms) {
                    *mine = *theirs;
                }
            }
            if (run->rss.rssMB > peak.rss.rssMB) {
                peak.rss = run->rss;
            }
            if (run->pss.pssMB > peak.pss.pssMB) {
                peak.pss = run->pss;
            }
        }
        state.SetIterationTime(best["batch"] / 1000);
        state.counters["slots"] =
            static_cast<double>(std::min<std::int64_t>(count, jobs == 0 ? OnlineCores() : jobs));
        state.counters["batch_s"] = best["batch"] / 1000;
        state.counters["loop_s"] = best["loop"] / 1000;
        state.counters["overhead_ms_per_file"] = (best["batch"] - best["loop"]) / files;
        // The per-file cost against the converter's own run time (a shell
        // loop's per file).
        state.counters["batch_per_loop"] = best["batch"] / best["loop"];
        state.counters["app_cpu_ms_per_file"] = best["cpu"] / files;
        state.counters["main_cpu_ms_per_file"] = best["main"] / files;
        // The converters' CPU time per file in the batch (with their servers)
        // and in the shell loop (which includes the shell's own).
        state.counters["converter_cpu_ms_per_file"] = best["converters"] / files;
        state.counters["loop_cpu_ms_per_file"] = best["loopCpu"] / files;
        state.counters["longest_gap_wall_ms"] = worst.wall.ms;
        state.counters["longest_gap_wall_at_s"] = worst.wall.at;
        state.counters["longest_gap_wall_cpu_ms"] = worst.wall.otherMs;
        state.counters["longest_busy_cpu_ms"] = worst.cpu.ms;
        state.counters["longest_busy_cpu_at_s"] = worst.cpu.at;
        state.counters["longest_busy_cpu_at_line"] = static_cast<double>(worst.cpu.line);
        // The first round's figures: later rounds reuse memory it freed.
        const RoundMemory& first = memory.front();
        state.counters["rss_growth_B_per_file"] = first.rssGrowth / files;
        state.counters["heap_growth_B_per_file"] = first.heapGrowth / files;
        state.counters["log_text_B_per_file"] = first.logText / files;
        state.counters["log_freed_B_per_file"] = first.logFreed / files;
        state.counters["kept_B_per_file"] = first.heapKept / files;
        // What a later round, whose log reuses the room the first one left,
        // still leaves behind: what the application holds per file for good.
        if (memory.size() > 1) {
            double kept = 0;
            for (std::size_t i = 1; i < memory.size(); ++i) {
                kept += memory[i].heapKept;
            }
            state.counters["later_kept_B_per_file"] =
                kept / (files * static_cast<double>(memory.size() - 1));
        }
        state.counters["peak_rss_MB"] = StatusKilobytes("VmHWM") / 1024;
        ReportTreeMemory(state, peak);
        state.counters["log_lines"] = static_cast<double>(logLines);
    }
}

void BM_AacAgainstPeers(benchmark::State& state) {
    Bench& bench = *g_bench;
    const std::int64_t count = state.range(0);
    const fs::path root = bench.work.path();
    const std::string inputs = MakeInputs(root, "aac" + std::to_string(count), count, 1.0);
    const std::string outputs = (root / "out").string() + "/";
    const std::string theirs = (root / "peers").string();
    if (!bench.choose(true)) {
        state.SkipWithError("AAC cannot be chosen");
        return;
    }
    state.counters["load_1min"] = LoadAverage();
    state.counters["cores"] = OnlineCores();
    for (auto _ : state) {
        Best best;
        BatchRun last;
        for (int round = 0; round < Rounds(count); ++round) {
            const std::optional<BatchRun> run = CountedBatch(bench, inputs, outputs, count, 0);
            double xargsCpu = 0;
            const double xargs = CountedCommand(theirs, count, xargsCpu, [&](double& cpu) {
                return XargsMilliseconds(inputs, theirs, cpu);
            });
            double ffmpegCpu = 0;
            const double ffmpeg = CountedCommand(theirs, count, ffmpegCpu, [&](double& cpu) {
                return FfmpegMilliseconds(inputs, theirs, cpu);
            });
            if (!run || xargs < 0 || ffmpeg < 0) {
                state.SkipWithError("a batch did not convert every file");
                return;
            }
            last = *run;
            best.note("app", run->wallMs);
            best.note("appCpu", run->cpuMs + run->converterCpuMs);
            best.note("xargs", xargs);
            best.note("xargsCpu", xargsCpu);
            best.note("ffmpeg", ffmpeg);
            best.note("ffmpegCpu", ffmpegCpu);
        }
        state.SetIterationTime(best["app"] / 1000);
        state.counters["app_s"] = best["app"] / 1000;
        state.counters["xargs_afconvert_s"] = best["xargs"] / 1000;
        state.counters["xargs_ffmpeg_s"] = best["ffmpeg"] / 1000;
        state.counters["app_per_xargs"] = best["app"] / best["xargs"];
        state.counters["ffmpeg_per_app"] = best["ffmpeg"] / best["app"];
        // CPU: the application with its servers and converters; the shells,
        // xargs and the programs they ran.
        state.counters["app_cpu_s"] = best["appCpu"] / 1000;
        state.counters["xargs_afconvert_cpu_s"] = best["xargsCpu"] / 1000;
        state.counters["xargs_ffmpeg_cpu_s"] = best["ffmpegCpu"] / 1000;
        ReportTreeMemory(state, last);
    }
}

void BM_AacFixedCost(benchmark::State& state) {
    Bench& bench = *g_bench;
    const std::int64_t count = state.range(0);
    const std::int64_t jobs = state.range(1);
    const auto files = static_cast<double>(count);
    const fs::path root = bench.work.path();
    const std::string inputs = MakeInputs(root, "short" + std::to_string(count), count, 0.05);
    const std::string outputs = (root / "out").string() + "/";
    const std::string loopOutputs = (root / "shortloop").string();
    if (!bench.choose(true)) {
        state.SkipWithError("AAC cannot be chosen");
        return;
    }
    state.counters["load_1min"] = LoadAverage();
    for (auto _ : state) {
        Best best;
        for (int round = 0; round < Rounds(count); ++round) {
            const std::optional<BatchRun> run = CountedBatch(bench, inputs, outputs, count, jobs);
            double loopCpu = 0;
            const double loop = CountedCommand(loopOutputs, count, loopCpu, [&](double& cpu) {
                return ShellLoopMilliseconds(inputs, loopOutputs, true, cpu);
            });
            if (!run || loop < 0) {
                state.SkipWithError("a batch did not convert every file");
                return;
            }
            best.note("batch", run->wallMs);
            best.note("cpu", run->cpuMs + run->converterCpuMs);
            best.note("loop", loop);
            best.note("loopCpu", loopCpu);
        }
        state.SetIterationTime(best["batch"] / 1000);
        state.counters["slots"] = static_cast<double>(jobs == 0 ? OnlineCores() : jobs);
        state.counters["batch_ms_per_file"] = best["batch"] / files;
        state.counters["loop_ms_per_file"] = best["loop"] / files;
        // Application, servers and converters; shell and converters.
        state.counters["batch_cpu_ms_per_file"] = best["cpu"] / files;
        state.counters["loop_cpu_ms_per_file"] = best["loopCpu"] / files;
    }
}

void BM_MixedBatch(benchmark::State& state) {
    Bench& bench = *g_bench;
    const std::int64_t count = state.range(0);
    const fs::path root = bench.work.path();
    const std::string inputs = MakeInputs(root, "mixed" + std::to_string(count), count, 1.0);
    const fs::path soundtrack = fs::path(inputs) / "soundtrack.wav";
    // Pink noise: as costly to code as dense music, unlike a tone.
    if (!fs::exists(soundtrack) &&
        std::system(
            ("sox -n -r 44100 -c 2 -b 16 '" + soundtrack.string() + "' synth 600 pinknoise vol 0.3")
                .c_str()) != 0) {
        state.SkipWithError("sox could not make the soundtrack");
        return;
    }
    const std::string outputs = (root / "out").string() + "/";
    if (!bench.choose(true)) {
        state.SkipWithError("AAC cannot be chosen");
        return;
    }
    state.counters["load_1min"] = LoadAverage();
    for (auto _ : state) {
        const std::optional<BatchRun> run = CountedBatch(bench, inputs, outputs, count + 1, 0);
        if (!run) {
            state.SkipWithError("the batch did not convert every file");
            return;
        }
        const double best = (run->cpuMs + run->converterCpuMs) / double(OnlineCores());
        state.SetIterationTime(run->wallMs / 1000);
        state.counters["batch_s"] = run->wallMs / 1000;
        state.counters["best_possible_s"] = best / 1000;
        state.counters["best_ratio"] = run->wallMs / best;
    }
}

void BM_AacBatchMemory(benchmark::State& state) {
    Bench& bench = *g_bench;
    const std::int64_t count = state.range(0);
    const std::int64_t jobs = state.range(1);
    const fs::path root = bench.work.path();
    const std::string inputs = MakeInputs(root, "aac" + std::to_string(count), count, 1.0);
    const std::string outputs = (root / "out").string() + "/";
    if (!bench.choose(true)) {
        state.SkipWithError("AAC cannot be chosen");
        return;
    }
    state.counters["load_1min"] = LoadAverage();
    for (auto _ : state) {
        const std::optional<BatchRun> run = CountedBatch(bench, inputs, outputs, count, jobs);
        if (!run) {
            state.SkipWithError("the batch did not convert every file");
            return;
        }
        state.SetIterationTime(run->wallMs / 1000);
        state.counters["slots"] = static_cast<double>(jobs == 0 ? OnlineCores() : jobs);
        state.counters["batch_s"] = run->wallMs / 1000;
        ReportTreeMemory(state, *run);
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

// Job slot counts to compare: one, two and every core (0), each once.
std::vector<std::int64_t> SlotCounts() {
    std::vector<std::int64_t> counts{1};
    if (OnlineCores() != 2) {
        counts.push_back(2);
    }
    if (OnlineCores() > 1) {
        counts.push_back(0);
    }
    return counts;
}

// The converter is the one built beside this program.
void PutConverterOnPath() {
    std::error_code ignored;
    const fs::path self = fs::read_symlink("/proc/self/exe", ignored);
    const std::string bin = (self.parent_path().parent_path() / "bin").string();
    const char* path = std::getenv("PATH");
    setenv("PATH", (bin + ":" + (path != nullptr ? path : "")).c_str(), 1);
}

benchmark::internal::Benchmark* Register(const char* name, void (*function)(benchmark::State&)) {
    return benchmark::RegisterBenchmark(name, function)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

void RegisterAll() {
    Register("BM_AacAgainstPeers", BM_AacAgainstPeers)->Arg(120);
    for (const std::int64_t jobs : {std::int64_t{1}, std::int64_t{0}}) {
        Register("BM_AacFixedCost", BM_AacFixedCost)->Args({100, jobs});
    }
    Register("BM_MixedBatch", BM_MixedBatch)->Arg(60);
    for (const std::int64_t jobs : SlotCounts()) {
        Register("BM_AacBatchMemory", BM_AacBatchMemory)->Args({120, jobs});
    }
    for (const std::int64_t size : BatchSizes()) {
        for (const std::int64_t jobs : SlotCounts()) {
            Register("BM_BatchOfOneSecondFiles", BM_BatchOfOneSecondFiles)->Args({size, jobs});
        }
    }
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
    sondrel::app::RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    bench.app->shutDown();
    return 0;
}
