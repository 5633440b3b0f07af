#pragma once

// The object runtime: interned selectors, classes with metaclasses and method tables, the set of
// live objects, and the plain word send. All functions are thread-safe.
//
// Liveness: every object the runtime makes is kept in a set until it is deallocated, and every
// function that takes an object pointer looks it up there before reading through it, so a
// stale or made-up pointer is treated like nil instead of being dereferenced. (A pointer whose
// memory has been reused by a new object cannot be told apart from that object.)

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/objc/MethodSignature.h"
#include "platform/objc/Object.h"

// Calling an implementation through a pointer of another function type is what message sending
// is; clang's function-type sanitizer would flag every such call.
#if defined(__clang__)
#define SONDREL_OBJC_DYNAMIC_CALL __attribute__((no_sanitize("function")))
#else
#define SONDREL_OBJC_DYNAMIC_CALL
#endif

namespace sondrel::objc {

// Selectors: one Selector per name for the life of the process.
SEL registerSelector(std::string_view name);
const std::string& selectorName(SEL selector);

// Classes. lookUpClass finds registered classes only; null when there is none by that name.
Class lookUpClass(std::string_view name);
// A new class (and its metaclass) below `superclass` (null for a new root). Null when the name
// is empty or already taken. The class is usable at once and found by name once registered.
Class allocateClassPair(Class superclass, std::string_view name);
// Adds an instance method (for a metaclass: a class method). False when the class already has
// its own method of that selector, or the type encoding cannot be called.
bool addMethod(Class cls, SEL selector, IMP implementation, std::string_view types);
void registerClassPair(Class cls);
// The class and its superclasses up to the root, starting with `cls`.
std::vector<Class> classChain(Class cls);
// Every registered class (not the metaclasses), in no particular order.
std::vector<Class> registeredClasses();
// The methods a class defines itself, not those it inherits; a metaclass's are the class
// methods. Methods are never removed, so the pointers stay valid.
std::vector<const Method*> methodList(Class cls);

// Objects.
bool isLiveObject(const void* pointer);
// True for a class or metaclass object of this runtime.
bool isClass(const void* pointer);
// The class of a live object (for a class, its metaclass); null for nil or an unknown pointer.
Class getClass(const void* object);
// A live object as a C++ type, or null when it is not live or not of that type.
template <class T> T* liveCast(const void* pointer) {
    return isLiveObject(pointer)
               ? dynamic_cast<T*>(static_cast<Object*>(const_cast<void*>(pointer)))
               : nullptr;
}
bool isKindOfClass(const void* object, Class cls);

// Method lookup through the superclass chain; class methods through the metaclass chain.
const Method* getInstanceMethod(Class cls, SEL selector);
const Method* getClassMethod(Class cls, SEL selector);
// The method a message to `receiver` runs, or null when the receiver is not live or has none.
const Method* findMethod(const void* receiver, SEL selector);

// Takes ownership of a new object: it becomes live with one reference.
id adoptObject(std::unique_ptr<Object> object);
// A new instance of `cls` made by its factory (alloc without init); null when it has none.
id createInstance(Class cls);
// Removes a live instance and deletes it (the root class's dealloc). Class objects stay.
void destroyObject(id object);

// Calls the method with up to eight 64-bit words as integer arguments after the receiver and
// selector, and returns its result zero-extended from the declared width (0 for void). The
// method must be word-callable (see MethodSignature::isWordCallable).
std::uint64_t callWithWords(const Method& method, const void* receiver,
                            std::span<const std::uint64_t> words);
// The plain send: looks the method up and calls it with words. False, with nothing sent, when
// there is no such method or it takes or returns floating-point values or structures.
bool sendWords(const void* receiver, SEL selector, std::span<const std::uint64_t> words,
               std::uint64_t& result);

// Reference counting through the messages, so classes that override them are honoured.
// Each does nothing for nil or a pointer that is not a live object.
id retain(id object);
void release(id object);
id autorelease(id object);

} // namespace sondrel::objc
