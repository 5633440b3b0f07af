// Every message the program sends by name from C++, and every class it names, against the
// classes of the program. For a message, some class must answer it with a method whose types
// match the call, or the message would stop a checked build and be answered like nil in the one
// that ships; a class name must name a class, or its messages would go to nil. The program's
// libraries are linked whole (see app/CMakeLists.txt) and no other test code is, so the lists are
// the program's own and complete.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/objc/ClassName.h"
#include "platform/objc/MethodSignature.h"
#include "platform/objc/Runtime.h"
#include "platform/objc/SentMessages.h"
#include "runtime/controls/MessageText.h"

namespace sondrel {
namespace {

using objc::Class;

// Every method of every class (class methods from the metaclasses), by selector name.
std::multimap<std::string, const objc::Method*> methodsBySelector() {
    std::multimap<std::string, const objc::Method*> methods;
    for (Class cls : objc::registeredClasses()) {
        for (Class table : {cls, cls->metaclass()}) {
            for (const objc::Method* method : objc::methodList(table))
                methods.emplace(objc::selectorName(method->selector), method);
        }
    }
    return methods;
}

bool answered(const objc::SentMessage& message,
              const std::multimap<std::string, const objc::Method*>& methods) {
    const auto call = objc::MethodSignature::parse(message.types);
    if (call == nullptr)
        return false;
    const auto [first, last] = methods.equal_range(std::string(message.selector));
    for (auto it = first; it != last; ++it) {
        if (it->second->signature != nullptr && it->second->signature->isCompatibleWith(*call))
            return true;
    }
    return false;
}

TEST(SentMessages, EveryMessageSentByNameHasAMethodTakingItsTypes) {
    const std::vector<objc::SentMessage> sent = objc::sentMessages();
    // Messages from each layer, so that a list cut short by the link would not pass unnoticed.
    const std::vector<objc::SentMessage> expected = {
        {"retain", "@@:"},                                    // the object runtime
        {"drawRect:", "v@:{CGRect={CGPoint=dd}{CGSize=dd}}"}, // the native classes
        {"makeFirstResponder:", "c@:@"},                      // the gadget core
        {"setBezelStyle:", "v@:Q"},                           // the gadget kinds
    };
    for (const objc::SentMessage& message : expected) {
        EXPECT_NE(std::find(sent.begin(), sent.end(), message), sent.end())
            << message.selector << " " << message.types;
    }

    const auto methods = methodsBySelector();
    std::string unanswered;
    for (const objc::SentMessage& message : sent) {
        if (!answered(message, methods)) {
            unanswered +=
                "\n  " + std::string(message.selector) + " sent as " + std::string(message.types);
            const auto [first, last] = methods.equal_range(std::string(message.selector));
            for (auto it = first; it != last; ++it)
                unanswered += "; registered as " + it->second->types;
        }
    }
    EXPECT_TRUE(unanswered.empty()) << sent.size() << " messages, unanswered:" << unanswered;
}

// Every class the program names by literal ("NSTextStorage"_class) is one the program defines.
TEST(SentMessages, EveryClassNamedInTheSourceIsDefined) {
    const std::vector<std::string_view> named = objc::classNamesUsed();
    // Names from each layer, so that a list cut short by the link would not pass unnoticed.
    for (const std::string_view name : {"NSString", "NSTextStorage", "RTWindow"})
        EXPECT_NE(std::find(named.begin(), named.end(), name), named.end()) << name;
    std::string undefined;
    for (const std::string_view name : named) {
        if (objc::lookUpClass(name) == nullptr)
            undefined += " " + std::string(name);
    }
    EXPECT_TRUE(undefined.empty()) << named.size() << " class names, undefined:" << undefined;
}

// Every message the program sends as a text ("setAlignment:"_msg) is answered by some class, and
// one naming its class ("NSColor colorWithPatternImage:") by a class method of that class.
TEST(SentMessages, EveryMessageSentAsATextHasAMethod) {
    const std::vector<controls::TextMessage> sent = controls::textMessages();
    const std::vector<controls::TextMessage> expected = {{"", "appendAttributedString:"},
                                                         {"NSColor", "colorWithPatternImage:"}};
    for (const controls::TextMessage& message : expected) {
        EXPECT_NE(std::find(sent.begin(), sent.end(), message), sent.end())
            << message.receiverClass << " " << message.selector;
    }
    const auto methods = methodsBySelector();
    std::string unanswered;
    for (const controls::TextMessage& message : sent) {
        const bool answered =
            message.receiverClass.empty()
                ? methods.count(message.selector) > 0
                : objc::getClassMethod(objc::lookUpClass(message.receiverClass),
                                       objc::registerSelector(message.selector)) != nullptr;
        if (!answered)
            unanswered += "\n  " + message.receiverClass + " " + message.selector;
    }
    EXPECT_TRUE(unanswered.empty()) << sent.size() << " text messages, unanswered:" << unanswered;
}

} // namespace
} // namespace sondrel
