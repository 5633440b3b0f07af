#pragma once

// Menu bars: numbered runtime objects, one per window at most, built with CreateMenuBar,
// AddMenuTitle, AddMenuItem and AddMenuSeparator on the calling thread's current menu bar.
//
// The menu bar of the key window is the application's main menu; the shared application menu
// (About, Preferences, Services, Hide, Hide Others, Show All, Quit) is moved into whichever menu
// bar is installed. On this platform each menu bar is also shown in its own window. Choosing an
// item posts MenuEvent with the item's number and the window of its menu bar (0 without one);
// the application menu's About, Preferences and Quit post -3, -2 and -1.

#include <cstdint>

#include "platform/objc/Object.h"
#include "runtime/core/ObjectRegistry.h"
#include "runtime/core/Text.h"

namespace sondrel::appkit {
class NSMenuObject;
class NSWindowObject;
} // namespace sondrel::appkit

namespace sondrel::windowing {

inline constexpr std::int32_t kQuitItem = -1;
inline constexpr std::int32_t kPreferencesItem = -2;
inline constexpr std::int32_t kAboutItem = -3;

// Creates the menu registry; call once at start-up (after InitWindows).
void InitMenus();
// Frees every menu bar.
void EndMenus();

// Creates a menu bar for the window (which may be null) and makes it the calling thread's current
// menu bar; installs it at once when the window is key. Result: the dynamic number for
// AnyObjectNumber, else non-zero; 0 on failure.
std::int64_t CreateMenuBar(core::ObjectNumber number, appkit::NSWindowObject* window);

// Adds a title menu to the current menu bar and makes it current; null without a current menu
// bar (or when it has been freed).
appkit::NSMenuObject* AddMenuTitle(core::TextView title);

// Adds an item to the current title menu; -1, -2 and -3 instead attach the application menu's
// Quit, Preferences and About entries to the current menu bar's window. `image` (an NSImage) is
// used only by menu bars that show item images.
void AddMenuItem(std::int32_t item, core::TextView text, objc::id image = nullptr);
void AddMenuSeparator();

// Frees the menu bar (-1: all); the default menu bar is installed if it was the main menu.
void FreeMenuBar(core::ObjectNumber number);

// Makes `menu` the main menu, moving the application menu into it; its items report `window`.
void InstallMenuBar(appkit::NSMenuObject* menu, std::int64_t window);

// For windows: install the first menu bar made for the window (when it becomes key), and free
// it (when it closes).
void InstallWindowMenuBar(appkit::NSWindowObject* window, std::int64_t windowNumber);
void FreeWindowMenuBar(appkit::NSWindowObject* window);

// Start-up of the menus' native side: the menu delegate, the application menu, and the default
// menu bar (installed for window -1). Called by InitApplication.
void InitApplicationMenus();
// The application name shown in the application menu: the one the program gave
// (SetApplicationIdentity), else the executable's file name.
core::Text ApplicationName();

} // namespace sondrel::windowing
