#include "platform/objc/SentMessages.h"

#include <algorithm>
#include <mutex>

#include "platform/objc/Runtime.h"

namespace sondrel::objc {
namespace {

struct Notes {
    std::mutex mutex;
    std::vector<SentMessage> messages;
};

Notes& notes() {
    static Notes* notes = new Notes; // filled during static initialisation, never destroyed
    return *notes;
}

} // namespace

SEL noteSentMessage(std::string_view selector, std::string_view types) {
    Notes& all = notes();
    {
        std::lock_guard lock(all.mutex);
        all.messages.push_back({selector, types});
    }
    return registerSelector(selector);
}

std::vector<SentMessage> sentMessages() {
    Notes& all = notes();
    std::vector<SentMessage> result;
    {
        std::lock_guard lock(all.mutex);
        result = all.messages;
    }
    auto order = [](const SentMessage& a, const SentMessage& b) {
        return std::pair(a.selector, a.types) < std::pair(b.selector, b.types);
    };
    std::sort(result.begin(), result.end(), order);
    result.erase(std::unique(result.begin(), result.end()), result.end());
    return result;
}

} // namespace sondrel::objc
