#include "runtime/system/ProcessEnvironment.h"

#include "runtime/system/ExactUtf8.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::system {
namespace {

std::optional<std::string> homeFromPasswordDatabase() {
    long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 4096);
    passwd entry;
    passwd* found = nullptr;
    int error;
    while ((error = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found)) ==
               ERANGE &&
           buffer.size() < (1u << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (error != 0 || found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] == '\0') {
        return std::nullopt;
    }
    return std::string(found->pw_dir);
}

// The part of `path` after a leading double quote.
core::TextView unquoted(core::TextView path) {
    return path.starts_with(u'"') ? path.substr(1) : path;
}

std::optional<std::string> programFolder() {
    std::vector<char> buffer(4096);
    for (;;) {
        ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return std::nullopt;
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            std::string path(buffer.data(), static_cast<std::size_t>(length));
            std::size_t slash = path.rfind('/');
            if (slash == std::string::npos) {
                return std::nullopt;
            }
            return slash == 0 ? std::string("/") : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

int SystemVersionCode() {
    return 60000;
}

core::Text UserHomeFolder() {
    // HOME first, as every other program on the system reads it: a user, a
    // sandbox or a test that points it elsewhere means it.
    std::optional<std::string> home;
    if (const char* variable = std::getenv("HOME"); variable != nullptr && variable[0] == '/') {
        home = variable;
    } else {
        home = homeFromPasswordDatabase();
    }
    if (!home) {
        return {};
    }
    if (!home->ends_with('/')) {
        *home += '/';
    }
    return core::IsWellFormedUtf8(*home) ? core::Utf8ToText(*home) : core::Text();
}

std::int64_t PathSize(core::TextView path) {
    std::optional<std::string> bytes = ExactUtf8(path);
    struct stat status;
    if (path.empty() || !bytes || ::stat(bytes->c_str(), &status) != 0) {
        return -1;
    }
    return S_ISDIR(status.st_mode) ? -2 : static_cast<std::int64_t>(status.st_size);
}

bool MakeFolder(core::TextView path) {
    std::optional<std::string> bytes = ExactUtf8(path);
    return bytes && ::mkdir(bytes->c_str(), 0700) != -1;
}

core::Text FileNamePart(core::TextView path) {
    core::TextView rest = unquoted(path);
    std::size_t slash = rest.rfind(u'/');
    if (slash != core::TextView::npos) {
        rest = rest.substr(slash + 1);
    }
    return core::Text(rest.substr(0, rest.find(u'"')));
}

core::Text FolderPart(core::TextView path) {
    core::TextView rest = unquoted(path);
    std::size_t slash = rest.rfind(u'/');
    return slash == core::TextView::npos ? core::Text() : core::Text(rest.substr(0, slash + 1));
}

int EnterBundleContents() {
    std::optional<std::string> folder = programFolder();
    if (!folder) {
        return 0;
    }
    if (::chdir(folder->c_str()) != 0) {
        return -1;
    }
    const char* path = std::getenv("PATH");
    std::string current = path == nullptr ? "" : path;
    if (current != *folder && !current.starts_with(*folder + ":")) {
        std::string search = current.empty() ? *folder : *folder + ":" + current;
        ::setenv("PATH", search.c_str(), 1);
    }
    return 0;
}

int BringProcessToFront() {
    return 0;
}

} // namespace sondrel::system
