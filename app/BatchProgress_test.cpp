#include "app/BatchProgress.h"

#include <gtest/gtest.h>

#include <vector>

namespace sondrel::app {
namespace {

using namespace std::chrono_literals;

class ProgressControls final : public BatchControls {
public:
    BatchSettings readSettings() override { return {}; }
    core::Text outputFolder() override { return {}; }
    void lock(std::int64_t) override {}
    void unlock(std::int64_t) override {}
    void showProgress(double fraction, core::TextView title) override {
        shown.emplace_back(fraction, core::TextToUtf8(title));
    }
    void clearProgress() override { ++cleared; }
    std::vector<std::pair<double, std::string>> shown;
    int cleared = 0;
};

struct SteeredClock {
    std::chrono::steady_clock::time_point now{};
    BatchProgress::Clock clock() {
        return [this] { return now; };
    }
};

TEST(BatchProgress, TitlesSayThePercentageAndTheTimeLeftAsAPersonWould) {
    EXPECT_EQ(core::TextToUtf8(ProgressTitle(0.0, std::nullopt)), "Sondrel \u2014 0%");
    EXPECT_EQ(core::TextToUtf8(ProgressTitle(0.4299, 61)),
              "Sondrel \u2014 42% \u2014 about 1 min left");
    EXPECT_EQ(core::TextToUtf8(ProgressTitle(1.2, 0)), "Sondrel \u2014 100% \u2014 about 5 s left");
    EXPECT_EQ(core::TextToUtf8(ProgressTitle(0.5, 41)),
              "Sondrel \u2014 50% \u2014 about 45 s left");
    EXPECT_EQ(core::TextToUtf8(ProgressTitle(0.5, 150)),
              "Sondrel \u2014 50% \u2014 about 3 min left");
    EXPECT_EQ(core::TextToUtf8(ProgressTitle(0.01, 3 * 3600 + 20 * 60)),
              "Sondrel \u2014 1% \u2014 about 3 h 20 min left");
}

TEST(BatchProgress, PacedNeverBackwardsAndClearedOnlyOnceShown) {
    ProgressControls controls;
    SteeredClock time;
    {
        BatchProgress unused(controls, 4, time.clock());
        unused.clear(); // nothing was shown: nothing to take back
    }
    EXPECT_EQ(controls.cleared, 0);

    BatchProgress progress(controls, 4, time.clock());
    progress.update(0, 0.0); // shown at once
    time.now += 100ms;
    progress.update(1, 0.5); // too soon after the last
    time.now += 150ms;
    progress.update(1, 0.5); // a quarter second on
    ASSERT_EQ(controls.shown.size(), 2u);
    EXPECT_EQ(controls.shown[0], std::make_pair(0.0, std::string("Sondrel \u2014 0%")));
    EXPECT_EQ(controls.shown[1], std::make_pair(0.375, std::string("Sondrel \u2014 37%")));

    // A finished file whose part is already gone while its verdict is not
    // yet counted: the part shown stays. Nothing new, nothing sent.
    time.now += 250ms;
    progress.update(1, 0.0);
    EXPECT_EQ(controls.shown.size(), 2u);

    // From two seconds on, an estimate: half done in 4 s leaves about 4 s.
    time.now = std::chrono::steady_clock::time_point{} + 4s;
    progress.update(2, 0.0);
    ASSERT_EQ(controls.shown.size(), 3u);
    EXPECT_EQ(controls.shown[2],
              std::make_pair(0.5, std::string("Sondrel \u2014 50% \u2014 about 5 s left")));

    progress.clear();
    EXPECT_EQ(controls.cleared, 1);
}

} // namespace
} // namespace sondrel::app
