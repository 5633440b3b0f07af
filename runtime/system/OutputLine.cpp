#include "runtime/system/OutputLine.h"

#include "runtime/core/Utf8.h"

namespace sondrel::system {
namespace {

constexpr std::size_t kGrowth = 1024;

enum class Step { Character, Broken, EndOfOutput };

// Reads `count` continuation bytes into `code`.
Step readContinuation(ByteSource& source, int count, std::uint32_t& code) {
    for (int i = 0; i < count; ++i) {
        std::optional<std::uint8_t> byte = source.peekByte();
        if (!byte) {
            return Step::EndOfOutput;
        }
        if (!core::IsUtf8Continuation(*byte)) {
            return Step::Broken;
        }
        source.skipByte();
        code = (code << 6) | (*byte & 0x3F);
    }
    return Step::Character;
}

} // namespace

core::Text DecodeOutputLine(ByteSource& source) {
    core::Text line;
    for (;;) {
        std::optional<std::uint8_t> byte = source.peekByte();
        if (!byte || *byte == '\n') {
            if (byte) {
                source.skipByte();
            }
            return line;
        }
        source.skipByte();
        if (line.size() == line.capacity()) {
            line.reserve(line.size() + kGrowth);
        }
        // The lead byte's pattern alone decides the length: no check for overlong forms or
        // surrogates, as a tool's output is taken as it comes.
        const core::Utf8Lead lead = core::Utf8LeadOf(*byte);
        if (lead.length <= 1) {
            line.push_back(lead.length == 1 ? static_cast<char16_t>(*byte) : u' ');
            continue;
        }
        std::uint32_t code = *byte & lead.payload;
        Step step = readContinuation(source, lead.length - 1, code);
        if (step == Step::EndOfOutput) {
            return line;
        }
        // A four-byte character does not fit one unit of the line.
        bool usable = step == Step::Character && lead.length < 4;
        line.push_back(usable ? static_cast<char16_t>(code) : u' ');
    }
}

} // namespace sondrel::system
