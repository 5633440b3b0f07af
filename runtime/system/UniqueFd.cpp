#include "runtime/system/UniqueFd.h"

#include <fcntl.h>
#include <unistd.h>

namespace sondrel::system {

void UniqueFd::reset(int fd) {
    int old = std::exchange(m_fd, fd);
    if (old >= 0) {
        // On Linux the descriptor is released even when close reports EINTR,
        // so it must not be closed a second time.
        ::close(old);
    }
}

bool MakePipe(Pipe& pipe) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return false;
    }
    pipe.read.reset(ends[0]);
    pipe.write.reset(ends[1]);
    return true;
}

} // namespace sondrel::system
