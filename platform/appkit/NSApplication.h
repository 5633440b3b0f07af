#pragma once

// NSApplication over QApplication: the application object, its native event queue, key window,
// main menu and action sending.
//
// The native event queue holds the events Cocoa would take from the window server and that Qt
// does not dispatch by itself: key presses aimed at the application's windows (taken from Qt
// before any widget sees them, so the runtime can match shortcuts first) and events posted with
// postEvent (application-defined events that wake a waiting loop). Everything else Qt dispatches
// itself while nextEventMatchingMask waits, and it reaches the windows and views as their
// notifications and messages.
//
// nextEventMatchingMask with dequeue returns the oldest queued event, running Qt's event loop
// until one is queued or the date passes (it handles pending Qt events once even when the date
// has passed). Without dequeue, or without a date, it only looks at the queue. postEvent and the
// look without dequeue may be called from any thread; a post wakes a waiting loop at once.
//
// sendEvent delivers a key press: first as a key equivalent of the main menu, then to the widget
// it was aimed at. sendAction sends an action to its target, or with a nil target to the first
// responder of the key window and on up the chain (views, window, window delegate, application,
// application delegate); the standard edit actions (cut:, copy:, paste:, undo:, redo:,
// selectAll:) also reach the focused Qt text widget, which edits for itself as Cocoa's field
// editor would.

#include <deque>
#include <memory>
#include <mutex>

#include "platform/appkit/AppKitTypes.h"
#include "platform/appkit/Retained.h"
#include "platform/appkit/NSView.h"

namespace sondrel::appkit {

class NSDateObject;
class NSEventObject;
class NSMenuObject;
class NSWindowObject;

class NSApplicationObject : public NSResponderObject {
public:
    explicit NSApplicationObject(Class cls);
    ~NSApplicationObject() override;

    // The application object, made on first use together with the QApplication (on the calling
    // thread, which becomes the main thread). It lives as long as the process.
    static NSApplicationObject* shared();
    // The application object if it has been made, else null.
    static NSApplicationObject* existing();

    void setDelegate(id delegate) { m_delegate = delegate; }
    id delegate() const { return m_delegate; }
    void finishLaunching();
    bool isLaunched() const { return m_launched; }

    // Autoreleased event, or null (see above).
    NSEventObject* nextEvent(const NSDateObject* until, bool dequeue);
    bool hasQueuedEvent();
    void postEvent(NSEventObject* event, bool atStart);
    void sendEvent(NSEventObject* event);
    bool sendAction(SEL action, id target, id sender);
    id targetForAction(SEL action);
    void updateWindows();

    void setMainMenu(NSMenuObject* menu);
    NSMenuObject* mainMenu() const { return m_mainMenu.get(); }

    NSWindowObject* keyWindow() const { return m_keyWindow; }
    void setKeyWindow(NSWindowObject* window);
    void syncKeyWindowWithQt();
    // Asks Qt to activate the key window again (after Qt moved activation by itself).
    void reassertKeyWindow();
    // While one exists, Qt's activation changes do not move key status.
    class QtActivationIgnored {
    public:
        explicit QtActivationIgnored(NSApplicationObject& app) : m_app(app) { ++m_app.m_ignoreQt; }
        ~QtActivationIgnored() { --m_app.m_ignoreQt; }
        QtActivationIgnored(const QtActivationIgnored&) = delete;
        QtActivationIgnored& operator=(const QtActivationIgnored&) = delete;

    private:
        NSApplicationObject& m_app;
    };
    // The window is going (closed, ordered out or deallocated): it loses key status.
    void windowGone(NSWindowObject* window);

    void hideWindows();
    void unhideWindows();
    // Brings the application forward, as a second start of the program asks: windows hidden
    // with hideWindows come back, and the key window (or else the first window shown) is
    // de-miniaturized, raised and made key.
    void activate();

private:
    struct Native;
    bool deliverSyntheticKey(NSEventObject& event);

    std::unique_ptr<Native> m_native;
    std::mutex m_queueMutex;
    std::deque<Retained<NSEventObject>> m_queue;
    id m_delegate = nullptr; // not retained, as in Cocoa
    Retained<NSMenuObject> m_mainMenu;
    NSWindowObject* m_keyWindow = nullptr; // borrowed; cleared when it goes
    std::vector<NSWindowObject*> m_hiddenWindows;
    bool m_launched = false;
    int m_ignoreQt = 0;
};

} // namespace sondrel::appkit
