#include "platform/afconvert/ProgressMeter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/afconvert/Console.h"

namespace sondrel::afconvert {
namespace {

using namespace std::chrono_literals;
using TimePoint = std::chrono::steady_clock::time_point;

struct Recorder final : Reporter {
    std::vector<int> percents;
    std::vector<double> fractions;
    void progress(int percent) override { percents.push_back(percent); }
    void fraction(double part) override { fractions.push_back(part); }
    void info(const std::string&) override {}
    void note(const std::string&) override {}
};

struct SteeredClock {
    TimePoint now{};
    ProgressMeter::Clock clock() {
        return [this] { return now; };
    }
};

TEST(ProgressMeter, FractionsArePacedAndTenthsCounted) {
    Recorder recorder;
    SteeredClock time;
    ProgressMeter meter(recorder, {true, true}, time.clock());
    meter.setTotal(1000);

    // Reading 10 frames every 100 ms: a fraction at 500 ms, then every 500 ms.
    for (int step = 1; step <= 12; ++step) {
        time.now += 100ms;
        meter.advance(10);
    }
    EXPECT_EQ(recorder.fractions, (std::vector<double>{0.05, 0.10}));
    EXPECT_EQ(recorder.percents, (std::vector<int>{10}));

    // A stall, then a burst: one fraction, and every tenth passed over said once.
    time.now += 3s;
    meter.advance(500);
    meter.advance(600); // more than the source said it had
    EXPECT_EQ(recorder.fractions, (std::vector<double>{0.05, 0.10, 0.62}));
    EXPECT_EQ(recorder.percents, (std::vector<int>{10, 60, 100}));
}

TEST(ProgressMeter, SilentUnlessAskedOrLengthUnknown) {
    Recorder recorder;
    SteeredClock time;
    ProgressMeter quiet(recorder, {false, false}, time.clock());
    quiet.setTotal(100);
    ProgressMeter unknownLength(recorder, {true, true}, time.clock());
    time.now += 10s;
    quiet.advance(100);
    unknownLength.advance(100);
    EXPECT_TRUE(recorder.percents.empty());
    EXPECT_TRUE(recorder.fractions.empty());

    // Fractions alone, without -v's percentages.
    ProgressMeter fractionsOnly(recorder, {false, true}, time.clock());
    fractionsOnly.setTotal(100);
    time.now += 1s;
    fractionsOnly.advance(50);
    EXPECT_TRUE(recorder.percents.empty());
    EXPECT_EQ(recorder.fractions, (std::vector<double>{0.5}));
}

TEST(ProgressMeter, ConsoleLinesForPeopleAndPrograms) {
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = ::open_memstream(&text, &size);
    ASSERT_NE(out, nullptr);
    {
        Console console(out, stderr);
        console.progress(40);
        console.fraction(0.42134);
        console.fraction(1.5);
        console.fraction(0.0);
    }
    std::fclose(out);
    EXPECT_EQ(std::string(text, size),
              "progress: 40%\nprogress 0.4213\nprogress 1.0000\nprogress 0.0000\n");
    std::free(text);
}

} // namespace
} // namespace sondrel::afconvert
