#pragma once

// Test support: the real `sondrel` program of the build started as a child
// process with a few environment variables of its own (the rest is the
// test's: the offscreen platform above all). A child still running when its
// owner goes is killed and reaped.

#include <csignal>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "runtime/system/ChildProcess.h"
#include "runtime/system/UniqueFd.h"

namespace sondrel::app::testing {

// The program beside the tests (SONDREL_BIN), else the one on PATH.
inline std::string SondrelProgram() {
    const char* bin = std::getenv("SONDREL_BIN");
    return bin != nullptr ? std::string(bin) + "/sondrel" : std::string("sondrel");
}

class SondrelProcess {
public:
    // `environment`: "NAME=value" to set, "-NAME" to unset.
    SondrelProcess(const std::vector<std::string>& environment,
                   const std::vector<std::string>& arguments, bool captureOutput = false) {
        system::SpawnRequest request;
        request.executable = "/usr/bin/env";
        request.arguments = {"env"};
        // env takes its options ("-u NAME") before the first assignment.
        for (const std::string& entry : environment) {
            if (entry.starts_with('-')) {
                request.arguments.insert(request.arguments.end(), {"-u", entry.substr(1)});
            }
        }
        for (const std::string& entry : environment) {
            if (!entry.starts_with('-')) {
                request.arguments.push_back(entry);
            }
        }
        request.arguments.push_back(SondrelProgram());
        request.arguments.insert(request.arguments.end(), arguments.begin(), arguments.end());
        system::Pipe output;
        system::Pipe error;
        if (captureOutput && (!system::MakePipe(output) || !system::MakePipe(error))) {
            return;
        }
        request.standardOutput = output.write.get();
        request.standardError = error.write.get();
        if (std::optional<system::ChildProcess> child = system::ChildProcess::spawn(request)) {
            m_child.emplace(std::move(*child));
        }
        m_output = std::move(output.read);
        m_error = std::move(error.read);
    }
    ~SondrelProcess() {
        if (m_child && !m_child->hasEnded()) {
            m_child->signal(SIGKILL);
        }
    }
    SondrelProcess(const SondrelProcess&) = delete;
    SondrelProcess& operator=(const SondrelProcess&) = delete;

    bool started() const { return m_child.has_value(); }
    // Reaps the child if it has ended; never waits. True once it has.
    bool ended() { return m_child && m_child->tryReap(); }
    // The exit code once ended, else -1.
    int exitCode() const { return m_child ? m_child->exitCode() : -1; }
    bool signal(int number) { return m_child && m_child->signal(number); }

    // For a child started with captureOutput: waits for its end and gives
    // what it wrote on standard output and standard error.
    std::pair<std::string, std::string> finish() {
        std::pair<std::string, std::string> said{readAll(m_output), readAll(m_error)};
        if (m_child) {
            m_child->waitForEnd();
        }
        return said;
    }

private:
    static std::string readAll(system::UniqueFd& fd) {
        std::string text;
        char buffer[4096];
        ssize_t got = 0;
        while (fd && (got = ::read(fd.get(), buffer, sizeof buffer)) > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        }
        fd.reset();
        return text;
    }

    std::optional<system::ChildProcess> m_child;
    system::UniqueFd m_output;
    system::UniqueFd m_error;
};

} // namespace sondrel::app::testing
