#include "platform/afconvert/Console.h"

#include <algorithm>
#include <cctype>

namespace sondrel::afconvert {

bool Console::mentionsDone(const std::string& line) {
    static constexpr char kWord[] = "done";
    for (size_t i = 0; i + 4 <= line.size(); ++i) {
        size_t k = 0;
        while (k < 4 && std::tolower(static_cast<unsigned char>(line[i + k])) == kWord[k])
            ++k;
        if (k == 4)
            return true;
    }
    return false;
}

void Console::progress(int percent) {
    info("progress: " + std::to_string(percent) + "%");
}

void Console::fraction(double part) {
    const int tenThousandths = static_cast<int>(std::clamp(part, 0.0, 1.0) * 10000.0);
    char line[32];
    std::snprintf(line, sizeof line, "progress %d.%04d", tenThousandths / 10000,
                  tenThousandths % 10000);
    info(line);
}

void Console::info(const std::string& line) {
    if (mentionsDone(line)) {
        note(line);
        return;
    }
    std::fprintf(m_out, "%s\n", line.c_str());
    std::fflush(m_out);
}

void Console::note(const std::string& line) {
    std::fprintf(m_err, "%s\n", line.c_str());
    std::fflush(m_err);
}

void Console::usage(const std::string& text) {
    // The usage text is fixed and free of the success word; it goes to
    // standard output as users expect of -h.
    std::fputs(text.c_str(), m_out);
    std::fflush(m_out);
}

bool Console::finish() {
    std::fputs("done\n", m_out);
    return std::fflush(m_out) == 0 && !std::ferror(m_out);
}

} // namespace sondrel::afconvert
