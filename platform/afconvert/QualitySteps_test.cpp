// The search for the quality that spends a rate: it must end on the same
// neighbouring steps that measuring every step would, in a few steps.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>

#include "platform/afconvert/QualitySteps.h"

namespace sondrel::afconvert {
namespace {

using Curve = std::function<double(float)>; // bits at an offset (dB)

QualityTally measureAll(const Curve& bits) {
    QualityTally tally;
    for (size_t i = 0; i < kQualitySteps.size(); ++i) {
        tally.bits[i] = bits(kQualitySteps[i]);
        tally.measured[i] = true;
    }
    tally.blocks = 1;
    return tally;
}

// Runs the search as the probe does; returns the tally and the rounds.
QualityTally search(const Curve& bits, double target, int& rounds, int& steps) {
    QualityTally tally;
    rounds = steps = 0;
    for (std::vector<size_t> next = firstQualitySteps(); !next.empty();
         next = nextQualitySteps(tally, target)) {
        ++rounds;
        for (size_t i : next) {
            EXPECT_FALSE(tally.measured[i]) << "step " << i << " measured twice";
            tally.bits[i] = bits(kQualitySteps[i]);
            tally.measured[i] = true;
            ++steps;
        }
        tally.blocks = 1;
    }
    return tally;
}

TEST(QualitySteps, EndsOnTheNeighboursEveryStepWouldGiveInAFewSteps) {
    // Bits falling exponentially at various speeds, one that saturates at
    // the fine end (a frame's limit), one that stops falling at the coarse
    // end (near silence), and a flat one; targets inside and beyond.
    std::vector<Curve> curves;
    for (double perDb : {0.02, 0.04, 0.06, 0.1, 0.2})
        curves.push_back([perDb](float db) { return 1000.0 * std::exp(-perDb * db); });
    curves.push_back([](float db) { return 4000.0 / (1.0 + std::exp(0.15 * (db + 6.0))); });
    curves.push_back([](float db) { return 50.0 + 900.0 * std::exp(-0.08 * db); });
    curves.push_back([](float) { return 300.0; });
    int typicalSteps = 0, typicalSearches = 0;
    for (size_t c = 0; c < curves.size(); ++c)
        for (double target :
             {1.0, 60.0, 150.0, 299.0, 300.0, 450.0, 700.0, 1000.0, 1900.0, 3000.0, 1e6}) {
            int rounds = 0, steps = 0;
            const QualityTally found = search(curves[c], target, rounds, steps);
            const QualityTally all = measureAll(curves[c]);
            SCOPED_TRACE(testing::Message() << "curve " << c << ", target " << target);
            EXPECT_EQ(bracketTarget(found, target), bracketTarget(all, target));
            EXPECT_FLOAT_EQ(offsetForTarget(found, target), offsetForTarget(all, target));
            if (c < 5 && target >= 150 && target <= 1900) {
                typicalSteps += steps;
                ++typicalSearches;
                EXPECT_LE(rounds, 3);
            }
        }
    // Measuring a step is a coding of every block: where rates land, the
    // search must stay well under the fifteen a full measure takes.
    EXPECT_LE(double(typicalSteps) / typicalSearches, 4.0);
}

TEST(QualitySteps, BitsThatFallUnevenlyTakeNoMoreThanFourSteps) {
    // A held two-note chord at 128 kbit/s, as measured at every step
    // (thousands of bits): they hardly fall at fine qualities and fall fast
    // near the middle, so the typical fall from the middle step alone puts
    // the target 15 dB too fine.
    const std::array<double, kQualitySteps.size()> chord{227, 231, 235, 212, 158, 112, 72, 47,
                                                         27,  15,  12,  12,  9,   8,   7};
    const Curve bits = [&](float db) {
        for (size_t i = 0; i < kQualitySteps.size(); ++i)
            if (kQualitySteps[i] == db)
                return chord[i];
        return 0.0;
    };
    int rounds = 0, steps = 0;
    const QualityTally found = search(bits, 119, rounds, steps);
    EXPECT_EQ(bracketTarget(found, 119), bracketTarget(measureAll(bits), 119));
    EXPECT_LE(steps, 4);
    EXPECT_LE(rounds, 3);
}

TEST(QualitySteps, AnEmptyFileNeedsNoFurtherSteps) {
    QualityTally tally; // nothing measured, no blocks
    EXPECT_TRUE(nextQualitySteps(tally, 0).empty());
    EXPECT_EQ(offsetForTarget(tally, 0), kQualitySteps.front());
}

} // namespace
} // namespace sondrel::afconvert
