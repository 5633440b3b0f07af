// A real window on a real X server (run under Xvfb with Qt's xcb platform): the window with its
// menu bar must appear on the screen. The screenshot is kept for a look (SONDREL_SMOKE_SHOT).

#include <chrono>
#include <cstdlib>
#include <set>

#include <QImage>

#include <gtest/gtest.h>

#include "platform/appkit/EventSynthesis.h"
#include "platform/appkit/NSMenu.h"
#include "runtime/windowing/Menus.h"
#include "runtime/windowing/RunLoop.h"
#include "runtime/windowing/Windows.h"

namespace sondrel::windowing {
namespace {

void PumpFor(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end)
        WaitEvent(20);
}

// Distinct colours in a rectangle of the image (Qt coordinates, clipped to the image).
std::size_t DistinctColours(const QImage& image, QRect area) {
    area = area.intersected(image.rect());
    std::set<QRgb> colours;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            colours.insert(image.pixel(x, y));
    }
    return colours.size();
}

TEST(WindowSmoke, WindowWithMenuShowsOnTheScreen) {
    InitWindowingLibrary();
    ASSERT_EQ(CreateWindow(0, kAbsentCoordinate, 0, 420, 300, u"Sondrel", 0x64) != 0, true);
    appkit::NSWindowObject* window = WindowHandle(0);
    CreateMenuBar(0, window);
    AddMenuTitle(u"Help");
    AddMenuItem(1, u"Help\tF1");
    AddMenuSeparator();
    AddMenuItem(2, u"Quillfern Website");
    AddMenuItem(-3, u"About Sondrel");
    AddMenuItem(-1, u"Quit\tCmd+Q");
    PumpFor(std::chrono::milliseconds(1500));
    ASSERT_TRUE(window->isVisible());

    const QImage shot = appkit::testing::grabScreen();
    ASSERT_FALSE(shot.isNull());
    if (const char* path = std::getenv("SONDREL_SMOKE_SHOT"))
        shot.save(QString::fromLocal8Bit(path));

    // Where the window's content and its menu bar are, in screen pixels from the top left.
    const double screenHeight = appkit::mainScreenFrame().size.height;
    const objc::NSRect content = window->contentRect();
    const int left = static_cast<int>(content.origin.x);
    const int contentTop = static_cast<int>(screenHeight - content.origin.y - content.size.height);
    const QRect menuBar(left, contentTop - 20, static_cast<int>(content.size.width), 18);
    const QRect inside(left + 10, contentTop + 10, 200, 100);

    EXPECT_GT(DistinctColours(shot, shot.rect()), 2u) << "the screen is blank";
    EXPECT_GT(DistinctColours(shot, menuBar), 2u) << "no menu titles drawn";
    EXPECT_NE(shot.pixel(inside.topLeft()), shot.pixel(0, 0)) << "no window over the background";
    CloseWindowObject(-1);
    EndWindowingLibrary();
}

} // namespace
} // namespace sondrel::windowing
