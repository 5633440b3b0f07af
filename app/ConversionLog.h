#pragma once

// The log a conversion writes to: line-based text whose lines are its text
// split at line feeds (a carriage return counts as one). The main window's
// log editor is one; tests use an in-memory one.

#include <cstdint>

#include "runtime/core/Text.h"

namespace sondrel::app {

class ConversionLog {
public:
    virtual ~ConversionLog() = default;

    // Adds `text` at the end; texts carry their own line feeds.
    virtual void append(core::TextView text) = 0;
    // The number of lines (0 for an empty log).
    virtual std::int64_t lineCount() = 0;
    // Line `index` counted from 0; empty outside the lines.
    virtual core::Text lineText(std::int64_t index) = 0;
    // Replaces line `index` (nothing outside the lines) and rebuilds the text
    // from the lines joined by line feeds.
    virtual void replaceLine(std::int64_t index, core::TextView text) = 0;
    // Asks for the log to be scrolled to its end; carried out later, on the
    // main thread.
    virtual void showEnd() = 0;
};

} // namespace sondrel::app
