#include "app/DropQueue.h"

#include <algorithm>

#include "app/LogTexts.h"
#include "runtime/system/FolderScan.h"
#include "runtime/system/ProcessEnvironment.h"

namespace sondrel::app {
namespace {

// The scan number the drop handler uses.
constexpr core::ObjectNumber kDropScan = 0;

bool Exists(core::TextView path) {
    return system::PathSize(path) != -1;
}

// The folder's files as the drop queues them, sorted by name, so a batch
// runs in the order a file manager shows rather than the file system's own.
std::vector<core::Text> FolderFiles(core::TextView folder) {
    std::vector<core::Text> names;
    if (system::OpenFolderScan(kDropScan, folder, u"*.*") == 0) {
        return names;
    }
    while (system::NextFolderEntry(kDropScan) != 0) {
        if (system::FolderEntryKind(kDropScan) != system::FileEntry) {
            continue;
        }
        core::Text name = system::FolderEntryName(kDropScan);
        if (name != u".DS_Store") {
            names.push_back(std::move(name));
        }
    }
    system::CloseFolderScan(kDropScan);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

std::vector<core::Text> DroppedPaths(core::TextView dropText) {
    std::vector<core::Text> pieces;
    std::size_t start = 0;
    while (start <= dropText.size()) {
        const std::size_t end = std::min(dropText.find(u'\n', start), dropText.size());
        pieces.emplace_back(dropText.substr(start, end - start));
        start = end + 1;
    }
    std::vector<core::Text> paths;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i].empty()) {
            continue;
        }
        core::Text path = pieces[i];
        if (!Exists(path)) {
            core::Text joined = path;
            for (std::size_t j = i + 1; j < pieces.size(); ++j) {
                joined += u'\n';
                joined += pieces[j];
                if (Exists(joined)) {
                    path = joined;
                    i = j;
                    break;
                }
            }
        }
        paths.push_back(std::move(path));
    }
    return paths;
}

DroppedBatch ExpandDrop(const std::vector<core::Text>& paths) {
    DroppedBatch batch;
    core::Text lastFileFolder;
    bool lastWasFile = false;
    for (const core::Text& path : paths) {
        if (system::PathSize(path) != -2) {
            const core::Text folder = system::FolderPart(path);
            if (!lastWasFile || folder != lastFileFolder) {
                batch.logLines.push_back(DirectoryLine(folder));
            }
            batch.files.push_back(path);
            lastFileFolder = folder;
            lastWasFile = true;
            continue;
        }
        core::Text folder = path;
        while (folder.size() > 1 && folder.back() == u'/') {
            folder.pop_back();
        }
        const core::Text prefix = folder == u"/" ? folder : folder + u"/";
        batch.logLines.push_back(DirectoryLine(prefix));
        for (const core::Text& name : FolderFiles(folder)) {
            batch.files.push_back(prefix + name);
        }
        lastWasFile = false;
    }
    return batch;
}

} // namespace sondrel::app
