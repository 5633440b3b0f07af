#pragma once

// Folder scans: the entries of one folder, optionally filtered by a name
// pattern, with each entry's name and kind.
//
// Scans are numbered objects (runtime/core/ObjectRegistry.h): a fixed number
// chosen by the caller, or AnyObjectNumber for a handle. Opening under a
// number that holds a scan closes that scan first. Entries come in the order
// the system gives them, unsorted, "." and ".." included. A scan may be used by
// one thread at a time; different scans may be used from different threads.

#include "runtime/core/ObjectRegistry.h"
#include "runtime/core/Text.h"

namespace sondrel::system {

// Kinds of entry (FolderEntryKind).
inline constexpr int NoFolderScan = 0;
inline constexpr int FileEntry = 1;   // anything but a folder, a symbolic link included
inline constexpr int FolderEntry = 2; // a folder (not a link to one)

// Opens a scan of `folder` (empty: the current folder). `pattern` is an
// fnmatch pattern matched against each name ("*" also matches names that begin
// with "."; "*.*" means every name; empty: every name). Result: 0 when the
// folder cannot be opened (no scan then exists under the number), 1 for a
// fixed number, else the new scan's handle. The path may be of any length the
// system accepts.
core::ObjectNumber OpenFolderScan(core::ObjectNumber number, core::TextView folder,
                                  core::TextView pattern = {});
// Moves to the next entry that matches; 1 when there is one, 0 at the end or
// without a scan. Entries whose status cannot be read are skipped.
int NextFolderEntry(core::ObjectNumber number);
// The current entry's kind; 0 without a scan.
int FolderEntryKind(core::ObjectNumber number);
// The current entry's name; empty before the first entry, after the last and
// without a scan. A name that is not UTF-8 keeps its odd bytes as
// FileNameToText (TextFileName.h) gives them, so it can be named again.
core::Text FolderEntryName(core::ObjectNumber number);
// Closes the scan, if there is one.
void CloseFolderScan(core::ObjectNumber number);

// End of program: closes every scan still open.
void CloseAllFolderScans();

} // namespace sondrel::system
