#pragma once

// NSButton: push buttons, toggle buttons, check boxes ("switch" buttons) and radio buttons. The
// button type picks the Qt widget (QPushButton, QCheckBox or QRadioButton); changing the type
// puts a new widget in the old one's place with the same title, state and enabling.
//
// States follow Cocoa: 0 off, 1 on, -1 mixed (only with allowsMixedState; otherwise -1 and any
// other non-zero value mean on). A click advances the state as Cocoa's cells do (a two-state
// button toggles; a three-state one goes on, off, mixed, on, ...; momentary buttons keep 0) and
// then sends the action.
//
// A button whose key equivalent is "\r" is pressed by the Return and Enter keys when they reach
// its window unhandled (no focused widget took them), as Cocoa's default button is.

#include <string>

#include "platform/appkit/NSControl.h"

class QAbstractButton;

namespace sondrel::appkit {

enum NSButtonType : NSUInteger {
    NSButtonTypeMomentaryLight = 0,
    NSButtonTypePushOnPushOff = 1,
    NSButtonTypeToggle = 2,
    NSButtonTypeSwitch = 3,
    NSButtonTypeRadio = 4,
    NSButtonTypeMomentaryChange = 5,
    NSButtonTypeOnOff = 6,
    NSButtonTypeMomentaryPushIn = 7,
};

enum NSBezelStyle : NSUInteger {
    NSBezelStyleRounded = 1,
    NSBezelStyleRegularSquare = 2,
};

inline constexpr NSInteger NSControlStateValueMixed = -1;
inline constexpr NSInteger NSControlStateValueOff = 0;
inline constexpr NSInteger NSControlStateValueOn = 1;

class NSButtonObject : public NSControlObject {
public:
    explicit NSButtonObject(Class cls);
    ~NSButtonObject() override;

    // Puts the widget of the type in place (subclasses with a widget of their own keep it).
    virtual void setButtonType(NSUInteger type);
    NSUInteger buttonType() const { return m_type; }
    void setTitle(const std::u16string& title);
    const std::u16string& title() const { return m_title; }
    void setState(NSInteger state);
    NSInteger state() const { return m_state; }
    void setAllowsMixedState(bool flag);
    bool allowsMixedState() const { return m_allowsMixedState; }
    void setBezelStyle(NSUInteger style) { m_bezelStyle = style; }
    NSUInteger bezelStyle() const { return m_bezelStyle; }
    void setBordered(bool flag);
    bool isBordered() const { return m_bordered; }
    void setKeyEquivalent(const std::u16string& key);
    const std::u16string& keyEquivalent() const { return m_keyEquivalent; }

    // What a click does: the next state, then the action (performClick:).
    void performClick();
    // The state a click moves to from the current one.
    NSInteger nextState() const;

    std::u16string stringValue() const override;
    void setStringValue(const std::u16string& value) override;
    NSInteger intValue() const override { return state(); }
    void setIntValue(NSInteger value) override { setState(value); }

    // Called by the widget when the user clicks it.
    void widgetClicked();
    QAbstractButton* button() const;

private:
    void applyToWidget();
    NSInteger normalisedState(NSInteger state) const;

    NSUInteger m_type = NSButtonTypeMomentaryPushIn;
    std::u16string m_title = u"Button";
    NSInteger m_state = NSControlStateValueOff;
    bool m_allowsMixedState = false;
    NSUInteger m_bezelStyle = NSBezelStyleRounded;
    bool m_bordered = true;
    std::u16string m_keyEquivalent;
};

} // namespace sondrel::appkit
