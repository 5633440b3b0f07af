#include "platform/objc/ClassName.h"
#include "platform/objc/NSString.h"

#include <algorithm>
#include <cstring>

#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/FoundationClasses.h"
#include "platform/objc/Geometry.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSData.h"
#include "platform/objc/Runtime.h"
#include "platform/objc/StringEncoding.h"

namespace sondrel::objc {

const char* NSStringObject::utf8() const {
    std::call_once(m_utf8Once, [this] { m_utf8 = encodeUtf8(m_text); });
    return m_utf8.c_str();
}

namespace {

Class stringClass() {
    static const Class cls = "NSString"_class;
    return cls;
}

// An init method that cannot make its text releases the receiver and answers nil.
id finishInit(NSStringObject* self, bool ok, std::u16string text) {
    if (!ok) {
        release(self);
        return nullptr;
    }
    self->setText(std::move(text));
    return self;
}

id initEmpty(NSStringObject* self, SEL) {
    return self;
}

id initWithString(NSStringObject* self, SEL, id other) {
    auto* source = liveCast<NSStringObject>(other);
    return finishInit(self, source != nullptr, source != nullptr ? source->text() : u"");
}

id initWithUTF8String(NSStringObject* self, SEL, const char* bytes) {
    std::u16string text;
    const bool ok = bytes != nullptr && decodeUtf8(bytes, text);
    return finishInit(self, ok, std::move(text));
}

id initWithCString(NSStringObject* self, SEL, const char* bytes, NSUInteger encoding) {
    std::u16string text;
    const bool ok = bytes != nullptr && encoding != kUnicodeStringEncoding &&
                    decodeBytes(bytes, std::strlen(bytes), encoding, text);
    return finishInit(self, ok, std::move(text));
}

id initWithBytes(NSStringObject* self, SEL, const void* bytes, NSUInteger length,
                 NSUInteger encoding) {
    std::u16string text;
    const bool ok = decodeBytes(bytes, length, encoding, text);
    return finishInit(self, ok, std::move(text));
}

id initWithData(NSStringObject* self, SEL, id data, NSUInteger encoding) {
    auto* source = liveCast<NSDataObject>(data);
    std::u16string text;
    const bool ok =
        source != nullptr && decodeBytes(source->bytes(), source->length(), encoding, text);
    return finishInit(self, ok, std::move(text));
}

id initWithCharacters(NSStringObject* self, SEL, const char16_t* characters, NSUInteger length) {
    const bool ok = characters != nullptr || length == 0;
    return finishInit(self, ok, ok && length > 0 ? std::u16string(characters, length) : u"");
}

// The class-method forms: alloc, the matching init, autorelease.
template <auto Init, class... Args> id make(Class self, SEL, Args... args) {
    auto* string = static_cast<NSStringObject*>(createInstance(self));
    if (string == nullptr) {
        return nullptr;
    }
    id result = Init(string, nullptr, args...);
    return result != nullptr ? autorelease(result) : nullptr;
}

NSUInteger length(NSStringObject* self, SEL) {
    return self->text().size();
}

char16_t characterAtIndex(NSStringObject* self, SEL, NSUInteger index) {
    return index < self->text().size() ? self->text()[index] : 0;
}

// Copies the part of the range that lies inside the text.
void getCharacters(NSStringObject* self, SEL, char16_t* buffer, NSRange range) {
    const std::u16string& text = self->text();
    if (buffer == nullptr || range.location >= text.size()) {
        return;
    }
    const std::size_t count = std::min<std::uint64_t>(range.length, text.size() - range.location);
    std::copy_n(text.data() + range.location, count, buffer);
}

const char* utf8String(NSStringObject* self, SEL) {
    return self->utf8();
}

BOOL isEqualToString(NSStringObject* self, SEL, id other) {
    auto* string = liveCast<NSStringObject>(other);
    return string != nullptr && string->text() == self->text() ? YES : NO;
}

NSUInteger hashString(NSStringObject* self, SEL) {
    return std::hash<std::u16string>{}(self->text());
}

id describeString(NSStringObject* self, SEL) {
    return self;
}

id appending(NSStringObject* self, SEL, id other) {
    auto* string = liveCast<NSStringObject>(other);
    return autoreleasedNativeString(self->text() + (string != nullptr ? string->text() : u""));
}

id dataUsingEncoding(NSStringObject* self, SEL, NSUInteger encoding) {
    std::string bytes;
    if (!encodeText(self->text(), encoding, false, bytes)) {
        return nullptr;
    }
    auto* data = static_cast<NSDataObject*>(createInstance("NSData"_class));
    if (data == nullptr) {
        return nullptr;
    }
    data->copyBytes(bytes.data(), bytes.size());
    return autorelease(data);
}

} // namespace

id newNativeString(std::u16string text) {
    auto* string = static_cast<NSStringObject*>(createInstance(stringClass()));
    if (string != nullptr) {
        string->setText(std::move(text));
    }
    return string;
}

id autoreleasedNativeString(std::u16string text) {
    return autorelease(newNativeString(std::move(text)));
}

std::u16string nativeStringText(const void* string) {
    auto* native = liveCast<NSStringObject>(string);
    return native != nullptr ? native->text() : std::u16string();
}

ClassDefinition stringClassDefinition() {
    return ClassDefinition("NSString", "NSObject", factoryFor<NSStringObject>())
        .classMethod("string", &make<initEmpty>)
        .classMethod("stringWithString:", &make<initWithString, id>)
        .classMethod("stringWithUTF8String:", &make<initWithUTF8String, const char*>)
        .classMethod("stringWithCString:encoding:", &make<initWithCString, const char*, NSUInteger>)
        .classMethod("stringWithCharacters:length:",
                     &make<initWithCharacters, const char16_t*, NSUInteger>)
        .instanceMethod("init", &initEmpty)
        .instanceMethod("initWithString:", &initWithString)
        .instanceMethod("initWithUTF8String:", &initWithUTF8String)
        .instanceMethod("initWithCString:encoding:", &initWithCString)
        .instanceMethod("initWithBytes:length:encoding:", &initWithBytes)
        .instanceMethod("initWithData:encoding:", &initWithData)
        .instanceMethod("initWithCharacters:length:", &initWithCharacters)
        .instanceMethod("length", &length)
        .instanceMethod("characterAtIndex:", &characterAtIndex)
        .instanceMethod("getCharacters:range:", &getCharacters)
        .instanceMethod("UTF8String", &utf8String)
        .instanceMethod("isEqualToString:", &isEqualToString)
        .instanceMethod("isEqual:", &isEqualToString)
        .instanceMethod("hash", &hashString)
        .instanceMethod("description", &describeString)
        .instanceMethod("stringByAppendingString:", &appending)
        .instanceMethod("dataUsingEncoding:", &dataUsingEncoding);
}

} // namespace sondrel::objc
