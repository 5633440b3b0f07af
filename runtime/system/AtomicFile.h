#pragma once

// Replacing a file's contents so that no reader, and no crash, ever sees a
// half-written file.

#include <string>
#include <string_view>

namespace sondrel::system {

// Writes `contents` to a new file in the folder of `path`, flushes it to the
// disk and renames it over `path`. The file at `path`, if any, keeps its
// permission bits (and, where allowed, its owner); a new one gets 0666 less the
// umask. A symbolic link at `path` stays and its target is replaced. On any
// failure the old file is left as it was and the temporary file is removed;
// the result is false.
bool WriteFileAtomically(const std::string& path, std::string_view contents);

} // namespace sondrel::system
