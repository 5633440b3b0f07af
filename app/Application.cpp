#include "app/Application.h"

#include <chrono>
#include <clocale>

#include "app/AppNumbers.h"
#include "app/ConversionWorker.h"
#include "app/Settings.h"
#include "app/SupportFolder.h"
#include "runtime/controls/GadgetKinds.h"
#include "runtime/controls/Image.h"
#include "runtime/controls/ImageDecoder.h"
#include "runtime/controls/NativeBridge.h"
#include "runtime/controls/PngDecoder.h"
#include "runtime/core/Thread.h"
#include "runtime/system/FolderScan.h"
#include "runtime/system/PreferenceFile.h"
#include "runtime/system/ProcessEnvironment.h"
#include "runtime/system/ProgramRunner.h"
#include "runtime/windowing/EventQueue.h"
#include "runtime/windowing/Gadget.h"
#include "runtime/windowing/RunLoop.h"

namespace sondrel::app {
namespace {

// How long shutdown waits for the worker to end a batch (stopping its
// converter takes at most a couple of seconds) before it stops the thread.
constexpr auto kWorkerEndWait = std::chrono::seconds(15);

} // namespace

Application::Application(ApplicationOptions options) : m_options(std::move(options)) {
    if (m_options.home.empty()) {
        m_options.home = system::UserHomeFolder();
    }
}

Application::~Application() {
    shutDown();
}

void Application::startRuntime() {
    std::setlocale(LC_ALL, "");
    system::BringProcessToFront();
    system::EnterBundleContents();
    controls::InitNativeBridge();
    controls::InitImageDecoders();
    controls::InitImages();
    windowing::InitWindowingLibrary();
    controls::InitGadgetKinds();
    m_runtimeStarted = true;
}

void Application::prepareSupportFolder() {
    m_state.supportFolder = SupportFolderPath(m_options.home, system::SystemVersionCode());
    if (!CreateSupportFolder(m_options.home, m_state.supportFolder)) {
        m_state.supportFolder.clear(); // nothing can be stored this run
    }
    m_settingsPath = SettingsPath(m_state.supportFolder);
}

bool Application::startUp() {
    startRuntime();
    m_state.reset();
    prepareSupportFolder();
    // The About picture is decoded when the About window first opens.
    controls::RegisterPngDecoder();

    if (!BuildMainWindow(m_views)) {
        return false;
    }
    const LoadedSettings settings = LoadOrCreateSettings(m_settingsPath);
    if (!settings.created) {
        ApplySettings(settings.values);
    }
    m_state.jobsSetting = settings.jobs;
    CreateCancelButton();
    startWorker();
    m_state.stickyWanted = windowing::GetGadgetState(StickyCheckBox) == 1 ? 1 : 0;
    m_state.quitRequested = 0;
    return true;
}

void Application::startWorker() {
    m_state.workerShouldEnd = false;
    m_state.worker = core::StartThread([this] { RunConversionWorker(m_state, m_controls, m_log); });
}

void Application::stopWorker() {
    if (m_state.worker == 0) {
        return;
    }
    m_state.workerShouldEnd = true;
    if (m_state.batchRunning != 0) {
        m_state.cancelRequested = 1;
    }
    m_state.workerWakeUp.notify();
    // The worker's gadget calls are carried out by the event loop: keep it
    // turning while the worker finishes.
    const auto deadline = std::chrono::steady_clock::now() + kWorkerEndWait;
    while (core::IsThreadRunning(m_state.worker) && std::chrono::steady_clock::now() < deadline) {
        windowing::WaitEvent(10);
    }
    core::StopThread(m_state.worker);
    m_state.worker = 0;
}

void Application::runEventLoop() {
    while (!quitRequested()) {
        handleEvent(windowing::WaitEvent());
    }
}

void Application::shutDown() {
    if (m_shutDown || !m_runtimeStarted) {
        return;
    }
    m_shutDown = true;
    stopWorker();
    system::ClosePreferenceFile();
    system::CloseAllProgramObjects();
    system::CloseAllFolderScans();
    controls::EndGadgetKinds();
    windowing::EndWindowingLibrary();
    controls::ReleaseAllImages();
    m_state.fileList.reset();
}

int RunSondrel() {
    Application application;
    if (application.startUp()) {
        application.runEventLoop();
    }
    application.shutDown();
    return 0;
}

} // namespace sondrel::app
