#include "runtime/controls/EditorGadget.h"

#include <thread>

#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include "platform/appkit/EventSynthesis.h"
#include "platform/appkit/NSPasteboard.h"
#include "platform/appkit/NSTextView.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "resources/EmbeddedResource.h"
#include "runtime/controls/ControlsTesting.h"
#include "runtime/controls/GadgetTexts.h"
#include "runtime/controls/ObjectMessage.h"
#include "runtime/controls/TextViewCommands.h"
#include "runtime/windowing/DragDrop.h"

namespace sondrel::controls {
namespace {

using windowing::CountGadgetItems;
using windowing::GadgetHandle;

class EditorGadgetTest : public testing::ControlsTest {
protected:
    appkit::NSTextViewObject* Editor(std::int64_t gadget, std::uint32_t flags = 0) {
        CreateEditorGadget(gadget, 10, 10, 300, 200, flags);
        return appkit::textViewOf(GadgetHandle(gadget));
    }
};

TEST_F(EditorGadgetTest, ItemsAreTheLinesOfTheText) {
    ASSERT_NE(Editor(4), nullptr);
    EXPECT_EQ(CountGadgetItems(4), 0);
    AddGadgetItem(4, -1, u"first");
    EXPECT_EQ(CountGadgetItems(4), 1);
    AddGadgetItem(4, -1, u"second");
    EXPECT_EQ(GetGadgetText(4), u"first\nsecond");
    EXPECT_EQ(GetGadgetItemText(4, 1), u"second");
    EXPECT_EQ(GetGadgetItemText(4, 2), u"");
    EXPECT_EQ(GetGadgetItemText(4, -1), u"");

    // A carriage return and a line feed are two line ends: an empty line between the words.
    SetGadgetText(4, u"one\r\ntwo");
    EXPECT_EQ(CountGadgetItems(4), 3);
    EXPECT_EQ(GetGadgetItemText(4, 1), u"");
    EXPECT_EQ(GetGadgetItemText(4, 2), u"two");
    EXPECT_EQ(GetGadgetText(4), u"one\r\ntwo");
    // Rewriting past the last line changes no line but rebuilds the text from them.
    SetGadgetItemText(4, 5, u"ignored");
    EXPECT_EQ(GetGadgetText(4), u"one\n\ntwo");
    EXPECT_EQ(CountGadgetItems(4), 3);

    SetGadgetText(4, u"a\n");
    EXPECT_EQ(CountGadgetItems(4), 2) << "a text ending in a line end has an empty last line";
    windowing::ClearGadgetItems(4);
    EXPECT_EQ(CountGadgetItems(4), 0);
    EXPECT_EQ(GetGadgetText(4), u"");
}

TEST_F(EditorGadgetTest, ItemOperationsAtPositions) {
    ASSERT_NE(Editor(4), nullptr);
    AddGadgetItem(4, 0, u" ");
    AddGadgetItem(4, -1, u"Drag and drop audio file(s) here.");
    EXPECT_EQ(GetGadgetText(4), u" \nDrag and drop audio file(s) here.");
    AddGadgetItem(4, 1, u"middle");
    AddGadgetItem(4, 99, u"end");
    EXPECT_EQ(GetGadgetText(4), u" \nmiddle\nDrag and drop audio file(s) here.\nend");

    SetGadgetItemText(4, 1, u"MIDDLE");
    RemoveGadgetItem(4, 0);
    EXPECT_EQ(GetGadgetText(4), u"MIDDLE\nDrag and drop audio file(s) here.\nend");
    RemoveGadgetItem(4, 2);
    EXPECT_EQ(GetGadgetText(4), u"MIDDLE\nDrag and drop audio file(s) here.");
    RemoveGadgetItem(4, 7);
    EXPECT_EQ(CountGadgetItems(4), 2);
    RemoveGadgetItem(4, 0);
    RemoveGadgetItem(4, 0);
    EXPECT_EQ(GetGadgetText(4), u"");

    // With a "\r" in the text, inserting rebuilds it from its lines.
    SetGadgetText(4, u"x\ry");
    AddGadgetItem(4, 1, u"z");
    EXPECT_EQ(GetGadgetText(4), u"x\nz\ny");
}

// The log as the conversion worker writes it: appends through the text storage by message, the
// last line rewritten, from another thread while the main thread runs the loop.
TEST_F(EditorGadgetTest, WorkerAppendsAndRewritesTheLastLine) {
    appkit::NSTextViewObject* view = Editor(4, EditorReadOnly);
    ASSERT_NE(view, nullptr);
    const objc::id storage = objc::send<objc::id>(view, "textStorage"_sel);
    std::atomic<bool> done = false;
    std::thread worker([&] {
        const auto append = [&](const char16_t* text) {
            const Word string = SendObjectMessage(nullptr, nullptr, u"NSAttributedString alloc");
            const Word initialised =
                SendObjectMessage(nullptr, reinterpret_cast<void*>(string), u"initWithString:$",
                                  reinterpret_cast<Word>(text));
            SendObjectMessage(nullptr, storage, u"appendAttributedString:", initialised);
            SendObjectMessage(nullptr, reinterpret_cast<void*>(initialised), u"release");
        };
        append(u"Directory - \"/music/\"\n");
        for (int file = 1; file <= 3; ++file) {
            append(u" • Converting (x/3) \"a.wav\" . . .");
            const std::int32_t last = CountGadgetItems(4) - 1;
            if (GetGadgetItemText(4, last).ends_with(u". . ."))
                SetGadgetItemText(4, last, u" • Converting (x/3) \"a.wav\" - Done!\n");
        }
        append(u"Complete!\n");
        windowing::PostAppEvent(windowing::GadgetEvent, 0, 4, GadgetChangeEvent);
        done = true;
    });
    while (!done)
        Pump(10);
    worker.join();
    EXPECT_EQ(CountGadgetItems(4), 6);
    EXPECT_EQ(GetGadgetItemText(4, 3), u" • Converting (x/3) \"a.wav\" - Done!");
    EXPECT_EQ(GetGadgetItemText(4, 4), u"Complete!");
    EXPECT_EQ(GetGadgetItemText(4, 5), u"");
}

TEST_F(EditorGadgetTest, WordWrapFollowsTheViewWidth) {
    appkit::NSTextViewObject* view = Editor(4);
    ASSERT_NE(view, nullptr);
    const objc::id container = objc::send<objc::id>(view, "textContainer"_sel);
    EXPECT_EQ(GetGadgetAttribute(4, 2), 0);
    SetTextViewWordWrap(view, 1);
    const objc::NSSize wrapped = objc::send<objc::NSSize>(container, "containerSize"_sel);
    const objc::NSSize inset = objc::send<objc::NSSize>(view, "textContainerInset"_sel);
    EXPECT_EQ(wrapped.width, view->frame().size.width - inset.width);
    EXPECT_EQ(GetGadgetAttribute(4, 2), 1);
    EXPECT_GT(view->wrapWidth(), 200);

    SetTextViewWordWrap(view, 0);
    EXPECT_EQ(objc::send<objc::NSSize>(container, "containerSize"_sel).width,
              3.4028234663852886e38);
    EXPECT_EQ(view->wrapWidth(), 0);
    // Without wrapping a long line makes the view scroll sideways.
    SetGadgetText(4, std::u16string(400, u'w'));
    Pump(30);
    EXPECT_GT(view->editor()->horizontalScrollBar()->maximum(), 0);

    // Created with the flag, an editor wraps from the start.
    appkit::NSTextViewObject* wrapping = Editor(5, EditorWordWrap);
    EXPECT_EQ(GetGadgetAttribute(5, 2), 1);
    EXPECT_GT(wrapping->wrapWidth(), 0);
}

TEST_F(EditorGadgetTest, ReadOnlyEditorTakesNoTypingButTheProgramWrites) {
    appkit::NSTextViewObject* view = Editor(4, EditorReadOnly);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(GetGadgetAttribute(4, 1), 1);
    AddGadgetItem(4, -1, u"log");
    view->editor()->setFocus();
    QTest::keyClicks(view->editor(), "typed");
    Pump(30);
    EXPECT_EQ(GetGadgetText(4), u"log");

    SetGadgetAttribute(4, 1, 0);
    EXPECT_EQ(GetGadgetAttribute(4, 1), 0);
    QTest::keyClicks(view->editor(), "!");
    const auto events = GadgetEvents();
    EXPECT_EQ(GetGadgetText(4), u"log!");
    EXPECT_NE(std::find(events.begin(), events.end(), GadgetEventOf(4, GadgetChangeEvent)),
              events.end())
        << "typing raises the change event";
}

TEST_F(EditorGadgetTest, FormattedText) {
    appkit::NSTextViewObject* view = Editor(21, EditorReadOnly);
    ASSERT_NE(view, nullptr);
    const std::span<const std::byte> help = resources::EmbeddedResource("help.rtf");
    ASSERT_EQ(LoadTextViewRtf(view, help.data(), help.size()), 1);
    EXPECT_NE(GetGadgetText(21).find(u"Bitrate Allocation Strategy"), std::u16string::npos);
    EXPECT_GT(CountGadgetItems(21), 6);
    // The forum address at its end is a link the view can follow.
    bool link = false;
    for (QTextBlock block = view->textStorage()->document()->begin(); block.isValid();
         block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment)
            link = link || fragment.fragment().charFormat().anchorHref().startsWith("http");
    }
    EXPECT_TRUE(link);
    EXPECT_TRUE(view->editor()->textInteractionFlags() & Qt::LinksAccessibleByMouse);

    const std::u16string before = GetGadgetText(21);
    const char notRtf[] = "plain words, not RTF";
    EXPECT_EQ(LoadTextViewRtf(view, notRtf, sizeof notRtf - 1), 0);
    EXPECT_EQ(LoadTextViewRtf(view, nullptr, 0), 0);
    EXPECT_EQ(GetGadgetText(21), before) << "a failed load leaves the text";

    EXPECT_EQ(LoadTextViewHtml(view, u"<p>One <b>two</b></p><p>three</p>"), 1);
    EXPECT_EQ(GetGadgetText(21), u"One two\nthree");
    EXPECT_EQ(LoadTextViewHtml(view, u""), 0);
    EXPECT_EQ(LoadTextViewRtf(nullptr, help.data(), help.size()), 0);
}

TEST_F(EditorGadgetTest, ScrollingToTheEndOfALongLog) {
    appkit::NSTextViewObject* view = Editor(4, EditorReadOnly | EditorWordWrap);
    ASSERT_NE(view, nullptr);
    for (int line = 0; line < 200; ++line)
        AddGadgetItem(4, -1, u"a line of the log");
    const objc::NSRange end{GetGadgetText(4).size(), 0};
    SendObjectMessage(nullptr, view, u"scrollRangeToVisible:@", reinterpret_cast<Word>(&end));
    const QScrollBar* bar = view->editor()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
}

// The log takes dropped file names (the application's input) whether the drop lands on the text
// or on the view around it, and the read-only text is left as it was.
TEST_F(EditorGadgetTest, DroppedFileNamesOnTheLog) {
    appkit::NSTextViewObject* view = Editor(4, EditorReadOnly);
    ASSERT_NE(view, nullptr);
    AddGadgetItem(4, -1, u"Drag and drop audio file(s) here.");
    windowing::AcceptGadgetDrops(4, windowing::DropFiles, 2);
    auto pasteboard = appkit::Retained<appkit::NSPasteboardObject>::adopt(appkit::newPasteboard());
    pasteboard->setFileNames({u"/music/a.wav", u"/music/b b.aif"});
    ASSERT_TRUE(appkit::testing::dropOnView(view, pasteboard.get(), 30, 20));
    EXPECT_EQ(WaitFor(windowing::GadgetDropEvent).object, 4);
    EXPECT_EQ(windowing::DroppedFileNames(), u"/music/a.wav\n/music/b b.aif");
    EXPECT_EQ(GetGadgetText(4), u"Drag and drop audio file(s) here.");
}

} // namespace
} // namespace sondrel::controls
