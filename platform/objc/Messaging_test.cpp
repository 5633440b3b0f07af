#include "platform/objc/Messaging.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/objc/ClassDefinition.h"

namespace sondrel::objc {
namespace {

NSInteger answer(id, SEL) {
    return 42;
}
void takeDouble(id, SEL, double) {}

const ClassRegistration probeClass{ClassDefinition("MessagingProbe", "NSObject")
                                       .instanceMethod("answer", &answer)
                                       .instanceMethod("takeDouble:", &takeDouble)};
const ClassRegistration otherProbeClass{ClassDefinition("MessagingOtherProbe", "NSObject")};

// A probe instance for the test's lifetime.
struct Probe {
    explicit Probe(const char* className = "MessagingProbe")
        : object(send<id>(lookUpClass(className), "new"_sel)) {}
    ~Probe() { release(object); }
    id object;
};

// Sends made under report-only checking, as a build that ships makes them.
struct MessagingReport : ::testing::Test {
    void SetUp() override { setMessageChecking(MessageChecking::Report); }
    void TearDown() override { setMessageChecking(MessageChecking::Stop); }
};

class MessagingDeathTest : public ::testing::Test {
protected:
    MessagingDeathTest() { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST(Messaging, TestProgramsStopAtMistakes) {
    EXPECT_EQ(messageChecking(), MessageChecking::Stop);
}

TEST(Messaging, NilAndStalePointersAnswerZeroSilentlyEvenWhenChecked) {
    EXPECT_EQ(send<NSInteger>(nullptr, "noSuchMessage"_sel), 0);
    id stale = send<id>(lookUpClass("MessagingProbe"), "new"_sel);
    release(stale);
    EXPECT_EQ(send<NSInteger>(stale, "answer"_sel), 0);
    EXPECT_EQ(sendSuper<NSInteger>(lookUpClass("NSObject"), stale, "noSuchMessage"_sel), 0);
}

TEST_F(MessagingDeathTest, AMissingMethodStopsNamingSelectorClassAndCallSite) {
    Probe probe;
    const std::string line = std::to_string(__LINE__ + 1);
    EXPECT_DEATH(send<NSInteger>(probe.object, "noSuchMessage"_sel),
                 "-\\[MessagingProbe noSuchMessage\\] is not a method.*Messaging_test.cpp:" + line);
    EXPECT_DEATH(send<id>(lookUpClass("MessagingProbe"), "noSuchClassMessage"_sel),
                 "\\+\\[MessagingProbe noSuchClassMessage\\]");
    EXPECT_DEATH(sendSuper<NSInteger>(lookUpClass("NSObject"), probe.object, "answer"_sel),
                 "answer\\] is not a method");
}

TEST_F(MessagingDeathTest, CallTypesOtherThanTheMethodsStop) {
    Probe probe;
    // The result is a 64-bit integer, not a BOOL; the argument a double, not a float.
    EXPECT_DEATH(send<BOOL>(probe.object, "answer"_sel), "answer\\] takes q@:, sent as c@:");
    EXPECT_DEATH(send<void>(probe.object, "takeDouble:"_sel, 1.0f), "takes v@:d, sent as v@:f");
    // A selector chosen at run time may go unanswered, but not with other types.
    EXPECT_EQ(send<NSInteger>(probe.object, registerSelector("noSuchMessage")), 0);
    EXPECT_DEATH(send<int>(probe.object, registerSelector("answer")), "sent as i@:");
}

TEST_F(MessagingReport, AMistakeAnswersZeroAndIsReportedOncePerSelectorAndClass) {
    Probe probe;
    Probe other("MessagingOtherProbe");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(send<NSInteger>(probe.object, "unansweredOnce"_sel), 0);
    EXPECT_EQ(send<NSInteger>(probe.object, "unansweredOnce"_sel), 0);
    EXPECT_EQ(send<BOOL>(probe.object, "answer"_sel), NO);
    EXPECT_EQ(send<NSInteger>(other.object, "unansweredOnce"_sel), 0);
    const std::string reported = ::testing::internal::GetCapturedStderr();
    auto count = [&](const std::string& text) {
        std::size_t n = 0;
        for (auto at = reported.find(text); at != std::string::npos;
             at = reported.find(text, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("-[MessagingProbe unansweredOnce]"), 1u) << reported;
    EXPECT_EQ(count("-[MessagingOtherProbe unansweredOnce]"), 1u) << reported;
    EXPECT_EQ(count("-[MessagingProbe answer] takes q@:, sent as c@:"), 1u) << reported;
    // The right message still goes through.
    EXPECT_EQ(send<NSInteger>(probe.object, "answer"_sel), 42);
}

// Never called: its send is listed all the same, with the types of its call.
[[maybe_unused]] void neverCalled(id object) {
    send<void>(object, "listedWithoutRunning:at:"_sel, 1.5, NSInteger{2});
}

TEST(Messaging, EverySendByNameIsListedWithItsTypes) {
    const std::vector<SentMessage> sent = sentMessages();
    const SentMessage listed{"listedWithoutRunning:at:", "v@:dq"};
    EXPECT_NE(std::find(sent.begin(), sent.end(), listed), sent.end());
    EXPECT_TRUE(std::is_sorted(sent.begin(), sent.end(), [](const auto& a, const auto& b) {
        return std::pair(a.selector, a.types) < std::pair(b.selector, b.types);
    }));
}

} // namespace
} // namespace sondrel::objc
