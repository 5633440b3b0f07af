#include "platform/appkit/NSSearchField.h"

#include <QLineEdit>

#include "platform/appkit/MainThread.h"
#include "platform/objc/ClassDefinition.h"

namespace sondrel::appkit {

NSSearchFieldObject::NSSearchFieldObject(Class cls) : NSTextFieldObject(cls) {
    performOnMainThread([&] {
        if (QLineEdit* edit = lineEdit()) {
            edit->setClearButtonEnabled(true);
            edit->setPlaceholderText(QStringLiteral("Search"));
        }
    });
}

void NSSearchFieldObject::userEdited() {
    NSTextFieldObject::userEdited();
    if (!m_sendsWhole)
        sendAction();
}

namespace {

void setSendsWholeSearchString(NSSearchFieldObject* self, SEL, BOOL flag) {
    performOnMainThread([&] { self->setSendsWholeSearchString(flag != NO); });
}
BOOL sendsWholeSearchString(NSSearchFieldObject* self, SEL) {
    return onMainThread([&] { return self->sendsWholeSearchString(); }) ? YES : NO;
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSSearchField", "NSTextField", objc::factoryFor<NSSearchFieldObject>())
        .instanceMethod("setSendsWholeSearchString:", &setSendsWholeSearchString)
        .instanceMethod("sendsWholeSearchString", &sendsWholeSearchString)};

} // namespace
} // namespace sondrel::appkit
