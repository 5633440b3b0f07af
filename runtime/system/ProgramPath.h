#pragma once

// Finding the file a program name stands for, the way the program runner
// does it before starting anything.

#include <optional>
#include <string>
#include <string_view>

namespace sondrel::system {

// An existing file that is not a folder, is not empty and that we may execute.
bool IsExecutableFile(const std::string& path);

// The executable that `name` (UTF-8) names:
//  - a name holding a "/" that names an executable file is that file;
//  - otherwise a name beginning with "/" or "./" names nothing;
//  - otherwise each non-empty entry of `searchPath` (the value of PATH,
//    entries separated by ":") is tried in order with "/" and the name
//    appended, and the first executable file found is the answer; without a
//    search path (PATH not set) nothing is found.
// The result is absolute (a relative one is taken against the current
// folder now), so changing the child's working folder later cannot change
// which file runs.
std::optional<std::string> FindProgram(std::string_view name, const char* searchPath);

} // namespace sondrel::system
