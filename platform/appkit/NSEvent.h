#pragma once

// NSEvent: one native event. Key events made from Qt key presses keep the Qt event and its
// receiver, so that sending the event to the application later delivers the key exactly as Qt
// would have (see NSApplication).

#include <memory>
#include <string>

#include "platform/appkit/AppKitTypes.h"

class QKeyEvent;
class QObject;

namespace sondrel::appkit {

class NSWindowObject;

class NSEventObject : public objc::Object {
public:
    using Object::Object;
    ~NSEventObject() override;

    NSEventType type = NSEventTypeApplicationDefined;
    NSUInteger modifierFlags = 0;
    double timestamp = 0;
    NSInteger windowNumber = 0;
    NSPoint locationInWindow;
    std::u16string characters;
    std::u16string charactersIgnoringModifiers;
    unsigned short keyCode = 0;
    bool isARepeat = false;
    NSInteger clickCount = 0;
    short subtype = 0;
    NSInteger data1 = 0;
    NSInteger data2 = 0;

    // The window of windowNumber, if it is still open (borrowed).
    NSWindowObject* window() const;

    // A key press taken from Qt: the event and where Qt was delivering it.
    void attachQtKeyEvent(const QKeyEvent& event, QObject* receiver);
    // Delivers the attached key press to its receiver; false when there is none (any more).
    bool deliverQtKeyEvent();

private:
    struct QtKey;
    std::unique_ptr<QtKey> m_qtKey;
};

// A new event, owned by the caller.
NSEventObject* newEvent(NSEventType type);

} // namespace sondrel::appkit
