#pragma once

// Test support: an environment variable set (or unset) for one scope, then
// given back its old value. For a test's own thread, before anything that
// reads the environment runs on another.

#include <cstdlib>
#include <optional>
#include <string>

namespace sondrel::system::testing {

class ScopedVariable {
public:
    // Nothing for `value` unsets the variable.
    ScopedVariable(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        set(value);
    }
    ~ScopedVariable() { set(m_old); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    void set(const std::optional<std::string>& value) {
        if (value) {
            ::setenv(m_name, value->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace sondrel::system::testing
