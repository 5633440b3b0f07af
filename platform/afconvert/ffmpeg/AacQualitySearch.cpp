#include "platform/afconvert/ffmpeg/AacQualitySearch.h"

#include <algorithm>
#include <cmath>

namespace sondrel::afconvert {

namespace {

constexpr int kLowestLambda = 1;
constexpr int kHighestLambda = 30000;
// How the bit rate follows lambda when only one trial is known, and the range
// a measured exponent is trusted in.
constexpr double kTypicalExponent = 0.9;
constexpr double kLowestExponent = 0.3, kHighestExponent = 2.0;
// The most one step may change lambda by.
constexpr double kLargestStep = 8.0;

double miss(double rate, double target) {
    return std::abs(std::log(std::max(rate, 1.0) / target));
}

} // namespace

AacQualitySearch::AacQualitySearch(double targetBitRate, int firstLambda)
    : m_target(targetBitRate), m_next(std::clamp(firstLambda, kLowestLambda, kHighestLambda)) {}

void AacQualitySearch::record(double bitRate) {
    m_trials.push_back({m_next, std::max(bitRate, 1.0)});
    const bool close = miss(bitRate, m_target) <= std::log1p(kTolerance);
    const bool floored = m_next == kLowestLambda && bitRate > m_target;
    const bool capped = m_next == kHighestLambda && bitRate < m_target;
    if (close || floored || capped || std::ssize(m_trials) >= kMaxTrials) {
        m_done = true;
        return;
    }
    m_next = step();
    for (const Trial& t : m_trials)
        if (t.lambda == m_next)
            m_done = true; // nowhere new to go
}

int AacQualitySearch::step() const {
    const Trial& last = m_trials.back();
    double exponent = kTypicalExponent;
    if (m_trials.size() >= 2) {
        const Trial& before = m_trials[m_trials.size() - 2];
        const double dl = std::log(double(last.lambda)) - std::log(double(before.lambda));
        if (dl != 0)
            exponent = std::clamp((std::log(last.rate) - std::log(before.rate)) / dl,
                                  kLowestExponent, kHighestExponent);
    }
    const double factor =
        std::clamp(std::pow(m_target / last.rate, 1.0 / exponent), 1 / kLargestStep, kLargestStep);
    const auto lambda = static_cast<int>(std::lround(last.lambda * factor));
    // Integer lambdas: always move at least one step the right way.
    const int moved = lambda != last.lambda ? lambda : last.lambda + (factor > 1 ? 1 : -1);
    return std::clamp(moved, kLowestLambda, kHighestLambda);
}

size_t AacQualitySearch::bestIndex() const {
    size_t best = 0;
    for (size_t i = 1; i < m_trials.size(); ++i)
        if (miss(m_trials[i].rate, m_target) < miss(m_trials[best].rate, m_target))
            best = i;
    return best;
}

int AacQualitySearch::best() const {
    return m_trials.empty() ? m_next : m_trials[bestIndex()].lambda;
}

double AacQualitySearch::bestRate() const {
    return m_trials.empty() ? 0 : m_trials[bestIndex()].rate;
}

bool AacQualitySearch::lastIsBest() const {
    return !m_trials.empty() && bestIndex() == m_trials.size() - 1;
}

} // namespace sondrel::afconvert
