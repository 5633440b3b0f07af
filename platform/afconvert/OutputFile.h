#pragma once

#include <string>

#include "platform/afconvert/Status.h"

namespace sondrel::afconvert {

// The output file, written under a temporary name in its folder and given
// its real name only when complete, so that a failed or interrupted
// conversion leaves nothing behind and never harms an existing file of that
// name. The temporary file is removed on destruction unless committed, and
// by the handlers of installSignalCleanup() when the process is killed.
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
    int fd() const { return m_fd; }
    // The real name: the one asked for until commit() settles it.
    const std::string& path() const { return m_path; }
    const std::string& folder() const { return m_folder; }
    // Makes the data durable, closes the file and gives it its real name.
    Status commit();

    // SIGINT, SIGTERM, SIGHUP: remove the temporary file, then die of the signal.
    static void installSignalCleanup();

private:
    void discard();

    std::string m_path;
    std::string m_folder;
    std::string m_tempPath;
    Naming m_naming = Naming::Replace;
    int m_fd = -1;
};

} // namespace sondrel::afconvert
