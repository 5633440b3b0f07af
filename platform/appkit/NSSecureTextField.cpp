#include "platform/appkit/NSSecureTextField.h"

#include <QLineEdit>

#include "platform/appkit/MainThread.h"
#include "platform/objc/ClassDefinition.h"

namespace sondrel::appkit {

NSSecureTextFieldObject::NSSecureTextFieldObject(Class cls) : NSTextFieldObject(cls) {
    if (QLineEdit* edit = lineEdit())
        edit->setEchoMode(QLineEdit::Password);
}

namespace {

const objc::ClassRegistration registration{objc::ClassDefinition(
    "NSSecureTextField", "NSTextField", objc::factoryFor<NSSecureTextFieldObject, OnMainThread>())};

} // namespace
} // namespace sondrel::appkit
