#pragma once

// The stored settings: five integers in the group "Saved Settings" of
// "save.pref". The file is opened (or created) once at start-up and stays the
// main thread's current preference file for the rest of the run. Every change
// is written into it at once and saved to disk straight away (the preference
// module replaces the file whole, never leaving it half-written), so a change
// survives even a run that ends without closing the file.

#include <cstdint>

#include "runtime/core/Text.h"

namespace sondrel::app {

inline constexpr char16_t kSettingsGroup[] = u"Saved Settings";
inline constexpr char16_t kTransparentKey[] = u"Transparent";
inline constexpr char16_t kStickyKey[] = u"Sticky";
inline constexpr char16_t kStrategyKey[] = u"Strategy";
inline constexpr char16_t kBitrateKey[] = u"Bitrate";
inline constexpr char16_t kDataKey[] = u"Data";
// How many files a batch converts at once. Read, never written: a file the
// program creates does not hold it.
inline constexpr char16_t kJobsKey[] = u"Jobs";
// The most files converted at once, whatever the setting or the machine.
inline constexpr std::int64_t kMaxJobs = 64;

struct Settings {
    std::int64_t transparent = 0; // 1: the main window at opacity 0.75
    std::int64_t sticky = 0;      // 1: the main window above all others
    std::int64_t strategy = 0;    // index into "CBR", "ABR", "VBR Con", "VBR"
    std::int64_t bitrate = 0;     // index into "16 kbps" ... "320 kbps"
    std::int64_t data = 0;        // 1: AAC, anything else: IMA4
    bool operator==(const Settings&) const = default;
};

// What a new file holds, and the states the controls are created with.
inline constexpr Settings kFirstRunSettings{0, 0, 1, 4, 1};

struct LoadedSettings {
    Settings values;
    bool created = false;  // the file was new: the controls keep their creation states
    std::int64_t jobs = 0; // the "Jobs" key; 0 when absent
};

// The files a batch converts at once for the "Jobs" setting: 0 (or absent,
// or below 0) means one per online processor, 1 one at a time, n n; never
// more than kMaxJobs.
std::int64_t ConversionJobs(std::int64_t setting);

// Opens the settings file at `path` and reads it (a missing key reads as 0),
// or, when nothing is there, creates it with kFirstRunSettings and saves it.
// Either way the file stays the calling thread's current preference file. An
// empty path (no support folder) stores nothing and gives the first-run
// settings.
LoadedSettings LoadOrCreateSettings(core::TextView path);

// Writes one setting into the current preference file (group "Saved
// Settings") and saves the file at `path` (empty: only the write).
void WriteSetting(core::TextView path, core::TextView key, std::int64_t value);

} // namespace sondrel::app
