#include "app/Settings.h"

#include <algorithm>

#include <unistd.h>

#include "runtime/system/PreferenceFile.h"
#include "runtime/system/ProcessEnvironment.h"

namespace sondrel::app {
namespace {

// Closing writes the file back; opening it again keeps it the current one.
void SaveSettings(core::TextView path) {
    if (path.empty()) {
        return;
    }
    system::ClosePreferenceFile();
    system::OpenPreferenceFile(path);
}

} // namespace

LoadedSettings LoadOrCreateSettings(core::TextView path) {
    using namespace system;
    if (path.empty()) {
        return {kFirstRunSettings, true};
    }
    if (PathSize(path) != -1) {
        OpenPreferenceFile(path);
        SelectPreferenceGroup(kSettingsGroup);
        LoadedSettings loaded;
        loaded.values.transparent = ReadPreferenceNumber(kTransparentKey, 0);
        loaded.values.sticky = ReadPreferenceNumber(kStickyKey, 0);
        loaded.values.strategy = ReadPreferenceNumber(kStrategyKey, 0);
        loaded.values.bitrate = ReadPreferenceNumber(kBitrateKey, 0);
        loaded.values.data = ReadPreferenceNumber(kDataKey, 0);
        loaded.jobs = ReadPreferenceNumber(kJobsKey, 0);
        return loaded;
    }
    CreatePreferenceFile(path);
    SelectPreferenceGroup(kSettingsGroup);
    WritePreferenceNumber(kTransparentKey, kFirstRunSettings.transparent);
    WritePreferenceNumber(kStickyKey, kFirstRunSettings.sticky);
    WritePreferenceNumber(kStrategyKey, kFirstRunSettings.strategy);
    WritePreferenceNumber(kBitrateKey, kFirstRunSettings.bitrate);
    WritePreferenceNumber(kDataKey, kFirstRunSettings.data);
    SaveSettings(path);
    return {kFirstRunSettings, true};
}

std::int64_t ConversionJobs(std::int64_t setting) {
    if (setting <= 0) {
        setting = ::sysconf(_SC_NPROCESSORS_ONLN);
    }
    return std::clamp<std::int64_t>(setting, 1, kMaxJobs);
}

void WriteSetting(core::TextView path, core::TextView key, std::int64_t value) {
    system::SelectPreferenceGroup(kSettingsGroup);
    system::WritePreferenceNumber(key, value);
    SaveSettings(path);
}

} // namespace sondrel::app
