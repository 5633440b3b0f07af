#pragma once

// The main window: its menu, its F1 shortcut and every gadget at its place,
// with their texts, items and first states; the stored settings applied to
// them; the hidden Cancel button.

#include "app/Settings.h"
#include "platform/objc/Object.h"
#include "runtime/core/ObjectRegistry.h"

namespace sondrel::app {

// The main window's title when no batch shows its progress there.
inline constexpr char16_t kMainWindowTitle[] = u"Sondrel";
inline constexpr char16_t kDropPrompt[] = u"Drag and drop audio file(s) here.";

// The log editor's native text view and its text storage (which log lines are
// appended to).
struct LogViews {
    objc::id logView = nullptr;
    objc::id logStorage = nullptr;
};

// Builds the window, its menu, shortcut and gadgets in their order. False
// (and nothing built) when the window cannot be created.
bool BuildMainWindow(LogViews& views);

// Applies the stored settings to the gadgets and the window.
void ApplySettings(const Settings& settings);

// Creates the Cancel button over the output-folder row, hidden.
void CreateCancelButton();

// Hides a title-bar button of a window (1: minimise, 2: zoom).
void HideTitleBarButton(core::ObjectNumber window, int button);

// Sets the main window's opacity: 0.75 when transparent, else opaque.
void SetMainWindowTransparent(bool transparent);

} // namespace sondrel::app
