#include "platform/appkit/NSAlert.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/appkit/KeyWindowWidget.h"
#include "platform/appkit/MainThread.h"
#include "platform/appkit/ModalAnswers.h"
#include "platform/appkit/QtStrings.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {
namespace {

// Gives a queued answer from inside the message box's modal loop.
void answerFromInside(QMessageBox& box, const ModalAnswer& answer) {
    QTimer::singleShot(0, &box, [&box, answer] {
        if (answer.whileShown)
            answer.whileShown();
        if (answer.action == ModalAnswer::Action::Press) {
            for (QAbstractButton* button : box.buttons()) {
                if (button->text().toStdU16String() == answer.button) {
                    button->click();
                    return;
                }
            }
        }
        if (QAbstractButton* escape = box.escapeButton())
            escape->click();
        else
            box.reject();
    });
}

} // namespace

NSButtonObject* NSAlertObject::addButton(const std::u16string& title) {
    auto button = Retained<NSButtonObject>::adopt(
        static_cast<NSButtonObject*>(objc::createInstance("NSButton"_class)));
    if (!button)
        return nullptr;
    button->setTitle(title);
    button->setControlTag(NSAlertFirstButtonReturn + static_cast<NSInteger>(m_buttons.size()));
    m_buttons.push_back(button);
    return button.get();
}

NSInteger NSAlertObject::runModal() {
    if (m_buttons.empty())
        addButton(u"OK");
    // Laid out as the desktop's own warnings are (Qt's standard message box): the message text
    // as the title, the informative text as the body beside the warning icon, so that a sentence
    // wraps at the box's usual width rather than at the width of a short title.
    QMessageBox box(QMessageBox::Warning, toQString(m_message),
                    toQString(m_informative.empty() ? m_message : m_informative),
                    QMessageBox::NoButton, keyWindowWidget());
    std::vector<QPushButton*> shown;
    QPushButton* escape = nullptr;
    ModalRecord record;
    record.kind = u"alert";
    record.title = m_message;
    record.message = m_message;
    record.informative = m_informative;
    for (const Retained<NSButtonObject>& button : m_buttons) {
        const bool cancel = button->title() == u"Cancel";
        QPushButton* qt = box.addButton(toQString(button->title()),
                                        cancel ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
        shown.push_back(qt);
        if (cancel)
            escape = qt;
        record.buttons.push_back(button->title());
    }
    box.setDefaultButton(shown.front());
    box.setEscapeButton(escape != nullptr ? escape : shown.back());
    recordModal(record);
    ModalAnswer answer;
    if (takeModalAnswer(answer))
        answerFromInside(box, answer);
    box.exec();
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (box.clickedButton() == shown[i])
            return m_buttons[i]->controlTag();
    }
    return m_buttons.back()->controlTag();
}

namespace {

// The texts and buttons are plain values; the alert's box is shown on the main thread.
const objc::ClassRegistration registration{
    objc::ClassDefinition("NSAlert", "NSObject", objc::factoryFor<NSAlertObject>())
        .instanceMethod<&NSAlertObject::setMessageText>("setMessageText:")
        .instanceMethod<&NSAlertObject::messageText>("messageText")
        .instanceMethod<&NSAlertObject::setInformativeText>("setInformativeText:")
        .instanceMethod<&NSAlertObject::informativeText>("informativeText")
        .instanceMethod<&NSAlertObject::setShowsHelp>("setShowsHelp:")
        .instanceMethod<&NSAlertObject::showsHelp>("showsHelp")
        .instanceMethod<&NSAlertObject::addButton>("addButtonWithTitle:")
        .instanceMethod<&NSAlertObject::runModal, OnMainThread>("runModal")};

} // namespace
} // namespace sondrel::appkit
