#include "platform/appkit/NSAttributedString.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSData.h"
#include "platform/objc/NSString.h"
#include "platform/objc/RtfReader.h"
#include "platform/objc/StringEncoding.h"

namespace sondrel::appkit {

using objc::id;
using objc::SEL;

const objc::AttributedText* attributedTextOf(const void* string) {
    auto* native = objc::liveCast<NSAttributedStringObject>(string);
    return native != nullptr ? &native->text() : nullptr;
}

namespace {

id fail(NSAttributedStringObject* self) {
    objc::release(self);
    return nullptr;
}

// No document attributes are kept: a caller that asks for them gets nil.
void clearDocumentAttributes(id* attributes) {
    if (attributes != nullptr) {
        *attributes = nullptr;
    }
}

id initEmpty(NSAttributedStringObject* self, SEL) {
    return self;
}

// A nil string makes an empty attributed string rather than an error.
id initWithString(NSAttributedStringObject* self, SEL, id string) {
    self->setText(objc::AttributedText(objc::nativeStringText(string)));
    return self;
}

id initWithAttributedString(NSAttributedStringObject* self, SEL, id other) {
    const objc::AttributedText* text = attributedTextOf(other);
    if (text == nullptr) {
        return fail(self);
    }
    self->setText(*text);
    return self;
}

id initWithRTF(NSAttributedStringObject* self, SEL, id data, id* attributes) {
    clearDocumentAttributes(attributes);
    auto* bytes = objc::liveCast<objc::NSDataObject>(data);
    auto text = bytes != nullptr ? objc::readRtf(bytes->bytes(), bytes->length()) : std::nullopt;
    if (!text) {
        return fail(self);
    }
    self->setText(std::move(*text));
    return self;
}

// An RTF file is read as RTF; any other file as UTF-8 text, or Latin-1 when it is not UTF-8.
id initWithPath(NSAttributedStringObject* self, SEL, id path, id* attributes) {
    clearDocumentAttributes(attributes);
    auto* name = objc::liveCast<objc::NSStringObject>(path);
    std::error_code error;
    if (name == nullptr || !std::filesystem::is_regular_file(name->utf8(), error)) {
        return fail(self);
    }
    std::ifstream file(name->utf8(), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (!file.is_open() || file.bad()) {
        return fail(self);
    }
    if (auto rtf = objc::readRtf(bytes.data(), bytes.size())) {
        self->setText(std::move(*rtf));
        return self;
    }
    std::u16string text;
    if (!objc::decodeUtf8(bytes, text)) {
        objc::decodeBytes(bytes.data(), bytes.size(), objc::kISOLatin1StringEncoding, text);
    }
    self->setText(objc::AttributedText(std::move(text)));
    return self;
}

id string(NSAttributedStringObject* self, SEL) {
    return objc::autoreleasedNativeString(self->text().text());
}

objc::NSUInteger length(NSAttributedStringObject* self, SEL) {
    return self->text().text().size();
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSAttributedString", "NSObject",
                          objc::factoryFor<NSAttributedStringObject>())
        .instanceMethod("init", &initEmpty)
        .instanceMethod("initWithString:", &initWithString)
        .instanceMethod("initWithAttributedString:", &initWithAttributedString)
        .instanceMethod("initWithRTF:documentAttributes:", &initWithRTF)
        .instanceMethod("initWithPath:documentAttributes:", &initWithPath)
        .instanceMethod("string", &string)
        .instanceMethod("length", &length)};

} // namespace
} // namespace sondrel::appkit
