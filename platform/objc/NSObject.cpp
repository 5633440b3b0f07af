// NSObject, the root class: allocation, reference counting and the questions every object
// answers. Classes are objects too and answer the same messages; for them retain, release and
// autorelease do nothing, since classes live for the whole process.

#include <cstdio>

#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/FoundationClasses.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "platform/objc/Runtime.h"

namespace sondrel::objc {
namespace {

bool isClassReceiver(id self) {
    return self->isa()->isMetaclass();
}

id alloc(Class self, SEL) {
    return createInstance(self);
}

id newObject(Class self, SEL) {
    return send<id>(send<id>(self, "alloc"_sel), "init"_sel);
}

id init(id self, SEL) {
    return self;
}

void dealloc(id self, SEL) {
    if (!isClassReceiver(self)) {
        destroyObject(self);
    }
}

id retainObject(id self, SEL) {
    if (!isClassReceiver(self)) {
        self->addReference();
    }
    return self;
}

void releaseObject(id self, SEL) {
    if (!isClassReceiver(self) && self->dropReference()) {
        send(self, "dealloc"_sel);
    }
}

id autoreleaseObject(id self, SEL) {
    if (!isClassReceiver(self)) {
        addToAutoreleasePool(self);
    }
    return self;
}

NSUInteger retainCount(id self, SEL) {
    return isClassReceiver(self) ? UINT64_MAX : static_cast<NSUInteger>(self->references());
}

Class classOfObject(id self, SEL) {
    return self->isa();
}

Class classOfClass(Class self, SEL) {
    return self;
}

Class superclassOfObject(id self, SEL) {
    return self->isa()->superclass();
}

Class superclassOfClass(Class self, SEL) {
    return self->superclass();
}

id selfObject(id self, SEL) {
    return self;
}

BOOL isEqual(id self, SEL, id other) {
    return self == other ? YES : NO;
}

NSUInteger hash(id self, SEL) {
    return reinterpret_cast<NSUInteger>(self);
}

BOOL respondsToSelector(id self, SEL, SEL selector) {
    return findMethod(self, selector) != nullptr ? YES : NO;
}

BOOL instancesRespondToSelector(Class self, SEL, SEL selector) {
    return getInstanceMethod(self, selector) != nullptr ? YES : NO;
}

BOOL isKindOf(id self, SEL, Class cls) {
    return isKindOfClass(self, cls) ? YES : NO;
}

BOOL isMemberOf(id self, SEL, Class cls) {
    return self->isa() == cls ? YES : NO;
}

BOOL isSubclassOf(Class self, SEL, Class cls) {
    for (Class current = self; current != nullptr; current = current->superclass()) {
        if (current == cls) {
            return YES;
        }
    }
    return NO;
}

std::u16string widen(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// The class name of an instance; for a class, its own name (+className).
id className(id self, SEL) {
    return autoreleasedNativeString(widen(self->isa()->name()));
}

id description(id self, SEL) {
    if (isClassReceiver(self)) {
        return autoreleasedNativeString(widen(self->isa()->name()));
    }
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(self));
    return autoreleasedNativeString(widen("<" + self->isa()->name() + ": " + address + ">"));
}

} // namespace

ClassDefinition rootClassDefinition() {
    return ClassDefinition("NSObject", "", factoryFor<Object>())
        .classMethod("alloc", &alloc)
        .classMethod("new", &newObject)
        .classMethod("class", &classOfClass)
        .classMethod("superclass", &superclassOfClass)
        .classMethod("instancesRespondToSelector:", &instancesRespondToSelector)
        .classMethod("isSubclassOfClass:", &isSubclassOf)
        .instanceMethod("init", &init)
        .instanceMethod("dealloc", &dealloc)
        .instanceMethod("retain", &retainObject)
        .instanceMethod("release", &releaseObject)
        .instanceMethod("autorelease", &autoreleaseObject)
        .instanceMethod("retainCount", &retainCount)
        .instanceMethod("class", &classOfObject)
        .instanceMethod("superclass", &superclassOfObject)
        .instanceMethod("self", &selfObject)
        .instanceMethod("isEqual:", &isEqual)
        .instanceMethod("hash", &hash)
        .instanceMethod("respondsToSelector:", &respondsToSelector)
        .instanceMethod("isKindOfClass:", &isKindOf)
        .instanceMethod("isMemberOfClass:", &isMemberOf)
        .instanceMethod("className", &className)
        .instanceMethod("description", &description);
}

} // namespace sondrel::objc
