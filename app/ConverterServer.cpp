#include "app/ConverterServer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>

#include <poll.h>
#include <sys/socket.h>

#include "runtime/system/ExactUtf8.h"
#include "runtime/system/OutputLine.h"
#include "runtime/system/PipeReader.h"
#include "runtime/system/ProgramPath.h"
#include "app/ConvertOneFile.h"

namespace sondrel::app {
namespace {

using afconvert::ServerMessage;
using afconvert::ServerMessageKind;
using Clock = std::chrono::steady_clock;

constexpr char kServerName[] = "afconvert-server";
// How often a wait for the server's Ready checks whether to give up.
constexpr int kStartPollMilliseconds = 10;
// How long a server gets to end (after ending its child) once we let it go.
constexpr auto kServerEndWait = std::chrono::milliseconds(kConverterStopGraceMilliseconds + 1000);

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<std::int64_t>(left.count(), 0));
}

// A converter the server runs for us: its output comes through a pipe we
// made, its end and exit status through the server's socket.
class ServedConverter final : public ConverterProcess, private system::ByteSource {
public:
    ServedConverter(ConverterServer& server, system::UniqueFd output, system::UniqueFd input)
        : m_server(server), m_output(std::move(output), system::PipeReader::WhenFull::Wait),
          m_input(std::move(input)) {}
    ~ServedConverter() override { stop(); }
    ServedConverter(const ServedConverter&) = delete;
    ServedConverter& operator=(const ServedConverter&) = delete;

    bool isRunning() override {
        follow(0);
        m_output.fill();
        return !(m_output.exhausted() && m_ended);
    }
    std::int64_t outputAvailable() override {
        follow(0);
        if (m_output.buffered() == 0) {
            m_output.fill();
        }
        return static_cast<std::int64_t>(m_output.buffered());
    }
    core::Text readLine() override { return system::DecodeOutputLine(*this); }
    void waitForOutput(int milliseconds) override;
    int exitCode() override {
        return m_ended && m_status ? system::ExitCodeOfStatus(*m_status) : -1;
    }
    void stop() override;

private:
    std::optional<std::uint8_t> peekByte() override;
    void skipByte() override { m_output.consume(1); }

    // Takes the server's news about the converter, waiting at most
    // `milliseconds` for the first.
    void follow(int milliseconds);
    // Waits for the converter's end until `deadline`; true when it ended.
    bool waitForEnd(Clock::time_point deadline);

    ConverterServer& m_server;
    system::PipeReader m_output;
    system::UniqueFd m_input; // the converter's input: a pipe nothing writes to
    bool m_ended = false;
    std::optional<int> m_status; // the wait status, when the server reported it
};

void ServedConverter::follow(int milliseconds) {
    while (!m_ended) {
        ConverterServer::News news = m_server.receive(milliseconds);
        milliseconds = 0;
        if (news.kind == ConverterServer::News::Kind::Nothing) {
            return;
        }
        if (news.kind == ConverterServer::News::Kind::Gone) {
            m_ended = true; // with no status: the file cannot count as converted
            return;
        }
        switch (news.message.kind) {
        case ServerMessageKind::Ended:
            m_status = news.message.value;
            m_ended = true;
            break;
        case ServerMessageKind::StartFailed:
            m_ended = true;
            break;
        default:
            break; // Started: nothing to do
        }
    }
}

void ServedConverter::waitForOutput(int milliseconds) {
    if (m_output.buffered() > 0) {
        return;
    }
    pollfd watched[2];
    nfds_t count = 0;
    if (m_output.pollDescriptor() >= 0) {
        watched[count++] = pollfd{m_output.pollDescriptor(), POLLIN, 0};
    }
    if (!m_ended && m_server.alive()) {
        watched[count++] = pollfd{m_server.socket(), POLLIN, 0};
    }
    if (count == 0) {
        return;
    }
    ::poll(watched, count, milliseconds);
}

std::optional<std::uint8_t> ServedConverter::peekByte() {
    for (;;) {
        if (std::optional<std::uint8_t> byte = m_output.front()) {
            return byte;
        }
        if (m_output.endOfStream()) {
            return std::nullopt;
        }
        m_output.fill();
        if (m_output.buffered() == 0 && !m_output.endOfStream()) {
            pollfd watched{m_output.pollDescriptor(), POLLIN, 0};
            ::poll(&watched, 1, -1);
        }
    }
}

bool ServedConverter::waitForEnd(Clock::time_point deadline) {
    do {
        follow(MillisecondsLeft(deadline));
        // Output nobody reads must not hold the converter up.
        m_output.fillUnbounded();
    } while (!m_ended && Clock::now() < deadline);
    return m_ended;
}

void ServedConverter::stop() {
    follow(0);
    if (m_ended) {
        return;
    }
    const auto grace = std::chrono::milliseconds(kConverterStopGraceMilliseconds);
    m_input.reset();
    m_server.signalChild(SIGTERM);
    if (waitForEnd(Clock::now() + grace)) {
        return;
    }
    m_server.signalChild(SIGKILL);
    if (!waitForEnd(Clock::now() + grace)) {
        // A server that does not answer is ended; its child ends with it.
        m_server.abandon();
        m_ended = true;
    }
}

} // namespace

std::optional<std::string> ConverterServer::Locate(core::TextView program) {
    const std::optional<std::string> name = system::ExactUtf8(program);
    if (!name) {
        return std::nullopt;
    }
    const std::optional<std::string> converter = system::FindProgram(*name, std::getenv("PATH"));
    if (!converter) {
        return std::nullopt;
    }
    const std::filesystem::path folder = std::filesystem::path(*converter).parent_path();
    const std::string server = (folder.parent_path() / "lib/sondrel" / kServerName).string();
    if (!system::IsExecutableFile(server)) {
        return std::nullopt;
    }
    return server;
}

std::unique_ptr<ConverterServer> ConverterServer::start(const std::string& executable,
                                                        bool loadEngine,
                                                        const std::function<bool()>& giveUp,
                                                        std::chrono::milliseconds readyDeadline,
                                                        std::vector<std::string> environment) {
    const Clock::time_point deadline = Clock::now() + readyDeadline;
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
        return nullptr;
    }
    system::UniqueFd ours(ends[0]);
    system::UniqueFd theirs(ends[1]);
    system::SpawnRequest request;
    request.executable = executable;
    request.arguments = {kServerName};
    if (loadEngine) {
        request.arguments.emplace_back("--load-engine");
    }
    request.environment = std::move(environment);
    request.standardInput = theirs.get();
    std::optional<system::ChildProcess> process = system::ChildProcess::spawn(request);
    if (!process) {
        return nullptr;
    }
    theirs.reset();
    std::unique_ptr<ConverterServer> server(
        new ConverterServer(std::move(*process), std::move(ours)));
    if (!server->awaitReady(deadline, giveUp)) {
        // It has no child of ours yet: nothing is lost by killing it, and
        // its slot need not wait for it to end by itself.
        server->abandon();
        return nullptr;
    }
    return server;
}

bool ConverterServer::awaitReady(Clock::time_point deadline, const std::function<bool()>& giveUp) {
    for (;;) {
        const int left = MillisecondsLeft(deadline);
        const News news = receive(std::min(left, kStartPollMilliseconds));
        if (news.kind == News::Kind::Message) {
            // Anything but Ready first is a server that will not serve.
            return news.message.kind == ServerMessageKind::Ready;
        }
        if (news.kind == News::Kind::Gone || left == 0 || giveUp()) {
            return false;
        }
    }
}

ConverterServer::ConverterServer(system::ChildProcess process, system::UniqueFd socket)
    : m_process(std::move(process)), m_socket(std::move(socket)) {}

ConverterServer::~ConverterServer() {
    // The end of the socket ends the server, after its child.
    m_socket.reset();
    if (!m_process.waitForEndFor(kServerEndWait)) {
        m_process.signal(SIGKILL);
        m_process.waitForEnd();
    }
}

ConverterServer::Run ConverterServer::startConverter(core::TextView program,
                                                     const std::vector<core::Text>& arguments) {
    Run run;
    if (!m_alive) {
        run.outcome = Run::Outcome::ServerFailed;
        return run;
    }
    std::optional<std::string> name = system::ExactUtf8(program);
    if (!name) {
        return run;
    }
    std::vector<std::string> texts{std::move(*name)};
    for (const core::Text& argument : arguments) {
        std::optional<std::string> bytes = system::ExactUtf8(argument);
        if (!bytes) {
            return run;
        }
        texts.push_back(std::move(*bytes));
    }
    const ServerMessage message = afconvert::RunMessage(std::move(texts), {});
    system::Pipe output;
    system::Pipe input;
    if (afconvert::EncodeServerMessage(message).size() > afconvert::kMaxServerMessage ||
        !system::MakePipe(output) || !system::MakePipe(input)) {
        return run;
    }
    // The converter's standard error is ours, as for a converter we start.
    if (!afconvert::SendServerMessage(m_socket.get(), message,
                                      {input.read.get(), output.write.get(), STDERR_FILENO})) {
        // A server that cannot be told what to do is dead to us, whatever
        // it may still be doing.
        abandon();
        run.outcome = Run::Outcome::ServerFailed;
        return run;
    }
    // Our copies of the converter's ends go: its output ends when it does.
    output.write.reset();
    input.read.reset();
    run.outcome = Run::Outcome::Started;
    run.converter = RunningConverter(
        std::make_unique<ServedConverter>(*this, std::move(output.read), std::move(input.write)));
    return run;
}

ConverterServer::News ConverterServer::receive(int milliseconds) {
    News news;
    if (!m_alive) {
        news.kind = News::Kind::Gone;
        return news;
    }
    pollfd watched{m_socket.get(), POLLIN, 0};
    const int ready = ::poll(&watched, 1, milliseconds);
    if (ready <= 0) {
        return news; // nothing yet (or interrupted: the caller asks again)
    }
    switch (afconvert::ReceiveServerMessage(m_socket.get(), news.message)) {
    case afconvert::ReceiveResult::Message:
        news.kind = News::Kind::Message;
        break;
    case afconvert::ReceiveResult::Malformed:
        // A word that does not parse may have been the end of the converter
        // it runs: nothing it says from now on can be believed.
        abandon();
        news.kind = News::Kind::Gone;
        break;
    case afconvert::ReceiveResult::End:
    case afconvert::ReceiveResult::Failed:
        m_alive = false;
        news.kind = News::Kind::Gone;
        break;
    }
    return news;
}

void ConverterServer::signalChild(int signal) {
    ServerMessage message;
    message.kind = ServerMessageKind::Signal;
    message.value = signal;
    if (m_alive && !afconvert::SendServerMessage(m_socket.get(), message)) {
        abandon();
    }
}

void ConverterServer::abandon() {
    m_alive = false;
    m_process.signal(SIGKILL);
}

} // namespace sondrel::app
