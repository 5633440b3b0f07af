#pragma once

// Test support: a conversion log held in memory, with the log editor's line
// rules (lines split at line feeds, a carriage return counting as one, an
// empty text having no lines, a replaced line rebuilding the text). Safe to
// use from the worker thread while a test reads it.

#include <functional>
#include <mutex>
#include <vector>

#include "app/ConversionLog.h"

namespace sondrel::app::testing {

class MemoryLog final : public ConversionLog {
public:
    // Called (without the lock) after every append with the appended text,
    // and after every replaced line with the new line.
    std::function<void(core::TextView)> onAppend;
    std::function<void(core::TextView)> onReplace;

    void append(core::TextView text) override {
        {
            std::lock_guard guard(m_lock);
            m_text += text;
        }
        if (onAppend) {
            onAppend(text);
        }
    }
    std::int64_t lineCount() override {
        std::lock_guard guard(m_lock);
        return static_cast<std::int64_t>(lines().size());
    }
    core::Text lineText(std::int64_t index) override {
        std::lock_guard guard(m_lock);
        const std::vector<core::Text> all = lines();
        return index >= 0 && index < static_cast<std::int64_t>(all.size()) ? all[index]
                                                                           : core::Text();
    }
    void replaceLine(std::int64_t index, core::TextView text) override {
        {
            std::lock_guard guard(m_lock);
            std::vector<core::Text> all = lines();
            if (index >= 0 && index < static_cast<std::int64_t>(all.size())) {
                all[index] = core::Text(text);
            }
            m_text.clear();
            for (std::size_t i = 0; i < all.size(); ++i) {
                m_text += (i == 0 ? u"" : u"\n") + all[i];
            }
        }
        if (onReplace) {
            onReplace(text);
        }
    }
    void showEnd() override {
        std::lock_guard guard(m_lock);
        ++m_showEndCount;
    }

    core::Text text() {
        std::lock_guard guard(m_lock);
        return m_text;
    }
    int showEndCount() {
        std::lock_guard guard(m_lock);
        return m_showEndCount;
    }

private:
    std::vector<core::Text> lines() const {
        std::vector<core::Text> all;
        if (m_text.empty()) {
            return all;
        }
        core::Text current;
        for (char16_t unit : m_text) {
            if (unit == u'\n' || unit == u'\r') {
                all.push_back(std::move(current));
                current.clear();
            } else {
                current += unit;
            }
        }
        all.push_back(std::move(current));
        return all;
    }

    std::mutex m_lock;
    core::Text m_text;
    int m_showEndCount = 0;
};

} // namespace sondrel::app::testing
