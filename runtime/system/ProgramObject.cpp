#include "runtime/system/ProgramObject.h"

#include <cerrno>
#include <csignal>
#include <string_view>

#include <poll.h>

namespace sondrel::system {
namespace {

// How often a wait for the child's end looks at standard error.
constexpr auto kDrainInterval = std::chrono::milliseconds(5);

class StringSource final : public ByteSource {
public:
    explicit StringSource(std::string_view bytes) : m_bytes(bytes) {}
    std::optional<std::uint8_t> peekByte() override {
        if (m_pos == m_bytes.size()) {
            return std::nullopt;
        }
        return static_cast<std::uint8_t>(m_bytes[m_pos]);
    }
    void skipByte() override { ++m_pos; }
    bool atEnd() const { return m_pos == m_bytes.size(); }

private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

} // namespace

ProgramObject::ProgramObject(ChildProcess child, std::optional<PipeReader> output, UniqueFd input,
                             std::optional<PipeReader> errors)
    : m_child(std::move(child)), m_output(std::move(output)), m_input(std::move(input)),
      m_errors(std::move(errors)) {}

bool ProgramObject::isRunning() {
    drainErrors();
    if (!m_output) {
        return !m_child.hasEnded();
    }
    m_output->fill();
    if (!m_output->exhausted()) {
        return true;
    }
    waitForChild();
    return false;
}

std::size_t ProgramObject::outputAvailable() {
    drainErrors();
    if (!m_output) {
        return 0;
    }
    if (m_output->buffered() == 0) {
        m_output->fill();
    }
    return m_output->buffered();
}

core::Text ProgramObject::readLine() {
    if (!m_output) {
        return {};
    }
    return DecodeOutputLine(*this);
}

core::Text ProgramObject::errorText() {
    if (!m_errors) {
        return {};
    }
    m_errors->fill();
    std::string bytes = m_errors->contents();
    StringSource source(bytes);
    core::Text text;
    while (!source.atEnd()) {
        if (!text.empty()) {
            text += u'\n';
        }
        text += DecodeOutputLine(source);
    }
    return text;
}

std::optional<std::uint8_t> ProgramObject::peekByte() {
    for (;;) {
        if (std::optional<std::uint8_t> byte = m_output->front()) {
            return byte;
        }
        if (m_output->endOfStream()) {
            return std::nullopt;
        }
        m_output->fill();
        drainErrors();
        if (m_output->buffered() == 0 && !m_output->endOfStream()) {
            waitForPipes(-1);
        }
    }
}

void ProgramObject::skipByte() {
    m_output->consume(1);
}

void ProgramObject::drainErrors() {
    if (m_errors) {
        m_errors->fill();
    }
}

void ProgramObject::waitForPipes(int timeoutMs) {
    pollfd fds[2];
    nfds_t count = 0;
    for (const std::optional<PipeReader>* reader : {&m_output, &m_errors}) {
        if (*reader && (*reader)->pollDescriptor() >= 0) {
            fds[count++] = pollfd{(*reader)->pollDescriptor(), POLLIN, 0};
        }
    }
    if (count == 0) {
        return;
    }
    // An interrupted wait simply returns early; every caller loops.
    ::poll(fds, count, timeoutMs);
}

void ProgramObject::waitForChild() {
    if (!m_errors || m_errors->endOfStream()) {
        m_child.waitForEnd();
        return;
    }
    while (!m_child.waitForEndFor(kDrainInterval)) {
        drainErrors();
    }
}

void ProgramObject::waitForEndDraining() {
    m_input.reset();
    for (;;) {
        if (m_output) {
            m_output->fillUnbounded();
        }
        drainErrors();
        if (m_child.tryReap()) {
            break;
        }
        bool pipesOpen =
            (m_output && !m_output->endOfStream()) || (m_errors && !m_errors->endOfStream());
        if (!pipesOpen) {
            m_child.waitForEnd();
            break;
        }
        waitForPipes(static_cast<int>(kDrainInterval.count()));
    }
    // What the child wrote just before it ended.
    if (m_output) {
        m_output->fillUnbounded();
    }
    drainErrors();
}

void ProgramObject::kill(std::chrono::milliseconds grace) {
    if (m_child.hasEnded()) {
        return;
    }
    m_child.signal(SIGTERM);
    if (!m_child.waitForEndFor(grace)) {
        m_child.signal(SIGKILL);
        m_child.waitForEnd();
    }
}

} // namespace sondrel::system
