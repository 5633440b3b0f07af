#pragma once

#include <cstdio>
#include <string>

#include "platform/afconvert/Converter.h"

namespace sondrel::afconvert {

// The tool's two output streams. Standard output carries only texts made
// here (progress, formats) and, last, the success line; a line there that
// would contain the word "done" in any form goes to standard error instead,
// so that callers waiting for "done" are never misled. File names, which
// may contain anything, always go to standard error.
class Console final : public Reporter {
public:
    Console(std::FILE* out, std::FILE* err) : m_out(out), m_err(err) {}

    void progress(int percent) override;
    // "progress 0.4213": four decimals, always a point whatever the locale.
    void fraction(double part) override;
    void info(const std::string& line) override;
    void note(const std::string& line) override;
    void error(const std::string& line) { note(line); }
    void usage(const std::string& text);
    // Prints the success line and flushes; false if standard output failed.
    bool finish();

    static bool mentionsDone(const std::string& line);

private:
    std::FILE* m_out;
    std::FILE* m_err;
};

} // namespace sondrel::afconvert
