#include "platform/afconvert/OutputFile.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/afconvert/ByteSink.h"

namespace sondrel::afconvert {

namespace {

// The temporary file the signal handlers remove; one output at a time.
char g_tempPath[4096];
volatile sig_atomic_t g_tempSet = 0;

void registerTemp(const std::string& path) {
    g_tempSet = 0;
    if (path.size() < sizeof g_tempPath) {
        std::memcpy(g_tempPath, path.c_str(), path.size() + 1);
        g_tempSet = 1;
    }
}

void cleanupAndDie(int signal) {
    if (g_tempSet)
        ::unlink(g_tempPath);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// "dir/song.caf" with n = 2 gives "dir/song-2.caf".
std::string numbered(const std::string& path, int n) {
    if (n == 0)
        return path;
    const size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1)
        dot = path.size();
    return path.substr(0, dot) + "-" + std::to_string(n) + path.substr(dot);
}

} // namespace

void OutputFile::installSignalCleanup() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, cleanupAndDie);
}

OutputFile::~OutputFile() {
    discard();
}

void OutputFile::discard() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        g_tempSet = 0;
        m_tempPath.clear();
    }
}

Status OutputFile::create(const std::string& path, Naming naming) {
    discard();
    m_path = path;
    m_naming = naming;
    m_folder = folderOf(path);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && naming == Naming::Replace)
        return Status::failure("is a folder");
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // The hidden temporary name must fit the file system's 255-byte limit
    // even when the output name itself is that long.
    constexpr size_t kTempNameBytes = 200;
    std::string temp = m_folder + "/." + name.substr(0, kTempNameBytes) + ".afconvert-XXXXXX";
    m_fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (m_fd < 0)
        return Status::failure("cannot create a file in the folder " + m_folder + ": " +
                               describeErrno(errno));
    m_tempPath = temp;
    registerTemp(m_tempPath);
    // A new file gets the usual permissions rather than mkstemp's private ones.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(m_fd, 0666 & ~mask);
    return {};
}

Status OutputFile::commit() {
    if (m_fd < 0)
        return Status::failure("the output file is not open");
    if (::fsync(m_fd) != 0 && errno != EINVAL) {
        const int error = errno;
        discard();
        return Status::failure(describeErrno(error));
    }
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0) {
        const int error = errno;
        discard();
        return Status::failure(describeErrno(error));
    }
    if (m_naming == Naming::Replace) {
        if (::rename(m_tempPath.c_str(), m_path.c_str()) != 0) {
            const int error = errno;
            discard();
            return Status::failure(describeErrno(error));
        }
    } else {
        // Take the first free name; link() never replaces an existing file.
        for (int n = 0;; ++n) {
            const std::string candidate = numbered(m_path, n);
            int linked = ::link(m_tempPath.c_str(), candidate.c_str());
            if (linked != 0 && (errno == EPERM || errno == EOPNOTSUPP || errno == EMLINK)) {
                // No hard links on this file system: rename without replacing.
                linked = ::renameat2(AT_FDCWD, m_tempPath.c_str(), AT_FDCWD, candidate.c_str(),
                                     RENAME_NOREPLACE);
            }
            if (linked == 0) {
                m_path = candidate;
                break;
            }
            if (errno != EEXIST || n == 9999) {
                const int error = errno;
                discard();
                return Status::failure(describeErrno(error));
            }
        }
        ::unlink(m_tempPath.c_str());
    }
    g_tempSet = 0;
    m_tempPath.clear();
    return {};
}

} // namespace sondrel::afconvert
