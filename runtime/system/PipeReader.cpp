#include "runtime/system/PipeReader.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace sondrel::system {
namespace {

constexpr std::size_t kUnboundedChunk = 65536;

} // namespace

PipeReader::PipeReader(UniqueFd fd, WhenFull whenFull) : m_fd(std::move(fd)), m_whenFull(whenFull) {
    int flags = ::fcntl(m_fd.get(), F_GETFL);
    if (flags >= 0) {
        ::fcntl(m_fd.get(), F_SETFL, flags | O_NONBLOCK);
    }
    m_data.reserve(kCapacity);
}

void PipeReader::fill() {
    if (m_whenFull == WhenFull::Wait) {
        while (!m_endOfStream && buffered() < kCapacity && readSome(kCapacity - buffered())) {
        }
        return;
    }
    bool more = true;
    while (!m_endOfStream && more) {
        more = readSome(kCapacity);
        if (buffered() > kCapacity) {
            m_head = m_data.size() - kCapacity;
        }
    }
}

void PipeReader::fillUnbounded() {
    while (!m_endOfStream && readSome(kUnboundedChunk)) {
    }
}

bool PipeReader::readSome(std::size_t limit) {
    compact();
    std::size_t old = m_data.size();
    m_data.resize(old + limit);
    ssize_t got;
    do {
        got = ::read(m_fd.get(), m_data.data() + old, limit);
    } while (got < 0 && errno == EINTR);
    m_data.resize(old + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
        // End of file, or a pipe that can no longer be read: nothing more will come.
        m_endOfStream = true;
        m_fd.reset();
        return false;
    }
    return got == static_cast<ssize_t>(limit);
}

void PipeReader::compact() {
    if (m_head == 0) {
        return;
    }
    m_data.erase(m_data.begin(), m_data.begin() + static_cast<std::ptrdiff_t>(m_head));
    m_head = 0;
}

std::optional<std::uint8_t> PipeReader::front() const {
    if (buffered() == 0) {
        return std::nullopt;
    }
    return m_data[m_head];
}

void PipeReader::consume(std::size_t count) {
    m_head += std::min(count, buffered());
    if (m_head == m_data.size()) {
        m_data.clear();
        m_head = 0;
    }
}

std::string PipeReader::contents() const {
    return std::string(m_data.begin() + static_cast<std::ptrdiff_t>(m_head), m_data.end());
}

} // namespace sondrel::system
