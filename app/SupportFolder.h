#pragma once

// The per-user folder that holds "save.pref".

#include "runtime/core/Text.h"

namespace sondrel::app {

// The support folder for a home folder (ending in "/") and a system version
// code: home + "Library/Application Support/Sondrel/" for the codes 10700,
// 10800 and 60000 (every current system, Linux included), else home +
// "Library/Application Support/Quillfern/Sondrel/". Empty for an empty home.
core::Text SupportFolderPath(core::TextView home, int systemVersionCode);

// Creates every missing level of `supportFolder` below `home` (owner-only
// permissions), so that a new home without "Library/Application Support" gets
// its settings stored too. True when the folder exists afterwards. Nothing is
// created above the home folder, nor anything at all for an empty home.
bool CreateSupportFolder(core::TextView home, core::TextView supportFolder);

// The settings file inside the support folder; empty without one.
core::Text SettingsPath(core::TextView supportFolder);

} // namespace sondrel::app
