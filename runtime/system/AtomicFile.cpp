#include "runtime/system/AtomicFile.h"

#include "runtime/system/UniqueFd.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::system {
namespace {

// The file to replace: a symbolic link is followed to the file it names.
std::string resolvedTarget(const std::string& path) {
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
        return path;
    }
    std::unique_ptr<char, decltype(&::free)> real(::realpath(path.c_str(), nullptr), &::free);
    return real ? std::string(real.get()) : path;
}

std::string folderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A name part no other temporary file of ours has; one of another process
// with the same name is caught by O_EXCL and the next name is tried.
std::string uniqueSuffix() {
    static std::atomic<unsigned> counter{0};
    auto clock = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(static_cast<unsigned long long>(clock) % 1000000007ULL);
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t done = ::write(fd, bytes.data(), bytes.size());
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(done));
    }
    return true;
}

// A temporary file beside the target that removes itself unless committed.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target, mode_t mode) {
        std::size_t slash = target.rfind('/');
        std::string prefix = target.substr(0, slash + 1) + "." +
                             target.substr(slash == std::string::npos ? 0 : slash + 1) + ".";
        for (int attempt = 0; attempt < 100 && !m_fd; ++attempt) {
            m_path = prefix + uniqueSuffix();
            m_fd.reset(::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
            if (!m_fd && errno != EEXIST) {
                break;
            }
        }
        m_created = m_fd.valid();
    }
    ~TemporaryFile() {
        if (m_created && !m_committed) {
            ::unlink(m_path.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool valid() const { return m_fd.valid(); }
    int fd() const { return m_fd.get(); }

    // Flushes, closes and renames the file over `target`.
    bool commit(const std::string& target) {
        if (::fsync(m_fd.get()) != 0 || ::close(m_fd.release()) != 0 ||
            ::rename(m_path.c_str(), target.c_str()) != 0) {
            return false;
        }
        m_committed = true;
        return true;
    }

private:
    std::string m_path;
    UniqueFd m_fd;
    bool m_created = false;
    bool m_committed = false;
};

} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view contents) {
    std::string target = resolvedTarget(path);
    struct stat old;
    std::optional<struct stat> existing;
    if (::stat(target.c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode)) {
            return false;
        }
        existing = old;
    }
    TemporaryFile file(target, existing ? 0600 : 0666);
    if (!file.valid()) {
        return false;
    }
    if (existing) {
        // Best effort: only a privileged process may give the file away.
        [[maybe_unused]] int ignored = ::fchown(file.fd(), existing->st_uid, existing->st_gid);
        if (::fchmod(file.fd(), existing->st_mode & 07777) != 0) {
            return false;
        }
    }
    if (!writeAll(file.fd(), contents) || !file.commit(target)) {
        return false;
    }
    // Make the rename itself durable.
    UniqueFd folder(::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder) {
        ::fsync(folder.get());
    }
    return true;
}

} // namespace sondrel::system
