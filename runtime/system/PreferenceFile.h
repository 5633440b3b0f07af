#pragma once

// Preference files: small text files of named groups of key/value lines (the
// format is described in PreferenceDocument.h), read and written as signed
// 64-bit numbers.
//
// Each thread has at most one preference file in use, its current file; every
// operation acts on the calling thread's current file, so threads never share
// one. The whole file is held in memory from create or open until close:
// apart from the emptying of a created file, nothing reaches the disk before
// ClosePreferenceFile, or the end of the thread, which closes the file the
// same way. A modified file is written back whole through a temporary file
// renamed over it, so it is never left half-written and keeps its permission
// bits; an unmodified file is not touched. No operation reports a message:
// create and open answer false, reads give their default, writes and close
// fail silently.

#include "runtime/core/Text.h"

#include <cstdint>

namespace sondrel::system {

// Writing options for create and open (the application passes 0).
inline constexpr int PreferenceCompactKeys = 1;           // "key=value" instead of "key = value"
inline constexpr int PreferenceBlankLineBeforeGroups = 2; // an empty line before each later group

// Closes the current file, then creates (or empties) the file `name` and makes
// it the current one. False when it cannot be created; reads then give their
// defaults and writes do nothing.
bool CreatePreferenceFile(core::TextView name, int options = 0);
// Closes the current file, then reads the file `name` and makes it the
// current one. False when there is no such file: the name is remembered, and
// close creates the file if anything was written. A file that exists but
// cannot be written is read all the same and its changes are dropped at
// close; one that cannot be read at all (or is a folder) gives false, reads
// give defaults and nothing is ever written to it.
bool OpenPreferenceFile(core::TextView name, int options = 0);
// Writes the current file back if it was modified (and may be), and forgets
// it.
void ClosePreferenceFile();

// Selects the group `name` (case of ASCII letters ignored; empty: the keys
// before the first group). A group that does not exist is created by the next
// write, and until then reads give their defaults. False when the group does
// not exist or no file is in use.
bool SelectPreferenceGroup(core::TextView name);
// The number stored under `key` in the selected group: its leading decimal
// number (blanks and a sign allowed; 0 when the value does not begin with one),
// or `defaultValue` when the key or the group is missing or no file is in use.
std::int64_t ReadPreferenceNumber(core::TextView key, std::int64_t defaultValue = 0);
// Stores `value` under `key` in the selected group, in decimal.
void WritePreferenceNumber(core::TextView key, std::int64_t value);

} // namespace sondrel::system
