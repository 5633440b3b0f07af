#pragma once

#include <string>

#include "platform/afconvert/Status.h"
#include "platform/posix/UniqueFd.h"

namespace sondrel::afconvert {

// The output file, written as an unnamed file in its folder and given its
// real name only when complete, so that a failed or interrupted conversion
// leaves nothing behind, even when the process is killed outright, and never
// harms an existing file of that name. Where the file system has no unnamed
// files, a hidden temporary name stands in: it is removed on destruction
// unless committed, and by the handlers of installSignalCleanup() when the
// process is asked to end (only SIGKILL can leave it behind).
class OutputFile {
public:
    enum class Naming {
        Replace,  // the given name; an existing file there is replaced
        NextFree, // the given name, or base-1.ext, base-2.ext... when taken
    };

    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    Status create(const std::string& path, Naming naming);
    int fd() const { return m_fd.get(); }
    // The real name: the one asked for until commit() settles it.
    const std::string& path() const { return m_path; }
    const std::string& folder() const { return m_folder; }
    // Makes the data durable, closes the file and gives it its real name.
    Status commit();

    // SIGINT, SIGTERM, SIGHUP: remove the temporary file, then die of the signal.
    static void installSignalCleanup();

private:
    void discard();
    // Discards the file and reports `error`.
    Status failed(int error);
    Status closeFile();
    Status nameUnnamed();
    Status nameTemporary();

    std::string m_path;
    std::string m_folder;
    std::string m_tempPath;
    Naming m_naming = Naming::Replace;
    posix::UniqueFd m_fd;
    bool m_unnamed = false; // no name yet: nothing to remove when it is discarded
};

} // namespace sondrel::afconvert
