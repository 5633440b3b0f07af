#pragma once

// The few Foundation classes the windowing classes need beside those of the object runtime:
// NSArray and NSMutableArray (ordered, retaining), NSDate (points in time for run-loop waits),
// NSNotification (what window delegates are told), NSThread (detached threads) and NSBundle
// (the executable's path).

#include <chrono>
#include <string>
#include <vector>

#include "platform/appkit/AppKitTypes.h"
#include "platform/appkit/Retained.h"

namespace sondrel::appkit {

class NSArrayObject : public objc::Object {
public:
    using Object::Object;
    std::vector<Retained<objc::Object>> items;

    NSUInteger count() const { return items.size(); }
    id objectAtIndex(NSUInteger index) const {
        return index < items.size() ? items[index].get() : nullptr;
    }
    // Index of the first item equal (isEqual:) to `object`, or NSNotFound.
    NSUInteger indexOfObject(id object) const;
    bool containsObject(id object) const;
};
inline constexpr NSUInteger NSNotFound = 0x7fffffffffffffff;

// A new array holding `objects` (retained), owned by the caller; `mutableArray` picks
// NSMutableArray.
NSArrayObject* newArray(const std::vector<id>& objects, bool mutableArray = false);
// An autoreleased array of native strings.
NSArrayObject* autoreleasedStringArray(const std::vector<std::u16string>& texts);
// The texts of an array of strings (items that are not strings give empty texts).
std::vector<std::u16string> stringArrayTexts(const void* array);

class NSDateObject : public objc::Object {
public:
    using Object::Object;
    using Clock = std::chrono::steady_clock;
    Clock::time_point time = Clock::now();
    bool isDistantFuture() const { return time == Clock::time_point::max(); }
};

// Autoreleased dates.
NSDateObject* dateNow();
NSDateObject* dateDistantFuture();
NSDateObject* dateWithTimeIntervalSinceNow(double seconds);

class NSNotificationObject : public objc::Object {
public:
    using Object::Object;
    Retained<objc::Object> name;
    Retained<objc::Object> object;
};

// An autoreleased notification named `name` about `object`.
NSNotificationObject* notificationNamed(const std::u16string& name, id object);

// The path of the running executable (empty if it cannot be read).
std::u16string executablePath();

} // namespace sondrel::appkit
