#pragma once

// Owns the program object of a started converter. Whoever holds it last ends
// the tool if it still runs (it then removes its unfinished output file) and
// closes the object, so no converter outlives the batch that started it and no
// object leaks, also when the holder unwinds.

#include "runtime/system/ProgramRunner.h"

namespace sondrel::app {

class RunningConverter {
public:
    RunningConverter() = default;
    explicit RunningConverter(system::ProgramHandle program) : m_program(program) {}
    ~RunningConverter() { stop(); }
    RunningConverter(const RunningConverter&) = delete;
    RunningConverter& operator=(const RunningConverter&) = delete;
    RunningConverter(RunningConverter&& other) noexcept : m_program(other.m_program) {
        other.m_program = 0;
    }
    RunningConverter& operator=(RunningConverter&& other) noexcept;

    // The program object; 0 when the start failed or the object is closed.
    system::ProgramHandle handle() const { return m_program; }
    explicit operator bool() const { return m_program != 0; }

    // Ends the tool if it still runs, then closes the object.
    void stop();
    // Closes the object of a tool that has ended.
    void close();

private:
    system::ProgramHandle m_program = 0;
};

} // namespace sondrel::app
