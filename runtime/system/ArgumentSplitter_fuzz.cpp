// Fuzzes the argument splitter: whatever the text, splitting must not fail,
// never gives more than the allowed number of arguments, and arguments written
// back in a form the rules read unchanged are split into the same arguments.

#include "runtime/system/ArgumentSplitter.h"

#include <cstdint>
#include <cstdlib>

using namespace sondrel::system;

namespace {

bool hasSeparator(const std::string& text) {
    return text.find_first_of(" \t\n") != std::string::npos;
}

// The argument in a form that splits back to it, if there is one.
std::optional<std::string> writtenForm(const std::string& argument) {
    if (argument.find_first_of("\"\n") == std::string::npos) {
        return '"' + argument + '"';
    }
    if (!argument.starts_with('"') && !hasSeparator(argument)) {
        return argument;
    }
    return std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::optional<std::vector<std::string>> arguments = SplitArguments(text);
    if (!arguments) {
        return 0;
    }
    if (arguments->size() > kMaxProgramArguments) {
        std::abort();
    }
    std::string joined;
    for (const std::string& argument : *arguments) {
        if (argument.find('\0') != std::string::npos) {
            std::abort();
        }
        std::optional<std::string> form = writtenForm(argument);
        if (!form) {
            return 0;
        }
        joined += *form + ' ';
    }
    if (SplitArguments(joined) != arguments) {
        std::abort();
    }
    return 0;
}
