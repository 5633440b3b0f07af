#pragma once

// The progress of the application's long work on its task bar or dock entry, where the desktop
// shows one (see platform/appkit/LauncherEntry.h); elsewhere these do nothing. Any thread.

namespace sondrel::windowing {

// Shows `fraction` (0 to 1) across the application's entry.
void SetTaskBarProgress(double fraction);
// Takes the progress off the entry again.
void ClearTaskBarProgress();

} // namespace sondrel::windowing
