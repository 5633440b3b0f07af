// Fuzzes the streaming reader of program output. Whatever the bytes, every byte is read and
// every line feed byte ends a line (none is swallowed by a broken sequence); well-formed UTF-8
// reads as the runtime's strict codec reads it (a four-byte character as one space, since a line
// holds only single units).

#include "runtime/system/OutputLine.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "runtime/core/Utf8.h"

using namespace sondrel;

namespace {

class Bytes final : public system::ByteSource {
public:
    explicit Bytes(std::string_view bytes) : m_bytes(bytes) {}
    std::optional<std::uint8_t> peekByte() override {
        if (atEnd())
            return std::nullopt;
        return static_cast<std::uint8_t>(m_bytes[m_at]);
    }
    void skipByte() override { ++m_at; }
    bool atEnd() const { return m_at == m_bytes.size(); }

private:
    std::string_view m_bytes;
    std::size_t m_at = 0;
};

// What the strict codec reads from well-formed bytes, four-byte characters as spaces.
core::Text strictReading(std::string_view bytes) {
    core::Text text;
    for (std::size_t at = 0; at < bytes.size();) {
        char32_t point = 0;
        at += core::DecodeUtf8(bytes, at, point);
        text.push_back(point > 0xFFFF ? u' ' : static_cast<char16_t>(point));
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Bytes source(bytes);
    core::Text joined;
    std::size_t lines = 0;
    while (!source.atEnd() && lines <= size) {
        joined += system::DecodeOutputLine(source) + u'\n';
        ++lines;
    }
    const auto lineFeeds = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    if (lines != lineFeeds + (!bytes.empty() && bytes.back() != '\n'))
        std::abort();
    if (!system::DecodeOutputLine(source).empty())
        std::abort(); // the end of the output reads as an empty line
    if (!bytes.empty() && bytes.back() != '\n')
        joined.pop_back();
    if (core::IsWellFormedUtf8(bytes) && joined != strictReading(bytes))
        std::abort();
    return 0;
}
