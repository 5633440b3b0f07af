#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace sondrel::afconvert {

class Reporter;

// Turns the count of source frames read into the progress a conversion
// reports: with -v a "progress: N%" line at each tenth, and with --progress a
// fraction for programs that follow the conversion. Fractions come at most
// once per kFractionInterval, the first one kFractionInterval after the
// meter was made, so a long conversion shows movement within its first
// second while a short one prints none. Nothing is reported for a source
// whose length is unknown. One thread uses a meter.
class ProgressMeter {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr std::chrono::milliseconds kFractionInterval{500};

    struct Settings {
        bool percentLines = false; // -v
        bool fractions = false;    // --progress
    };

    // `reporter` is borrowed for the meter's life; `clock` defaults to the
    // steady clock.
    ProgressMeter(Reporter& reporter, Settings settings, Clock clock = {});

    // The source's length in frames; 0 or less: unknown.
    void setTotal(int64_t frames) { m_total = frames; }
    // `frames` more source frames have been read.
    void advance(int64_t frames);

private:
    Reporter& m_reporter;
    Settings m_settings;
    Clock m_clock;
    std::chrono::steady_clock::time_point m_nextFraction;
    int64_t m_total = 0;
    int64_t m_read = 0;
    int m_lastTenth = 0;
};

} // namespace sondrel::afconvert
