#pragma once

// NSSecureTextField: a text field that shows its text as dots and never lets it be copied.

#include "platform/appkit/NSTextField.h"

namespace sondrel::appkit {

class NSSecureTextFieldObject : public NSTextFieldObject {
public:
    explicit NSSecureTextFieldObject(Class cls);
};

} // namespace sondrel::appkit
