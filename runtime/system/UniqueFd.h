#pragma once

// Sole owner of one file descriptor: closed when the owner goes away, moved but
// never copied, so no code path can leak or double-close a descriptor.

#include <utility>

namespace sondrel::system {

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
    // Closes the descriptor held (if any) and takes `fd` instead.
    void reset(int fd = -1);

private:
    int m_fd = -1;
};

// Both ends of a pipe, each close-on-exec so that no other child started at
// the same time inherits them.
struct Pipe {
    UniqueFd read;
    UniqueFd write;
};

// Makes a close-on-exec pipe; false (with errno set) when the system has none
// to give.
bool MakePipe(Pipe& pipe);

} // namespace sondrel::system
