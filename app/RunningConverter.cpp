#include "app/RunningConverter.h"

#include <utility>

#include "runtime/core/Thread.h"
#include "runtime/system/ProgramRunner.h"

namespace sondrel::app {
namespace {

// RunKeepObject + RunReadOutput + RunWriteInput: the tool's standard output
// comes to us, and its input is a pipe nothing writes to.
constexpr int kConverterFlags =
    system::RunKeepObject | system::RunReadOutput | system::RunWriteInput;

// A converter started as a program of its own, through the program runner.
class ProgramConverter final : public ConverterProcess {
public:
    explicit ProgramConverter(system::ProgramHandle program) : m_program(program) {}
    ~ProgramConverter() override {
        stop();
        system::CloseProgramObject(m_program);
    }
    ProgramConverter(const ProgramConverter&) = delete;
    ProgramConverter& operator=(const ProgramConverter&) = delete;

    bool isRunning() override { return system::ProgramIsRunning(m_program); }
    std::int64_t outputAvailable() override { return system::ProgramHasOutput(m_program); }
    core::Text readLine() override { return system::ReadProgramLine(m_program); }
    void waitForOutput(int milliseconds) override { core::SleepMilliseconds(milliseconds); }
    int exitCode() override { return system::ProgramExitCode(m_program); }
    void stop() override { system::KillProgram(m_program, kConverterStopGraceMilliseconds); }

private:
    system::ProgramHandle m_program;
};

} // namespace

RunningConverter& RunningConverter::operator=(RunningConverter&& other) noexcept {
    if (this != &other) {
        stop();
        m_process = std::move(other.m_process);
    }
    return *this;
}

RunningConverter RunningConverter::startProgram(core::TextView program,
                                                const std::vector<core::Text>& arguments,
                                                const std::vector<std::string>& environment) {
    const system::ProgramHandle handle =
        system::StartProgram(program, arguments, u"", kConverterFlags, environment);
    if (handle == 0) {
        return {};
    }
    return RunningConverter(std::make_unique<ProgramConverter>(handle));
}

void RunningConverter::stop() {
    if (m_process) {
        m_process->stop();
        m_process.reset();
    }
}

} // namespace sondrel::app
