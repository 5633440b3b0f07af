// The event loop's commands: menu choices, control changes, drops on the log
// and the close buttons.

#include "app/Application.h"

#include "app/AppNumbers.h"
#include "app/DropQueue.h"
#include "app/InfoWindows.h"
#include "app/Settings.h"
#include "app/WebPages.h"
#include "runtime/controls/Color.h"
#include "runtime/controls/GadgetTexts.h"
#include "runtime/controls/Image.h"
#include "runtime/controls/MessageText.h"
#include "runtime/controls/ObjectMessage.h"
#include "runtime/controls/Requesters.h"
#include "runtime/system/PreferenceFile.h"
#include "runtime/system/ProgramRunner.h"
#include "runtime/system/UserFolders.h"
#include "runtime/windowing/DragDrop.h"
#include "runtime/windowing/EventQueue.h"
#include "runtime/windowing/Gadget.h"
#include "runtime/windowing/Windows.h"

namespace sondrel::app {
namespace {

using namespace windowing;

constexpr char16_t kWaitTitle[] = u"Wait!";
constexpr char16_t kOutputFolderTitle[] = u"Output Folder!";
constexpr char16_t kStillConverting[] = u"Sondrel is still converting audio file(s).";
constexpr char16_t kSelectFolder[] =
    u"Please select an output folder for the converted audio files.";
constexpr char16_t kNoFolderSelected[] =
    u"You did not select an output folder! Please select an output folder for the converted "
    u"audio files.";
constexpr char16_t kCannotClose[] = u"Sondrel can not close until all file(s) have been converted.";
constexpr char16_t kChooseFolderTitle[] = u"Select an output folder...";

// Shows a web page in the default browser; the opener runs on its own.
void OpenWebPage(core::TextView address) {
    system::StartProgram(kWebOpener, std::vector<core::Text>{core::Text(address)}, u"", 0);
}

} // namespace

void Application::handleEvent(std::int32_t kind) {
    switch (kind) {
    case MenuEvent:
        handleMenu(CurrentEventObject());
        break;
    case GadgetDropEvent:
        handleDrop();
        break;
    case GadgetEvent:
        handleGadget(CurrentEventObject(), CurrentEventDetail());
        break;
    case CloseWindowEvent:
        handleClose(CurrentEventWindow());
        break;
    default:
        break;
    }
}

void Application::handleMenu(std::int64_t item) {
    switch (item) {
    case HelpItem:
        suspendStickiness();
        OpenHelpWindow();
        break;
    case WebsiteItem:
        OpenWebPage(kWebsiteAddress);
        break;
    case ForumItem:
        OpenWebPage(kForumAddress);
        break;
    case ReviewItem:
        OpenWebPage(kReviewAddress);
        break;
    case AboutItem:
        suspendStickiness();
        OpenAboutWindow();
        break;
    case QuitItem:
        // No guard: shutdown cancels a running batch and waits for the worker.
        m_state.quitRequested = 1;
        break;
    default:
        break;
    }
}

void Application::handleGadget(std::int64_t gadget, std::uint64_t subtype) {
    const auto number = static_cast<core::ObjectNumber>(gadget);
    const std::int64_t state = GetGadgetState(number);
    switch (gadget) {
    case StickyCheckBox:
        SetWindowSticky(MainWindow, static_cast<std::int32_t>(state));
        writeSetting(kStickyKey, state);
        m_state.stickyWanted = state == 1 ? 1 : 0;
        break;
    case StrategyBox:
        writeSetting(kStrategyKey, state);
        break;
    case BitrateBox:
        writeSetting(kBitrateKey, state);
        break;
    case LogEditor:
        if (subtype == kChangeSubtype) {
            ScrollLogToEnd(m_views);
        }
        break;
    case BrowseButton:
        chooseOutputFolder();
        break;
    case TransparentCheckBox:
        SetMainWindowTransparent(state == 1);
        writeSetting(kTransparentKey, state);
        break;
    case AacOption:
        if (state == 1) {
            DisableGadget(StrategyBox, 0);
            DisableGadget(BitrateBox, 0);
        }
        writeSetting(kDataKey, 1);
        break;
    case Ima4Option:
        if (state == 1) {
            DisableGadget(StrategyBox, 1);
            DisableGadget(BitrateBox, 1);
        }
        writeSetting(kDataKey, 0);
        break;
    case CancelButton:
        m_state.requestCancel();
        break;
    default:
        break;
    }
}

// The chooser opens at the output folder in use, or at the desktop folder
// while none is chosen.
void Application::chooseOutputFolder() {
    const core::Text current = controls::GetGadgetText(OutputFolderField);
    const core::Text start = current.empty() ? desktopFolder() : current;
    m_state.chosenFolder =
        controls::ChooseFolder(kChooseFolderTitle, start, controls::ChooseInsideInitialFolder);
    controls::SetGadgetText(OutputFolderField, m_state.chosenFolder);
    if (controls::GetGadgetText(OutputFolderField).empty()) {
        controls::ShowMessage(kOutputFolderTitle, kNoFolderSelected);
        m_state.chosenFolder =
            controls::ChooseFolder(kChooseFolderTitle, start, controls::ChooseInsideInitialFolder);
        controls::SetGadgetText(OutputFolderField, m_state.chosenFolder);
    }
    if (controls::GetGadgetText(OutputFolderField).empty()) {
        controls::SetGadgetText(OutputFolderField, desktopFolder());
    }
}

core::Text Application::desktopFolder() const {
    return system::UserDesktopFolder(m_options.home, m_options.configFolder);
}

// The first accepted drop takes the prompt, its centring and the picture
// away for the rest of the run.
void Application::clearDropPrompt() {
    ClearGadgetItems(LogEditor);
    controls::SendObjectMessage(nullptr, m_views.logView, "setAlignment:"_msg, 0);
    SetGadgetColor(LogEditor, kGadgetBackColor, controls::MakeColor(255, 255, 255));
    controls::ReleaseImage(DropPatternImage);
}

void Application::handleDrop() {
    if (m_state.batchRunning != 0) {
        controls::ShowMessage(kWaitTitle, kStillConverting);
        return;
    }
    if (controls::GetGadgetText(OutputFolderField).empty()) {
        controls::ShowMessage(kOutputFolderTitle, kSelectFolder);
        return;
    }
    if (controls::GetGadgetItemText(LogEditor, 1) == kDropPrompt) {
        clearDropPrompt();
    }
    m_state.droppedPath = DroppedFileNames();
    m_state.fileCount = 0;
    const DroppedBatch batch = ExpandDrop(DroppedPaths(m_state.droppedPath));
    if (batch.logLines.empty()) {
        return;
    }
    // The first line keeps one empty line after the previous batch; the
    // lines of one drop follow each other.
    controls::AddGadgetItem(LogEditor, -1, batch.logLines.front());
    for (std::size_t i = 1; i < batch.logLines.size(); ++i) {
        m_log.append(batch.logLines[i]);
    }
    for (const core::Text& file : batch.files) {
        if (QueuedFile* element = core::AddListElement(m_state.fileList.get())) {
            element->path = file;
            ++m_state.fileCount;
        }
    }
    // Last: the worker takes the batch over from here.
    m_state.batchRunning = 1;
    m_state.workerWakeUp.notify();
}

void Application::handleClose(std::int64_t window) {
    switch (window) {
    case MainWindow:
        if (m_state.batchRunning != 0) {
            controls::ShowMessage(kWaitTitle, kCannotClose);
            return;
        }
        stopWorker();
        m_state.fileList.reset();
        system::ClosePreferenceFile();
        m_state.quitRequested = 1;
        break;
    case HelpWindow:
        CloseWindowObject(HelpWindow);
        restoreStickiness();
        break;
    default:
        CloseWindowObject(AboutWindow);
        restoreStickiness();
        break;
    }
}

void Application::suspendStickiness() {
    if (m_state.stickyWanted == 1) {
        SetGadgetState(StickyCheckBox, 0);
        SetWindowSticky(MainWindow, 0);
    }
}

void Application::restoreStickiness() {
    if (m_state.stickyWanted == 1) {
        SetGadgetState(StickyCheckBox, 1);
        SetWindowSticky(MainWindow, 1);
    }
}

void Application::writeSetting(core::TextView key, std::int64_t value) {
    WriteSetting(m_settingsPath, key, value);
}

} // namespace sondrel::app
