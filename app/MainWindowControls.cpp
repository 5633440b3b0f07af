#include "app/MainWindowControls.h"

#include "app/AppNumbers.h"
#include "app/MainWindow.h"
#include "runtime/controls/GadgetTexts.h"
#include "runtime/windowing/Gadget.h"
#include "runtime/windowing/TaskBarProgress.h"
#include "runtime/windowing/Windows.h"

namespace sondrel::app {
namespace {

using windowing::DisableGadget;
using windowing::HideGadget;

// Batches of two or more files can be cancelled: their Cancel button takes
// the place of the output-folder row.
bool Cancellable(std::int64_t fileCount) {
    return fileCount >= 2;
}

void ShowOutputRow(bool shown) {
    const int hidden = shown ? 0 : 1;
    HideGadget(OutputFrame, hidden);
    HideGadget(OutputFolderField, hidden);
    HideGadget(BrowseButton, hidden);
}

void EnableOptions(bool enabled) {
    DisableGadget(AacOption, enabled ? 0 : 1);
    DisableGadget(Ima4Option, enabled ? 0 : 1);
}

} // namespace

BatchSettings MainWindowControls::readSettings() {
    BatchSettings settings;
    const auto bitrate = static_cast<std::int32_t>(windowing::GetGadgetState(BitrateBox));
    settings.bitrateText =
        core::RemoveText(controls::GetGadgetItemText(BitrateBox, bitrate), u" kbps");
    settings.strategyIndex = windowing::GetGadgetState(StrategyBox);
    settings.aac = windowing::GetGadgetState(AacOption) == 1;
    return settings;
}

core::Text MainWindowControls::outputFolder() {
    return controls::GetGadgetText(OutputFolderField);
}

void MainWindowControls::lock(std::int64_t fileCount) {
    DisableGadget(StrategyBox, 1);
    DisableGadget(BitrateBox, 1);
    if (Cancellable(fileCount)) {
        ShowOutputRow(false);
        EnableOptions(false);
        HideGadget(CancelButton, 0);
    } else {
        DisableGadget(BrowseButton, 1);
        EnableOptions(false);
    }
}

void MainWindowControls::unlock(std::int64_t fileCount) {
    if (Cancellable(fileCount)) {
        ShowOutputRow(true);
        EnableOptions(true);
        HideGadget(CancelButton, 1);
    } else {
        DisableGadget(BrowseButton, 0);
        EnableOptions(true);
    }
    // With IMA4 chosen the strategy and bitrate stay disabled, as the option
    // handlers keep them.
    const int disabled = windowing::GetGadgetState(AacOption) == 1 ? 0 : 1;
    DisableGadget(StrategyBox, disabled);
    DisableGadget(BitrateBox, disabled);
}

void MainWindowControls::showProgress(double fraction, core::TextView title) {
    windowing::SetWindowTitle(MainWindow, title);
    windowing::SetTaskBarProgress(fraction);
}

void MainWindowControls::clearProgress() {
    windowing::SetWindowTitle(MainWindow, kMainWindowTitle);
    windowing::ClearTaskBarProgress();
}

} // namespace sondrel::app
