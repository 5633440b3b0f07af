#include "app/SupportFolder.h"

#include "runtime/system/FileMove.h"
#include "runtime/system/ProcessEnvironment.h"

namespace sondrel::app {

core::Text SupportFolderPath(core::TextView configFolder) {
    if (configFolder.empty()) {
        return {};
    }
    core::Text folder(configFolder);
    if (folder.back() != u'/') {
        folder += u'/';
    }
    return folder + u"Sondrel/";
}

bool CreateSupportFolder(core::TextView supportFolder, core::TextView home) {
    if (!supportFolder.starts_with(u'/') || !supportFolder.ends_with(u'/')) {
        return false;
    }
    // Each level, shortest first, without its "/".
    for (std::size_t slash = supportFolder.find(u'/', 1); slash != core::TextView::npos;
         slash = supportFolder.find(u'/', slash + 1)) {
        const core::TextView level = supportFolder.substr(0, slash);
        const bool homeOrAbove = home.starts_with(supportFolder.substr(0, slash + 1));
        if (!homeOrAbove && system::PathSize(level) == -1) {
            system::MakeFolder(level);
        }
    }
    return system::PathSize(supportFolder.substr(0, supportFolder.size() - 1)) == -2;
}

core::Text SettingsPath(core::TextView supportFolder) {
    if (supportFolder.empty()) {
        return {};
    }
    return core::Text(supportFolder) + u"save.pref";
}

std::vector<core::Text> OldSettingsPaths(core::TextView home) {
    if (home.empty()) {
        return {};
    }
    const core::Text library = core::Text(home) + u"Library/Application Support/";
    return {library + u"Sondrel/save.pref", library + u"Quillfern/Sondrel/save.pref"};
}

core::Text AdoptOldSettings(core::TextView home, core::TextView settingsPath) {
    if (!settingsPath.empty() && system::PathSize(settingsPath) != -1) {
        return core::Text(settingsPath);
    }
    for (const core::Text& old : OldSettingsPaths(home)) {
        if (system::PathSize(old) < 0) {
            continue; // nothing there, or a folder
        }
        if (settingsPath.empty()) {
            return old;
        }
        switch (system::MoveFileWithoutReplacing(old, settingsPath)) {
        case system::MoveResult::Moved:
        case system::MoveResult::TargetExists:
            return core::Text(settingsPath);
        case system::MoveResult::Failed:
            return old;
        }
    }
    return core::Text(settingsPath);
}

} // namespace sondrel::app
