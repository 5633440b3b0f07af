#include "runtime/system/OutputLine.h"

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
        if ((*byte & 0xC0) != 0x80) {
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
        std::uint8_t lead = *byte;
        int continuation;
        std::uint32_t code;
        if (lead < 0x80) {
            line.push_back(static_cast<char16_t>(lead));
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            continuation = 1;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            continuation = 2;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            continuation = 3;
            code = lead & 0x07;
        } else {
            line.push_back(u' ');
            continue;
        }
        Step step = readContinuation(source, continuation, code);
        if (step == Step::EndOfOutput) {
            return line;
        }
        bool usable = step == Step::Character && continuation < 3;
        line.push_back(usable ? static_cast<char16_t>(code) : u' ');
    }
}

} // namespace sondrel::system
