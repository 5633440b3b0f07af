#include "runtime/system/ArgumentSplitter.h"

namespace sondrel::system {
namespace {

bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// Reads one argument starting at `pos` (not a separator) and moves `pos`
// behind it.
std::string_view nextArgument(std::string_view text, std::size_t& pos) {
    if (text[pos] == '"') {
        std::size_t start = pos + 1;
        std::size_t end = start;
        while (end < text.size() && text[end] != '"' && text[end] != '\n') {
            ++end;
        }
        // The closing quote is dropped; a line feed is left to act as a separator.
        pos = end < text.size() && text[end] == '"' ? end + 1 : end;
        return text.substr(start, end - start);
    }
    std::size_t start = pos;
    while (pos < text.size() && !isSeparator(text[pos])) {
        ++pos;
    }
    return text.substr(start, pos - start);
}

} // namespace

std::optional<std::vector<std::string>> SplitArguments(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> arguments;
    std::size_t pos = 0;
    for (;;) {
        while (pos < text.size() && isSeparator(text[pos])) {
            ++pos;
        }
        if (pos == text.size()) {
            return arguments;
        }
        if (arguments.size() == kMaxProgramArguments) {
            return std::nullopt;
        }
        arguments.emplace_back(nextArgument(text, pos));
    }
}

} // namespace sondrel::system
