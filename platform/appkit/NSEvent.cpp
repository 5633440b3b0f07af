#include "platform/appkit/NSEvent.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>

#include "platform/appkit/KeyTranslation.h"
#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSWindow.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {

struct NSEventObject::QtKey {
    std::unique_ptr<QKeyEvent> event;
    QPointer<QObject> receiver;
};

NSEventObject::~NSEventObject() = default;

NSWindowObject* NSEventObject::window() const {
    return windowNumber == 0 ? nullptr : NSWindowObject::windowWithNumber(windowNumber);
}

void NSEventObject::attachQtKeyEvent(const QKeyEvent& event, QObject* receiver) {
    m_qtKey.reset(new QtKey{std::unique_ptr<QKeyEvent>(static_cast<QKeyEvent*>(event.clone())),
                            QPointer<QObject>(receiver)});
}

bool NSEventObject::deliverQtKeyEvent() {
    if (m_qtKey == nullptr || m_qtKey->receiver.isNull())
        return false;
    const std::unique_ptr<QKeyEvent> copy(static_cast<QKeyEvent*>(m_qtKey->event->clone()));
    copy->setAccepted(false);
    const KeyCaptureBypass bypass;
    QCoreApplication::sendEvent(m_qtKey->receiver.data(), copy.get());
    return true;
}

NSEventObject* newEvent(NSEventType type) {
    auto* event = static_cast<NSEventObject*>(objc::createInstance("NSEvent"_class));
    if (event != nullptr)
        event->type = type;
    return event;
}

namespace {

NSEventObject* autoreleasedEvent(NSUInteger type, NSPoint location, NSUInteger flags, double time,
                                 NSInteger windowNumber) {
    NSEventObject* event = newEvent(static_cast<NSEventType>(type));
    if (event == nullptr)
        return nullptr;
    event->locationInWindow = location;
    event->modifierFlags = flags;
    event->timestamp = time;
    event->windowNumber = windowNumber;
    objc::autorelease(event);
    return event;
}

id otherEvent(Class, SEL, NSUInteger type, NSPoint location, NSUInteger flags, double time,
              NSInteger windowNumber, id /*context*/, short subtype, NSInteger data1,
              NSInteger data2) {
    NSEventObject* event = autoreleasedEvent(type, location, flags, time, windowNumber);
    if (event != nullptr) {
        event->subtype = subtype;
        event->data1 = data1;
        event->data2 = data2;
    }
    return event;
}

id keyEvent(Class, SEL, NSUInteger type, NSPoint location, NSUInteger flags, double time,
            NSInteger windowNumber, id /*context*/, id characters, id unmodified, BOOL repeat,
            unsigned short code) {
    NSEventObject* event = autoreleasedEvent(type, location, flags, time, windowNumber);
    if (event != nullptr) {
        event->characters = objc::nativeStringText(characters);
        event->charactersIgnoringModifiers = objc::nativeStringText(unmodified);
        event->isARepeat = repeat != NO;
        event->keyCode = code;
    }
    return event;
}

id mouseEvent(Class, SEL, NSUInteger type, NSPoint location, NSUInteger flags, double time,
              NSInteger windowNumber, id /*context*/, NSInteger /*eventNumber*/, NSInteger clicks,
              float /*pressure*/) {
    NSEventObject* event = autoreleasedEvent(type, location, flags, time, windowNumber);
    if (event != nullptr)
        event->clickCount = clicks;
    return event;
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSEvent", "NSObject", objc::factoryFor<NSEventObject>())
        .instanceMethod<&NSEventObject::type>("type")
        .instanceMethod<&NSEventObject::modifierFlags>("modifierFlags")
        .instanceMethod<&NSEventObject::timestamp>("timestamp")
        .instanceMethod<&NSEventObject::windowNumber>("windowNumber")
        .instanceMethod<&NSEventObject::window, OnMainThread>("window")
        .instanceMethod<&NSEventObject::locationInWindow>("locationInWindow")
        .instanceMethod<&NSEventObject::characters>("characters")
        .instanceMethod<&NSEventObject::charactersIgnoringModifiers>("charactersIgnoringModifiers")
        .instanceMethod<&NSEventObject::keyCode>("keyCode")
        .instanceMethod<&NSEventObject::isARepeat>("isARepeat")
        .instanceMethod<&NSEventObject::clickCount>("clickCount")
        .instanceMethod<&NSEventObject::subtype>("subtype")
        .instanceMethod<&NSEventObject::data1>("data1")
        .instanceMethod<&NSEventObject::data2>("data2")
        .classMethod("otherEventWithType:location:modifierFlags:timestamp:windowNumber:context:"
                     "subtype:data1:data2:",
                     &otherEvent)
        .classMethod("keyEventWithType:location:modifierFlags:timestamp:windowNumber:context:"
                     "characters:charactersIgnoringModifiers:isARepeat:keyCode:",
                     &keyEvent)
        .classMethod("mouseEventWithType:location:modifierFlags:timestamp:windowNumber:context:"
                     "eventNumber:clickCount:pressure:",
                     &mouseEvent)};

} // namespace
} // namespace sondrel::appkit
