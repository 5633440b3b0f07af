#pragma once

// Sondrel's main procedure in three parts: start-up (runtime, shared state,
// support folder and settings, main window, worker), the event loop with its
// commands, and shutdown. Split so that tests can run the real application
// in-process and drive it event by event.
//
// One Application per process: the runtime it starts cannot be started twice.

#include <cstdint>
#include <vector>

#include "app/AppState.h"
#include "app/EditorLog.h"
#include "app/MainWindow.h"
#include "app/MainWindowControls.h"
#include "runtime/core/Text.h"
#include "runtime/windowing/SingleInstance.h"

namespace sondrel::app {

struct ApplicationOptions {
    // The home folder (ending in "/"); empty: the user's own. A run given a
    // home of its own (tests, benchmarks) keeps to it: unless said otherwise
    // below, its settings lie in home + ".config/" and its single-instance
    // socket in the home folder itself.
    core::Text home;
    // The configuration folder (ending in "/") the support folder lies in;
    // empty: as above, or for the user's own home XDG_CONFIG_HOME, else
    // home + ".config/".
    core::Text configFolder;
    // Where the single-instance lock and socket lie, a folder only the user
    // can enter; empty: as above, or for the user's own home the user's
    // runtime folder.
    core::Text instanceFolder;
    // Files and folders (absolute paths) queued at start-up as a drop of them
    // on the log would be, or handed to the instance already running.
    std::vector<core::Text> items;
};

class Application {
public:
    explicit Application(ApplicationOptions options = {});
    // Shuts down if that has not happened yet.
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Start-up up to the first wait for an event. False when there is nothing
    // to run, only to shut down: the items went to the instance already
    // running on the display (see instanceClaim), or the main window could
    // not be made.
    bool startUp();
    // How start-up met other instances on the display.
    windowing::InstanceClaim instanceClaim() const { return m_instanceClaim; }
    // Dispatches the event WaitEvent has just returned (its kind).
    void handleEvent(std::int32_t kind);
    // Waits for events and dispatches them until quit is requested.
    void runEventLoop();
    bool quitRequested() const { return m_state.quitRequested != 0; }
    // Stops the worker (a running batch is cancelled: its converter is ended
    // and leaves no unfinished output), then ends the runtime, which writes
    // the settings file back. Safe to call more than once.
    void shutDown();

    AppState& state() { return m_state; }
    const LogViews& logViews() const { return m_views; }

private:
    void startRuntime();
    bool claimInstance();
    void prepareSupportFolder();
    void startWorker();
    void stopWorker();

    void handleMenu(std::int64_t item);
    void handleGadget(std::int64_t gadget, std::uint64_t subtype);
    void handleDrop();
    void handleClose(std::int64_t window);

    void chooseOutputFolder();
    core::Text desktopFolder() const;
    void clearDropPrompt();
    void suspendStickiness();
    void restoreStickiness();
    void writeSetting(core::TextView key, std::int64_t value);

    ApplicationOptions m_options;
    AppState m_state;
    LogViews m_views;
    EditorLog m_log{m_views};
    MainWindowControls m_controls;
    core::Text m_settingsPath;
    windowing::InstanceClaim m_instanceClaim = windowing::InstanceClaim::Alone;
    bool m_runtimeStarted = false;
    bool m_shutDown = false;
};

// The whole run of `sondrel [--help] [--version] [FILE|FOLDER...]` (the
// process's arguments): start-up, event loop, shutdown. The exit status: 0; 2
// for a command line that cannot be read; 1 when an instance runs on the
// display but did not take the items.
int RunSondrel(int argc, char** argv);

} // namespace sondrel::app
