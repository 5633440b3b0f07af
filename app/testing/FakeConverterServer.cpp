// A converter server that misbehaves once, for the batch tests: started as
// Sondrel starts afconvert-server (the socket as standard input), the first
// instance started for a state folder does what SONDREL_FAKE_SERVER_MODE
// names; every later one becomes the real server
// (SONDREL_FAKE_SERVER_REAL), so that the slot's replacement converts.
//
// Modes:
//   silent          never says Ready; ignores the socket and its end
//   garbage-first   says something that does not parse instead of Ready
//   garbage-reply   says Ready, then answers a Run with bytes that do not parse
//   dies-mid-reply  says Ready, answers a Run with Started and dies
//   refuses-runs    says Ready with its receiving side shut: a Run cannot be sent
//
// Each start, fake or real, adds a line to "starts" in the state folder
// (SONDREL_FAKE_SERVER_STATE).

#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/afconvert/server/ServerProtocol.h"

namespace {

using sondrel::afconvert::ServerMessage;
using sondrel::afconvert::ServerMessageKind;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

void NoteStart(const std::string& state) {
    const int fd = ::open((state + "/starts").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd >= 0) {
        (void)!::write(fd, "start\n", 6);
        ::close(fd);
    }
}

// True for the first instance of the state folder only.
bool ClaimMisbehaviour(const std::string& state) {
    const int fd = ::open((state + "/claimed").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

bool Send(ServerMessageKind kind, int value = 0) {
    ServerMessage message;
    message.kind = kind;
    message.value = value;
    return sondrel::afconvert::SendServerMessage(0, message);
}

bool SendBytes(const char* bytes, std::size_t size) {
    return ::send(0, bytes, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
}

// Waits for the client's first request; true when it is a Run (its
// descriptors are closed when `run` goes).
bool AwaitRun(ServerMessage& run) {
    return sondrel::afconvert::ReceiveServerMessage(0, run) ==
               sondrel::afconvert::ReceiveResult::Message &&
           run.kind == ServerMessageKind::Run;
}

// Waits for the client's end of the socket.
void AwaitEnd() {
    ServerMessage ignored;
    while (sondrel::afconvert::ReceiveServerMessage(0, ignored) ==
           sondrel::afconvert::ReceiveResult::Message) {
    }
}

int Misbehave(const std::string& mode) {
    if (mode == "silent") {
        for (;;) {
            ::pause(); // only a kill ends it
        }
    }
    if (mode == "garbage-first") {
        SendBytes("\x07", 1);
        AwaitEnd();
        return 0;
    }
    if (mode == "refuses-runs") {
        ::shutdown(0, SHUT_RD);
        Send(ServerMessageKind::Ready);
        for (;;) {
            ::pause(); // only a kill ends it
        }
    }
    Send(ServerMessageKind::Ready);
    ServerMessage run;
    if (!AwaitRun(run)) {
        return 0;
    }
    if (mode == "garbage-reply") {
        // A kind no message has, and a count of texts that is a lie.
        SendBytes("\x63\0\0\0\0\0\0\0\x09\0\0\0", 12);
        AwaitEnd();
        return 0;
    }
    if (mode == "dies-mid-reply") {
        Send(ServerMessageKind::Started, static_cast<int>(::getpid()));
        return 0;
    }
    return 2;
}

} // namespace

int main(int, char** argv) {
    const std::string state = Environment("SONDREL_FAKE_SERVER_STATE");
    NoteStart(state);
    if (ClaimMisbehaviour(state)) {
        return Misbehave(Environment("SONDREL_FAKE_SERVER_MODE"));
    }
    const std::string real = Environment("SONDREL_FAKE_SERVER_REAL");
    ::execv(real.c_str(), argv);
    return 127;
}
