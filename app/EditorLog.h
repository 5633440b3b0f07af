#pragma once

// The conversion log bound to the main window's log editor. May be used from
// the worker thread: every operation is carried out on the main thread,
// synchronously and in order, so the worker sees each result and lines
// appear in the order they were written.

#include "app/ConversionLog.h"
#include "app/MainWindow.h"

namespace sondrel::app {

class EditorLog final : public ConversionLog {
public:
    // `views` is borrowed and must outlive the log.
    explicit EditorLog(const LogViews& views) : m_views(views) {}

    void append(core::TextView text) override;
    std::int64_t lineCount() override;
    core::Text lineText(std::int64_t index) override;
    void replaceLine(std::int64_t index, core::TextView text) override;
    // Posts the log editor's change event; the event loop scrolls.
    void showEnd() override;

private:
    const LogViews& m_views;
};

// Scrolls the log editor to its end (main thread).
void ScrollLogToEnd(const LogViews& views);

} // namespace sondrel::app
