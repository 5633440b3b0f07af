#pragma once

// What Sondrel and afconvert-server say to each other over their socket.
//
// The server keeps afconvert's FFmpeg engine loaded and converts files on
// request, each in a child process forked for it that runs exactly
// afconvert's command line. The socket is a Unix SOCK_SEQPACKET socket, so
// every message arrives whole and alone, and each side sees the other's end
// as the end of the socket.
//
// Server to client:
//   Ready                once, when the server is ready for requests;
//   Started (pid)        a Run was forked as process `pid`;
//   StartFailed (errno)  a Run could not be started (no child exists);
//   Ended (wait status)  the child of the last Run has ended and been reaped.
// Client to server:
//   Run                  the child's argument list (first the program name)
//                        and working folder (empty: the server's), with
//                        exactly three descriptors attached, which become the
//                        child's standard input, output and error. One Run at
//                        a time: the next only after the Ended of the last.
//   Signal (number)      sends the signal to the running child, if any; never
//                        to a process that has been reaped.
// The end of the socket ends the server: a child still running is asked to
// end (SIGTERM, then SIGKILL after a grace time) and reaped first.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/UniqueFd.h"

namespace sondrel::afconvert {

enum class ServerMessageKind : std::uint32_t {
    Ready = 1,
    Run = 2,
    Signal = 3,
    Started = 4,
    StartFailed = 5,
    Ended = 6,
};

// The largest message either side sends or accepts; a Run holds two paths,
// each of which the system limits to 4,096 bytes.
inline constexpr std::size_t kMaxServerMessage = 64 * 1024;
// Descriptors a Run carries: standard input, output and error.
inline constexpr int kRunDescriptors = 3;

struct ServerMessage {
    ServerMessageKind kind = ServerMessageKind::Ready;
    // Started: pid; StartFailed: errno; Ended: wait status; Signal: signal.
    std::int32_t value = 0;
    // Run only: the argument list, then the working folder as the last entry.
    std::vector<std::string> texts;
    // Run only: the attached descriptors, received close-on-exec.
    std::vector<posix::UniqueFd> descriptors;
};

// A Run for `arguments` (first the program name) in `folder`.
ServerMessage RunMessage(std::vector<std::string> arguments, std::string folder);

// Sends `message` with its descriptors (borrowed: the caller still owns and
// closes them). False when the socket fails or the message is too large.
bool SendServerMessage(int socket, const ServerMessage& message,
                       const std::vector<int>& descriptors = {});

enum class ReceiveResult { Message, End, Malformed, Failed };

// Receives one message, waiting for it. End: the other side has closed the
// socket. Malformed: a message that does not parse (its descriptors are
// closed). Failed: the socket failed.
ReceiveResult ReceiveServerMessage(int socket, ServerMessage& message);

// The byte form of a message, without descriptors (exposed for tests).
std::string EncodeServerMessage(const ServerMessage& message);
std::optional<ServerMessage> DecodeServerMessage(std::string_view bytes);

} // namespace sondrel::afconvert
