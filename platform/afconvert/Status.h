#pragma once

#include <string>
#include <utility>

namespace sondrel::afconvert {

// The outcome of an operation that can fail: empty on success, otherwise a
// one-line reason meant for the user ("disk full", "not an audio file").
// Callers add the file name when they report it.
class [[nodiscard]] Status {
public:
    Status() = default;
    static Status failure(std::string reason) { return Status(std::move(reason)); }

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const std::string& message() const { return m_message; }

    // Returns this failure with context in front: "writing header: disk full".
    Status prefixed(const std::string& context) const {
        return ok() ? *this : failure(context + ": " + m_message);
    }

private:
    explicit Status(std::string reason) : m_message(std::move(reason)), m_failed(true) {}

    std::string m_message;
    bool m_failed = false;
};

} // namespace sondrel::afconvert

// Propagates a failed Status out of the calling function.
#define AFC_TRY(expression)                                                                        \
    do {                                                                                           \
        ::sondrel::afconvert::Status status_ = (expression);                                       \
        if (!status_.ok())                                                                         \
            return status_;                                                                        \
    } while (false)
