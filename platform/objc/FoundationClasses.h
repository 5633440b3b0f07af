#pragma once

// The classes the runtime itself brings, queued when it starts so that they exist whether or
// not anything in the program refers to their files.

#include "platform/objc/ClassDefinition.h"

namespace sondrel::objc {

ClassDefinition rootClassDefinition();            // NSObject
ClassDefinition stringClassDefinition();          // NSString
ClassDefinition dataClassDefinition();            // NSData
ClassDefinition autoreleasePoolClassDefinition(); // NSAutoreleasePool

} // namespace sondrel::objc
