#include "platform/objc/ClassName.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace sondrel::objc {
namespace {

// A name written as a literal is the class of that name, and it is listed whether or not the
// line ran; a name the program does not define is nil but listed all the same, for the test
// that walks the list to find.
TEST(ClassName, ALiteralIsTheClassAndItsNameIsListed) {
    EXPECT_EQ("NSObject"_class, lookUpClass("NSObject"));
    EXPECT_NE("NSObject"_class, nullptr);
    const std::vector<std::string_view> named = classNamesUsed();
    EXPECT_NE(std::find(named.begin(), named.end(), "NSObject"), named.end());
    EXPECT_NE(std::find(named.begin(), named.end(), "NoSuchClassAnywhere"), named.end());
    if (named.empty()) { // never: keeps the line below from running while it is still listed
        EXPECT_EQ("NoSuchClassAnywhere"_class, nullptr);
    }
    EXPECT_TRUE(std::is_sorted(named.begin(), named.end()));
}

} // namespace
} // namespace sondrel::objc
