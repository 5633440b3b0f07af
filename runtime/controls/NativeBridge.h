#pragma once

// Small commands that reach native objects directly: runtime texts to and from native strings,
// building classes at run time, reference counting and autorelease pools. (The window and view
// commands come with the window and view classes.)
//
// The runtime works in UTF-16 text mode: native strings hold the runtime texts' code units as
// they are. Class, selector and type-encoding names are narrowed to their low bytes, at most
// 255 characters. Every command that takes an object refuses, like a message to nil, a pointer
// that is not a live native object. All of them may run on any thread.

#include <cstdint>
#include <memory>

#include "platform/objc/Object.h"
#include "runtime/core/Text.h"

namespace sondrel::controls {

// The bridge's start-up hook, called once before threads are started (calling it again does
// nothing): from then on every thread the runtime starts runs inside an autorelease pool that is
// drained when its procedure returns or the thread is stopped.
void InitNativeBridge();

// A new 256-byte buffer with the low bytes of the first 255 units, zero-terminated.
std::unique_ptr<char[]> NarrowText(core::TextView text);

// A new native string (one reference, released by the caller).
objc::id NewNativeString(core::TextView text);
// A native string: autoreleased when the low byte of `autorelease` is non-zero, otherwise owned
// by the caller like NewNativeString's.
objc::id NativeString(core::TextView text, std::int64_t autorelease = 0);
// The characters of a native string; empty for anything that is not one.
core::Text RuntimeText(const void* string);

// Class building: a new class below `superclass` (null when the name is taken), a method with
// a C function as implementation and its type encoding (1 when added, 0 when the class has the
// method already or the encoding cannot be called), and registration under its name.
objc::Class AllocateClass(objc::Class superclass, core::TextView name);
int AddClassMethod(objc::Class cls, objc::SEL selector, objc::IMP implementation,
                   core::TextView types);
void RegisterClass(objc::Class cls);
objc::Class FindClass(core::TextView name);
int ClassExists(core::TextView name);
objc::SEL FindSelector(core::TextView name);

// What an object says of itself; empty texts for anything that is not a live object.
core::Text ObjectClassName(const void* object);
core::Text ObjectDescription(const void* object);
// The names from the class up to the root, joined with "  -->  " (for an instance, from its
// class).
core::Text ObjectClassChain(const void* cls);

// retain, release and autorelease; the result of the message (the object; 0 for release).
std::uint64_t RetainNative(const void* object);
std::uint64_t ReleaseNative(const void* object);
std::uint64_t AutoreleaseNative(const void* object);
// A new NSAutoreleasePool on the calling thread, released (drained) by the caller.
objc::id NewAutoreleasePool();

} // namespace sondrel::controls
