#pragma once

// What the application object is made with: the name the program shows, the name of its desktop
// entry, and the toolkit's own options from the command line. Cocoa reads the first two from the
// bundle's Info.plist and the last from the process's arguments; here the program gives them
// before the application object is made (NSApplicationObject::shared), which hands them to Qt.

#include <string>
#include <string_view>
#include <vector>

namespace sondrel::appkit {

// `name` is what the application menu ("About Sondrel") and the window system (the class of
// the windows) show; `desktopEntry` is the name of the program's desktop entry without
// ".desktop", by which desktops match its windows to it. Empty texts leave Qt's defaults.
void setApplicationIdentity(std::u16string name, std::u16string desktopEntry);

// The name the application shows: the one given, or the executable's file name.
std::u16string applicationName();
// The desktop entry's name given, or the application's name.
std::u16string desktopEntryName();

// How many command-line arguments the toolkit's own option at `argument` spans: 2 for an option
// followed by its value ("-platform offscreen", "--style fusion"), 1 for one standing alone
// ("-reverse", "-style=fusion"), 0 for anything that is not one of the toolkit's options.
int toolkitOptionLength(std::string_view argument);

// The toolkit's options of the command line, in order, for the application object to hand to Qt.
void setToolkitArguments(std::vector<std::string> arguments);
const std::vector<std::string>& toolkitArguments();

} // namespace sondrel::appkit
