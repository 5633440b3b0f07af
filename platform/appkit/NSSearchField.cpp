#include "platform/appkit/NSSearchField.h"

#include <QLineEdit>

#include "platform/appkit/MainThread.h"
#include "platform/objc/ClassDefinition.h"

namespace sondrel::appkit {

NSSearchFieldObject::NSSearchFieldObject(Class cls) : NSTextFieldObject(cls) {
    if (QLineEdit* edit = lineEdit()) {
        edit->setClearButtonEnabled(true);
        edit->setPlaceholderText(QStringLiteral("Search"));
    }
}

void NSSearchFieldObject::userEdited() {
    NSTextFieldObject::userEdited();
    if (!m_sendsWhole)
        sendAction();
}

namespace {

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSSearchField", "NSTextField",
                          objc::factoryFor<NSSearchFieldObject, OnMainThread>())
        .instanceMethod<&NSSearchFieldObject::setSendsWholeSearchString, OnMainThread>(
            "setSendsWholeSearchString:")
        .instanceMethod<&NSSearchFieldObject::sendsWholeSearchString, OnMainThread>(
            "sendsWholeSearchString")};

} // namespace
} // namespace sondrel::appkit
