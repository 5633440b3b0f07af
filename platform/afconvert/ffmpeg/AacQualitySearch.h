#pragma once

#include <cstddef>
#include <vector>

namespace sondrel::afconvert {

// Finds the constant-quality lambda at which a stretch of audio averages a
// target bit rate, from a few trial encodings of it. The bit rate grows with
// lambda roughly as a power whose exponent depends on the material, so each
// trial after the first steps along the line through the last two (in
// logarithms). The search ends when a trial lands within kTolerance of the
// target, after kMaxTrials, or when lambda can go no further (the encoder's
// coarsest quantiser still spends more than the target).
class AacQualitySearch {
public:
    static constexpr double kTolerance = 0.04;
    static constexpr int kMaxTrials = 4;

    AacQualitySearch(double targetBitRate, int firstLambda);

    // The lambda to try next; meaningful while !done().
    int next() const { return m_next; }
    // The bit rate the lambda from next() gave.
    void record(double bitRate);
    bool done() const { return m_done; }
    // The lambda of the trial nearest the target, and its bit rate.
    int best() const;
    double bestRate() const;
    // Whether the trial nearest the target is the last one recorded.
    bool lastIsBest() const;

private:
    struct Trial {
        int lambda;
        double rate;
    };
    size_t bestIndex() const;
    int step() const;

    double m_target;
    int m_next;
    bool m_done = false;
    std::vector<Trial> m_trials;
};

} // namespace sondrel::afconvert
