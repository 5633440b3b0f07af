// Sondrel's start-up, in-process with a scratch home folder: the real
// start-up procedure, then the real event loop turned until the main window
// is shown. Prints the time from launch to that moment and the CPU time used
// until then, then, after half a second of idling, the resident memory.

#include <chrono>
#include <cstdlib>
#include <thread>

#include <QWidget>
#include <QWindow>

#include "app/AppNumbers.h"
#include "app/Application.h"
#include "app/testing/TestFiles.h"
#include "bench/StartupProbe.h"
#include "platform/appkit/NSWindow.h"
#include "runtime/windowing/RunLoop.h"
#include "runtime/windowing/Windows.h"

namespace {

bool WindowShown() {
    sondrel::appkit::NSWindowObject* window =
        sondrel::windowing::WindowHandle(sondrel::app::MainWindow);
    if (window == nullptr) {
        return false;
    }
    const QWidget* widget = window->contentView()->widget()->window();
    return widget->isVisible() && widget->windowHandle() != nullptr &&
           widget->windowHandle()->isExposed();
}

} // namespace

int main() {
    sondrel::app::testing::ScratchFolder home;
    sondrel::app::ApplicationOptions options;
    options.home = home.folderText();
    sondrel::app::Application application(std::move(options));
    if (!application.startUp()) {
        return 1;
    }
    while (!WindowShown()) {
        const std::int32_t kind = sondrel::windowing::WaitEvent(1);
        if (kind > 0) {
            application.handleEvent(kind);
        }
    }
    const double shown = sondrel::bench::MillisecondsSinceLaunch();
    const double cpu = sondrel::bench::CpuMilliseconds();
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while (std::chrono::steady_clock::now() < end) {
        const std::int32_t kind = sondrel::windowing::WaitEvent(10);
        if (kind > 0) {
            application.handleEvent(kind);
        }
    }
    sondrel::bench::Report(shown, cpu);
    application.shutDown();
    return 0;
}
