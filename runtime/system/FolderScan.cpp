#include "runtime/system/FolderScan.h"

#include "runtime/system/ExactUtf8.h"

#include <memory>
#include <optional>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include "runtime/core/TextFileName.h"

namespace sondrel::system {
namespace {

struct FolderCloser {
    void operator()(DIR* folder) const { ::closedir(folder); }
};

struct FolderScanRecord {
    std::unique_ptr<DIR, FolderCloser> folder; // the scan exists while this is set
    std::string pattern;                       // empty: every name
    std::string name;                          // of the current entry
    mode_t mode = 0;                           // type of the current entry, as lstat gives it

    bool exists() const { return folder != nullptr; }
};

using ScanRegistry = core::ObjectRegistry<FolderScanRecord>;

ScanRegistry& scans() {
    static const std::unique_ptr<ScanRegistry> registry =
        core::CreateObjectRegistry<FolderScanRecord>(
            16, [](core::ObjectNumber number) { CloseFolderScan(number); });
    return *registry;
}

} // namespace

core::ObjectNumber OpenFolderScan(core::ObjectNumber number, core::TextView folder,
                                  core::TextView pattern) {
    std::optional<std::string> path = folder.empty() ? std::string(".") : ExactUtf8(folder);
    std::optional<std::string> match = ExactUtf8(pattern);
    ScanRegistry& registry = scans();
    if (number != core::AnyObjectNumber) {
        CloseFolderScan(number);
    }
    if (!path || !match) {
        return 0;
    }
    std::unique_ptr<DIR, FolderCloser> stream(::opendir(path->c_str()));
    if (!stream) {
        return 0;
    }
    FolderScanRecord* record = core::ObtainObject(registry, number);
    if (record == nullptr) {
        return 0;
    }
    record->folder = std::move(stream);
    record->pattern = *match == "*.*" ? "*" : std::move(*match);
    return number == core::AnyObjectNumber ? core::ObjectHandle(record) : 1;
}

int NextFolderEntry(core::ObjectNumber number) {
    FolderScanRecord* record = core::FindObject(scans(), number);
    if (record == nullptr) {
        return 0;
    }
    while (const dirent* entry = ::readdir(record->folder.get())) {
        std::string_view name = entry->d_name;
        if (!record->pattern.empty() &&
            ::fnmatch(record->pattern.c_str(), entry->d_name, FNM_PATHNAME) != 0) {
            continue;
        }
        // Most file systems give the entry's own type (a link is a link, as
        // lstat sees it) with the name, which spares a status call for every
        // entry of a folder of thousands. Where they do not, the status is
        // taken relative to the open folder, so no path has to be built and
        // the folder's path may be as long as the system allows.
        mode_t mode = DTTOIF(entry->d_type);
        if (entry->d_type == DT_UNKNOWN) {
            struct stat status;
            if (::fstatat(::dirfd(record->folder.get()), entry->d_name, &status,
                          AT_SYMLINK_NOFOLLOW) != 0) {
                continue;
            }
            mode = status.st_mode;
        }
        record->name = name;
        record->mode = mode;
        return 1;
    }
    record->name.clear();
    record->mode = 0;
    return 0;
}

int FolderEntryKind(core::ObjectNumber number) {
    FolderScanRecord* record = core::FindObject(scans(), number);
    if (record == nullptr) {
        return NoFolderScan;
    }
    return S_ISDIR(record->mode) ? FolderEntry : FileEntry;
}

core::Text FolderEntryName(core::ObjectNumber number) {
    FolderScanRecord* record = core::FindObject(scans(), number);
    return record == nullptr ? core::Text() : core::FileNameToText(record->name);
}

void CloseFolderScan(core::ObjectNumber number) {
    ScanRegistry& registry = scans();
    if (core::FindObject(registry, number) != nullptr) {
        core::ReleaseObject(registry, number);
    }
}

void CloseAllFolderScans() {
    core::ReleaseAllObjects(scans());
}

} // namespace sondrel::system
