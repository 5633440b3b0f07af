#pragma once

// The application's entry in the desktop's task bar or dock, where the desktop offers one through
// the launcher-entry interface (com.canonical.Unity.LauncherEntry, which KDE Plasma's task
// manager, GNOME's docks and others follow): a progress bar across the application's icon. Each
// change is one Update signal on the session bus, naming the desktop entry the program was given
// (setApplicationIdentity); a desktop that does not listen ignores it, and without a session bus
// nothing happens. Desktops also drop an entry's progress when the program ends.

namespace sondrel::appkit {

// Shows `fraction` (0 to 1) as the application's progress. Any thread: the signal is sent from
// the main thread, in order with the other calls carried there.
void setLauncherProgress(double fraction);
// Hides the progress again.
void clearLauncherProgress();

} // namespace sondrel::appkit
