#pragma once

// NSWindow over a top-level QWidget, and NSScreen.
//
// Geometry follows Cocoa: screen coordinates have their origin at the bottom left of the main
// screen and grow upwards; a window's frame includes its title bar (of a fixed estimated height:
// window managers frame windows as they like) and, on this platform, its own menu bar, which
// sits above the content view inside the window (Linux has no global menu bar).
//
// The delegate is told what happens as Cocoa tells it, through messages: windowShouldClose: when
// the close button is pressed (the window closes only if it answers YES), windowWillClose:,
// windowDidResize:, windowDidMove:, windowDidBecomeKey:, windowDidResignKey:, windowDidUpdate:,
// windowDidMiniaturize:, windowDidDeminiaturize: and windowShouldZoom:toFrame: before zoom:.
//
// Key status is the application's: makeKeyWindow takes it at once (and asks Qt to activate the
// window); a window activated by the user through Qt takes it too. A window keeps key status while
// Qt has no active window at all, so the status does not flicker while windows hide and show.
//
// Windows belong to the main thread: the class table runs their messages there (a message sent
// from another thread is carried there), and C++ callers call from there.

#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/AppKitTypes.h"
#include "platform/appkit/NSView.h"
#include "platform/appkit/Retained.h"

class QWidget;

namespace sondrel::appkit {

class NSViewObject;
class NSMenuObject;
struct WindowNative;

// The window level for a CGWindowLevelKey: 4 (normal) or 5 (floating).
NSInteger CGWindowLevelForKey(int key);

class NSWindowObject : public NSResponderObject {
public:
    explicit NSWindowObject(Class cls);
    ~NSWindowObject() override;

    static NSRect frameRectForContentRect(NSRect content, NSUInteger styleMask);
    static NSWindowObject* windowWithNumber(NSInteger number);
    static NSWindowObject* windowOfWidget(const QWidget* widget);
    // Every window not yet deallocated, oldest first.
    static std::vector<NSWindowObject*> allWindows();

    // False when the native window could not be made.
    bool initWithContentRect(NSRect content, NSUInteger styleMask);

    NSInteger windowNumber() const { return m_number; }
    NSUInteger styleMask() const { return m_styleMask; }
    NSRect frame() const;
    void setFrame(NSRect frame, bool display);
    NSRect contentRect() const;
    void center();

    void setTitle(const std::u16string& title);
    std::u16string title() const;
    void setReleasedWhenClosed(bool flag) { m_releasedWhenClosed = flag; }

    void orderFront();
    void orderOut();
    void makeKeyAndOrderFront();
    void makeKeyWindow();
    bool isKeyWindow() const;
    bool isVisible() const;
    void miniaturize();
    void deminiaturize();
    bool isMiniaturized() const;
    void zoom();
    bool isZoomed() const;

    // The close button: asks the delegate (windowShouldClose:) and closes on YES.
    void performClose();
    // Closes at once: windowWillClose:, hidden, and released when set to be.
    void close();
    bool isClosed() const { return m_closed; }

    // The first responder: the view holding the window's keyboard focus (kept while the window
    // is not active), or null when no view does and the window itself answers the keys.
    NSViewObject* firstResponder() const;
    // Gives the keyboard focus to a view of this window that accepts it (acceptsFirstResponder),
    // which is then told with becomeFirstResponder, and the view that had it with
    // resignFirstResponder, as the focus moves. Null takes it from every view. False, with
    // nothing changed, for a view of another window or one that refuses.
    bool makeFirstResponder(NSViewObject* view);

    void setContentView(NSViewObject* view);
    NSViewObject* contentView() const { return m_contentView.get(); }
    void setDelegate(id delegate) { m_delegate = delegate; }
    id delegate() const { return m_delegate; }
    void setMenu(NSMenuObject* menu);
    NSMenuObject* menu() const { return m_menu.get(); }

    void addChildWindow(NSWindowObject* child);
    void removeChildWindow(NSWindowObject* child);
    NSWindowObject* parentWindow() const { return m_parent; }
    const std::vector<NSWindowObject*>& childWindows() const { return m_children; }

    void setLevel(NSInteger level);
    NSInteger level() const { return m_level; }
    void setAlphaValue(double alpha);
    double alphaValue() const;
    // Shows or hides a title-bar button (the zoom and miniaturize buttons can be taken away).
    void setStandardButtonHidden(NSWindowButton button, bool hidden);
    bool isStandardButtonHidden(NSWindowButton button) const;

    NSSize contentMinSize() const { return m_contentMinSize; }
    NSSize contentMaxSize() const { return m_contentMaxSize; }

    // Sends windowDidUpdate: to the delegate (NSApplication's updateWindows).
    void update();
    // Key status changes made by the application object.
    void becameKey();
    void resignedKey();
    // A window shown without being made key does not take key status from Qt's activation
    // until the user presses a mouse button in it (or it is made key).
    bool waitsForUserActivation() const { return m_waitsForUser; }
    void userPressedMouse() { m_waitsForUser = false; }

    QWidget* widget() const;
    // Points: from a widget's Qt coordinates to the content view's Qt coordinates, between
    // those and window base coordinates (bottom left of the content, y upwards), and from the
    // content view's Qt coordinates into a widget's.
    NSPoint contentWidgetPoint(const QWidget* source, double x, double y) const;
    NSPoint baseFromContentPoint(NSPoint point) const;
    NSPoint contentPointFromBase(NSPoint point) const;
    NSPoint widgetPointFromContent(const QWidget* target, NSPoint point) const;
    NSPoint convertBaseToScreen(NSPoint point) const;

    // Qt told the window something (called by its widget).
    void qtCloseRequested();
    void qtMoved();
    void qtResized();
    void qtStateChanged(bool wasMinimized);
    void qtActivated();

private:
    void notify(const char* selector);
    void show(bool activate);
    int titleBarHeight() const;
    void applyWindowFlags();
    NSRect cocoaFromQt(int x, int y, int width, int height) const;

    std::unique_ptr<WindowNative> m_native;
    NSInteger m_number = 0;
    NSUInteger m_styleMask = 0;
    NSInteger m_level = NSNormalWindowLevel;
    id m_delegate = nullptr; // not retained, as in Cocoa
    Retained<NSViewObject> m_contentView;
    Retained<NSMenuObject> m_menu;
    NSWindowObject* m_parent = nullptr;
    std::vector<NSWindowObject*> m_children;
    NSSize m_contentMinSize;
    NSSize m_contentMaxSize{1e6, 1e6};
    bool m_releasedWhenClosed = true;
    bool m_closed = false;
    bool m_waitsForUser = false;
    bool m_zoomHidden = false;
    bool m_miniaturizeHidden = false;
};

// NSScreen: the primary screen only. Any thread (carried to the main thread).
NSRect mainScreenFrame();
NSRect mainScreenVisibleFrame();

} // namespace sondrel::appkit
