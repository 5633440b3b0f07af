#include "runtime/controls/ImageGadget.h"

#include <QImage>
#include <QLineEdit>

#include "platform/appkit/NSImage.h"
#include "platform/appkit/Retained.h"
#include "platform/objc/Messaging.h"
#include "runtime/controls/ControlsTesting.h"
#include "runtime/controls/FrameGadget.h"
#include "runtime/controls/GadgetTexts.h"
#include "runtime/controls/TextGadget.h"

namespace sondrel::controls {
namespace {

using testing::SeenEvent;
using windowing::GadgetHandle;

class ImageGadgetTest : public testing::ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        QImage picture(32, 32, QImage::Format_ARGB32);
        picture.fill(Qt::red);
        m_image = appkit::Retained<objc::Object>::adopt(appkit::newNativeImage(picture));
    }
    objc::id Image() const { return m_image.get(); }
    static objc::NSSize Size(std::int64_t gadget) { return GadgetHandle(gadget)->frame().size; }

    appkit::Retained<objc::Object> m_image;
};

TEST_F(ImageGadgetTest, SizedToTheImageAndTheBezel) {
    CreateImageGadget(200, 31, 16, 128, 128, Image(), ImageBorder);
    CreateImageGadget(201, 200, 16, 128, 128, Image());
    EXPECT_EQ(Size(200), (objc::NSSize{36, 36}));
    EXPECT_EQ(Size(201), (objc::NSSize{32, 32}));
    EXPECT_EQ(GadgetHandle(200)->frame().origin, (objc::NSPoint{31, 16})) << "keeps its place";
    EXPECT_EQ(windowing::GetGadgetState(200), reinterpret_cast<std::int64_t>(Image()));

    // An image set later resizes again; no image keeps the size.
    CreateImageGadget(202, 0, 0, 50, 60, nullptr);
    EXPECT_EQ(Size(202), (objc::NSSize{50, 60}));
    windowing::SetGadgetState(202, reinterpret_cast<std::int64_t>(Image()));
    EXPECT_EQ(Size(202), (objc::NSSize{32, 32}));
    objc::send<void>(Image(), "setSize:"_sel, objc::NSSize{16, 8});
    windowing::SetGadgetState(202, reinterpret_cast<std::int64_t>(Image()));
    EXPECT_EQ(Size(202), (objc::NSSize{16, 8}));
}

TEST_F(ImageGadgetTest, ClicksAndDrags) {
    CreateImageGadget(200, 31, 16, 128, 128, Image());
    QWidget* widget = WidgetOf(200);
    const QPoint middle = widget->rect().center();
    // A double click as Qt reports it: a click, then the double-click press and its release.
    const auto doubleClick = [&](Qt::MouseButton button) {
        QTest::mouseClick(widget, button, Qt::NoModifier, middle);
        QTest::mouseDClick(widget, button, Qt::NoModifier, middle);
        QTest::mouseRelease(widget, button, Qt::NoModifier, middle);
    };
    // Each gesture is taken on its own (equal events in a row would be merged by the queue).
    std::vector<std::uint64_t> subtypes;
    std::vector<SeenEvent> events;
    const auto take = [&] {
        for (const SeenEvent& event : GadgetEvents()) {
            subtypes.push_back(event.detail);
            events.push_back(event);
        }
    };
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, middle);
    take();
    doubleClick(Qt::LeftButton);
    take();
    QTest::mouseClick(widget, Qt::RightButton, Qt::NoModifier, middle);
    take();
    doubleClick(Qt::RightButton);
    take();
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, middle);
    QTest::mouseMove(widget, middle + QPoint(3, 3));
    QTest::mouseMove(widget, middle + QPoint(6, 6));
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, middle + QPoint(6, 6));
    take();
    // A double click comes after its first click; the drag raises one event, then the release.
    EXPECT_EQ(subtypes, (std::vector<std::uint64_t>{0, 0, 2, 1, 1, 3, 2048, 0}));
    const auto clicksOnWindow = std::count_if(events.begin(), events.end(),
                                              [](const SeenEvent& e) { return e.object != 200; });
    EXPECT_EQ(clicksOnWindow, 0);
}

TEST_F(ImageGadgetTest, FrameTitlesAndTextLabels) {
    CreateFrameGadget(1, 5, 30, 410, 55, u"Audio Bitrate");
    CreateFrameGadget(5, 5, 345, 410, 50, u"");
    EXPECT_EQ(GetGadgetText(1), u"Audio Bitrate");
    EXPECT_EQ(objc::send<objc::NSUInteger>(GadgetHandle(1), "titlePosition"_sel), 2u);
    EXPECT_EQ(objc::send<objc::NSUInteger>(GadgetHandle(5), "titlePosition"_sel), 0u);
    SetGadgetText(1, u"");
    EXPECT_EQ(objc::send<objc::NSUInteger>(GadgetHandle(1), "titlePosition"_sel), 0u);
    EXPECT_EQ(GetGadgetText(1), u"Audio Bitrate") << "the hidden title is kept";
    const objc::id font =
        objc::send<objc::id>(objc::lookUpClass("NSFont"), "boldSystemFontOfSize:"_sel, 15.0);
    SetGadgetFont(1, font);
    EXPECT_EQ(objc::send<double>(GetGadgetFont(1), "pointSize"_sel), 15.0);

    CreateTextGadget(201, 180, 30, 140, 20, u"Sondrel v1.1.0", TextCenter);
    auto* label = qobject_cast<QLineEdit*>(WidgetOf(201));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(GetGadgetText(201), u"Sondrel v1.1.0");
    EXPECT_EQ(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(label->isReadOnly());
    windowing::SetGadgetState(201, 5);
    EXPECT_EQ(windowing::GetGadgetState(201), 0);

    // Disabling greys the text only; enabling gives back the colour set last.
    windowing::SetGadgetColor(201, windowing::kGadgetFrontColor, 0x00FF00);
    windowing::DisableGadget(201, 1);
    EXPECT_TRUE(label->isEnabled());
    EXPECT_NE(label->palette().color(QPalette::Text), QColor(0, 255, 0));
    windowing::DisableGadget(201, 0);
    EXPECT_EQ(label->palette().color(QPalette::Text), QColor(0, 255, 0));
}

} // namespace
} // namespace sondrel::controls
