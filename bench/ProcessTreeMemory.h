#pragma once

// The memory of this process and every process below it (converter servers
// and their converters), sampled by a thread of its own while a batch runs:
// the peak of the summed resident sizes (which counts a shared library page
// once per process that maps it) and of the summed proportional sizes (PSS:
// a page shared by n processes counts 1/n in each), with the number of
// processes at each peak. The sampler's own CPU time is kept, so that it can
// be left out of the application's.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <time.h>
#include <unistd.h>

namespace sondrel::bench {

class ProcessTreeMemory {
public:
    struct Peak {
        double rssMB = 0;
        double pssMB = 0;
        int processes = 0;
    };

    explicit ProcessTreeMemory(std::chrono::milliseconds interval = std::chrono::milliseconds(50))
        : m_interval(interval), m_thread([this] { run(); }) {}
    ~ProcessTreeMemory() { stop(); }
    ProcessTreeMemory(const ProcessTreeMemory&) = delete;
    ProcessTreeMemory& operator=(const ProcessTreeMemory&) = delete;

    void stop() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    Peak rss() const { return m_rssPeak; }
    Peak pss() const { return m_pssPeak; }
    double samplerCpuMs() const { return m_cpuMs; }

private:
    static std::string readAll(const std::string& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // This process and its descendants.
    static std::vector<int> tree() {
        std::multimap<int, int> children;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos) {
                continue;
            }
            const std::string stat = readAll(entry.path().string() + "/stat");
            const std::size_t close = stat.rfind(')');
            if (close == std::string::npos) {
                continue;
            }
            std::istringstream fields(stat.substr(close + 2));
            std::string state;
            int parent = 0;
            fields >> state >> parent;
            children.emplace(parent, std::stoi(name));
        }
        std::vector<int> found{static_cast<int>(::getpid())};
        for (std::size_t i = 0; i < found.size(); ++i) {
            const auto [begin, end] = children.equal_range(found[i]);
            for (auto it = begin; it != end; ++it) {
                found.push_back(it->second);
            }
        }
        return found;
    }
    // A "Name:   n kB" field of a /proc file, in MB.
    static double field(const std::string& text, const std::string& name) {
        const std::size_t at = text.find("\n" + name + ":");
        return at == std::string::npos
                   ? 0
                   : std::strtod(text.c_str() + at + name.size() + 2, nullptr) / 1024;
    }
    void sample() {
        double rss = 0;
        double pss = 0;
        const std::vector<int> pids = tree();
        for (int pid : pids) {
            const std::string base = "/proc/" + std::to_string(pid);
            rss += field("\n" + readAll(base + "/status"), "VmRSS");
            pss += field("\n" + readAll(base + "/smaps_rollup"), "Pss");
        }
        const int count = static_cast<int>(pids.size());
        if (rss > m_rssPeak.rssMB) {
            m_rssPeak = {rss, pss, count};
        }
        if (pss > m_pssPeak.pssMB) {
            m_pssPeak = {rss, pss, count};
        }
    }
    void run() {
        while (!m_stop) {
            sample();
            std::this_thread::sleep_for(m_interval);
        }
        timespec used{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
        m_cpuMs = static_cast<double>(used.tv_sec) * 1000 + static_cast<double>(used.tv_nsec) / 1e6;
    }

    std::chrono::milliseconds m_interval;
    std::atomic<bool> m_stop{false};
    Peak m_rssPeak;
    Peak m_pssPeak;
    double m_cpuMs = 0;
    std::thread m_thread; // last: it uses the members above
};

} // namespace sondrel::bench
