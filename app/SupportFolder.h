#pragma once

// The per-user folder that holds "save.pref", and the places earlier versions
// kept that file in.

#include <vector>

#include "runtime/core/Text.h"

namespace sondrel::app {

// The support folder inside the user's configuration folder (ending in "/"):
// configFolder + "Sondrel/". Empty for an empty configuration folder.
core::Text SupportFolderPath(core::TextView configFolder);

// Creates every missing level of `supportFolder` (an absolute path ending in
// "/"), each readable, writable and searchable by the owner alone, except the
// home folder (ending in "/") and the folders above it: a missing home is not
// made up. True when the folder exists afterwards. Levels that exist are left
// as they are.
bool CreateSupportFolder(core::TextView supportFolder, core::TextView home);

// The settings file inside the support folder; empty without one.
core::Text SettingsPath(core::TextView supportFolder);

// Where earlier versions kept "save.pref" below the home folder (ending in
// "/"), the later layout first.
std::vector<core::Text> OldSettingsPaths(core::TextView home);

// The settings file to use this run. When nothing is at `settingsPath` yet, a
// "save.pref" at an old place is moved there, once; nothing the user had is
// lost: should the move fail, the old file stays where it is and is the one
// used. A file already at `settingsPath` wins, and old ones are left alone.
core::Text AdoptOldSettings(core::TextView home, core::TextView settingsPath);

} // namespace sondrel::app
