// The application on a real X server: screenshots of the main window at
// start-up and after a batch, and of the Help and About windows, saved in the
// folder SONDREL_SCREENS names (app-start.png, app-batch.png, app-help.png,
// app-about.png) for a person to look at. The test checks what a picture can
// show without judging it: each window is on the screen and not blank.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include "app/testing/AppDriver.h"

namespace sondrel::app {
namespace {

class AppScreens : public testing::AppDriver {
protected:
    // The window's frame on the screen, saved; the number of distinct colours in it.
    std::size_t shoot(core::ObjectNumber window, const char* name) {
        pump(400);
        QWidget* widget = windowing::WindowHandle(window)->widget();
        const QRect frame = widget->frameGeometry();
        QScreen* screen = QGuiApplication::primaryScreen();
        const QImage picture =
            screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).toImage();
        const char* folder = std::getenv("SONDREL_SCREENS");
        if (folder != nullptr) {
            picture.save(QString::fromUtf8(folder) + "/" + name);
        }
        std::set<QRgb> colours;
        for (int y = 0; y < picture.height(); y += 2) {
            for (int x = 0; x < picture.width(); x += 2) {
                colours.insert(picture.pixel(x, y));
            }
        }
        return colours.size();
    }
};

TEST_F(AppScreens, MainHelpAndAboutWindowsOnTheScreen) {
    EXPECT_GT(shoot(MainWindow, "app-start.png"), 8u);

    chooseOutputFolder(output.path().string());
    ASSERT_TRUE(testing::MakeTone(input.file("first take.wav"), 0.3));
    ASSERT_TRUE(testing::MakeTone(input.file("second.aif"), 0.3));
    std::ofstream(input.file("notes.txt")) << "not audio";
    ASSERT_TRUE(
        drop({input.file("first take.wav"), input.file("second.aif"), input.file("notes.txt")}));
    ASSERT_TRUE(waitForBatchEnd());
    EXPECT_GT(shoot(MainWindow, "app-batch.png"), 8u);

    pressKeys(MainWindow, "F1");
    ASSERT_NE(windowing::WindowHandle(HelpWindow), nullptr);
    EXPECT_GT(shoot(HelpWindow, "app-help.png"), 8u);
    pressCloseButton(HelpWindow);

    chooseMenuItem(AboutItem);
    ASSERT_NE(windowing::WindowHandle(AboutWindow), nullptr);
    EXPECT_GT(shoot(AboutWindow, "app-about.png"), 8u);
    pressCloseButton(AboutWindow);
}

// The window system knows the windows as Sondrel's (the class a desktop
// entry's StartupWMClass names), whatever the program file is called.
TEST_F(AppScreens, TheWindowClassIsSondrel) {
    pump(200);
    const WId id = windowing::WindowHandle(MainWindow)->widget()->window()->winId();
    const std::string command = "xprop -id " + std::to_string(id) + " WM_CLASS";
    std::string said;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            said += buffer;
        }
        EXPECT_EQ(::pclose(pipe), 0);
    }
    EXPECT_EQ(said, "WM_CLASS(STRING) = \"app_screens\", \"Sondrel\"\n");
}

} // namespace
} // namespace sondrel::app
