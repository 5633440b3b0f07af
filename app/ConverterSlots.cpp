#include "app/ConverterSlots.h"

#include <memory>

#include <sys/stat.h>

#include "app/ConvertOneFile.h"
#include "app/ConverterServer.h"
#include "runtime/core/TextFileName.h"

namespace sondrel::app {
namespace {

// What stands at a path: nothing, or a file (device and inode).
struct PathIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const PathIdentity&) const = default;
};

PathIdentity IdentityOf(core::TextView path) {
    const std::optional<std::string> name = core::TextToFileName(path);
    struct stat status {};
    if (!name || ::stat(name->c_str(), &status) != 0) {
        return {};
    }
    return {true, status.st_dev, status.st_ino};
}

// One slot's converter server: started for the slot's first file, replaced
// when it dies; given up (converters then start directly) when it cannot be
// started at all.
class SlotServer {
public:
    SlotServer(const SlotSettings& settings, const std::atomic<std::uint8_t>& cancel)
        : m_settings(settings), m_cancel(cancel) {}

    // The server for the next file, or nothing.
    ConverterServer* get() {
        if (!m_settings.server || m_unavailable) {
            return nullptr;
        }
        if (!m_server || !m_server->alive()) {
            m_server.reset();
            m_server = ConverterServer::start(
                *m_settings.server, m_settings.loadEngine, [this] { return m_cancel != 0; },
                m_settings.readyDeadline,
                ConverterEnvironment(m_settings.converterThreads, m_settings.corePool));
            m_unavailable = m_server == nullptr;
        }
        return m_server.get();
    }

private:
    const SlotSettings& m_settings;
    const std::atomic<std::uint8_t>& m_cancel;
    std::unique_ptr<ConverterServer> m_server;
    bool m_unavailable = false;
};

// The file's converter; empty when it fails before it starts.
RunningConverter StartConverter(ConverterServer* server, const SlotJob& job,
                                const std::vector<std::string>& environment) {
    if (server != nullptr) {
        ConverterServer::Run run = server->startConverter(kConverterProgram, job.arguments);
        switch (run.outcome) {
        case ConverterServer::Run::Outcome::Started:
            return std::move(run.converter);
        case ConverterServer::Run::Outcome::ServerFailed:
            // The file fails; the slot's next file gets a new server.
            return {};
        case ConverterServer::Run::Outcome::NotForServer:
            break; // started directly instead
        }
    }
    return RunningConverter::startProgram(kConverterProgram, job.arguments, environment);
}

FileVerdict Convert(const SlotJob& job, ConverterServer* server,
                    const std::atomic<std::uint8_t>& cancel, std::atomic<double>& part,
                    const std::vector<std::string>& environment) {
    const PathIdentity before = IdentityOf(job.outputPath);
    RunningConverter tool = StartConverter(server, job, environment);
    if (!tool) {
        return FileVerdict::Failed;
    }
    ConversionOutcome outcome = FollowConverter(std::move(tool), cancel, &part);
    if (outcome.result != ConversionResult::Cancelled) {
        return outcome.result == ConversionResult::Converted ? FileVerdict::Converted
                                                             : FileVerdict::Failed;
    }
    outcome.interrupted.stop();
    // A converter names its output only once it is complete. One stopped
    // just after that has left a complete file, which must be reported.
    const PathIdentity after = IdentityOf(job.outputPath);
    return after.exists && after != before ? FileVerdict::Converted : FileVerdict::Interrupted;
}

} // namespace

ConverterSlots::ConverterSlots(const SlotSettings& settings) : m_settings(settings) {
    m_threads.reserve(static_cast<std::size_t>(settings.count));
    for (int i = 0; i < settings.count; ++i) {
        std::atomic<double>& part = m_parts.emplace_back(0.0);
        m_threads.emplace_back([this, &part] { serve(part); });
    }
}

ConverterSlots::~ConverterSlots() {
    m_cancel = 1;
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_jobReady.notify_all();
    m_threads.clear(); // joins
}

void ConverterSlots::submit(SlotJob job) {
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_jobReady.notify_one();
}

std::vector<SlotResult> ConverterSlots::collect() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_results, {});
}

double ConverterSlots::runningParts() const {
    double sum = 0;
    for (const std::atomic<double>& part : m_parts) {
        sum += part.load(std::memory_order_relaxed);
    }
    return sum;
}

std::optional<SlotJob> ConverterSlots::take() {
    std::unique_lock lock(m_mutex);
    m_jobReady.wait(lock, [this] { return m_closing || !m_jobs.empty(); });
    if (m_jobs.empty()) {
        return std::nullopt;
    }
    SlotJob job = std::move(m_jobs.front());
    m_jobs.pop_front();
    return job;
}

void ConverterSlots::give(SlotResult result) {
    {
        std::lock_guard lock(m_mutex);
        m_results.push_back(result);
    }
    if (m_settings.resultReady) {
        m_settings.resultReady();
    }
}

void ConverterSlots::serve(std::atomic<double>& part) {
    SlotServer server(m_settings, m_cancel);
    while (std::optional<SlotJob> job = take()) {
        FileVerdict verdict = FileVerdict::NotStarted;
        if (m_cancel == 0) {
            ConverterServer* current = server.get();
            if (m_cancel == 0) {
                verdict =
                    Convert(*job, current, m_cancel, part,
                            ConverterEnvironment(m_settings.converterThreads, m_settings.corePool));
            }
        }
        part.store(0.0, std::memory_order_relaxed);
        give({job->index, verdict});
    }
}

} // namespace sondrel::app
