#include "platform/appkit/NSCell.h"

#include <string>

#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSControl.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {

// Every change is made on the main thread, where the observing control reads the cell.
template <class F> void NSCellObject::change(F&& update) {
    performOnMainThread([&] {
        update();
        if (m_observer)
            m_observer(this);
    });
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
    auto* cell =
        static_cast<NSCellObject*>(objc::createInstance(objc::lookUpClass("NSButtonCell")));
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
id title(NSCellObject* self, SEL) {
    return objc::autoreleasedNativeString(onMainThread([&] { return self->title(); }));
}
NSInteger state(NSCellObject* self, SEL) {
    return onMainThread([&] { return self->state(); });
}
int intValue(NSCellObject* self, SEL) {
    return static_cast<int>(state(self, nullptr));
}
void setIntValue(NSCellObject* self, SEL, int value) {
    self->setState(value);
}
id stringValue(NSCellObject* self, SEL) {
    const std::string digits = std::to_string(state(self, nullptr));
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
        .instanceMethod("initTextCell:", &initTextCell)
        .instanceMethod("title", &title)
        .instanceMethod<&NSCellObject::setTitle>("setTitle:")
        .instanceMethod("state", &state)
        .instanceMethod<&NSCellObject::setState>("setState:")
        .instanceMethod("intValue", &intValue)
        .instanceMethod("setIntValue:", &setIntValue)
        .instanceMethod("stringValue", &stringValue)
        .instanceMethod<&NSCellObject::setAllowsMixedState>("setAllowsMixedState:")
        .instanceMethod<&NSCellObject::isEnabled>("isEnabled")
        .instanceMethod<&NSCellObject::setEnabled>("setEnabled:")
        .instanceMethod<&NSCellObject::tag>("tag")
        .instanceMethod<&NSCellObject::setTag>("setTag:")
        .instanceMethod("copy", &copyCell)};

const objc::ClassRegistration buttonCellRegistration{
    objc::ClassDefinition("NSButtonCell", "NSCell")
        .instanceMethod<&NSCellObject::setButtonType>("setButtonType:")};

} // namespace
} // namespace sondrel::appkit
