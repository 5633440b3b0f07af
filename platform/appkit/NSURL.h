#pragma once

// NSURL: file URLs only, as the panels use them (a path, and whether it names a folder).

#include <string>

#include "platform/objc/Object.h"

namespace sondrel::appkit {

class NSURLObject : public objc::Object {
public:
    using Object::Object;
    std::u16string path;
    bool isDirectory = false;
};

// The path of a live NSURL, or empty.
std::u16string urlPath(const void* url);

} // namespace sondrel::appkit
