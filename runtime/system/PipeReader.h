#pragma once

// Reading the read end of a pipe without ever blocking, into a bounded buffer.
//
// The descriptor is switched to non-blocking mode; fill() takes what the pipe
// holds at that moment and returns at once. The buffer is bounded so a child
// that writes faster than its reader reads is held back by the pipe rather
// than growing our memory: in WhenFull::Wait mode fill() stops at kCapacity
// buffered bytes (the rest stays in the pipe), in WhenFull::DropOldest mode it
// keeps reading and keeps only the newest kCapacity bytes, so the writer never
// stalls on a pipe nobody reads (used for standard error).

#include "runtime/system/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sondrel::system {

class PipeReader {
public:
    static constexpr std::size_t kCapacity = 10240;
    enum class WhenFull { Wait, DropOldest };

    PipeReader(UniqueFd fd, WhenFull whenFull);

    PipeReader(PipeReader&&) noexcept = default;
    PipeReader& operator=(PipeReader&&) noexcept = default;

    // Takes what the pipe holds now, within the buffer bound; never waits.
    void fill();
    // Takes everything the pipe holds now, ignoring the bound (for a caller
    // that waits for the writer to end and must not let it stall meanwhile).
    void fillUnbounded();

    std::size_t buffered() const { return m_data.size() - m_head; }
    // The writer side has closed (all bytes have been read from the pipe);
    // buffered bytes may remain.
    bool endOfStream() const { return m_endOfStream; }
    // endOfStream() and nothing buffered: no byte will ever come.
    bool exhausted() const { return m_endOfStream && buffered() == 0; }
    // The descriptor to wait on with poll(); -1 once the stream has ended.
    int pollDescriptor() const { return m_endOfStream ? -1 : m_fd.get(); }

    // The oldest buffered byte, if any.
    std::optional<std::uint8_t> front() const;
    void consume(std::size_t count);
    // All buffered bytes (they stay buffered).
    std::string contents() const;

private:
    // Reads at most `limit` more bytes; false when the pipe had fewer to give.
    bool readSome(std::size_t limit);
    void compact();

    UniqueFd m_fd;
    WhenFull m_whenFull;
    std::vector<std::uint8_t> m_data;
    std::size_t m_head = 0; // bytes before m_head are consumed
    bool m_endOfStream = false;
};

} // namespace sondrel::system
