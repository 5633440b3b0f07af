#pragma once

// Native strings and Qt strings: both are UTF-16, so the conversions copy code units as they
// are.

#include <string_view>

#include <QString>

#include "platform/objc/Object.h"

namespace sondrel::appkit {

inline QString toQString(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

// The text of a native string; empty for nil or anything that is not one.
QString qStringFromNative(const void* string);
// A new autoreleased native string with the text.
objc::id autoreleasedNativeString(const QString& text);

} // namespace sondrel::appkit
