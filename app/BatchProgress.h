#pragma once

// How far a batch has come, shown where a person looks while waiting: the
// main window's title ("Sondrel — 42% — about 1 min left") and the
// application's task bar entry. The log's text is never touched.
//
// The batch's part done is the finished files plus the running files' own
// parts (each converter reports how much of its source it has read), over
// the files. The time left is the time so far scaled by the part still to
// do. Updates are paced so the main thread sees at most kShowInterval's
// worth of work: one title and one task bar change at a time.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "app/BatchControls.h"
#include "runtime/core/Text.h"

namespace sondrel::app {

// The window's title for a batch `fraction` (0 to 1) of the way through,
// with the estimate of the seconds left when there is one.
core::Text ProgressTitle(double fraction, std::optional<std::int64_t> secondsLeft);

class BatchProgress {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr std::chrono::milliseconds kShowInterval{250};
    // No estimate before this much of the batch and this much time have
    // passed: the first seconds (a converter starting, a short file) say
    // little about the rest.
    static constexpr double kEstimateFromFraction = 0.01;
    static constexpr std::chrono::seconds kEstimateFromTime{2};

    // `controls` is borrowed for the batch; the clock defaults to the steady clock.
    BatchProgress(BatchControls& controls, std::int64_t fileCount, Clock clock = {});

    // `finished` files are finished and the running ones have `runningParts`
    // of their sources between them. Shows the progress the first time and
    // then at most once per kShowInterval; the part shown never goes back.
    void update(std::int64_t finished, double runningParts);
    // Takes the progress off the title and the task bar entry (once shown).
    void clear();

private:
    BatchControls& m_controls;
    const std::int64_t m_fileCount;
    Clock m_clock;
    const std::chrono::steady_clock::time_point m_start;
    std::optional<std::chrono::steady_clock::time_point> m_lastShown;
    double m_shownFraction = 0;
    core::Text m_shownTitle;
};

} // namespace sondrel::app
