#pragma once

// The batch's view of the main window's controls (see BatchControls). May be
// used from the worker thread: each gadget operation is carried out on the
// main thread, in order.

#include "app/BatchControls.h"

namespace sondrel::app {

class MainWindowControls final : public BatchControls {
public:
    BatchSettings readSettings() override;
    core::Text outputFolder() override;
    void lock(std::int64_t fileCount) override;
    void unlock(std::int64_t fileCount) override;
    void showProgress(double fraction, core::TextView title) override;
    void clearProgress() override;
};

} // namespace sondrel::app
