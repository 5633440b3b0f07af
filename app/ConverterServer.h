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

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/RunningConverter.h"
#include "platform/afconvert/server/ServerProtocol.h"
#include "runtime/core/Text.h"
#include "runtime/system/ChildProcess.h"
#include "runtime/system/UniqueFd.h"

namespace sondrel::app {

class ConverterServer {
public:
    // The server that belongs to the converter `program` names through the
    // search path: lib/sondrel/afconvert-server beside that converter's
    // folder. Nothing when there is none: another converter stands there,
    // which is then started directly.
    static std::optional<std::string> Locate(core::TextView program);

    // Starts the server at `executable` (loading the engine first when asked)
    // and waits until it is ready. Nothing when it cannot be started, refuses
    // to serve, or `giveUp` says so while we wait.
    static std::unique_ptr<ConverterServer> start(const std::string& executable, bool loadEngine,
                                                  const std::function<bool()>& giveUp);

    // Ends the server, which first ends a converter it still runs, and reaps it.
    ~ConverterServer();
    ConverterServer(const ConverterServer&) = delete;
    ConverterServer& operator=(const ConverterServer&) = delete;

    // Starts a converter with `arguments` as the server's child (`program` is
    // its first argument, as it would be for a converter found by name). Empty
    // when the server cannot take it. The converter borrows the server: let
    // go of it first. One converter at a time.
    RunningConverter startConverter(core::TextView program,
                                    const std::vector<core::Text>& arguments);

    // False once the server has died or stopped answering.
    bool alive() const { return m_alive; }

    // What the server said, for the converter it runs.
    struct News {
        enum class Kind { Nothing, Message, Gone } kind = Kind::Nothing;
        afconvert::ServerMessage message;
    };
    // Waits at most `milliseconds` (0: not at all) for the server's next word.
    News receive(int milliseconds);
    // Asks the server to send `signal` to its running child.
    void signalChild(int signal);
    // Ends a server that no longer answers (its child ends with it).
    void abandon();
    int socket() const { return m_socket.get(); }

private:
    ConverterServer(system::ChildProcess process, system::UniqueFd socket);

    system::ChildProcess m_process;
    system::UniqueFd m_socket;
    bool m_alive = true;
};

} // namespace sondrel::app
