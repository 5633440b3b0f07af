#pragma once

// What the application object is made with: the name the program shows, the name of its desktop
// entry, and the toolkit's own options from the command line. Each is given before
// InitWindowingLibrary, which makes the application object.

#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/Text.h"

namespace sondrel::windowing {

// `name` is what the application menu ("About Sondrel", "Quit Sondrel") and the window system
// (the class of the program's windows) show; `desktopEntry` is the name of the program's desktop
// entry without ".desktop", by which desktops match its windows to it.
void SetApplicationIdentity(core::TextView name, core::TextView desktopEntry);

// How many command-line arguments the toolkit's own option at `argument` spans: 2 for an option
// followed by its value ("-platform offscreen"), 1 for one standing alone ("-reverse",
// "-style=fusion"), 0 for anything else.
int ToolkitOptionLength(std::string_view argument);

// The toolkit's options of the command line, in order (as ToolkitOptionLength finds them).
void SetToolkitArguments(std::vector<std::string> arguments);

} // namespace sondrel::windowing
