#pragma once

#include <functional>
#include <string>

#include "platform/afconvert/CodecEngine.h"
#include "platform/afconvert/Options.h"
#include "platform/afconvert/Status.h"

namespace sondrel::afconvert {

// Where the converter reports while it works. Progress goes to standard
// output, notes (which may hold file names) to standard error.
class Reporter {
public:
    virtual ~Reporter() = default;
    // For a person (-v): a whole percentage.
    virtual void progress(int percent) = 0;
    // For a program (--progress): the part of the source read, 0 to 1.
    virtual void fraction(double part) = 0;
    virtual void info(const std::string& line) = 0;
    virtual void note(const std::string& line) = 0;
};

// The engines the converter asks, in order: first the built-in one; the
// second, larger one is made only when the first has nothing to offer.
struct Engines {
    CodecEngine& first;
    std::function<Status(CodecEngine*&)> second;
};

// Converts options.inputPath as the options say. On success the output file
// is complete, durable and under its final name, which is returned in
// writtenPath; on failure nothing is left behind and the message names the
// file concerned and the reason.
Status convertFile(const Options& options, const Engines& engines, Reporter& reporter,
                   std::string& writtenPath);

} // namespace sondrel::afconvert
