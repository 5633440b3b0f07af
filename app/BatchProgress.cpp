#include "app/BatchProgress.h"

#include <algorithm>
#include <cmath>

#include "app/MainWindow.h"

namespace sondrel::app {
namespace {

constexpr char16_t kSeparator[] = u" \u2014 ";

core::Text Number(std::int64_t value) {
    return core::NumberText(value);
}

// Rounded as a person would say it: to 5 s under a minute, to the minute
// under an hour, then hours and minutes.
core::Text TimeLeftText(std::int64_t seconds) {
    if (seconds < 60) {
        return u"about " + Number(std::max<std::int64_t>(5, (seconds + 4) / 5 * 5)) + u" s left";
    }
    const std::int64_t minutes = (seconds + 30) / 60;
    if (minutes < 60) {
        return u"about " + Number(minutes) + u" min left";
    }
    return u"about " + Number(minutes / 60) + u" h " + Number(minutes % 60) + u" min left";
}

} // namespace

core::Text ProgressTitle(double fraction, std::optional<std::int64_t> secondsLeft) {
    const auto percent = static_cast<std::int64_t>(std::clamp(fraction, 0.0, 1.0) * 100.0);
    core::Text title = core::Text(kMainWindowTitle) + kSeparator + Number(percent) + u"%";
    if (secondsLeft) {
        title += kSeparator + TimeLeftText(*secondsLeft);
    }
    return title;
}

BatchProgress::BatchProgress(BatchControls& controls, std::int64_t fileCount, Clock clock)
    : m_controls(controls), m_fileCount(std::max<std::int64_t>(fileCount, 1)),
      m_clock(clock ? std::move(clock) : Clock(&std::chrono::steady_clock::now)),
      m_start(m_clock()) {}

void BatchProgress::update(std::int64_t finished, double runningParts) {
    const auto now = m_clock();
    if (m_lastShown && now - *m_lastShown < kShowInterval) {
        return;
    }
    const double fraction = std::clamp((static_cast<double>(finished) + runningParts) /
                                           static_cast<double>(m_fileCount),
                                       m_shownFraction, 1.0);
    const auto elapsed = std::chrono::duration<double>(now - m_start).count();
    std::optional<std::int64_t> secondsLeft;
    if (fraction >= kEstimateFromFraction && now - m_start >= kEstimateFromTime) {
        secondsLeft = std::llround(elapsed * (1.0 - fraction) / fraction);
    }
    core::Text title = ProgressTitle(fraction, secondsLeft);
    m_lastShown = now;
    // Only what changes goes to the main thread.
    if (title == m_shownTitle && fraction - m_shownFraction < 0.001) {
        return;
    }
    m_shownFraction = fraction;
    m_shownTitle = std::move(title);
    m_controls.showProgress(fraction, m_shownTitle);
}

void BatchProgress::clear() {
    if (m_lastShown) {
        m_controls.clearProgress();
    }
}

} // namespace sondrel::app
