#include "runtime/system/ProgramPath.h"

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::system {
namespace {

std::string absolute(std::string path) {
    if (path.starts_with('/')) {
        return path;
    }
    std::unique_ptr<char, decltype(&::free)> folder(::getcwd(nullptr, 0), &::free);
    if (!folder) {
        return path;
    }
    std::string result = folder.get();
    if (!result.ends_with('/')) {
        result += '/';
    }
    return result + path;
}

} // namespace

bool IsExecutableFile(const std::string& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode) && status.st_size > 0 &&
           ::access(path.c_str(), X_OK) == 0;
}

std::optional<std::string> FindProgram(std::string_view name, const char* searchPath) {
    std::string file(name);
    if (name.empty() || file.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    if (file.find('/') != std::string::npos && IsExecutableFile(file)) {
        return absolute(file);
    }
    if (name.starts_with('/') || name.starts_with("./") || searchPath == nullptr) {
        return std::nullopt;
    }
    std::string_view rest = searchPath;
    while (!rest.empty()) {
        std::size_t colon = rest.find(':');
        std::string_view entry = rest.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        if (entry.empty()) {
            continue;
        }
        std::string candidate(entry);
        if (!candidate.ends_with('/')) {
            candidate += '/';
        }
        candidate += file;
        if (IsExecutableFile(candidate)) {
            return absolute(candidate);
        }
    }
    return std::nullopt;
}

} // namespace sondrel::system
