#include "platform/appkit/NSURL.h"

#include <QUrl>

#include "platform/appkit/QtStrings.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {

std::u16string urlPath(const void* url) {
    const auto* native = objc::liveCast<NSURLObject>(url);
    return native != nullptr ? native->path : std::u16string();
}

namespace {

using objc::BOOL;
using objc::Class;
using objc::id;
using objc::SEL;

id fileURL(Class cls, id path, bool directory) {
    if (path == nullptr)
        return nullptr;
    auto* url = static_cast<NSURLObject*>(objc::createInstance(cls));
    if (url == nullptr)
        return nullptr;
    url->path = objc::nativeStringText(path);
    url->isDirectory = directory;
    return objc::autorelease(url);
}

id fileURLWithPath(Class cls, SEL, id path) {
    return fileURL(cls, path, false);
}
id fileURLWithPathIsDirectory(Class cls, SEL, id path, BOOL directory) {
    return fileURL(cls, path, directory != objc::NO);
}
id absoluteString(NSURLObject* self, SEL) {
    return autoreleasedNativeString(QUrl::fromLocalFile(toQString(self->path)).toString());
}
BOOL isFileURL(NSURLObject*, SEL) {
    return objc::YES;
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSURL", "NSObject", objc::factoryFor<NSURLObject>())
        .classMethod("fileURLWithPath:", &fileURLWithPath)
        .classMethod("fileURLWithPath:isDirectory:", &fileURLWithPathIsDirectory)
        .instanceMethod<&NSURLObject::path>("path")
        .instanceMethod("absoluteString", &absoluteString)
        .instanceMethod("isFileURL", &isFileURL)};

} // namespace
} // namespace sondrel::appkit
