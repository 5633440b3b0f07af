#pragma once

// Test support for the windowing runtime: one start-up per test program, a clean slate around
// every test, and helpers that pump the run loop and collect the events it returns.

#include <chrono>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/windowing/EventQueue.h"
#include "runtime/windowing/Gadget.h"
#include "runtime/windowing/Menus.h"
#include "runtime/windowing/RunLoop.h"
#include "runtime/windowing/Windows.h"

namespace sondrel::windowing::testing {

struct SeenEvent {
    std::int32_t kind = 0;
    std::int64_t object = 0;
    std::int64_t window = 0;
    std::uint64_t detail = 0;
    bool operator==(const SeenEvent&) const = default;
};

inline void PrintTo(const SeenEvent& event, std::ostream* out) {
    *out << "{kind " << event.kind << ", object " << event.object << ", window " << event.window
         << ", detail " << event.detail << "}";
}

class WindowingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static const bool started = [] {
            InitWindowingLibrary();
            return true;
        }();
        (void)started;
    }

    void SetUp() override { Pump(); }

    void TearDown() override {
        FreeGadgetObject(-1);
        CloseWindowObject(-1);
        FreeMenuBar(-1);
        Pump();
    }

    // Runs the loop for about `milliseconds`, returning every program event it gave.
    static std::vector<SeenEvent> Pump(int milliseconds = 30) {
        std::vector<SeenEvent> events;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end) {
            const std::int32_t kind = WaitEvent(5);
            if (kind > 0)
                events.push_back(Current(kind));
        }
        while (const std::int32_t kind = WaitEvent(0)) {
            if (kind > 0)
                events.push_back(Current(kind));
        }
        return events;
    }

    // Waits up to `milliseconds` for an event of `kind`; kind 0 in the result when none came.
    static SeenEvent WaitFor(std::int32_t kind, int milliseconds = 2000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end) {
            if (WaitEvent(10) == kind)
                return Current(kind);
        }
        return {};
    }

    // WaitEvent, waiting again while it only handled native events (such as the wake-ups that
    // posts leave behind).
    static std::int32_t WaitProgramEvent(std::int32_t timeout) {
        std::int32_t kind = WaitEvent(timeout);
        while (kind == -1)
            kind = WaitEvent(timeout);
        return kind;
    }

    static SeenEvent Current(std::int32_t kind) {
        return SeenEvent{kind, CurrentEventObject(), CurrentEventWindow(), CurrentEventDetail()};
    }

    static bool Contains(const std::vector<SeenEvent>& events, std::int32_t kind) {
        for (const SeenEvent& event : events) {
            if (event.kind == kind)
                return true;
        }
        return false;
    }
};

} // namespace sondrel::windowing::testing
