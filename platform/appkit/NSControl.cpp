#include "platform/appkit/NSControl.h"

#include <QFont>
#include <QWidget>

#include "platform/appkit/Autoresizing.h"
#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSFont.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {

NSControlObject::NSControlObject(Class cls) : NSViewObject(cls) {}

NSControlObject::~NSControlObject() = default;

bool NSControlObject::sendAction() {
    if (m_action == nullptr)
        return false;
    Retained<NSControlObject> keepAlive = Retained<NSControlObject>::retain(this);
    return NSApplicationObject::shared()->sendAction(m_action, m_target, this);
}

void NSControlObject::setEnabled(bool enabled) {
    if (QWidget* widget = this->widget())
        widget->setEnabled(enabled);
}

bool NSControlObject::isEnabled() const {
    const QWidget* widget = this->widget();
    return widget == nullptr || widget->isEnabled();
}

std::u16string NSControlObject::stringValue() const {
    return m_value;
}

void NSControlObject::setStringValue(const std::u16string& value) {
    m_value = value;
}

NSInteger NSControlObject::intValue() const {
    return leadingInteger(stringValue());
}

void NSControlObject::setIntValue(NSInteger value) {
    const std::string digits = std::to_string(value);
    setStringValue(std::u16string(digits.begin(), digits.end()));
}

void NSControlObject::setFont(id font) {
    QFont qt;
    if (!fontOf(font, qt))
        return;
    if (QWidget* widget = this->widget())
        widget->setFont(qt);
}

id NSControlObject::font() const {
    const QWidget* widget = this->widget();
    return autoreleasedFont(widget != nullptr ? widget->font() : QFont());
}

void NSControlObject::setAlignment(NSInteger alignment) {
    m_alignment = alignment;
}

void NSControlObject::setFormatter(id formatter) {
    m_formatter = Retained<objc::Object>::retain(formatter);
    formatterChanged();
}

NSInteger leadingInteger(const std::u16string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    NSInteger value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        if (value > (INT64_MAX - 9) / 10)
            return negative ? INT64_MIN : INT64_MAX; // saturates, as Cocoa's conversion does
        value = value * 10 + (text[i] - u'0');
    }
    return negative ? -value : value;
}

namespace {

BOOL sendActionTo(NSControlObject* self, SEL, SEL action, id target) {
    return NSApplicationObject::shared()->sendAction(action, target, self) ? YES : NO;
}
int intValue(NSControlObject* self, SEL) {
    return static_cast<int>(self->intValue());
}
void setIntValue(NSControlObject* self, SEL, int value) {
    self->setIntValue(value);
}

// Target, action, alignment, formatter and tag are plain values; everything that reaches the
// widget or the value (which subclasses keep in their widgets) runs on the main thread.
const objc::ClassRegistration registration{
    objc::ClassDefinition("NSControl", "NSView", objc::factoryFor<NSControlObject, OnMainThread>())
        .instanceMethod<&NSControlObject::setTarget>("setTarget:")
        .instanceMethod<&NSControlObject::target>("target")
        .instanceMethod<&NSControlObject::setAction>("setAction:")
        .instanceMethod<&NSControlObject::action>("action")
        .instanceMethod<&sendActionTo, OnMainThread>("sendAction:to:")
        .instanceMethod<objc::ignoringSender<&NSControlObject::performClick>, OnMainThread>(
            "performClick:")
        .instanceMethod<&NSControlObject::setEnabled, OnMainThread>("setEnabled:")
        .instanceMethod<&NSControlObject::isEnabled, OnMainThread>("isEnabled")
        .instanceMethod<&NSControlObject::stringValue, OnMainThread>("stringValue")
        .instanceMethod<&NSControlObject::setStringValue, OnMainThread>("setStringValue:")
        .instanceMethod<&intValue, OnMainThread>("intValue")
        .instanceMethod<&setIntValue, OnMainThread>("setIntValue:")
        .instanceMethod<&NSControlObject::intValue, OnMainThread>("integerValue")
        .instanceMethod<&NSControlObject::setIntValue, OnMainThread>("setIntegerValue:")
        .instanceMethod<&NSControlObject::font, OnMainThread>("font")
        .instanceMethod<&NSControlObject::setFont, OnMainThread>("setFont:")
        .instanceMethod<&NSControlObject::alignment>("alignment")
        .instanceMethod<&NSControlObject::setAlignment, OnMainThread>("setAlignment:")
        .instanceMethod<&NSControlObject::formatter>("formatter")
        .instanceMethod<&NSControlObject::setFormatter, OnMainThread>("setFormatter:")
        .instanceMethod<&NSControlObject::controlTag>("tag")
        .instanceMethod<&NSControlObject::setControlTag>("setTag:")
        .instanceMethod<&setAutoresizingMask, OnMainThread>("setAutoresizingMask:")
        .instanceMethod<&autoresizingMask, OnMainThread>("autoresizingMask")
        .instanceMethod<&NSControlObject::isEnabled, OnMainThread>("acceptsFirstResponder")};

} // namespace
} // namespace sondrel::appkit
