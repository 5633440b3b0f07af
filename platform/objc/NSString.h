#pragma once

// NSString: an immutable UTF-16 text. C++ code makes and reads native strings through the
// helpers below; messages reach the same objects (see NSString.cpp for the methods offered).

#include <mutex>
#include <string>
#include <string_view>

#include "platform/objc/Object.h"

namespace sondrel::objc {

class NSStringObject : public Object {
public:
    using Object::Object;

    const std::u16string& text() const { return m_text; }
    void setText(std::u16string text) { m_text = std::move(text); }
    // The text as UTF-8, made once and kept as long as the string lives.
    const char* utf8() const;

private:
    std::u16string m_text;
    mutable std::once_flag m_utf8Once;
    mutable std::string m_utf8;
};

// A new NSString holding `text`, owned by the caller (one reference).
id newNativeString(std::u16string text);
// The same, autoreleased into the calling thread's pool.
id autoreleasedNativeString(std::u16string text);
// The text of a native string; empty for nil or anything that is not a live NSString.
std::u16string nativeStringText(const void* string);

} // namespace sondrel::objc
