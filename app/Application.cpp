#include "app/Application.h"

#include <chrono>
#include <clocale>
#include <cstdio>
#include <filesystem>

#include "app/AppNumbers.h"
#include "app/CommandLine.h"
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
#include "runtime/system/UserFolders.h"
#include "runtime/windowing/ApplicationLaunch.h"
#include "runtime/windowing/DragDrop.h"
#include "runtime/windowing/EventQueue.h"
#include "runtime/windowing/Gadget.h"
#include "runtime/windowing/RunLoop.h"

namespace sondrel::app {
namespace {

// How long shutdown waits for the worker to end a batch (stopping its
// converter takes at most a couple of seconds) before it stops the thread.
constexpr auto kWorkerEndWait = std::chrono::seconds(15);

// The name the application menu and the window system show, and the name of
// the desktop entry (example.quillfern.Sondrel.desktop) that starts Sondrel.
constexpr char16_t kApplicationName[] = u"Sondrel";
constexpr char16_t kDesktopEntry[] = u"example.quillfern.Sondrel";

} // namespace

Application::Application(ApplicationOptions options) : m_options(std::move(options)) {
    const bool ownHome = m_options.home.empty();
    if (ownHome) {
        m_options.home = system::UserHomeFolder();
    }
    if (m_options.configFolder.empty()) {
        m_options.configFolder = ownHome || m_options.home.empty()
                                     ? system::UserConfigFolder(m_options.home)
                                     : m_options.home + u".config/";
    }
    if (m_options.instanceFolder.empty() && !ownHome) {
        m_options.instanceFolder = m_options.home;
    }
}

Application::~Application() {
    shutDown();
}

void Application::startRuntime() {
    std::setlocale(LC_ALL, "");
    windowing::SetApplicationIdentity(kApplicationName, kDesktopEntry);
    system::BringProcessToFront();
    system::EnterBundleContents();
    controls::InitNativeBridge();
    controls::InitImageDecoders();
    controls::InitImages();
    windowing::InitWindowingLibrary();
    controls::InitGadgetKinds();
    m_runtimeStarted = true;
}

// One instance per user and display: a later start hands its items to the
// running one, where they arrive as a drop on the log.
bool Application::claimInstance() {
    windowing::SetOpenFilesHandler([](const std::vector<core::Text>& paths) {
        windowing::PostFileDrop(LogEditor, MainWindow, paths);
    });
    m_instanceClaim = windowing::ClaimSingleInstance(m_options.instanceFolder, m_options.items);
    return m_instanceClaim == windowing::InstanceClaim::First ||
           m_instanceClaim == windowing::InstanceClaim::Alone;
}

void Application::prepareSupportFolder() {
    const core::Text folder = SupportFolderPath(m_options.configFolder);
    const bool created = CreateSupportFolder(folder, m_options.home);
    // A settings file of an earlier version is taken over; if it cannot be
    // moved, it is used where it is.
    m_settingsPath = AdoptOldSettings(m_options.home, SettingsPath(created ? folder : u""));
    m_state.supportFolder = system::FolderPart(m_settingsPath); // empty: nothing is stored
}

bool Application::startUp() {
    startRuntime();
    if (!claimInstance()) {
        return false;
    }
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
    if (!m_options.items.empty()) {
        windowing::PostFileDrop(LogEditor, MainWindow, m_options.items);
    }
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
        m_state.requestCancel();
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
    // A later start from here on finds no one to hand its items to and runs
    // on its own, instead of handing them to a run that is ending.
    windowing::ReleaseSingleInstance();
    windowing::SetOpenFilesHandler(nullptr);
    stopWorker();
    system::ClosePreferenceFile();
    system::CloseAllProgramObjects();
    system::CloseAllFolderScans();
    controls::EndGadgetKinds();
    windowing::EndWindowingLibrary();
    controls::ReleaseAllImages();
    m_state.fileList.reset();
}

int RunSondrel(int argc, char** argv) {
    std::error_code unknown;
    const std::filesystem::path workingFolder = std::filesystem::current_path(unknown);
    const CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc),
                                              unknown ? std::string() : workingFolder.string());
    switch (line.action) {
    case CommandLine::Action::Help:
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    case CommandLine::Action::Version:
        std::fputs(VersionText().c_str(), stdout);
        return 0;
    case CommandLine::Action::Error:
        std::fprintf(stderr, "%s\n", line.error.c_str());
        return 2;
    case CommandLine::Action::Run:
        break;
    }
    windowing::SetToolkitArguments(line.toolkitArguments);
    ApplicationOptions options;
    options.items = line.items;
    Application application(std::move(options));
    if (application.startUp()) {
        application.runEventLoop();
    }
    application.shutDown();
    if (application.instanceClaim() == windowing::InstanceClaim::Unanswered) {
        std::fputs("sondrel: Sondrel runs on this display but did not answer\n", stderr);
        return 1;
    }
    return 0;
}

} // namespace sondrel::app
