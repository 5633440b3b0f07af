#include "runtime/controls/ObjectMessage.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>

#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Geometry.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"

namespace sondrel::controls {
namespace {

using objc::id;
using objc::NSInteger;
using objc::NSRange;
using objc::SEL;

// Stand-ins for the window and text classes, shaped like the messages the application sends.
struct TestButton : objc::Object {
    using Object::Object;
    objc::BOOL hidden = objc::NO;
};
struct TestStorage : objc::Object {
    using Object::Object;
    std::u16string text;
};
struct TestView : objc::Object {
    using Object::Object;
    ~TestView() override {
        objc::release(storage);
        objc::release(button);
        objc::release(background);
    }
    id storage = objc::send<id>(objc::lookUpClass("TestStorage"), "new"_sel);
    id button = objc::send<id>(objc::lookUpClass("TestButton"), "new"_sel);
    id background = nullptr;
    NSRange visible{99, 99};
    NSInteger alignment = -1;
    objc::NSUInteger askedButton = 0;
};

id standardWindowButton(TestView* self, SEL, objc::NSUInteger which) {
    self->askedButton = which;
    return self->button;
}
void setHidden(TestButton* self, SEL, objc::BOOL hidden) {
    self->hidden = hidden;
}
id textStorage(TestView* self, SEL) {
    return self->storage;
}
void appendAttributedString(TestStorage* self, SEL, id string) {
    self->text += objc::nativeStringText(objc::send<id>(string, "string"_sel));
}
void scrollRangeToVisible(TestView* self, SEL, NSRange range) {
    self->visible = range;
}
void setAlignment(TestView* self, SEL, NSInteger alignment) {
    self->alignment = alignment;
}
void setBackgroundColor(TestView* self, SEL, id color) {
    objc::retain(color);
    objc::release(std::exchange(self->background, color));
}
NSInteger sum4(id, SEL, NSInteger a, NSInteger b, NSInteger c, NSInteger d) {
    return a + 10 * b + 100 * c + 1000 * d;
}
NSInteger sum5(id, SEL, NSInteger a, NSInteger b, NSInteger c, NSInteger d, NSInteger e) {
    return sum4(nullptr, nullptr, a, b, c, d) + 10000 * e;
}
int minusOne(id, SEL, NSRange) {
    return -1;
}
double scaled(id, SEL, double value, float factor) {
    return value * factor;
}
int calls = 0;
void countCall(TestView*, SEL) {
    ++calls;
}

const objc::ClassRegistration buttonClass{
    objc::ClassDefinition("TestButton", "NSObject", objc::factoryFor<TestButton>())
        .instanceMethod("setHidden:", &setHidden)};
const objc::ClassRegistration storageClass{
    objc::ClassDefinition("TestStorage", "NSObject", objc::factoryFor<TestStorage>())
        .instanceMethod("appendAttributedString:", &appendAttributedString)};
const objc::ClassRegistration viewClass{
    objc::ClassDefinition("TestView", "NSObject", objc::factoryFor<TestView>())
        .instanceMethod("standardWindowButton:", &standardWindowButton)
        .instanceMethod("textStorage", &textStorage)
        .instanceMethod("scrollRangeToVisible:", &scrollRangeToVisible)
        .instanceMethod("setAlignment:", &setAlignment)
        .instanceMethod("setBackgroundColor:", &setBackgroundColor)
        .instanceMethod("sum:b:c:d:", &sum4)
        .instanceMethod("sum:b:c:d:e:", &sum5)
        .instanceMethod("minusOneFor:", &minusOne)
        .instanceMethod("scale:by:", &scaled)
        .instanceMethod("takesNothing:", &countCall, "v@:")};

Word word(const void* pointer) {
    return reinterpret_cast<Word>(pointer);
}

id newImage(double width, double height) {
    return objc::send<id>(objc::send<id>(objc::lookUpClass("NSImage"), "alloc"_sel),
                          "initWithSize:"_sel, objc::CGSize{width, height});
}

class ObjectMessage : public ::testing::Test {
protected:
    void SetUp() override { view = objc::send<id>(objc::lookUpClass("TestView"), "new"_sel); }
    void TearDown() override { objc::release(view); }
    TestView& state() { return *objc::liveCast<TestView>(view); }

    MessagePath pathOf(MessageCall call) {
        MessagePath path = MessagePath::NotSent;
        SendMessageCall(call, &path);
        return path;
    }

    objc::AutoreleasePool pool;
    id view = nullptr;
};

TEST_F(ObjectMessage, SendsTheApplicationsMessages) {
    // Hiding a title-bar button.
    const Word button = SendObjectMessage(nullptr, view, "standardWindowButton:", 2);
    EXPECT_EQ(button, word(state().button));
    EXPECT_EQ(state().askedButton, 2u);
    EXPECT_EQ(SendObjectMessage(nullptr, reinterpret_cast<void*>(button), "setHidden:", 1), 0u);
    EXPECT_EQ(objc::liveCast<TestButton>(state().button)->hidden, objc::YES);

    // Appending a log line: alloc, initWithString:$, appendAttributedString:, release.
    const Word storage = SendObjectMessage(nullptr, view, "textStorage");
    EXPECT_EQ(storage, word(state().storage));
    const Word string = SendObjectMessage(nullptr, nullptr, u"NSAttributedString alloc");
    ASSERT_NE(string, 0u);
    EXPECT_EQ(objc::getClass(reinterpret_cast<void*>(string)),
              objc::lookUpClass("NSAttributedString"));
    const std::u16string line = u"song.wav - Done! \u2713";
    EXPECT_EQ(SendObjectMessage(nullptr, reinterpret_cast<void*>(string), u"initWithString:$",
                                word(line.c_str())),
              string);
    SendObjectMessage(nullptr, reinterpret_cast<void*>(storage), "appendAttributedString:", string);
    SendObjectMessage(nullptr, reinterpret_cast<void*>(string), "release");
    EXPECT_FALSE(objc::isLiveObject(reinterpret_cast<void*>(string)));
    EXPECT_EQ(objc::liveCast<TestStorage>(state().storage)->text, line);

    // Scrolling to the end, aligning, a pattern colour from an image sized to 32 x 16.
    const NSRange end{120, 0};
    SendObjectMessage(nullptr, view, "scrollRangeToVisible:@", word(&end));
    EXPECT_EQ(state().visible, end);
    SendObjectMessage(nullptr, view, "setAlignment:", 2);
    EXPECT_EQ(state().alignment, 2);

    id image = newImage(64, 32);
    const double size[2] = {32.0, 16.0};
    SendObjectMessage(nullptr, image, "setSize:@", word(size));
    EXPECT_EQ(objc::send<objc::CGSize>(image, "size"_sel), (objc::CGSize{32, 16}));
    const Word color =
        SendObjectMessage(nullptr, nullptr, "NSColor colorWithPatternImage:", word(image));
    ASSERT_NE(color, 0u);
    SendObjectMessage(nullptr, view, "setBackgroundColor:", color);
    EXPECT_EQ(state().background, reinterpret_cast<id>(color));
    EXPECT_EQ(objc::send<id>(state().background, "patternImage"_sel), image);
    objc::release(image);
}

TEST_F(ObjectMessage, ChoosesThePathByBufferSuffixCountAndTypes) {
    MessageCall four;
    four.receiver = view;
    four.pieces = {"sum:", "b:", "c:", "d:"};
    four.words = {1, 2, 3, 4};
    EXPECT_EQ(pathOf(four), MessagePath::Direct);
    EXPECT_EQ(SendMessageCall(four), 4321u);

    MessageCall five = four;
    five.pieces[4] = "e:";
    five.words[4] = 5;
    EXPECT_EQ(pathOf(five), MessagePath::Invocation);
    EXPECT_EQ(SendObjectMessage(nullptr, view, "sum:", 1, "b:", 2, "c:", 3, "d:", 4, "e:", 5),
              54321u);

    NSInteger buffered = 0;
    four.result = &buffered;
    EXPECT_EQ(pathOf(four), MessagePath::Invocation);
    EXPECT_EQ(SendMessageCall(four), 0u); // the result went to the buffer
    EXPECT_EQ(buffered, 4321);

    // Floating-point parameters and results always go through the invocation.
    MessageCall scale;
    scale.receiver = view;
    scale.pieces = {"scale:", "by:"};
    scale.words = {std::bit_cast<Word>(2.5), std::bit_cast<std::uint32_t>(4.0f)};
    EXPECT_EQ(pathOf(scale), MessagePath::Invocation);
    EXPECT_EQ(std::bit_cast<double>(SendMessageCall(scale)), 10.0);
}

TEST_F(ObjectMessage, WidensShortResults) {
    const NSRange range{1, 2};
    EXPECT_EQ(SendObjectMessage(nullptr, view, "minusOneFor:@", word(&range)), 4294967295u);
    id text = objc::autoreleasedNativeString(u"caf\u00e9");
    EXPECT_EQ(SendObjectMessage(nullptr, text, "isEqualToString:$", word("caf\xe9")), 1u);
    EXPECT_EQ(SendObjectMessage(nullptr, text, "isEqualToString:$", word("cafe")), 0u);
    EXPECT_EQ(SendObjectMessage(nullptr, view,
                                "respondsToSelector:", word(objc::registerSelector("textStorage"))),
              1u);
    // A result longer than a word is dropped without a buffer and copied with one.
    id image = newImage(5, 7);
    EXPECT_EQ(SendObjectMessage(nullptr, image, "size"), 0u);
    objc::CGSize size;
    EXPECT_EQ(SendObjectMessage(&size, image, "size"), 0u);
    EXPECT_EQ(size, (objc::CGSize{5, 7}));
    objc::release(image);
}

TEST_F(ObjectMessage, AppliesTheSuffixAndColonRules) {
    // The word of a one-argument call to a selector without a colon is ignored.
    EXPECT_EQ(SendObjectMessage(nullptr, view, "textStorage", 12345), word(state().storage));
    // A lone piece's suffix without a colon stays part of the name: no such method.
    EXPECT_EQ(SendObjectMessage(nullptr, view, "textStorage$", 0), 0u);
    // Zero words with "$" or "@" leave the parameter at nil or zeros.
    const Word string = SendObjectMessage(nullptr, nullptr, "NSAttributedString alloc");
    EXPECT_EQ(SendObjectMessage(nullptr, reinterpret_cast<void*>(string), "initWithString:$", 0),
              string);
    EXPECT_EQ(SendObjectMessage(nullptr, reinterpret_cast<void*>(string), "length"), 0u);
    SendObjectMessage(nullptr, reinterpret_cast<void*>(string), "release");
    SendObjectMessage(nullptr, view, "scrollRangeToVisible:@", 0);
    EXPECT_EQ(state().visible, (NSRange{0, 0}));
    // 8-bit texts convert as Latin-1, UTF-16 ones unit by unit.
    const Word latin =
        SendObjectMessage(nullptr, nullptr, "NSString stringWithString:$", word("na\xefve"));
    EXPECT_EQ(objc::nativeStringText(reinterpret_cast<void*>(latin)), u"na\u00efve");
    const std::u16string wide = u"\u041f\u0440\u0438\u0432\u0435\u0442";
    const Word utf16 =
        SendObjectMessage(nullptr, nullptr, u"NSString stringWithString:$", word(wide.c_str()));
    EXPECT_EQ(objc::nativeStringText(reinterpret_cast<void*>(utf16)), wide);
}

TEST_F(ObjectMessage, RefusesWhatCannotBeSent) {
    EXPECT_NE(SendObjectMessage(nullptr, nullptr, "NSObject new"), 0u);
    EXPECT_EQ(SendObjectMessage(nullptr, nullptr, "NoSuchClass alloc"), 0u);
    EXPECT_EQ(SendObjectMessage(nullptr, nullptr, "alloc"), 0u); // no class name
    EXPECT_EQ(SendObjectMessage(nullptr, view, "noSuchMethod"), 0u);
    EXPECT_EQ(SendObjectMessage(nullptr, nullptr, ""), 0u);
    EXPECT_EQ(SendMessageCall(MessageCall{}), 0u);
    // Stale and made-up receivers are refused without being read.
    const Word stale = SendObjectMessage(nullptr, nullptr, "NSObject new");
    SendObjectMessage(nullptr, reinterpret_cast<void*>(stale), "release");
    EXPECT_EQ(SendObjectMessage(nullptr, reinterpret_cast<void*>(stale), "retain"), 0u);
    std::uint64_t madeUp[4] = {};
    EXPECT_EQ(SendObjectMessage(nullptr, madeUp, "class"), 0u);
    // Texts past the 264-byte buffer are refused, whether class name or selector.
    const std::string longName(300, 'N');
    EXPECT_EQ(SendObjectMessage(nullptr, nullptr, longName.c_str()), 0u);
    const std::string longPiece = std::string(200, 'a') + ":";
    MessagePath path = MessagePath::Direct;
    MessageCall call;
    call.receiver = view;
    call.pieces = {longPiece.c_str(), longPiece.c_str()};
    EXPECT_EQ(SendMessageCall(call, &path), 0u);
    EXPECT_EQ(path, MessagePath::NotSent);
    // More arguments than the method's encoding takes: nothing is sent.
    const NSRange range{1, 1};
    EXPECT_EQ(SendObjectMessage(nullptr, view, "takesNothing:@", word(&range)), 0u);
    EXPECT_EQ(calls, 0);
}

} // namespace
} // namespace sondrel::controls
