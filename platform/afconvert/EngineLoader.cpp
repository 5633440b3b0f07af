#include "platform/afconvert/EngineLoader.h"

#include <string>
#include <vector>

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace sondrel::afconvert {

namespace {

constexpr const char* kModuleName = "afconvert-engine.so";

std::string programFolder() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return ".";
    const std::string program(path, static_cast<size_t>(length));
    return program.substr(0, program.rfind('/'));
}

} // namespace

Status loadFullEngine(CodecEngine*& engine) {
    static CodecEngine* loaded = nullptr;
    if (loaded) {
        engine = loaded;
        return {};
    }
    const std::string folder = programFolder();
    const std::vector<std::string> candidates = {folder + "/../lib/sondrel/" + kModuleName,
                                                 folder + "/" + kModuleName};
    std::string reason = "not found beside the program";
    for (const std::string& candidate : candidates) {
        if (::access(candidate.c_str(), F_OK) != 0)
            continue;
        // The module stays loaded for the rest of the process.
        void* module = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            reason = ::dlerror();
            continue;
        }
        auto entry = reinterpret_cast<EngineEntryPoint>(::dlsym(module, kEngineEntryPoint));
        if (!entry) {
            reason = candidate + " has no engine";
            continue;
        }
        loaded = entry();
        engine = loaded;
        return {};
    }
    return Status::failure(std::string("cannot load the decoder engine ") + kModuleName + ": " +
                           reason);
}

} // namespace sondrel::afconvert
