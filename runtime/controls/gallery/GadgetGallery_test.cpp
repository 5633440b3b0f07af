// One gadget of every kind in a real window on a real X server (run under Xvfb with Qt's xcb
// platform): each must draw something of its own on the screen. The screenshot is kept for a look
// (SONDREL_GALLERY_SHOT).

#include <chrono>
#include <cstdlib>
#include <set>

#include <QImage>

#include <gtest/gtest.h>

#include "platform/appkit/EventSynthesis.h"
#include "platform/appkit/NSWindow.h"
#include "platform/objc/Messaging.h"
#include "resources/EmbeddedResource.h"
#include "runtime/controls/ButtonGadget.h"
#include "runtime/controls/CheckBoxGadget.h"
#include "runtime/controls/ComboBoxGadget.h"
#include "runtime/controls/EditorGadget.h"
#include "runtime/controls/FrameGadget.h"
#include "runtime/controls/GadgetKinds.h"
#include "runtime/controls/GadgetTexts.h"
#include "runtime/controls/Image.h"
#include "runtime/controls/ImageDecoder.h"
#include "runtime/controls/ImageGadget.h"
#include "runtime/controls/OptionGadget.h"
#include "runtime/controls/PngDecoder.h"
#include "runtime/controls/StringGadget.h"
#include "runtime/controls/TextGadget.h"
#include "runtime/controls/TextViewCommands.h"
#include "runtime/windowing/Gadget.h"
#include "runtime/windowing/RunLoop.h"
#include "runtime/windowing/Windows.h"

namespace sondrel::controls {
namespace {

void PumpFor(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end)
        windowing::WaitEvent(20);
}

std::size_t DistinctColours(const QImage& image, QRect area) {
    area = area.intersected(image.rect());
    std::set<QRgb> colours;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            colours.insert(image.pixel(x, y));
    }
    return colours.size();
}

void BuildGallery() {
    CreateCheckBoxGadget(0, 235, 5, 150, 20, u"Sticky Window", CheckBoxThreeState);
    windowing::SetGadgetState(0, 1);
    CreateFrameGadget(1, 5, 30, 590, 55, u"Audio Bitrate");
    CreateComboBoxGadget(2, 20, 52, 100, 22);
    for (const char16_t* item : {u"CBR", u"ABR", u"VBR Con", u"VBR"})
        AddGadgetItem(2, -1, item);
    windowing::SetGadgetState(2, 1);
    CreateComboBoxGadget(3, 130, 52, 100, 24, ComboBoxEditable);
    AddGadgetItem(3, -1, u"128 kbps");
    SetGadgetText(3, u"128 kbps");
    CreateOptionGadget(10, 240, 53, 60, 20, u"AAC");
    CreateOptionGadget(11, 300, 53, 110, 20, u"IMA4 (mono)");
    windowing::SetGadgetState(10, 1);
    CreateEditorGadget(4, 10, 90, 400, 250, EditorReadOnly | EditorWordWrap);
    const std::span<const std::byte> help = resources::EmbeddedResource("help.rtf");
    LoadTextViewRtf(windowing::GadgetHandle(4), help.data(), help.size());
    CreateStringGadget(7, 14, 365, 355, 20, u"/home/user/Music/", StringReadOnly);
    CreateButtonGadget(8, 372, 365, 35, 20, u"...");
    CreateButtonGadget(20, 430, 310, 150, 25, u"Cancel", ButtonDefault);
    CreateTextGadget(201, 430, 120, 150, 20, u"Sondrel v1.1.0", TextCenter | TextBorder);
    const std::span<const std::byte> about = resources::EmbeddedResource("about.png");
    ImageFromMemory(1, about.data(), static_cast<std::uint32_t>(about.size()));
    objc::send<void>(ImageHandle(1), "setSize:"_sel, objc::NSSize{128, 128});
    CreateImageGadget(200, 440, 160, 128, 128, ImageHandle(1), ImageBorder);
}

TEST(GadgetGallery, EveryKindDrawsOnTheScreen) {
    windowing::InitWindowingLibrary();
    InitGadgetKinds();
    InitImages();
    InitImageDecoders();
    RegisterPngDecoder();
    ASSERT_NE(
        windowing::CreateWindow(0, windowing::kAbsentCoordinate, 0, 600, 400, u"Gadgets",
                                windowing::WindowCloseButton | windowing::WindowScreenCentered),
        0);
    BuildGallery();
    PumpFor(std::chrono::milliseconds(1500));
    appkit::NSWindowObject* window = windowing::WindowHandle(0);
    ASSERT_TRUE(window->isVisible());

    const QImage shot = appkit::testing::grabScreen();
    ASSERT_FALSE(shot.isNull());
    if (const char* path = std::getenv("SONDREL_GALLERY_SHOT"))
        shot.save(QString::fromLocal8Bit(path));

    // Each gadget's place on the screen: the content's top left plus its frame (top-down).
    const double screenHeight = appkit::mainScreenFrame().size.height;
    const objc::NSRect content = window->contentRect();
    const int left = static_cast<int>(content.origin.x);
    const int top = static_cast<int>(screenHeight - content.origin.y - content.size.height);
    for (const std::int64_t gadget : {0, 1, 2, 3, 4, 7, 8, 10, 11, 20, 200, 201}) {
        const windowing::RT_GadgetStructure* record =
            core::FindObject(windowing::GadgetRegistry(), gadget);
        ASSERT_NE(record, nullptr) << "gadget " << gadget;
        const objc::NSRect frame = record->container->frame();
        const QRect area(left + static_cast<int>(frame.origin.x),
                         top + static_cast<int>(frame.origin.y), static_cast<int>(frame.size.width),
                         static_cast<int>(frame.size.height));
        EXPECT_GT(DistinctColours(shot, area), 2u) << "gadget " << gadget << " draws nothing";
    }
    windowing::CloseWindowObject(-1);
    ReleaseAllImages();
    EndGadgetKinds();
    windowing::EndWindowingLibrary();
}

} // namespace
} // namespace sondrel::controls
