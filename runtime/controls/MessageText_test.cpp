#include "runtime/controls/MessageText.h"

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

namespace sondrel::controls {
namespace {

// The literal is the piece itself, in either width, and its message is listed as the checks
// read it: the class before a space, the selector without its argument suffix. A text whose
// line never runs is listed too.
TEST(MessageText, ALiteralIsThePieceAndItsMessageIsListed) {
    EXPECT_STREQ(static_cast<const char*>("setAlignment:"_msg), "setAlignment:");
    const auto* wide = static_cast<const char16_t*>(u"initWithString:$"_msg);
    EXPECT_EQ(std::u16string(wide), u"initWithString:$");
    const std::vector<TextMessage> listed = textMessages();
    for (const TextMessage& message :
         {TextMessage{"", "setAlignment:"}, TextMessage{"", "initWithString:"},
          TextMessage{"NSColor", "colorWithPatternImage:"}}) {
        EXPECT_NE(std::find(listed.begin(), listed.end(), message), listed.end())
            << message.receiverClass << " " << message.selector;
    }
    if (listed.empty()) { // never: the line below is listed without running
        EXPECT_NE("NSColor colorWithPatternImage:@"_msg, nullptr);
    }
}

} // namespace
} // namespace sondrel::controls
