#include "platform/appkit/NSSecureTextField.h"

#include <QLineEdit>

#include "platform/appkit/MainThread.h"
#include "platform/objc/ClassDefinition.h"

namespace sondrel::appkit {

NSSecureTextFieldObject::NSSecureTextFieldObject(Class cls) : NSTextFieldObject(cls) {
    performOnMainThread([&] {
        if (QLineEdit* edit = lineEdit())
            edit->setEchoMode(QLineEdit::Password);
    });
}

namespace {

const objc::ClassRegistration registration{objc::ClassDefinition(
    "NSSecureTextField", "NSTextField", objc::factoryFor<NSSecureTextFieldObject>())};

} // namespace
} // namespace sondrel::appkit
