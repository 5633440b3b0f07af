#pragma once

// The small services the program needs from its environment before anything
// else, and the path helpers it uses for file names.

#include "runtime/core/Text.h"

#include <cstdint>

namespace sondrel::system {

// A coarse version code of the operating system: 10000 + 100 x M for the old
// 10.M systems, 60000 for every current one. Linux counts as current.
int SystemVersionCode();

// The user's home folder ending in "/": HOME when it is set and absolute, the
// password database's entry otherwise; empty when neither gives a usable path.
core::Text UserHomeFolder();

// The size in bytes of the file at `path`; -1 when the path is empty or
// names nothing, -2 for a folder.
std::int64_t PathSize(core::TextView path);

// Creates the folder `path` (its last component only), readable, writable and
// searchable by the owner alone. True when it was created.
bool MakeFolder(core::TextView path);

// The part of `path` after its last "/" (all of it without one), up to a
// double quote; a leading double quote is skipped first, so a path written in
// quotes gives its bare name.
core::Text FileNamePart(core::TextView path);
// The part of `path` up to and including its last "/" (a leading double quote
// skipped); empty without a "/".
core::Text FolderPart(core::TextView path);

// Makes the folder holding the running program the working folder, and puts
// that folder first in PATH so that the tools installed beside the program
// are the ones found. Result: 0 on success, -1 when the folder cannot be
// entered (the working folder is unchanged), 0 without effect when the
// program's own path cannot be found. Meant for start-up, before other
// threads run (it changes the environment).
int EnterBundleContents();

// Asks for the program to be brought to the front. The window system raises a
// program's new windows by itself, so there is nothing to do: the result is 0.
int BringProcessToFront();

} // namespace sondrel::system
