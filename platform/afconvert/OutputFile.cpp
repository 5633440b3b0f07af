#include "platform/afconvert/OutputFile.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/random.h>
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

// The hidden name a file gets in `folder` while it is not yet complete, with
// `random` in place of XXXXXX. It fits the file system's 255-byte limit even
// when the output name itself is that long.
std::string hiddenName(const std::string& folder, const std::string& name) {
    constexpr size_t kNameBytes = 200;
    return folder + "/." + name.substr(0, kNameBytes) + ".afconvert-XXXXXX";
}

void fillRandom(std::string& pattern) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[6] = {};
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        // Only unique names matter here, not unpredictable ones: link fails on a taken name.
        static unsigned counter = 0;
        const unsigned seed = static_cast<unsigned>(::getpid()) * 7919u + ++counter;
        for (size_t i = 0; i < sizeof bytes; ++i)
            bytes[i] = static_cast<unsigned char>(seed >> (i * 5));
    }
    for (size_t i = 0; i < sizeof bytes; ++i)
        pattern[pattern.size() - sizeof bytes + i] = kLetters[bytes[i] % (sizeof kLetters - 1)];
}

// Gives the unnamed file open as `fd` the name `name`. Like link(), this never
// replaces or follows an existing name: a taken name fails with EEXIST.
int nameOpenFile(int fd, const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    if (errno != ENOENT || ::access("/proc/self/fd", F_OK) == 0)
        return -1;
    // No /proc: the direct form, which needs the privilege to name any open file.
    return ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
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
    m_fd.reset();
    m_unnamed = false;
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
    // An unnamed file in the output folder: until commit() names it, nothing
    // of it can be seen, and nothing of it remains however the process ends
    // (even by SIGKILL or a power cut). The kernel applies the umask.
    m_fd.reset(::open(m_folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666));
    if (m_fd) {
        m_unnamed = true;
        return {};
    }
    // File systems without unnamed files get a hidden temporary name.
    const size_t slash = path.rfind('/');
    std::string temp =
        hiddenName(m_folder, slash == std::string::npos ? path : path.substr(slash + 1));
    m_fd.reset(::mkostemp(temp.data(), O_CLOEXEC));
    if (!m_fd)
        return Status::failure("cannot create a file in the folder " + m_folder + ": " +
                               describeErrno(errno));
    m_unnamed = false;
    m_tempPath = temp;
    registerTemp(m_tempPath);
    // A new file gets the usual permissions rather than mkstemp's private ones.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(m_fd.get(), 0666 & ~mask);
    return {};
}

Status OutputFile::commit() {
    if (!m_fd)
        return Status::failure("the output file is not open");
    if (::fsync(m_fd.get()) != 0 && errno != EINVAL)
        return failed(errno);
    AFC_TRY(m_unnamed ? nameUnnamed() : nameTemporary());
    g_tempSet = 0;
    m_tempPath.clear();
    return {};
}

Status OutputFile::failed(int error) {
    discard();
    return Status::failure(describeErrno(error));
}

Status OutputFile::closeFile() {
    const int closed = m_fd.close();
    return closed == 0 ? Status() : failed(errno);
}

Status OutputFile::nameUnnamed() {
    if (m_naming == Naming::NextFree) {
        // The first free name; a name that is taken, whatever it is, is left alone.
        for (int n = 0;; ++n) {
            const std::string candidate = numbered(m_path, n);
            if (nameOpenFile(m_fd.get(), candidate) == 0) {
                m_path = candidate;
                break;
            }
            if (errno != EEXIST || n == 9999)
                return failed(errno);
        }
        m_tempPath = m_path;
        return closeFile();
    }
    // A hidden name first, then rename() over the real one: an existing file
    // (or link) of that name is replaced in one step by the complete file.
    const size_t slash = m_path.rfind('/');
    const std::string name = slash == std::string::npos ? m_path : m_path.substr(slash + 1);
    for (int attempt = 0;; ++attempt) {
        std::string hidden = hiddenName(m_folder, name);
        fillRandom(hidden);
        if (nameOpenFile(m_fd.get(), hidden) == 0) {
            m_tempPath = hidden;
            break;
        }
        if (errno != EEXIST || attempt == 99)
            return failed(errno);
    }
    registerTemp(m_tempPath);
    AFC_TRY(closeFile());
    if (::rename(m_tempPath.c_str(), m_path.c_str()) != 0)
        return failed(errno);
    return {};
}

Status OutputFile::nameTemporary() {
    AFC_TRY(closeFile());
    if (m_naming == Naming::Replace) {
        if (::rename(m_tempPath.c_str(), m_path.c_str()) != 0)
            return failed(errno);
        return {};
    }
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
        if (errno != EEXIST || n == 9999)
            return failed(errno);
    }
    ::unlink(m_tempPath.c_str());
    return {};
}

} // namespace sondrel::afconvert
