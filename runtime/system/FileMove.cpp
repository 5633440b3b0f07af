#include "runtime/system/FileMove.h"

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/system/ExactUtf8.h"
#include "runtime/system/UniqueFd.h"

namespace sondrel::system {
namespace {

bool copyAll(int from, int to) {
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return got == 0;
        }
        for (ssize_t written = 0; written < got;) {
            const ssize_t done =
                ::write(to, buffer + written, static_cast<std::size_t>(got - written));
            if (done < 0 && errno == EINTR) {
                continue;
            }
            if (done <= 0) {
                return false;
            }
            written += done;
        }
    }
}

// Gives the complete copy at `temporary` the name `to` unless that is taken.
MoveResult publish(const std::string& temporary, const std::string& to) {
    if (::link(temporary.c_str(), to.c_str()) == 0) {
        return MoveResult::Moved;
    }
    if (errno == EEXIST) {
        return MoveResult::TargetExists;
    }
    // A file system without hard links: look, then rename.
    struct stat status;
    if (::lstat(to.c_str(), &status) == 0) {
        return MoveResult::TargetExists;
    }
    return ::rename(temporary.c_str(), to.c_str()) == 0 ? MoveResult::Moved : MoveResult::Failed;
}

MoveResult copyThenRemove(const std::string& from, const std::string& to) {
    const UniqueFd source(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    struct stat status;
    if (!source || ::fstat(source.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return MoveResult::Failed;
    }
    std::string temporary = to;
    temporary.insert(temporary.rfind('/') + 1, ".");
    temporary += ".XXXXXX";
    UniqueFd copy(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!copy) {
        return MoveResult::Failed;
    }
    const bool complete = ::fchmod(copy.get(), status.st_mode & 07777) == 0 &&
                          copyAll(source.get(), copy.get()) && ::fsync(copy.get()) == 0 &&
                          ::close(copy.release()) == 0;
    const MoveResult result = complete ? publish(temporary, to) : MoveResult::Failed;
    ::unlink(temporary.c_str());
    if (result == MoveResult::Moved) {
        ::unlink(from.c_str());
    }
    return result;
}

} // namespace

MoveResult MoveFileWithoutReplacing(core::TextView from, core::TextView to) {
    const std::optional<std::string> source = ExactUtf8(from);
    const std::optional<std::string> target = ExactUtf8(to);
    if (!source || !target || source->empty() || target->empty()) {
        return MoveResult::Failed;
    }
    if (::renameat2(AT_FDCWD, source->c_str(), AT_FDCWD, target->c_str(), RENAME_NOREPLACE) == 0) {
        return MoveResult::Moved;
    }
    switch (errno) {
    case EEXIST:
        return MoveResult::TargetExists;
    case EXDEV:  // another file system
    case EINVAL: // one that cannot refuse to replace
    case ENOSYS:
        return copyThenRemove(*source, *target);
    default:
        return MoveResult::Failed;
    }
}

} // namespace sondrel::system
