#pragma once

// Answers for modal dialogs given without a person at the screen.
//
// Alerts, open and save panels and the print panel wait in a modal loop for the user. A program
// that drives the interface by itself (its tests) queues answers here beforehand: each of these
// dialogs, when it runs, takes the oldest queued answer and gives it from inside its own modal
// loop, through the dialog's real buttons and fields, as the user would. Every dialog records
// what it showed, queued answer or not. With no answer queued a dialog waits for the user.
//
// Any thread may queue answers; dialogs run on the main thread.

#include <functional>
#include <string>
#include <vector>

namespace sondrel::appkit {

struct ModalAnswer {
    enum class Action {
        Press,  // press the button titled `button` (alerts)
        Accept, // choose `paths` (panels; for the print panel, the PDF file to print into)
        Cancel, // cancel the dialog
    };
    Action action = Action::Cancel;
    std::u16string button;
    std::vector<std::u16string> paths;
    // Run inside the dialog's modal loop just before the answer is given (what a user might do
    // meanwhile, such as bringing another window forward).
    std::function<void()> whileShown;
};

// What a dialog showed when it ran.
struct ModalRecord {
    std::u16string kind; // "alert", "open", "save" or "print"
    std::u16string title;
    std::u16string message;     // alerts: the message text
    std::u16string informative; // alerts: the informative text
    std::vector<std::u16string> buttons;
    std::u16string directory; // panels: the folder shown
    std::u16string name;      // panels: the text of the name field
    bool choosesFiles = false;
    bool choosesDirectories = false;
    bool multipleSelection = false;
};

void answerNextModal(ModalAnswer answer);
// Drops every queued answer and the records.
void clearModalAnswers();
// For the dialogs: the oldest queued answer, if any.
bool takeModalAnswer(ModalAnswer& answer);
void recordModal(ModalRecord record);
// The records of the dialogs that ran since the last clear, oldest first.
std::vector<ModalRecord> modalRecords();

} // namespace sondrel::appkit
