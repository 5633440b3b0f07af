#pragma once

// Test support: scratch folders, audio files made with sox, and checks that a
// converted file decodes (ffprobe).

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "runtime/core/Text.h"
#include "runtime/core/TextFileName.h"
#include "runtime/system/ProgramRunner.h"

namespace sondrel::app::testing {

// A folder under the system's temporary folder, removed with its content.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "sondrel-app-XXXXXX");
        if (::mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // The path of `name` inside, as UTF-8.
    std::string file(const std::string& name) const { return (m_path / name).string(); }
    // The folder as a runtime text ending in "/".
    core::Text folderText() const { return core::Utf8ToText(m_path.string() + "/"); }

private:
    std::filesystem::path m_path;
};

// The whole content of a file; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// The permission bits of what is at `path`, or -1 when nothing is.
inline int Permissions(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<int>(status.st_mode & 07777) : -1;
}

// Runs a program with its arguments and waits; its exit status, or -1 when it
// could not be started.
inline int RunTool(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<core::Text> texts;
    for (const std::string& argument : arguments) {
        texts.push_back(core::FileNameToText(argument));
    }
    const system::ProgramHandle handle =
        system::StartProgram(core::Utf8ToText(program), texts, u"",
                             system::RunKeepObject | system::RunWaitForEnd | system::RunReadOutput);
    if (handle == 0) {
        return -1;
    }
    while (system::ProgramIsRunning(handle)) {
        system::ReadProgramLine(handle);
    }
    const int status = system::ProgramExitCode(handle);
    system::CloseProgramObject(handle);
    return status;
}

// A sine tone made by sox: `seconds` long, at `rate` Hz with `channels`.
inline bool MakeTone(const std::string& path, double seconds = 0.5, int rate = 44100,
                     int channels = 2) {
    return RunTool("sox", {"-q", "-n", "-r", std::to_string(rate), "-c", std::to_string(channels),
                           path, "synth", std::to_string(seconds), "sine", "440"}) == 0;
}

// True when ffprobe reads `path` as a CAF file with one audio stream in
// `codec` ("aac", "adpcm_ima_qt") and `channels` channels.
inline bool DecodesAs(const std::string& path, const std::string& codec, int channels) {
    const system::ProgramHandle handle = system::StartProgram(
        u"ffprobe",
        std::vector<core::Text>{u"-v", u"error", u"-show_entries",
                                u"stream=codec_name,channels:format=format_name", u"-of",
                                u"default=noprint_wrappers=1", core::FileNameToText(path)},
        u"", system::RunKeepObject | system::RunReadOutput);
    if (handle == 0) {
        return false;
    }
    std::string seen;
    while (system::ProgramIsRunning(handle)) {
        seen += core::TextToUtf8(system::ReadProgramLine(handle)) + "\n";
    }
    const int status = system::ProgramExitCode(handle);
    system::CloseProgramObject(handle);
    return status == 0 && seen.find("codec_name=" + codec + "\n") != std::string::npos &&
           seen.find("channels=" + std::to_string(channels) + "\n") != std::string::npos &&
           seen.find("format_name=caf\n") != std::string::npos;
}

// The other processes that hold a file inside `folder` open (read or
// written), by process id.
inline std::vector<pid_t> ProcessesUsing(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    std::vector<pid_t> found;
    std::error_code error;
    const fs::path real = fs::canonical(folder, error);
    if (error) {
        return found;
    }
    const std::string inside = real.string() + "/";
    const std::string self = std::to_string(::getpid());
    for (const auto& process : fs::directory_iterator("/proc", error)) {
        const std::string pid = process.path().filename().string();
        if (pid == self || pid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::error_code gone;
        for (const auto& fd : fs::directory_iterator(process.path() / "fd", gone)) {
            std::error_code unreadable;
            if (fs::read_symlink(fd.path(), unreadable).string().starts_with(inside)) {
                found.push_back(static_cast<pid_t>(std::stol(pid)));
                break;
            }
        }
    }
    return found;
}

// True once a converter is writing into `folder`: another process holds a
// file in it open (the converter writes into an unnamed file and names it
// only when it is complete), or a hidden temporary name is there (where the
// file system has no unnamed files).
inline bool WritingInto(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(".") && entry.is_regular_file(error)) {
            return true;
        }
    }
    return !ProcessesUsing(folder).empty();
}

// Waits (at most 20 s) until WritingInto(folder).
inline void WaitUntilWritingInto(const std::filesystem::path& folder) {
    for (int i = 0; i < 4000 && !WritingInto(folder); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// The names in a folder, sorted as text (so "f10" comes before "f2": compare
// with another list as sets, see FolderNameSet, unless that list is sorted
// the same way).
inline std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The names in a folder, as a set.
inline std::set<std::string> FolderNameSet(const std::filesystem::path& folder) {
    const std::vector<std::string> names = FolderNames(folder);
    return {names.begin(), names.end()};
}

// The process's own children (its converter servers, or converters it
// started itself).
inline int ChildProcessCount() {
    namespace fs = std::filesystem;
    int count = 0;
    const std::string self = std::to_string(::getpid());
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        if (entry.path().filename().string().find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream file(entry.path() / "stat");
        std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        std::istringstream fields(stat.substr(close + 2));
        std::string state;
        std::string parent;
        fields >> state >> parent;
        if (parent == self) {
            ++count;
        }
    }
    return count;
}

} // namespace sondrel::app::testing
