#include "app/SupportFolder.h"

#include "runtime/system/ProcessEnvironment.h"

namespace sondrel::app {

core::Text SupportFolderPath(core::TextView home, int systemVersionCode) {
    if (home.empty()) {
        return {};
    }
    core::Text folder(home);
    folder += u"Library/Application Support/";
    if (systemVersionCode == 10700 || systemVersionCode == 10800 || systemVersionCode == 60000) {
        folder += u"Sondrel/";
    } else {
        folder += u"Quillfern/Sondrel/";
    }
    return folder;
}

bool CreateSupportFolder(core::TextView home, core::TextView supportFolder) {
    if (home.empty() || !supportFolder.starts_with(home)) {
        return false;
    }
    // Each level below the home folder, shortest first, without its "/".
    for (std::size_t slash = supportFolder.find(u'/', home.size()); slash != core::TextView::npos;
         slash = supportFolder.find(u'/', slash + 1)) {
        const core::TextView level = supportFolder.substr(0, slash);
        if (system::PathSize(level) == -1) {
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

} // namespace sondrel::app
