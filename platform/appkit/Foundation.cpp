#include "platform/appkit/Foundation.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <thread>

#include "platform/objc/ClassName.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "platform/objc/StringEncoding.h"

namespace sondrel::appkit {

NSUInteger NSArrayObject::indexOfObject(id object) const {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].get() == object ||
            objc::send<BOOL>(items[i].get(), "isEqual:"_sel, object) != NO)
            return i;
    }
    return NSNotFound;
}

bool NSArrayObject::containsObject(id object) const {
    return indexOfObject(object) != NSNotFound;
}

NSArrayObject* newArray(const std::vector<id>& objects, bool mutableArray) {
    auto* array = static_cast<NSArrayObject*>(
        objc::createInstance(objc::lookUpClass(mutableArray ? "NSMutableArray" : "NSArray")));
    if (array == nullptr)
        return nullptr;
    for (id object : objects) {
        if (object != nullptr)
            array->items.push_back(Retained<objc::Object>::retain(object));
    }
    return array;
}

NSArrayObject* autoreleasedStringArray(const std::vector<std::u16string>& texts) {
    std::vector<id> strings;
    for (const std::u16string& text : texts)
        strings.push_back(objc::autoreleasedNativeString(text));
    NSArrayObject* array = newArray(strings);
    objc::autorelease(array);
    return array;
}

std::vector<std::u16string> stringArrayTexts(const void* array) {
    std::vector<std::u16string> texts;
    if (auto* items = objc::liveCast<NSArrayObject>(array)) {
        for (const auto& item : items->items)
            texts.push_back(objc::nativeStringText(item.get()));
    }
    return texts;
}

NSDateObject* dateNow() {
    return dateWithTimeIntervalSinceNow(0);
}

NSDateObject* dateDistantFuture() {
    auto* date = static_cast<NSDateObject*>(objc::createInstance("NSDate"_class));
    if (date != nullptr) {
        date->time = NSDateObject::Clock::time_point::max();
        objc::autorelease(date);
    }
    return date;
}

NSDateObject* dateWithTimeIntervalSinceNow(double seconds) {
    auto* date = static_cast<NSDateObject*>(objc::createInstance("NSDate"_class));
    if (date != nullptr) {
        date->time =
            NSDateObject::Clock::now() + std::chrono::duration_cast<NSDateObject::Clock::duration>(
                                             std::chrono::duration<double>(seconds));
        objc::autorelease(date);
    }
    return date;
}

NSNotificationObject* notificationNamed(const std::u16string& name, id object) {
    auto* notification =
        static_cast<NSNotificationObject*>(objc::createInstance("NSNotification"_class));
    if (notification != nullptr) {
        notification->name = Retained<objc::Object>::adopt(objc::newNativeString(name));
        notification->object = Retained<objc::Object>::retain(object);
        objc::autorelease(notification);
    }
    return notification;
}

std::u16string executablePath() {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::u16string() : path.u16string();
}

namespace {

// NSArray and NSMutableArray.
id initWithCapacity(NSArrayObject* self, SEL, NSUInteger capacity) {
    self->items.reserve(capacity);
    return self;
}
id array(Class cls, SEL) {
    return objc::autorelease(objc::createInstance(cls));
}
id arrayWithCapacity(Class cls, SEL, NSUInteger capacity) {
    return initWithCapacity(static_cast<NSArrayObject*>(array(cls, nullptr)), nullptr, capacity);
}
void addObject(NSArrayObject* self, SEL, id object) {
    if (object != nullptr)
        self->items.push_back(Retained<objc::Object>::retain(object));
}
void insertObjectAtIndex(NSArrayObject* self, SEL, id object, NSUInteger index) {
    if (object != nullptr && index <= self->items.size())
        self->items.insert(self->items.begin() + static_cast<std::ptrdiff_t>(index),
                           Retained<objc::Object>::retain(object));
}
void removeObjectAtIndex(NSArrayObject* self, SEL, NSUInteger index) {
    if (index < self->items.size())
        self->items.erase(self->items.begin() + static_cast<std::ptrdiff_t>(index));
}
void removeObject(NSArrayObject* self, SEL, id object) {
    std::erase_if(self->items, [&](const Retained<objc::Object>& item) {
        return item.get() == object || objc::send<BOOL>(item.get(), "isEqual:"_sel, object) != NO;
    });
}
void removeAllObjects(NSArrayObject* self, SEL) {
    self->items.clear();
}

const objc::ClassRegistration arrayRegistration{
    objc::ClassDefinition("NSArray", "NSObject", objc::factoryFor<NSArrayObject>())
        .instanceMethod<&NSArrayObject::count>("count")
        .instanceMethod<&NSArrayObject::objectAtIndex>("objectAtIndex:")
        .instanceMethod<&NSArrayObject::indexOfObject>("indexOfObject:")
        .instanceMethod<&NSArrayObject::containsObject>("containsObject:")
        .classMethod("array", &array)};

const objc::ClassRegistration mutableArrayRegistration{
    objc::ClassDefinition("NSMutableArray", "NSArray")
        .instanceMethod("initWithCapacity:", &initWithCapacity)
        .instanceMethod("addObject:", &addObject)
        .instanceMethod("insertObject:atIndex:", &insertObjectAtIndex)
        .instanceMethod("removeObjectAtIndex:", &removeObjectAtIndex)
        .instanceMethod("removeObject:", &removeObject)
        .instanceMethod("removeAllObjects", &removeAllObjects)
        .classMethod("arrayWithCapacity:", &arrayWithCapacity)};

// NSDate.
id date(Class, SEL) {
    return dateNow();
}
id distantFuture(Class, SEL) {
    return dateDistantFuture();
}
id dateWithInterval(Class, SEL, double seconds) {
    return dateWithTimeIntervalSinceNow(seconds);
}
double timeIntervalSinceNow(NSDateObject* self, SEL) {
    if (self->isDistantFuture())
        return 6.3e10; // about two thousand years, as Cocoa's distant future
    return std::chrono::duration<double>(self->time - NSDateObject::Clock::now()).count();
}

const objc::ClassRegistration dateRegistration{
    objc::ClassDefinition("NSDate", "NSObject", objc::factoryFor<NSDateObject>())
        .instanceMethod("timeIntervalSinceNow", &timeIntervalSinceNow)
        .classMethod("date", &date)
        .classMethod("distantFuture", &distantFuture)
        .classMethod("dateWithTimeIntervalSinceNow:", &dateWithInterval)};

// NSNotification.
id notificationName(NSNotificationObject* self, SEL) {
    return self->name.get();
}
id notificationObject(NSNotificationObject* self, SEL) {
    return self->object.get();
}

const objc::ClassRegistration notificationRegistration{
    objc::ClassDefinition("NSNotification", "NSObject", objc::factoryFor<NSNotificationObject>())
        .instanceMethod("name", &notificationName)
        .instanceMethod("object", &notificationObject)};

// NSThread: a detached thread that sends one message inside its own autorelease pool.
void detachNewThread(Class, SEL, SEL selector, id target, id argument) {
    Retained<objc::Object> heldTarget = Retained<objc::Object>::retain(target);
    Retained<objc::Object> heldArgument = Retained<objc::Object>::retain(argument);
    std::thread([selector, heldTarget, heldArgument] {
        const objc::AutoreleasePool pool;
        objc::send<void>(heldTarget.get(), selector, heldArgument.get());
    }).detach();
}

const objc::ClassRegistration threadRegistration{
    objc::ClassDefinition("NSThread", "NSObject")
        .classMethod("detachNewThreadSelector:toTarget:withObject:", &detachNewThread)};

// NSBundle: only the main bundle, which is the executable's folder.
id mainBundle(Class cls, SEL) {
    static id bundle = objc::createInstance(cls); // lives as long as the process
    return bundle;
}
id bundleExecutablePath(objc::Object*, SEL) {
    return objc::autoreleasedNativeString(executablePath());
}

const objc::ClassRegistration bundleRegistration{
    objc::ClassDefinition("NSBundle", "NSObject")
        .instanceMethod("executablePath", &bundleExecutablePath)
        .classMethod("mainBundle", &mainBundle)};

} // namespace
} // namespace sondrel::appkit
