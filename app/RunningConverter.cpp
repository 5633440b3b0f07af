#include "app/RunningConverter.h"

#include <utility>

namespace sondrel::app {
namespace {

// How long the tool gets to remove its unfinished output after the request to
// end, before it is killed outright.
constexpr int kStopGraceMilliseconds = 2000;

} // namespace

RunningConverter& RunningConverter::operator=(RunningConverter&& other) noexcept {
    if (this != &other) {
        stop();
        m_program = std::exchange(other.m_program, 0);
    }
    return *this;
}

void RunningConverter::stop() {
    if (m_program != 0) {
        system::KillProgram(m_program, kStopGraceMilliseconds);
        close();
    }
}

void RunningConverter::close() {
    if (m_program != 0) {
        system::CloseProgramObject(std::exchange(m_program, 0));
    }
}

} // namespace sondrel::app
