#pragma once

// One running instance of the program per user and display.
//
// The first start takes an exclusive lock on a file (a lock the system drops when the process
// ends, crashed or not) and listens on a local socket beside it. A later start on the same display
// finds the lock taken, connects, hands over the paths it was given and can end. The lock, not the
// socket file, tells whether an instance runs: a socket a crashed run left behind is removed by the
// next first start and never taken for a live one. Both files lie in a folder only the user can
// enter (XDG_RUNTIME_DIR, or a folder of the user's own under /tmp, each checked for its owner and
// mode), and each end checks that the other runs as the same user.
//
// The display is Qt's platform with the display it connects to (the X display, the Wayland
// socket), so starts on two displays each get their own instance.
//
// The running instance answers on the main thread while Qt's events are handled: it acknowledges
// at once, brings itself forward (NSApplicationObject::activate) and, when paths came, sends its
// application delegate `application:openFiles:` with them.

#include <string>
#include <vector>

namespace sondrel::appkit {

enum class InstanceClaim {
    First,      // no other instance runs: this one listens for later starts
    HandedOver, // a running instance took the paths
    Alone,      // no private folder, lock or socket could be had: this one runs on its own
    Unanswered, // an instance runs but did not take the paths
};

// Claims the instance for this user and display, or hands `paths` to the running one. `folder`
// (file-name bytes) is where the lock and the socket lie; empty: the user's runtime folder. The
// application object must exist (the display is Qt's). Main thread only.
InstanceClaim claimInstance(const std::string& folder, const std::vector<std::u16string>& paths);

// Stops listening and lets the lock go: a later start becomes the first. Safe to call when
// nothing was claimed.
void releaseInstance();

// The socket's path in `folder` for this display (what a claim there listens on).
std::string instanceSocketPath(const std::string& folder);

} // namespace sondrel::appkit
