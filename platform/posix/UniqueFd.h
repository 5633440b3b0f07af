#pragma once

// Sole owner of one file descriptor: closed when the owner goes away, moved but
// never copied, so no code path can leak or double-close a descriptor. The one
// such class of the platform layer (the converter, its batch server's protocol,
// the native classes) and of the runtime above it.

#include <utility>

#include <unistd.h>

namespace sondrel::posix {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }

    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    explicit operator bool() const { return valid(); }

    // Gives up ownership without closing.
    int release() { return std::exchange(m_fd, -1); }
    // Closes the descriptor held (if any) and takes `fd` instead. On Linux the
    // descriptor is released even when close reports EINTR, so it is never
    // closed a second time.
    void reset(int fd = -1) {
        const int old = std::exchange(m_fd, fd);
        if (old >= 0) {
            ::close(old);
        }
    }
    // Closes the descriptor now, for a caller that must know whether the
    // system managed (a file's last data may be written only then): 0, or -1
    // with errno set. The owner holds nothing afterwards either way.
    int close() { return m_fd >= 0 ? ::close(release()) : 0; }

private:
    int m_fd = -1;
};

} // namespace sondrel::posix
