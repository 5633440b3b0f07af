#include "runtime/controls/WindowViewCommands.h"

#include <filesystem>
#include <fstream>

#include <QImage>
#include <QLineEdit>
#include <QWidget>

#include "platform/appkit/ModalAnswers.h"
#include "platform/appkit/NSImage.h"
#include "platform/appkit/NSTextView.h"
#include "platform/appkit/Retained.h"
#include "platform/appkit/ViewAppearance.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "runtime/controls/ButtonGadget.h"
#include "runtime/controls/ControlsTesting.h"
#include "runtime/controls/EditorGadget.h"
#include "runtime/controls/GadgetTexts.h"
#include "runtime/controls/ObjectMessage.h"
#include "runtime/controls/StringGadget.h"
#include "runtime/controls/TextViewCommands.h"

namespace sondrel::controls {
namespace {

using appkit::NSViewObject;
using windowing::GadgetHandle;
using windowing::WindowHandle;

class WindowViewCommandsTest : public testing::ControlsTest {
protected:
    static appkit::Retained<objc::Object> Picture() {
        QImage image(8, 8, QImage::Format_ARGB32);
        image.fill(Qt::blue);
        return appkit::Retained<objc::Object>::adopt(appkit::newNativeImage(image));
    }
    static std::vector<NSViewObject*> Subviews() {
        std::vector<NSViewObject*> views;
        for (const auto& view : WindowHandle(0)->contentView()->subviews())
            views.push_back(view.get());
        return views;
    }
};

TEST_F(WindowViewCommandsTest, WindowOpacityPatternAndFullScreen) {
    appkit::NSWindowObject* window = WindowHandle(0);
    SetWindowOpacity(window, 0.75f);
    EXPECT_NEAR(window->alphaValue(), 0.75, 0.01);
    SetWindowOpacity(window, 1.0f);
    EXPECT_DOUBLE_EQ(window->alphaValue(), 1.0);

    const auto picture = Picture();
    SetWindowPattern(window, picture.get());
    const objc::id color = appkit::windowBackgroundColor(window);
    EXPECT_EQ(objc::send<objc::id>(color, "patternImage"_sel), picture.get());
    EXPECT_TRUE(window->contentView()->widget()->autoFillBackground());

    EXPECT_EQ(appkit::windowCollectionBehavior(window), 0u);
    EnableFullScreen(window);
    EXPECT_EQ(appkit::windowCollectionBehavior(window), 128u);
}

TEST_F(WindowViewCommandsTest, ViewOrderFiltersAndPatterns) {
    CreateButtonGadget(1, 10, 10, 80, 25, u"one");
    CreateButtonGadget(2, 10, 40, 80, 25, u"two");
    CreateButtonGadget(3, 10, 70, 80, 25, u"three");
    NSViewObject* one = GadgetHandle(1);
    NSViewObject* two = GadgetHandle(2);
    NSViewObject* three = GadgetHandle(3);
    BringViewToFront(one);
    EXPECT_EQ(Subviews(), (std::vector<NSViewObject*>{two, three, one}));
    SendViewToBack(three);
    EXPECT_EQ(Subviews(), (std::vector<NSViewObject*>{three, two, one}));
    EXPECT_EQ(GetGadgetText(3), u"three") << "the gadget lives on";
    EXPECT_FALSE(three->widget()->isHidden());

    const objc::id filter = objc::autoreleasedNativeString(u"a filter object");
    SetViewFilter(two, filter);
    EXPECT_TRUE(appkit::viewWantsLayer(two));
    EXPECT_EQ(objc::send<objc::id>(appkit::viewContentFilters(two), "objectAtIndex:"_sel,
                                   objc::NSUInteger{0}),
              filter);
    SetViewFilter(two, nullptr);
    EXPECT_EQ(appkit::viewContentFilters(two), nullptr);

    const auto picture = Picture();
    CreateEditorGadget(4, 100, 10, 200, 100);
    SetViewPattern(GadgetHandle(4), picture.get());
    EXPECT_EQ(objc::send<objc::id>(objc::send<objc::id>(GadgetHandle(4), "backgroundColor"_sel),
                                   "patternImage"_sel),
              picture.get());
    SetViewPattern(WindowHandle(0)->contentView(), picture.get());
    EXPECT_TRUE(WindowHandle(0)->contentView()->widget()->autoFillBackground());
}

TEST_F(WindowViewCommandsTest, SearchFieldAndControlText) {
    const objc::id field = AddSearchField(WindowHandle(0), 10, 200, 300, 24);
    ASSERT_NE(field, nullptr);
    auto* view = objc::liveCast<NSViewObject>(field);
    EXPECT_EQ(view->superview(), WindowHandle(0)->contentView());
    EXPECT_EQ(view->frame(), (objc::NSRect{{10, 200}, {300, 24}}));
    EXPECT_EQ(objc::send<objc::NSUInteger>(field, "autoresizingMask"_sel), 2u);
    EXPECT_EQ(objc::send<objc::BOOL>(field, "sendsWholeSearchString"_sel), objc::YES);
    objc::send<void>(field, "setStringValue:"_sel, objc::autoreleasedNativeString(u"query"));
    EXPECT_EQ(ControlText(field), u"query");
    EXPECT_EQ(AddSearchField(Picture().get(), 0, 0, 10, 10), nullptr) << "not a window or view";

    // The width follows the content view's.
    objc::NSRect frame = WindowHandle(0)->frame();
    frame.size.width += 100;
    WindowHandle(0)->setFrame(frame, true);
    Pump(30);
    EXPECT_EQ(view->frame().size.width, 400);

    CreateStringGadget(7, 10, 10, 100, 22, u"field text");
    EXPECT_EQ(ControlText(GadgetHandle(7)), u"field text");
}

TEST_F(WindowViewCommandsTest, LoadFileAndPrintToPdf) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    const std::filesystem::path text =
        folder / ("sondrel-load-" + std::to_string(::getpid()) + ".txt");
    const std::filesystem::path pdf =
        folder / ("sondrel-print-" + std::to_string(::getpid()) + ".pdf");
    {
        std::ofstream out(text);
        out << "first line\nsecond line\n";
    }
    CreateEditorGadget(21, 10, 10, 300, 200, EditorReadOnly);
    NSViewObject* view = GadgetHandle(21);
    EXPECT_EQ(LoadTextViewFile(view, text.u16string()), 1);
    EXPECT_EQ(GetGadgetItemText(21, 1), u"second line");
    EXPECT_EQ(LoadTextViewFile(view, (folder / "sondrel-no-such-file").u16string()), 0);
    EXPECT_EQ(windowing::CountGadgetItems(21), 3);

    appkit::answerNextModal({appkit::ModalAnswer::Action::Accept, {}, {pdf.u16string()}, {}});
    PrintTextView(view);
    ASSERT_TRUE(std::filesystem::exists(pdf));
    std::ifstream printed(pdf, std::ios::binary);
    std::string start(4, '\0');
    printed.read(start.data(), 4);
    EXPECT_EQ(start, "%PDF");
    EXPECT_GT(std::filesystem::file_size(pdf), 500u);
    EXPECT_EQ(appkit::modalRecords().back().kind, u"print");

    std::filesystem::remove(pdf);
    appkit::answerNextModal({appkit::ModalAnswer::Action::Cancel, {}, {}, {}});
    PrintTextView(view);
    EXPECT_FALSE(std::filesystem::exists(pdf)) << "a cancelled print prints nothing";
    std::filesystem::remove(text);
}

// The messages the application sends by name, with the type encodings they must have for the
// message forms to place their arguments.
TEST_F(WindowViewCommandsTest, MessagesTheApplicationSendsHaveTheirEncodings) {
    CreateEditorGadget(4, 10, 90, 400, 250, EditorReadOnly);
    NSViewObject* log = GadgetHandle(4);
    const auto types = [](const void* receiver, const char* selector) {
        const objc::Method* method = objc::findMethod(receiver, objc::registerSelector(selector));
        return method != nullptr ? method->signature->canonicalTypes() : std::string("none");
    };
    const objc::id storage = objc::send<objc::id>(log, "textStorage"_sel);
    EXPECT_EQ(types(log, "textStorage"), "@@:");
    EXPECT_EQ(types(storage, "appendAttributedString:"), "v@:@");
    EXPECT_EQ(types(log, "scrollRangeToVisible:"), "v@:{_NSRange=QQ}");
    EXPECT_EQ(types(log, "setBackgroundColor:"), "v@:@");
    EXPECT_EQ(types(log, "setAlignment:"), "v@:q");
    const objc::id window = WindowHandle(0);
    EXPECT_EQ(types(window, "standardWindowButton:"), "@@:Q");
    EXPECT_EQ(types(window, "setAlphaValue:"), "v@:d");
    const objc::id button =
        objc::send<objc::id>(window, "standardWindowButton:"_sel, objc::NSUInteger{2});
    EXPECT_EQ(types(button, "setHidden:"), "v@:c");
    const auto picture = Picture();
    EXPECT_EQ(types(picture.get(), "setSize:"), "v@:{CGSize=dd}");

    // Sent as the application sends them, by text.
    EXPECT_EQ(SendObjectMessage(nullptr, log, u"setAlignment:", 2), 0u);
    EXPECT_EQ(objc::send<objc::NSInteger>(log, "alignment"_sel), 2);
    const Word color = SendObjectMessage(nullptr, nullptr, u"NSColor colorWithPatternImage:",
                                         reinterpret_cast<Word>(picture.get()));
    SendObjectMessage(nullptr, log, u"setBackgroundColor:", color);
    EXPECT_EQ(objc::send<objc::id>(log, "backgroundColor"_sel), reinterpret_cast<objc::id>(color));
    const objc::NSSize size{400, 250};
    SendObjectMessage(nullptr, picture.get(), u"setSize:@", reinterpret_cast<Word>(&size));
    EXPECT_EQ(objc::send<objc::NSSize>(picture.get(), "size"_sel), size);
}

} // namespace
} // namespace sondrel::controls
