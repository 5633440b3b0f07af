#include "runtime/controls/MessageText.h"

#include <algorithm>
#include <mutex>
#include <tuple>

namespace sondrel::controls {
namespace {

struct Notes {
    std::mutex mutex;
    std::vector<TextMessage> messages;
};

Notes& notes() {
    static Notes* notes = new Notes; // filled during static initialisation, never destroyed
    return *notes;
}

TextMessage parse(std::string_view text) {
    TextMessage message;
    if (const auto space = text.find(' '); space != std::string_view::npos) {
        message.receiverClass = std::string(text.substr(0, space));
        text.remove_prefix(space + 1);
    }
    if (!text.empty() && (text.back() == '$' || text.back() == '@'))
        text.remove_suffix(1);
    message.selector = std::string(text);
    return message;
}

} // namespace

bool noteTextMessage(std::string_view text) {
    TextMessage message = parse(text);
    Notes& all = notes();
    std::lock_guard lock(all.mutex);
    all.messages.push_back(std::move(message));
    return true;
}

std::vector<TextMessage> textMessages() {
    Notes& all = notes();
    std::vector<TextMessage> result;
    {
        std::lock_guard lock(all.mutex);
        result = all.messages;
    }
    const auto order = [](const TextMessage& a, const TextMessage& b) {
        return std::tie(a.receiverClass, a.selector) < std::tie(b.receiverClass, b.selector);
    };
    std::sort(result.begin(), result.end(), order);
    result.erase(std::unique(result.begin(), result.end()), result.end());
    return result;
}

} // namespace sondrel::controls
