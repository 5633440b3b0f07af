#pragma once

// A job slot's converter server: an afconvert-server process that keeps the
// converter's FFmpeg engine loaded and starts every converter as a child
// forked from itself, so that files do not each pay for loading the engine's
// libraries. Each file is still a converter process of its own, with the
// arguments, output lines and exit status of a converter started directly: a
// crash or a kill touches that file only.
//
// The server is ours (we reap it); its children are its own. We never signal
// a child ourselves: the server does it for us and never signals one it has
// reaped. When the server goes, the system ends its running child.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ConvertOneFile.h"
#include "app/RunningConverter.h"
#include "platform/afconvert/server/ServerProtocol.h"
#include "runtime/core/Text.h"
#include "runtime/system/ChildProcess.h"
#include "runtime/system/UniqueFd.h"

namespace sondrel::app {

// How long a server gets to say Ready: one that has not by then is stuck
// (for example while loading the engine), and its slot starts its
// converters directly for the rest of the batch, which costs it no more
// than this once. A healthy server loading the engine was measured ready
// in 260-330 ms on a two-core machine at a load average of 10; the deadline
// leaves room for sanitizer builds, several times slower, and for every
// slot starting its server at once.
inline constexpr std::chrono::milliseconds kServerReadyDeadline{5000};

class ConverterServer {
public:
    using Clock = std::chrono::steady_clock;

    // The server that belongs to the converter `program` names through the
    // search path: lib/sondrel/afconvert-server beside that converter's
    // folder. Nothing when there is none: another converter stands there,
    // which is then started directly.
    static std::optional<std::string> Locate(core::TextView program);

    // Starts the server at `executable` (loading the engine first when asked)
    // and waits until it is ready, at most `readyDeadline`. Nothing when it
    // cannot be started, refuses to serve, says anything but Ready first, is
    // not ready in time or `giveUp` says so while we wait; such a server is
    // killed at once.
    // Its converters run with `environment` (ConverterEnvironment: progress
    // lines for the application, the threads a long source may use).
    static std::unique_ptr<ConverterServer>
    start(const std::string& executable, bool loadEngine, const std::function<bool()>& giveUp,
          std::chrono::milliseconds readyDeadline,
          std::vector<std::string> environment = ConverterEnvironment(0));

    // Ends the server, which first ends a converter it still runs, and reaps it.
    ~ConverterServer();
    ConverterServer(const ConverterServer&) = delete;
    ConverterServer& operator=(const ConverterServer&) = delete;

    // What became of a request to run a converter.
    struct Run {
        enum class Outcome {
            Started,      // `converter` runs as the server's child
            NotForServer, // the request cannot go to a server (an argument that
                          // is not UTF-8, no pipes): start the converter directly
            ServerFailed, // the request could not be sent: the server is dead
        } outcome = Outcome::NotForServer;
        RunningConverter converter;
    };
    // Starts a converter with `arguments` as the server's child (`program` is
    // its first argument, as it would be for a converter found by name). The
    // converter borrows the server: let go of it first. One converter at a
    // time.
    Run startConverter(core::TextView program, const std::vector<core::Text>& arguments);

    // False once the server has died, failed a send or said something that
    // does not parse. A dead server is never asked anything again.
    bool alive() const { return m_alive; }

    // What the server said, for the converter it runs.
    struct News {
        enum class Kind { Nothing, Message, Gone } kind = Kind::Nothing;
        afconvert::ServerMessage message;
    };
    // Waits at most `milliseconds` (0: not at all) for the server's next word.
    // Gone once the server has ended or said something that does not parse
    // (it is then killed: nothing it says can be trusted).
    News receive(int milliseconds);
    // Asks the server to send `signal` to its running child.
    void signalChild(int signal);
    // Ends a server that no longer answers (its child ends with it).
    void abandon();
    int socket() const { return m_socket.get(); }

private:
    ConverterServer(system::ChildProcess process, system::UniqueFd socket);
    // Waits for Ready until `deadline`; false when the server will not serve.
    bool awaitReady(Clock::time_point deadline, const std::function<bool()>& giveUp);

    system::ChildProcess m_process;
    system::UniqueFd m_socket;
    bool m_alive = true;
};

} // namespace sondrel::app
