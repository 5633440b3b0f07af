#include "platform/afconvert/ProgressMeter.h"

#include <algorithm>

#include "platform/afconvert/Converter.h"

namespace sondrel::afconvert {

ProgressMeter::ProgressMeter(Reporter& reporter, Settings settings, Clock clock)
    : m_reporter(reporter), m_settings(settings),
      m_clock(clock ? std::move(clock) : Clock(&std::chrono::steady_clock::now)),
      m_nextFraction(m_clock() + kFractionInterval) {}

void ProgressMeter::advance(int64_t frames) {
    m_read += frames;
    if (m_total <= 0)
        return;
    const int64_t read = std::min(m_read, m_total);
    if (m_settings.percentLines) {
        const int tenth = static_cast<int>(read * 10 / m_total);
        if (tenth > m_lastTenth) {
            m_lastTenth = tenth;
            m_reporter.progress(tenth * 10);
        }
    }
    if (m_settings.fractions) {
        const auto now = m_clock();
        if (now >= m_nextFraction) {
            // Paced from now, not from the last due time: a stall (a slow
            // disk) is followed by one line, not a burst of them.
            m_nextFraction = now + kFractionInterval;
            m_reporter.fraction(static_cast<double>(read) / static_cast<double>(m_total));
        }
    }
}

} // namespace sondrel::afconvert
