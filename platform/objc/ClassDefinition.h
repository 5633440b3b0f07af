#pragma once

// Declaring a native class. Any source file can bring a Cocoa-named class into the runtime with
// a static ClassRegistration; the runtime creates the pending classes at the first class lookup,
// superclasses before subclasses, so files may register in any order. The pattern:
//
//     // NSImage.h: the C++ type behind every instance; it derives from the superclass's type.
//     class NSImageObject : public objc::Object {
//     public:
//         using Object::Object;
//         CGSize size;
//     };
//
//     // NSImage.cpp: methods are plain functions taking the receiver and the selector first.
//     namespace {
//     CGSize size(NSImageObject* self, SEL) { return self->size; }
//     void setSize(NSImageObject* self, SEL, CGSize size) { self->size = size; }
//     id imageNamed(Class, SEL, NSStringObject* name);
//
//     const objc::ClassRegistration registration{
//         objc::ClassDefinition("NSImage", "NSObject", objc::factoryFor<NSImageObject>())
//             .instanceMethod("size", &size)              // encoding "{CGSize=dd}@:"
//             .instanceMethod("setSize:", &setSize)       // encoding "v@:{CGSize=dd}"
//             .classMethod("imageNamed:", &imageNamed)};  // a class method ("+imageNamed:")
//     } // namespace
//
// The type encoding of each method is derived from the C++ signature of its function (see
// TypeEncoding.h); pass it as a third argument to state it explicitly. A method that only calls
// a member of the instance's C++ type names the member instead of a function of its own:
//
//             .instanceMethod<&NSViewObject::setFrame>("setFrame:")
//
// (see MemberMethod.h for how its types travel in the message). A second template argument names
// the thread the method runs on, where a higher layer has one to name (appkit's
// .instanceMethod<&NSViewObject::setFrame, OnMainThread>("setFrame:")); without it the method
// runs on the sender's thread. A class without a
// factory inherits its superclass's. For a static library, link it whole (the appkit library
// does) so that files reached only through messages are not dropped by the linker.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/objc/MemberMethod.h"
#include "platform/objc/Object.h"
#include "platform/objc/TypeEncoding.h"

namespace sondrel::objc {

struct MethodDefinition {
    std::string selector;
    IMP implementation = nullptr;
    std::string types;
    bool isClassMethod = false;
};

class ClassDefinition {
public:
    // `superclass` empty for a root class.
    ClassDefinition(std::string name, std::string superclass, InstanceFactory factory = nullptr)
        : m_name(std::move(name)), m_superclass(std::move(superclass)), m_factory(factory) {}

    // Thin on purpose: one is made for every method of every class.
    template <class F>
    ClassDefinition& instanceMethod(std::string_view selector, F function,
                                    std::string_view types = encodingOf<F>()) {
        return add(selector, reinterpret_cast<IMP>(function), types, false);
    }
    template <class F>
    ClassDefinition& classMethod(std::string_view selector, F function,
                                 std::string_view types = encodingOf<F>()) {
        return add(selector, reinterpret_cast<IMP>(function), types, true);
    }

    // A method that calls the member function `Member` of the receiver's C++ type (or the
    // method function `Member`, taking the receiver and the selector first), on the thread
    // `Thread` names (see MemberMethod.h).
    template <auto Member, class Thread = AnyThread>
    ClassDefinition& instanceMethod(std::string_view selector) {
        return instanceMethod(selector, &detail::MemberMethod<Member, Thread>::call);
    }
    // A class method that calls the static member (or free) function `Function`, or a method
    // function taking the class and the selector first.
    template <auto Function, class Thread = AnyThread>
    ClassDefinition& classMethod(std::string_view selector) {
        return classMethod(selector, &detail::StaticMethod<Function, Thread>::call);
    }

    const std::string& name() const { return m_name; }
    const std::string& superclass() const { return m_superclass; }
    InstanceFactory factory() const { return m_factory; }
    const std::vector<MethodDefinition>& methods() const { return m_methods; }

private:
    ClassDefinition& add(std::string_view selector, IMP implementation, std::string_view types,
                         bool isClassMethod);

    std::string m_name;
    std::string m_superclass;
    InstanceFactory m_factory;
    std::vector<MethodDefinition> m_methods;
};

// The factory of a class whose instances are made as `T`, on the thread `Thread` names (a class
// whose constructor makes widgets names the main thread).
template <class T, class Thread = AnyThread> InstanceFactory factoryFor() {
    return [](Class cls) -> std::unique_ptr<Object> {
        return Thread::run([&]() -> std::unique_ptr<Object> { return std::make_unique<T>(cls); });
    };
}

// Queues a class to be created at the next class lookup.
void defineClass(ClassDefinition definition);

struct ClassRegistration {
    explicit ClassRegistration(ClassDefinition definition) { defineClass(std::move(definition)); }
};

} // namespace sondrel::objc
