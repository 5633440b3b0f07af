#pragma once

// NSAlert: a modal message with a message text, an informative text and buttons, over a
// QMessageBox centred on the key window and drawn as the desktop's warnings are: the message text
// is the box's title, the informative text (or, without one, the message text) its body beside
// the warning icon. Buttons are added as NSButtons whose tags (1000, 1001,
// ... unless changed) runModal returns for the one pressed; an alert without buttons shows "OK".
// The first button is the default one (Return); Escape presses "Cancel", or else the last button.
// runModal takes a queued ModalAnswer when there is one (see ModalAnswers.h).

#include <string>
#include <vector>

#include "platform/appkit/NSButton.h"
#include "platform/appkit/Retained.h"

namespace sondrel::appkit {

inline constexpr NSInteger NSAlertFirstButtonReturn = 1000;

class NSAlertObject : public objc::Object {
public:
    using Object::Object;

    void setMessageText(const std::u16string& text) { m_message = text; }
    const std::u16string& messageText() const { return m_message; }
    void setInformativeText(const std::u16string& text) { m_informative = text; }
    const std::u16string& informativeText() const { return m_informative; }
    void setShowsHelp(bool flag) { m_showsHelp = flag; }
    bool showsHelp() const { return m_showsHelp; }

    // A new button (kept by the alert) with the next return value as its tag.
    NSButtonObject* addButton(const std::u16string& title);
    const std::vector<Retained<NSButtonObject>>& buttons() const { return m_buttons; }

    NSInteger runModal();

private:
    std::u16string m_message;
    std::u16string m_informative;
    bool m_showsHelp = false;
    std::vector<Retained<NSButtonObject>> m_buttons;
};

} // namespace sondrel::appkit
