#pragma once

// NSCell and NSButtonCell: the value-holding parts of a control that shows several of them (an
// NSMatrix). A cell has a title, a state (0, 1 or -1 as NSButton has), an enabled flag, a tag and,
// for button cells, a button type. The control showing a cell is told of every change so that
// its widget follows.

#include <functional>
#include <string>

#include "platform/appkit/AppKitTypes.h"

namespace sondrel::appkit {

class NSCellObject : public objc::Object {
public:
    using Object::Object;

    const std::u16string& title() const { return m_title; }
    void setTitle(const std::u16string& title);
    NSInteger state() const { return m_state; }
    void setState(NSInteger state);
    bool allowsMixedState() const { return m_allowsMixedState; }
    void setAllowsMixedState(bool flag);
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool flag);
    NSInteger tag() const { return m_tag; }
    void setTag(NSInteger tag) { m_tag = tag; }
    NSUInteger buttonType() const { return m_buttonType; }
    void setButtonType(NSUInteger type);

    // Copies the title, state, flags, tag and type of `other` (NSCopying for prototypes).
    void copyFrom(const NSCellObject& other);

    // Told of every visible change; set by the control that shows the cell (main thread).
    void setObserver(std::function<void(NSCellObject*)> observer) {
        m_observer = std::move(observer);
    }

private:
    template <class F> void change(F&& update);

    std::u16string m_title;
    NSInteger m_state = 0;
    bool m_allowsMixedState = false;
    bool m_enabled = true;
    NSInteger m_tag = 0;
    NSUInteger m_buttonType = 7; // NSButtonTypeMomentaryPushIn
    std::function<void(NSCellObject*)> m_observer;
};

// A new button cell (one reference, owned by the caller).
NSCellObject* newButtonCell(const std::u16string& title, NSUInteger buttonType);

} // namespace sondrel::appkit
