#pragma once

// Sondrel's main procedure in three parts: start-up (runtime, shared state,
// support folder and settings, main window, worker), the event loop with its
// commands, and shutdown. Split so that tests can run the real application
// in-process and drive it event by event.
//
// One Application per process: the runtime it starts cannot be started twice.

#include <cstdint>

#include "app/AppState.h"
#include "app/EditorLog.h"
#include "app/MainWindow.h"
#include "app/MainWindowControls.h"
#include "runtime/core/Text.h"

namespace sondrel::app {

struct ApplicationOptions {
    // The home folder (ending in "/") the support folder lies in and the
    // Desktop fallback of the output folder; empty: the user's own.
    core::Text home;
};

class Application {
public:
    explicit Application(ApplicationOptions options = {});
    // Shuts down if that has not happened yet.
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Start-up up to the first wait for an event. False when the main window
    // could not be made: there is then nothing to run, only to shut down.
    bool startUp();
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
    void prepareSupportFolder();
    void startWorker();
    void stopWorker();

    void handleMenu(std::int64_t item);
    void handleGadget(std::int64_t gadget, std::uint64_t subtype);
    void handleDrop();
    void handleClose(std::int64_t window);

    void chooseOutputFolder();
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
    bool m_runtimeStarted = false;
    bool m_shutDown = false;
};

// The whole run: start-up, event loop, shutdown. The exit status, 0.
int RunSondrel();

} // namespace sondrel::app
