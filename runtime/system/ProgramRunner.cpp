#include "runtime/system/ProgramRunner.h"

#include "runtime/system/ArgumentSplitter.h"
#include "runtime/system/ExactUtf8.h"
#include "runtime/system/ProgramObject.h"
#include "runtime/system/ProgramPath.h"

#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace sondrel::system {
namespace {

using ProgramPointer = std::shared_ptr<ProgramObject>;

// Every open program object, by handle. Callers get shared ownership for the
// length of one operation, so a close from another thread never frees an
// object under an operation in progress.
class ProgramRegistry {
public:
    ProgramHandle add(ProgramPointer program) {
        auto handle = reinterpret_cast<ProgramHandle>(program.get());
        std::lock_guard lock(m_mutex);
        m_programs.emplace(handle, std::move(program));
        return handle;
    }
    ProgramPointer find(ProgramHandle handle) {
        std::lock_guard lock(m_mutex);
        auto it = m_programs.find(handle);
        return it == m_programs.end() ? nullptr : it->second;
    }
    ProgramPointer remove(ProgramHandle handle) {
        std::lock_guard lock(m_mutex);
        auto node = m_programs.extract(handle);
        return node.empty() ? nullptr : std::move(node.mapped());
    }
    std::unordered_map<ProgramHandle, ProgramPointer> removeAll() {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_programs, {});
    }

private:
    std::mutex m_mutex;
    std::unordered_map<ProgramHandle, ProgramPointer> m_programs;
};

ProgramRegistry& registry() {
    static ProgramRegistry instance;
    return instance;
}

// Makes `pipe` when it is wanted.
bool makePipeIf(bool wanted, Pipe& pipe) {
    return !wanted || MakePipe(pipe);
}

ProgramHandle startKept(SpawnRequest& request, int flags) {
    Pipe output;
    Pipe input;
    Pipe errors;
    if (!makePipeIf(flags & RunReadOutput, output) || !makePipeIf(flags & RunWriteInput, input) ||
        !makePipeIf(flags & RunReadErrors, errors)) {
        return 0;
    }
    request.standardOutput = output.write.get();
    request.standardInput = input.read.get();
    request.standardError = errors.write.get();
    std::optional<ChildProcess> child = ChildProcess::spawn(request);
    if (!child) {
        return 0;
    }
    // The child's ends are the child's alone now; ours must close so that the
    // child's end of output is seen as the end of the pipe.
    output.write.reset();
    input.read.reset();
    errors.write.reset();
    std::optional<PipeReader> outputReader;
    std::optional<PipeReader> errorReader;
    if (output.read) {
        outputReader.emplace(std::move(output.read), PipeReader::WhenFull::Wait);
    }
    if (errors.read) {
        errorReader.emplace(std::move(errors.read), PipeReader::WhenFull::DropOldest);
    }
    auto program = std::make_shared<ProgramObject>(std::move(*child), std::move(outputReader),
                                                   std::move(input.write), std::move(errorReader));
    if (flags & RunWaitForEnd) {
        program->waitForEndDraining();
    } else if (!program->child().startWaiter()) {
        return 0; // the child is killed and reaped with the object
    }
    return registry().add(std::move(program));
}

ProgramHandle startProgram(std::string name, std::vector<std::string> arguments, std::string folder,
                           int flags, std::vector<std::string> environment = {}) {
    std::optional<std::string> executable = FindProgram(name, std::getenv("PATH"));
    if (!executable) {
        return 0;
    }
    SpawnRequest request;
    request.executable = std::move(*executable);
    request.arguments.reserve(arguments.size() + 1);
    request.arguments.push_back(std::move(name));
    for (std::string& argument : arguments) {
        request.arguments.push_back(std::move(argument));
    }
    request.folder = std::move(folder);
    request.environment = std::move(environment);
    if (flags & RunKeepObject) {
        return startKept(request, flags);
    }
    if (!(flags & RunWaitForEnd)) {
        return ChildProcess::spawnDetached(request) ? 1 : 0;
    }
    std::optional<ChildProcess> child = ChildProcess::spawn(request);
    if (!child) {
        return 0;
    }
    child->waitForEnd();
    return 1;
}

} // namespace

ProgramHandle StartProgram(core::TextView program, core::TextView arguments, core::TextView folder,
                           int flags) {
    std::optional<std::string> name = ExactUtf8(program);
    std::optional<std::string> text = ExactUtf8(arguments);
    std::optional<std::string> place = ExactUtf8(folder);
    if (!name || !text || !place) {
        return 0;
    }
    std::optional<std::vector<std::string>> split = SplitArguments(*text);
    if (!split) {
        return 0;
    }
    return startProgram(std::move(*name), std::move(*split), std::move(*place), flags);
}

ProgramHandle StartProgram(core::TextView program, const std::vector<core::Text>& arguments,
                           core::TextView folder, int flags,
                           const std::vector<std::string>& environment) {
    std::optional<std::string> name = ExactUtf8(program);
    std::optional<std::string> place = ExactUtf8(folder);
    if (!name || !place) {
        return 0;
    }
    std::vector<std::string> converted;
    converted.reserve(arguments.size());
    for (const core::Text& argument : arguments) {
        std::optional<std::string> bytes = ExactUtf8(argument);
        if (!bytes) {
            return 0;
        }
        converted.push_back(std::move(*bytes));
    }
    return startProgram(std::move(*name), std::move(converted), std::move(*place), flags,
                        environment);
}

bool ProgramIsRunning(ProgramHandle program) {
    ProgramPointer object = registry().find(program);
    return object && object->isRunning();
}

std::int64_t ProgramHasOutput(ProgramHandle program) {
    ProgramPointer object = registry().find(program);
    return object ? static_cast<std::int64_t>(object->outputAvailable()) : 0;
}

core::Text ReadProgramLine(ProgramHandle program) {
    ProgramPointer object = registry().find(program);
    return object ? object->readLine() : core::Text();
}

void CloseProgramObject(ProgramHandle program) {
    // The object (pipes, and the waiter when the child has ended) goes away
    // with the last reference, normally this one.
    registry().remove(program);
}

bool KillProgram(ProgramHandle program, int graceMilliseconds) {
    ProgramPointer object = registry().find(program);
    if (!object) {
        return false;
    }
    object->kill(std::chrono::milliseconds(std::max(graceMilliseconds, 0)));
    return true;
}

int ProgramExitCode(ProgramHandle program) {
    ProgramPointer object = registry().find(program);
    return object ? object->child().exitCode() : -1;
}

core::Text ProgramErrorText(ProgramHandle program) {
    ProgramPointer object = registry().find(program);
    return object ? object->errorText() : core::Text();
}

void CloseAllProgramObjects() {
    registry().removeAll();
}

} // namespace sondrel::system
