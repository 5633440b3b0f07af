#pragma once

// NSControl: a view that shows a value and sends an action to a target when the user acts on it.
//
// The value lives in the subclass's widget; the generic accessors (stringValue, intValue and
// their setters) are virtual so that each control reads and writes its own widget. The target is
// not retained, as in Cocoa. The action is sent through the application (NSApplication's
// sendAction), so a nil target reaches the responder chain.
//
// A formatter (NSFormatter) is retained and consulted by the controls that edit text.
//
// Controls belong to the main thread: the class tables run their messages there (a message
// sent from another thread is carried there), and C++ callers call from there.

#include <string>

#include "platform/appkit/NSView.h"
#include "platform/appkit/Retained.h"

namespace sondrel::appkit {

// Text alignment values (NSTextAlignment).
enum NSTextAlignment : NSInteger {
    NSTextAlignmentLeft = 0,
    NSTextAlignmentRight = 1,
    NSTextAlignmentCenter = 2,
    NSTextAlignmentJustified = 3,
    NSTextAlignmentNatural = 4,
};

class NSControlObject : public NSViewObject {
public:
    explicit NSControlObject(Class cls);
    ~NSControlObject() override;

    void setTarget(id target) { m_target = target; }
    id target() const { return m_target; }
    void setAction(SEL action) { m_action = action; }
    SEL action() const { return m_action; }
    // Sends the action to the target; false when there is no action or nothing answered.
    bool sendAction();
    // performClick:; a button clicks its widget instead.
    void performClick() { sendAction(); }

    virtual void setEnabled(bool enabled);
    bool isEnabled() const;

    virtual std::u16string stringValue() const;
    virtual void setStringValue(const std::u16string& value);
    // Cocoa's int conversion of the string value by default (a leading number, else 0).
    virtual NSInteger intValue() const;
    virtual void setIntValue(NSInteger value);

    // The font is an NSFont; anything else is ignored. font gives a new autoreleased NSFont.
    virtual void setFont(id font);
    id font() const;
    virtual void setAlignment(NSInteger alignment);
    NSInteger alignment() const { return m_alignment; }

    void setFormatter(id formatter);
    id formatter() const { return m_formatter.get(); }

    void setControlTag(NSInteger tag) { m_tag = tag; }
    NSInteger controlTag() const { return m_tag; }

protected:
    // Called with the formatter whenever it changes.
    virtual void formatterChanged() {}

private:
    id m_target = nullptr; // not retained, as in Cocoa
    SEL m_action = nullptr;
    Retained<objc::Object> m_formatter;
    std::u16string m_value; // the value of a control without a widget of its own
    NSInteger m_alignment = NSTextAlignmentNatural;
    NSInteger m_tag = 0;
};

// The leading decimal integer of a text, as NSString's intValue reads it (0 when there is none).
NSInteger leadingInteger(const std::u16string& text);

} // namespace sondrel::appkit
