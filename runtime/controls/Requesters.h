#pragma once

// Requesters: modal dialogs that block the caller until the user answers (message boxes and
// choosers of a folder, of files to open and of a file name to save). Each gives the keyboard
// back to the window that had it before. Texts may be empty; an empty path result means the
// user cancelled. For the main thread (calls from another thread are carried there).
//
// A program without a person at the screen (its tests) answers them with
// platform/appkit/ModalAnswers.h.

#include <cstdint>

#include "runtime/core/Text.h"

namespace sondrel::controls {

enum MessageFlags : std::uint32_t {
    MessageOk = 0,          // one default button; the answer is 0
    MessageYesNo = 1,       // Yes (6) and No (7)
    MessageYesNoCancel = 2, // Yes (6), No (7) and Cancel (2); 3 means the same
};

enum MessageAnswer : std::int32_t {
    AnswerNone = 0,
    AnswerCancel = 2,
    AnswerYes = 6,
    AnswerNo = 7,
};

// The title is the message text, the text the informative text below it. Only the two low bits
// of the flags count.
std::int32_t ShowMessage(core::TextView title, core::TextView text, std::uint32_t flags = 0);

enum ChooseFolderFlags : std::uint32_t {
    // The chooser opens inside the folder the initial path names, whatever its ending, with no
    // name given.
    ChooseInsideInitialFolder = 1,
};

// The chosen folder's path ending in "/", or the empty text. Without flags the initial path is
// split as PanelPath.h says (a path ending in "/" opens in the parent of the folder it names).
core::Text ChooseFolder(core::TextView title, core::TextView initialPath, std::uint32_t flags = 0);

enum OpenFileFlags : std::uint32_t {
    OpenSeveralFiles = 1,
};

// The (first) chosen file's path, or the empty text. With OpenSeveralFiles the other chosen
// paths follow from NextChosenFile, in order, then the empty text. The pattern and its position
// are accepted and not used: the choosers show every file.
core::Text ChooseOpenFile(core::TextView title, core::TextView initialPath, core::TextView pattern,
                          std::int32_t patternPosition, std::uint32_t flags = 0);
core::Text NextChosenFile();
// Always 0 (no pattern is chosen).
std::int32_t ChosenFilePattern();

// The chosen path to save to, or the empty text.
core::Text ChooseSaveFile(core::TextView title, core::TextView initialPath, core::TextView pattern,
                          std::int32_t patternPosition);

} // namespace sondrel::controls
