#include "runtime/system/UserFolders.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "runtime/core/TextFileName.h"
#include "runtime/system/ExactUtf8.h"
#include "runtime/system/ProcessEnvironment.h"

namespace sondrel::system {
namespace {

core::TextView withoutFinalSlash(core::TextView path) {
    while (path.size() > 1 && path.back() == u'/') {
        path.remove_suffix(1);
    }
    return path;
}

std::string_view trimmedLeft(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t");
    return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

// The value between the double quotes that start `text`, with the escapes a
// shell takes out of a double-quoted word; nothing without a closing quote.
std::optional<std::string> quotedValue(std::string_view text) {
    if (!text.starts_with('"')) {
        return std::nullopt;
    }
    std::string value;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            return value;
        }
        if (c == '\\' && i + 1 < text.size() &&
            std::string_view("\"\\$`").find(text[i + 1]) != std::string_view::npos) {
            value += text[++i];
        } else {
            value += c;
        }
    }
    return std::nullopt;
}

// The folder one XDG_DESKTOP_DIR line names, or nothing for any other line.
std::optional<core::Text> desktopFolderOfLine(std::string_view line, core::TextView home) {
    constexpr std::string_view kKey = "XDG_DESKTOP_DIR";
    line = trimmedLeft(line);
    if (!line.starts_with(kKey)) {
        return std::nullopt;
    }
    line = trimmedLeft(line.substr(kKey.size()));
    if (!line.starts_with('=')) {
        return std::nullopt;
    }
    const std::optional<std::string> value = quotedValue(trimmedLeft(line.substr(1)));
    if (!value) {
        return std::nullopt;
    }
    std::string_view path = *value;
    for (std::string_view variable : {"$HOME", "${HOME}"}) {
        if (path.starts_with(variable) &&
            (path.size() == variable.size() || path[variable.size()] == '/')) {
            if (home.empty()) {
                return std::nullopt;
            }
            path.remove_prefix(variable.size());
            core::Text folder(withoutFinalSlash(home));
            folder += core::FileNameToText(path);
            return core::Text(withoutFinalSlash(folder));
        }
    }
    if (!path.starts_with('/')) {
        return std::nullopt;
    }
    return core::Text(withoutFinalSlash(core::FileNameToText(path)));
}

std::string readFile(core::TextView path) {
    const std::optional<std::string> bytes = ExactUtf8(path);
    if (!bytes) {
        return {};
    }
    std::ifstream in(*bytes, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

core::Text withFinalSlash(core::TextView folder) {
    core::Text text(folder);
    if (!text.empty() && text.back() != u'/') {
        text += u'/';
    }
    return text;
}

} // namespace

core::Text UserConfigFolder(core::TextView home) {
    if (const char* variable = std::getenv("XDG_CONFIG_HOME");
        variable != nullptr && variable[0] == '/') {
        return withFinalSlash(core::FileNameToText(variable));
    }
    return home.empty() ? core::Text() : withFinalSlash(home) + u".config/";
}

std::optional<core::Text> DesktopFolderSetting(std::string_view userDirs, core::TextView home) {
    std::optional<core::Text> folder;
    std::size_t start = 0;
    while (start < userDirs.size()) {
        const std::size_t end = std::min(userDirs.find('\n', start), userDirs.size());
        // As the shell reads the file: the last assignment counts.
        if (std::optional<core::Text> named =
                desktopFolderOfLine(userDirs.substr(start, end - start), home)) {
            folder = std::move(named);
        }
        start = end + 1;
    }
    return folder;
}

core::Text UserDesktopFolder(core::TextView home, core::TextView configFolder) {
    if (!configFolder.empty()) {
        const std::optional<core::Text> setting =
            DesktopFolderSetting(readFile(withFinalSlash(configFolder) + u"user-dirs.dirs"), home);
        if (setting && PathSize(*setting) == -2) {
            return withFinalSlash(*setting);
        }
    }
    if (home.empty()) {
        return {};
    }
    const core::Text desktop = withFinalSlash(home) + u"Desktop";
    return PathSize(desktop) == -2 ? desktop + u"/" : withFinalSlash(home);
}

} // namespace sondrel::system
