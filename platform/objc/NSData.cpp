#include "platform/objc/NSData.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/objc/FoundationClasses.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "platform/objc/Runtime.h"

namespace sondrel::objc {

void NSDataObject::copyBytes(const void* bytes, std::size_t length) {
    m_handedOver.reset();
    m_copy.resize(length);
    if (length > 0) {
        std::memcpy(m_copy.data(), bytes, length);
    }
    m_bytes = m_copy.data();
    m_length = length;
}

void NSDataObject::borrowBytes(void* bytes, std::size_t length, bool freeWhenDone) {
    m_copy.clear();
    m_handedOver.reset(freeWhenDone ? bytes : nullptr);
    m_bytes = bytes;
    m_length = length;
}

namespace {

// Bytes missing for a non-zero length make no data: the init releases the receiver.
id initWithBytes(NSDataObject* self, SEL, const void* bytes, NSUInteger length) {
    if (bytes == nullptr && length > 0) {
        release(self);
        return nullptr;
    }
    self->copyBytes(bytes, length);
    return self;
}

id initWithBytesNoCopy(NSDataObject* self, SEL, void* bytes, NSUInteger length, BOOL freeWhenDone) {
    if (bytes == nullptr && length > 0) {
        release(self);
        return nullptr;
    }
    self->borrowBytes(bytes, length, freeWhenDone != NO);
    return self;
}

id initWithBytesNoCopyFreeing(NSDataObject* self, SEL selector, void* bytes, NSUInteger length) {
    return initWithBytesNoCopy(self, selector, bytes, length, YES);
}

// Reads a whole regular file; nil (the receiver released) when it cannot be read.
id initWithContentsOfFile(NSDataObject* self, SEL, id path) {
    auto* name = liveCast<NSStringObject>(path);
    std::error_code error;
    if (name == nullptr || !std::filesystem::is_regular_file(name->utf8(), error)) {
        release(self);
        return nullptr;
    }
    std::ifstream file(name->utf8(), std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                  std::istreambuf_iterator<char>()};
    if (!file.is_open() || file.bad()) {
        release(self);
        return nullptr;
    }
    self->copyBytes(bytes.data(), bytes.size());
    return self;
}

id initEmpty(NSDataObject* self, SEL) {
    return self;
}

template <auto Init, class... Args> id make(Class self, SEL, Args... args) {
    auto* data = static_cast<NSDataObject*>(createInstance(self));
    if (data == nullptr) {
        return nullptr;
    }
    id result = Init(data, nullptr, args...);
    return result != nullptr ? autorelease(result) : nullptr;
}

const void* bytes(NSDataObject* self, SEL) {
    return self->bytes();
}

NSUInteger length(NSDataObject* self, SEL) {
    return self->length();
}

BOOL isEqualToData(NSDataObject* self, SEL, id other) {
    auto* data = liveCast<NSDataObject>(other);
    return data != nullptr && data->length() == self->length() &&
                   (self->length() == 0 ||
                    std::memcmp(data->bytes(), self->bytes(), self->length()) == 0)
               ? YES
               : NO;
}

} // namespace

ClassDefinition dataClassDefinition() {
    return ClassDefinition("NSData", "NSObject", factoryFor<NSDataObject>())
        .classMethod("data", &make<initEmpty>)
        .classMethod("dataWithBytes:length:", &make<initWithBytes, const void*, NSUInteger>)
        .classMethod("dataWithBytesNoCopy:length:",
                     &make<initWithBytesNoCopyFreeing, void*, NSUInteger>)
        .classMethod("dataWithBytesNoCopy:length:freeWhenDone:",
                     &make<initWithBytesNoCopy, void*, NSUInteger, BOOL>)
        .classMethod("dataWithContentsOfFile:", &make<initWithContentsOfFile, id>)
        .instanceMethod("init", &initEmpty)
        .instanceMethod("initWithBytes:length:", &initWithBytes)
        .instanceMethod("initWithBytesNoCopy:length:freeWhenDone:", &initWithBytesNoCopy)
        .instanceMethod("initWithContentsOfFile:", &initWithContentsOfFile)
        .instanceMethod("bytes", &bytes)
        .instanceMethod("length", &length)
        .instanceMethod("isEqualToData:", &isEqualToData)
        .instanceMethod("isEqual:", &isEqualToData);
}

} // namespace sondrel::objc
