#include "runtime/system/PreferenceFile.h"

#include "runtime/system/AtomicFile.h"
#include "runtime/system/PreferenceDocument.h"
#include "runtime/system/UniqueFd.h"

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::system {
namespace {

// One thread's current preference file.
struct PreferenceState {
    bool inUse = false;
    std::string path;
    bool writable = false; // changes may be written back at close
    bool modified = false;
    int options = 0;
    PreferenceDocument document;

    // The end of the thread closes its file like ClosePreferenceFile.
    ~PreferenceState() { close(); }

    void close() {
        if (!inUse) {
            return;
        }
        if (modified && writable) {
            WriteFileAtomically(path, document.serialize(options));
        }
        inUse = false;
        path.clear();
        writable = false;
        modified = false;
        options = 0;
        document = PreferenceDocument();
    }
};

PreferenceState& current() {
    thread_local PreferenceState state;
    return state;
}

// The whole file behind `fd`, or nothing when it cannot be read as a file.
std::optional<std::string> readWhole(int fd) {
    struct stat status;
    if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(std::max<off_t>(status.st_size, 0)));
    char buffer[8192];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            return bytes;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

} // namespace

bool CreatePreferenceFile(core::TextView name, int options) {
    PreferenceState& state = current();
    state.close();
    std::string path = core::TextToUtf8(name);
    UniqueFd file(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!file) {
        return false;
    }
    state.inUse = true;
    state.path = std::move(path);
    state.writable = true;
    state.options = options;
    return true;
}

bool OpenPreferenceFile(core::TextView name, int options) {
    PreferenceState& state = current();
    state.close();
    state.path = core::TextToUtf8(name);
    state.options = options;
    state.inUse = true;
    state.writable = true;
    UniqueFd file(::open(state.path.c_str(), O_RDWR | O_CLOEXEC));
    if (!file) {
        file.reset(::open(state.path.c_str(), O_RDONLY | O_CLOEXEC));
        state.writable = false;
    }
    if (!file) {
        // Only a file that does not exist is made at close; one that exists
        // but cannot be read must not be replaced by what little we know.
        state.writable = errno == ENOENT;
        return false;
    }
    std::optional<std::string> bytes = readWhole(file.get());
    if (!bytes) {
        state.writable = false;
        return false;
    }
    state.document = PreferenceDocument::parse(*bytes);
    return true;
}

void ClosePreferenceFile() {
    current().close();
}

bool SelectPreferenceGroup(core::TextView name) {
    PreferenceState& state = current();
    return state.inUse && state.document.selectGroup(core::TextToUtf8(name));
}

std::int64_t ReadPreferenceNumber(core::TextView key, std::int64_t defaultValue) {
    PreferenceState& state = current();
    if (!state.inUse) {
        return defaultValue;
    }
    std::optional<std::string_view> value = state.document.findValue(core::TextToUtf8(key));
    if (!value) {
        return defaultValue;
    }
    // Leading blanks, a sign and digits; whatever follows is ignored, and out
    // of range numbers stop at the nearest limit.
    return std::strtoll(std::string(*value).c_str(), nullptr, 10);
}

void WritePreferenceNumber(core::TextView key, std::int64_t value) {
    PreferenceState& state = current();
    if (state.inUse && state.document.writeValue(core::TextToUtf8(key), std::to_string(value))) {
        state.modified = true;
    }
}

} // namespace sondrel::system
