#include "platform/appkit/NSCell.h"

#include <string>

#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSControl.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {

// Every change is made on the main thread (the class table says so), where the observing control
// reads the cell.
template <class F> void NSCellObject::change(F&& update) {
    update();
    if (m_observer)
        m_observer(this);
}

void NSCellObject::setTitle(const std::u16string& title) {
    change([&] { m_title = title; });
}

void NSCellObject::setState(NSInteger state) {
    change([&] { m_state = state == -1 && m_allowsMixedState ? -1 : state != 0 ? 1 : 0; });
}

void NSCellObject::setAllowsMixedState(bool flag) {
    change([&] {
        m_allowsMixedState = flag;
        if (!flag && m_state == -1)
            m_state = 1;
    });
}

void NSCellObject::setEnabled(bool flag) {
    change([&] { m_enabled = flag; });
}

void NSCellObject::setButtonType(NSUInteger type) {
    change([&] { m_buttonType = type; });
}

void NSCellObject::copyFrom(const NSCellObject& other) {
    change([&] {
        m_title = other.m_title;
        m_state = other.m_state;
        m_allowsMixedState = other.m_allowsMixedState;
        m_enabled = other.m_enabled;
        m_tag = other.m_tag;
        m_buttonType = other.m_buttonType;
    });
}

NSCellObject* newButtonCell(const std::u16string& title, NSUInteger buttonType) {
    auto* cell = static_cast<NSCellObject*>(objc::createInstance("NSButtonCell"_class));
    if (cell != nullptr) {
        cell->setTitle(title);
        cell->setButtonType(buttonType);
    }
    return cell;
}

namespace {

id initTextCell(NSCellObject* self, SEL, id title) {
    self->setTitle(objc::nativeStringText(title));
    return self;
}
int intValue(NSCellObject* self, SEL) {
    return static_cast<int>(self->state());
}
void setIntValue(NSCellObject* self, SEL, int value) {
    self->setState(value);
}
id stringValue(NSCellObject* self, SEL) {
    const std::string digits = std::to_string(self->state());
    return objc::autoreleasedNativeString(std::u16string(digits.begin(), digits.end()));
}
id copyCell(NSCellObject* self, SEL) {
    auto* copy = static_cast<NSCellObject*>(objc::createInstance(objc::getClass(self)));
    if (copy != nullptr)
        copy->copyFrom(*self);
    return copy;
}

const objc::ClassRegistration cellRegistration{
    objc::ClassDefinition("NSCell", "NSObject", objc::factoryFor<NSCellObject>())
        .instanceMethod<&initTextCell, OnMainThread>("initTextCell:")
        .instanceMethod<&NSCellObject::title, OnMainThread>("title")
        .instanceMethod<&NSCellObject::setTitle, OnMainThread>("setTitle:")
        .instanceMethod<&NSCellObject::state, OnMainThread>("state")
        .instanceMethod<&NSCellObject::setState, OnMainThread>("setState:")
        .instanceMethod<&intValue, OnMainThread>("intValue")
        .instanceMethod<&setIntValue, OnMainThread>("setIntValue:")
        .instanceMethod<&stringValue, OnMainThread>("stringValue")
        .instanceMethod<&NSCellObject::setAllowsMixedState, OnMainThread>("setAllowsMixedState:")
        .instanceMethod<&NSCellObject::isEnabled, OnMainThread>("isEnabled")
        .instanceMethod<&NSCellObject::setEnabled, OnMainThread>("setEnabled:")
        .instanceMethod<&NSCellObject::tag>("tag")
        .instanceMethod<&NSCellObject::setTag>("setTag:")
        .instanceMethod<&copyCell, OnMainThread>("copy")};

const objc::ClassRegistration buttonCellRegistration{
    objc::ClassDefinition("NSButtonCell", "NSCell")
        .instanceMethod<&NSCellObject::setButtonType, OnMainThread>("setButtonType:")};

} // namespace
} // namespace sondrel::appkit
