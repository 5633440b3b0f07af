#pragma once

// The texts the conversion and the batch write into the log.

#include <cstdint>

#include "runtime/core/Text.h"

namespace sondrel::app {

// A file or folder name as the log shows it: the log is made of lines, so a
// line feed or carriage return inside a name is shown as "?", as ls does, and
// each byte of a name that is not UTF-8 as the replacement character U+FFFD.
core::Text LogName(core::TextView name);

// " • Converting (n/count) \"name\"" : the start every file line shares.
core::Text ConvertingText(std::int64_t fileNumber, std::int64_t fileCount, core::TextView name);

// The file's line while it converts: no line end, so it is the log's last line.
core::Text ProgressLine(std::int64_t fileNumber, std::int64_t fileCount, core::TextView name);
core::Text DoneLine(std::int64_t fileNumber, std::int64_t fileCount, core::TextView name);
core::Text ErrorLine(std::int64_t fileNumber, std::int64_t fileCount, core::TextView name);

// How a progress line ends; a line still ending so after the tool has ended
// was never marked done.
inline constexpr char16_t kProgressEnd[] = u". . .";
inline constexpr char16_t kSkippedLine[] = u"   Unable to convert. File skipped.\n";
inline constexpr char16_t kCompleteLine[] = u"Complete!\n";
inline constexpr char16_t kCancelledLine[] = u"Batch conversion canceled by user.\n";

// "Directory - \"folder\"\n" : the line a drop writes for the folder of what it queues.
core::Text DirectoryLine(core::TextView folder);

} // namespace sondrel::app
