#pragma once

// NSTextField: a one-line text, editable or not, over a QLineEdit; also the base of
// NSSecureTextField (shown as dots) and NSSearchField (with a clear button).
//
// A field that is neither editable nor selectable is a label: it takes no focus and no mouse
// selection. A formatter (NSFormatter) is asked about every edit the user makes and may refuse it
// or replace the text. What the user does reaches the field and its delegate as Cocoa reports it:
//   becomeFirstResponder          sent to the field when it takes the keyboard focus;
//   controlTextDidChange:         sent to the delegate after each edit by the user;
//   textDidEndEditing:            sent to the field when editing ends, by Return or Enter or by
//                                 losing the focus (endedByReturn() tells which); the base
//                                 method sends the action after Return and tells the delegate
//                                 (controlTextDidEndEditing:).
// Text set by the program is not an edit: it reaches neither the formatter nor the delegate.

#include <string>

#include "platform/appkit/NSControl.h"
#include "platform/appkit/Retained.h"

class QLineEdit;
class QWidget;

namespace sondrel::appkit {

class NSTextFieldObject : public NSControlObject {
public:
    explicit NSTextFieldObject(Class cls);
    ~NSTextFieldObject() override;

    // The line edit showing the text (a combo box's own line edit for NSComboBox).
    virtual QLineEdit* lineEdit() const;

    void setEditable(bool flag);
    bool isEditable() const { return m_editable; }
    void setSelectable(bool flag);
    bool isSelectable() const { return m_selectable; }
    void setBezeled(bool flag);
    bool isBezeled() const { return m_bezeled; }
    void setBordered(bool flag);
    bool isBordered() const { return m_bordered; }
    void setDrawsBackground(bool flag);
    bool drawsBackground() const { return m_drawsBackground; }
    void setBackgroundColor(id color);
    id backgroundColor() const { return m_backgroundColor.get(); }
    void setTextColor(id color);
    id textColor() const { return m_textColor.get(); }
    void setPlaceholder(const std::u16string& text);
    void setDelegate(id delegate) { m_delegate = delegate; }
    id delegate() const { return m_delegate; }

    std::u16string stringValue() const override;
    void setStringValue(const std::u16string& value) override;
    void setAlignment(NSInteger alignment) override;

    // Whether the last end of editing came from the Return or Enter key.
    bool endedByReturn() const { return m_endedByReturn; }

    // Reported by the widgets (main thread).
    virtual void userEdited();
    void focusTaken();
    void editingEnded(bool byReturn);
    // True while the program sets the text (the formatter is not asked then).
    bool settingText() const { return m_settingText; }

protected:
    void formatterChanged() override;
    // Applies the look (frame, colours, read-only state) to the line edit.
    virtual void applyLook();

private:
    id m_delegate = nullptr; // not retained, as in Cocoa
    Retained<objc::Object> m_backgroundColor;
    Retained<objc::Object> m_textColor;
    bool m_editable = true;
    bool m_selectable = true;
    bool m_bezeled = true;
    bool m_bordered = false;
    bool m_drawsBackground = true;
    bool m_endedByReturn = false;
    bool m_editing = false;
    bool m_settingText = false;
};

// Watches a line edit (and the widget that takes the focus for it) for a text field: focus,
// Return and Enter, losing the focus, edits by the user, and the formatter on every edit.
void attachFieldBehaviour(NSTextFieldObject* field, QLineEdit* edit, QWidget* focusWidget);

} // namespace sondrel::appkit
