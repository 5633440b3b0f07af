#include "runtime/windowing/DragDrop.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include "platform/appkit/EventSynthesis.h"
#include "platform/appkit/Foundation.h"
#include "platform/objc/NSString.h"
#include "runtime/windowing/GadgetTesting.h"
#include "runtime/windowing/WindowingTesting.h"

namespace sondrel::windowing {
namespace {

using appkit::NSPasteboardObject;
using appkit::Retained;
using testing::CreateTestGadget;
namespace synth = appkit::testing;

std::vector<unsigned char> PngBytes() {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

class DragDropTest : public testing::WindowingTest {
protected:
    void SetUp() override {
        WindowingTest::SetUp();
        CreateWindow(0, 10, 10, 400, 300, u"Drops", 0x4);
        CreateTestGadget(4, {{10, 90}, {200, 100}});
        Pump();
    }

    static Retained<NSPasteboardObject> Files(const std::vector<std::u16string>& paths) {
        auto pasteboard = Retained<NSPasteboardObject>::adopt(appkit::newPasteboard());
        pasteboard->setFileNames(paths);
        return pasteboard;
    }

    static const DropRecord& Record() {
        return *reinterpret_cast<const DropRecord*>(CurrentEventDetail());
    }
};

TEST_F(DragDropTest, ThreeFilesMakeOneEventWithThreeLines) {
    AcceptGadgetDrops(4, DropFiles, 2);
    auto pasteboard = Files({u"/music/a.wav", u"/music/b b.aif", u"/music/\u00e9t\u00e9.mp3"});
    ASSERT_TRUE(synth::dropOnView(GadgetHandle(4), pasteboard.get(), 20, 10));

    EXPECT_EQ(WaitFor(GadgetDropEvent).object, 4);
    EXPECT_EQ(CurrentEventWindow(), 0); // the gadget's window, though its view passes -1
    EXPECT_EQ(Record().format, DropFiles);
    EXPECT_EQ(Record().x, 20);
    EXPECT_EQ(Record().y, 10); // from the top, though the view is not flipped
    EXPECT_EQ(Record().action, 16u);
    EXPECT_EQ(DroppedFileNames(), u"/music/a.wav\n/music/b b.aif\n/music/\u00e9t\u00e9.mp3");
    for (const testing::SeenEvent& event : Pump())
        EXPECT_NE(event.kind, GadgetDropEvent); // one event only

    // The next wait frees the record: the names are gone.
    EXPECT_EQ(DroppedFileNames(), u"");
}

TEST_F(DragDropTest, ImageIsPreferredOverFileNames) {
    AcceptGadgetDrops(4, DropFiles, 2);
    AcceptGadgetDrops(4, DropImage, 1);
    auto pasteboard = Files({u"/pictures/a.png"});
    pasteboard->setImageData(PngBytes());
    ASSERT_TRUE(synth::dropOnView(GadgetHandle(4), pasteboard.get(), 5, 5, Qt::CopyAction));
    ASSERT_EQ(WaitFor(GadgetDropEvent).kind, GadgetDropEvent);
    EXPECT_EQ(Record().format, DropImage);
    EXPECT_EQ(Record().action, 1u);
    EXPECT_NE(Record().image, nullptr);
    EXPECT_EQ(DroppedFileNames(), u"");
}

TEST_F(DragDropTest, FileManagerUriListsAreDecodedAndOnlyLocalFilesCount) {
    AcceptGadgetDrops(4, DropFiles, 2);
    auto pasteboard = Retained<NSPasteboardObject>::adopt(appkit::newPasteboard());
    const std::string list = "file:///tmp/a%20b.wav\r\nhttp://example.org/c.wav\r\n"
                             "file:///tmp/%C3%A9.wav\r\n";
    pasteboard->setMimeBytes("text/uri-list", {list.begin(), list.end()});
    ASSERT_TRUE(synth::dropOnView(GadgetHandle(4), pasteboard.get(), 5, 5));
    ASSERT_EQ(WaitFor(GadgetDropEvent).kind, GadgetDropEvent);
    EXPECT_EQ(DroppedFileNames(), u"/tmp/a b.wav\n/tmp/\u00e9.wav");
}

TEST_F(DragDropTest, UnwantedOrUnknownDataIsRefusedWithoutEvents) {
    AcceptGadgetDrops(4, DropFiles, 2);
    auto text = Retained<NSPasteboardObject>::adopt(appkit::newPasteboard());
    text->setString(u"just text");
    EXPECT_FALSE(synth::dropOnView(GadgetHandle(4), text.get(), 5, 5));
    auto remote = Retained<NSPasteboardObject>::adopt(appkit::newPasteboard());
    const std::string list = "https://example.org/a.wav\r\n";
    remote->setMimeBytes("text/uri-list", {list.begin(), list.end()});
    EXPECT_FALSE(synth::dropOnView(GadgetHandle(4), remote.get(), 5, 5));
    for (const testing::SeenEvent& event : Pump())
        EXPECT_NE(event.kind, GadgetDropEvent);
}

TEST_F(DragDropTest, DisablingAFormatKeepsTheOthers) {
    appkit::NSViewObject* view = GadgetHandle(4);
    view->registerForDraggedTypes({u"NativeDefault"});
    AcceptGadgetDrops(4, DropFiles, 2);
    AcceptGadgetDrops(4, DropText, 1);
    AcceptGadgetDrops(4, 0x12345678, 1); // unknown format: nothing
    EXPECT_EQ(view->registeredDraggedTypes(),
              (std::vector<std::u16string>{u"NativeDefault", appkit::NSFilenamesPboardType,
                                           appkit::NSStringPboardType}));
    AcceptGadgetDrops(4, DropFiles, 0);
    EXPECT_EQ(view->registeredDraggedTypes(),
              (std::vector<std::u16string>{u"NativeDefault", appkit::NSStringPboardType}));
    AcceptGadgetDrops(99, DropFiles, 1); // unknown gadget: nothing
}

TEST_F(DragDropTest, TextDropsOnTheWindowContent) {
    AcceptWindowDrops(0, DropText, 1);
    auto pasteboard = Retained<NSPasteboardObject>::adopt(appkit::newPasteboard());
    pasteboard->setString(u"dropped words");
    ASSERT_TRUE(synth::dropOnView(WindowHandle(0)->contentView(), pasteboard.get(), 300, 250));
    const testing::SeenEvent event = WaitFor(WindowDropEvent);
    EXPECT_EQ(event.object, 0);
    EXPECT_EQ(event.window, 0);
    EXPECT_EQ(Record().format, DropText);
    EXPECT_EQ(objc::nativeStringText(Record().text), u"dropped words");
    EXPECT_EQ(Record().x, 300);
    EXPECT_EQ(Record().y, 250);         // the content view is flipped
    EXPECT_EQ(DroppedFileNames(), u""); // not a file-name drop
}

TEST_F(DragDropTest, TwoDropsBeforeWaitingAreHeldInTurn) {
    AcceptGadgetDrops(4, DropFiles, 2);
    auto first = Files({u"/one.wav"});
    auto second = Files({u"/two.wav"});
    ASSERT_TRUE(synth::dropOnView(GadgetHandle(4), first.get(), 5, 5));
    ASSERT_TRUE(synth::dropOnView(GadgetHandle(4), second.get(), 6, 6));
    ASSERT_EQ(WaitFor(GadgetDropEvent).kind, GadgetDropEvent);
    EXPECT_EQ(DroppedFileNames(), u"/one.wav");
    ASSERT_EQ(WaitFor(GadgetDropEvent).kind, GadgetDropEvent);
    EXPECT_EQ(DroppedFileNames(), u"/two.wav");
}

TEST_F(DragDropTest, DropQueuedForAClosingWindowIsFreed) {
    AcceptGadgetDrops(4, DropFiles, 2);
    auto pasteboard = Files({u"/gone.wav"});
    ASSERT_TRUE(synth::dropOnView(GadgetHandle(4), pasteboard.get(), 5, 5));
    CloseWindowObject(0); // discards the queued drop event with its record
    for (const testing::SeenEvent& event : Pump())
        EXPECT_NE(event.kind, GadgetDropEvent);
}

} // namespace
} // namespace sondrel::windowing
