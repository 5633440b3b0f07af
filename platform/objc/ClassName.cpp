#include "platform/objc/ClassName.h"

#include <algorithm>
#include <mutex>

namespace sondrel::objc {
namespace {

struct Names {
    std::mutex mutex;
    std::vector<std::string_view> names;
};

Names& names() {
    static Names* names = new Names; // filled during static initialisation, never destroyed
    return *names;
}

} // namespace

std::string_view noteClassName(std::string_view name) {
    Names& all = names();
    std::lock_guard lock(all.mutex);
    all.names.push_back(name);
    return name;
}

std::vector<std::string_view> classNamesUsed() {
    Names& all = names();
    std::vector<std::string_view> result;
    {
        std::lock_guard lock(all.mutex);
        result = all.names;
    }
    std::sort(result.begin(), result.end());
    result.erase(std::unique(result.begin(), result.end()), result.end());
    return result;
}

} // namespace sondrel::objc
