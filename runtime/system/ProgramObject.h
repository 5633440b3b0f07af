#pragma once

// A started program that the caller keeps: the child process and the pipes to
// its standard input, output and error, as far as they were asked for.
//
// One thread at a time may use a program object. Reading never lets either
// pipe stall the child for long: every operation that looks at the output
// also drains standard error, whose newest PipeReader::kCapacity bytes are
// kept and the rest dropped, since nothing is obliged to read them.

#include "runtime/core/Text.h"
#include "runtime/system/ChildProcess.h"
#include "runtime/system/OutputLine.h"
#include "runtime/system/PipeReader.h"

#include <chrono>
#include <cstddef>
#include <optional>

namespace sondrel::system {

class ProgramObject final : private ByteSource {
public:
    ProgramObject(ChildProcess child, std::optional<PipeReader> output, UniqueFd input,
                  std::optional<PipeReader> errors);
    ProgramObject(const ProgramObject&) = delete;
    ProgramObject& operator=(const ProgramObject&) = delete;

    ChildProcess& child() { return m_child; }

    // True while output is unread or, without an output pipe, while the child
    // has not ended. Once the output has ended and is all read, waits for the
    // child's end and gives false.
    bool isRunning();
    // Bytes of output that can be read without waiting.
    std::size_t outputAvailable();
    // The next output line (waits for it); empty at the end of the output or
    // without an output pipe.
    core::Text readLine();
    // The newest bytes the child wrote to standard error, decoded like output
    // lines and joined with line feeds.
    core::Text errorText();

    // Waits for the child's end, taking all of its output meanwhile so that it
    // cannot stall on a full pipe. The input pipe is closed first: no one can
    // write to it during the wait, and a child reading its input must see the
    // end of it to finish.
    void waitForEndDraining();
    // Ends the child: SIGTERM, then SIGKILL if it has not ended after `grace`.
    // Returns once the child has been reaped.
    void kill(std::chrono::milliseconds grace);

private:
    std::optional<std::uint8_t> peekByte() override;
    void skipByte() override;

    void drainErrors();
    // Waits until a pipe has something to read (or has ended), at most
    // `timeoutMs` (-1: no limit).
    void waitForPipes(int timeoutMs);
    // Waits for the child's end while keeping standard error drained.
    void waitForChild();

    ChildProcess m_child;
    std::optional<PipeReader> m_output;
    UniqueFd m_input;
    std::optional<PipeReader> m_errors;
};

} // namespace sondrel::system
