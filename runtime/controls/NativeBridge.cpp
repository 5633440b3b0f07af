#include "runtime/controls/NativeBridge.h"

#include <cstdint>
#include <mutex>
#include <string>

#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSAutoreleasePool.h"
#include "platform/objc/NSString.h"
#include "platform/objc/Runtime.h"
#include "runtime/core/Thread.h"

namespace sondrel::controls {
namespace {

constexpr std::size_t kNarrowBuffer = 256;

std::string narrowed(core::TextView text) {
    std::string result;
    for (std::size_t i = 0; i < text.size() && i < kNarrowBuffer - 1 && text[i] != 0; ++i) {
        result += static_cast<char>(text[i] & 0xFF);
    }
    return result;
}

core::Text textOf(objc::id string) {
    return objc::nativeStringText(string);
}

void* beginThreadPool() {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(objc::pushAutoreleasePool()));
}

void endThreadPool(void* level) {
    objc::popAutoreleasePool(static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(level)));
}

} // namespace

void InitNativeBridge() {
    static std::once_flag once;
    std::call_once(once, [] { core::RegisterThreadHooks({&beginThreadPool, &endThreadPool}); });
}

std::unique_ptr<char[]> NarrowText(core::TextView text) {
    auto buffer = std::make_unique<char[]>(kNarrowBuffer);
    const std::string narrow = narrowed(text);
    narrow.copy(buffer.get(), narrow.size());
    buffer[narrow.size()] = '\0';
    return buffer;
}

objc::id NewNativeString(core::TextView text) {
    return objc::newNativeString(core::Text(text));
}

objc::id NativeString(core::TextView text, std::int64_t autorelease) {
    objc::id string = NewNativeString(text);
    return (autorelease & 0xFF) != 0 ? objc::autorelease(string) : string;
}

core::Text RuntimeText(const void* string) {
    return objc::nativeStringText(string);
}

objc::Class AllocateClass(objc::Class superclass, core::TextView name) {
    return objc::allocateClassPair(superclass, narrowed(name));
}

int AddClassMethod(objc::Class cls, objc::SEL selector, objc::IMP implementation,
                   core::TextView types) {
    return objc::addMethod(cls, selector, implementation, narrowed(types)) ? 1 : 0;
}

void RegisterClass(objc::Class cls) {
    objc::registerClassPair(cls);
}

objc::Class FindClass(core::TextView name) {
    return objc::lookUpClass(narrowed(name));
}

int ClassExists(core::TextView name) {
    return FindClass(name) != nullptr ? 1 : 0;
}

objc::SEL FindSelector(core::TextView name) {
    return objc::registerSelector(narrowed(name));
}

core::Text ObjectClassName(const void* object) {
    return textOf(objc::send<objc::id>(object, "className"_sel));
}

core::Text ObjectDescription(const void* object) {
    return textOf(objc::send<objc::id>(object, "description"_sel));
}

core::Text ObjectClassChain(const void* cls) {
    objc::Class start =
        objc::isClass(cls) ? static_cast<objc::Class>(const_cast<void*>(cls)) : objc::getClass(cls);
    core::Text chain;
    for (objc::Class current : objc::classChain(start)) {
        if (!chain.empty()) {
            chain += u"  -->  ";
        }
        chain += core::Text(current->name().begin(), current->name().end());
    }
    return chain;
}

std::uint64_t RetainNative(const void* object) {
    return reinterpret_cast<std::uint64_t>(objc::send<objc::id>(object, "retain"_sel));
}

std::uint64_t ReleaseNative(const void* object) {
    objc::send(object, "release"_sel);
    return 0;
}

std::uint64_t AutoreleaseNative(const void* object) {
    return reinterpret_cast<std::uint64_t>(objc::send<objc::id>(object, "autorelease"_sel));
}

objc::id NewAutoreleasePool() {
    return objc::newAutoreleasePool();
}

} // namespace sondrel::controls
