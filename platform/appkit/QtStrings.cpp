#include "platform/appkit/QtStrings.h"

#include "platform/objc/NSString.h"

namespace sondrel::appkit {

QString qStringFromNative(const void* string) {
    return toQString(objc::nativeStringText(string));
}

objc::id autoreleasedNativeString(const QString& text) {
    return objc::autoreleasedNativeString(std::u16string(
        reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
}

} // namespace sondrel::appkit
