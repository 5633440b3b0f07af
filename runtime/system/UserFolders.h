#pragma once

// The user's own folders where the freedesktop.org conventions put them: the
// configuration folder of the XDG base directories, and the desktop folder of
// the XDG user directories (the one `xdg-user-dir DESKTOP` names).

#include <optional>
#include <string_view>

#include "runtime/core/Text.h"

namespace sondrel::system {

// XDG_CONFIG_HOME when it is set and absolute, else `home` + ".config"; ending
// in "/". Empty when neither gives a path.
core::Text UserConfigFolder(core::TextView home);

// The desktop folder, ending in "/": the XDG_DESKTOP_DIR that "user-dirs.dirs"
// in `configFolder` sets, when it names a folder; else `home` + "Desktop/" when
// that is a folder; else `home` itself.
core::Text UserDesktopFolder(core::TextView home, core::TextView configFolder);

// The desktop folder a "user-dirs.dirs" text sets, without a final "/": the
// value of its last XDG_DESKTOP_DIR line, in double quotes with the shell's
// backslash escapes, either "$HOME" followed by a path below `home` or an
// absolute path. Nothing when no line sets one that way.
std::optional<core::Text> DesktopFolderSetting(std::string_view userDirs, core::TextView home);

} // namespace sondrel::system
