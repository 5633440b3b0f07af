#include "platform/objc/ClassName.h"
#include "platform/objc/NSAutoreleasePool.h"

#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/FoundationClasses.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/Runtime.h"

namespace sondrel::objc {
namespace {

id init(NSAutoreleasePoolObject* self, SEL) {
    if (self->level == 0) {
        self->thread = std::this_thread::get_id();
        self->level = pushAutoreleasePool(self);
    }
    return self;
}

// Pops the pool (and any pushed after it) and deallocates the pool object. From another thread
// the pool is left alone: its objects belong to the thread that made it.
void drain(NSAutoreleasePoolObject* self, SEL) {
    if (self->level != 0) {
        if (self->thread != std::this_thread::get_id()) {
            return;
        }
        popAutoreleasePool(self->level);
    }
    destroyObject(self);
}

id ignoreRetain(NSAutoreleasePoolObject* self, SEL) {
    return self;
}

void addObject(Class, SEL, id object) {
    addToAutoreleasePool(object);
}

void addObjectToPool(NSAutoreleasePoolObject*, SEL, id object) {
    addToAutoreleasePool(object);
}

} // namespace

id newAutoreleasePool() {
    return send<id>(send<id>("NSAutoreleasePool"_class, "alloc"_sel), "init"_sel);
}

ClassDefinition autoreleasePoolClassDefinition() {
    return ClassDefinition("NSAutoreleasePool", "NSObject", factoryFor<NSAutoreleasePoolObject>())
        .classMethod("addObject:", &addObject)
        .instanceMethod("init", &init)
        .instanceMethod("drain", &drain)
        .instanceMethod("release", &drain)
        .instanceMethod("dealloc", &drain)
        .instanceMethod("retain", &ignoreRetain)
        .instanceMethod("autorelease", &ignoreRetain)
        .instanceMethod("addObject:", &addObjectToPool);
}

} // namespace sondrel::objc
