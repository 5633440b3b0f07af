#pragma once

// Start-up probes: what both start-up programs print once their window is
// shown, so that the two are measured the same way. The launcher exports
// SONDREL_LAUNCH_NS (CLOCK_REALTIME in nanoseconds) just before it starts the
// program, so the time includes loading the program and its libraries.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

namespace sondrel::bench {

inline double MillisecondsSinceLaunch() {
    const char* launch = std::getenv("SONDREL_LAUNCH_NS");
    if (launch == nullptr) {
        return -1;
    }
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    return static_cast<double>(now - std::atoll(launch)) / 1e6;
}

inline long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return 0;
}

// CPU time the process (all its threads) has used so far.
inline double CpuMilliseconds() {
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return static_cast<double>(used.tv_sec) * 1e3 + static_cast<double>(used.tv_nsec) / 1e6;
}

// "shown_ms idle_rss_kB cpu_ms" on standard output.
inline void Report(double shownMilliseconds, double cpuMilliseconds) {
    std::printf("%.1f %ld %.1f\n", shownMilliseconds, ResidentKilobytes(), cpuMilliseconds);
    std::fflush(stdout);
}

} // namespace sondrel::bench
