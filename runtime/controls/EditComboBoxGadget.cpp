// The editable form of the combo box gadget: an NSComboBox whose list comes from the operations
// object as its data source.

#include <algorithm>
#include <string>
#include <vector>

#include "platform/appkit/NSComboBox.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "runtime/controls/ComboBoxGadget.h"
#include "runtime/controls/GadgetCreation.h"
#include "runtime/controls/GadgetKinds.h"

namespace sondrel::controls {
namespace {

using objc::BOOL;
using objc::id;
using objc::NSInteger;
using objc::SEL;
using windowing::RTGadgetFunctionsObject;

class RT_NSComboBox : public appkit::NSComboBoxObject, public windowing::GadgetViewFields {
public:
    using NSComboBoxObject::NSComboBoxObject;
};

// The list: item texts, their data values (0 for none) and the index last asked for.
class RTEditComboBoxGadgetFunctions : public RTGadgetFunctionsObject {
public:
    using RTGadgetFunctionsObject::RTGadgetFunctionsObject;
    std::vector<std::u16string> Items;
    std::vector<std::int64_t> Values;
    std::int32_t SelectedIndex = -1;

    bool valid(std::int64_t index) const {
        return index >= 0 && index < static_cast<std::int64_t>(Items.size());
    }
};
using Functions = RTEditComboBoxGadgetFunctions;

// The same focus and end-of-editing events as a string gadget's field.
BOOL becomeFirstResponder(RT_NSComboBox* self, SEL) {
    RaiseViewEvent(self, self->RT_tag, GadgetFocusEvent);
    return objc::sendSuper<BOOL>(objc::lookUpClass("NSComboBox"), self, "becomeFirstResponder"_sel);
}

void textDidEndEditing(RT_NSComboBox* self, SEL, id notification) {
    if (!self->endedByReturn())
        RaiseViewEvent(self, self->RT_tag, GadgetLostFocusEvent);
    objc::sendSuper<void>(objc::lookUpClass("NSComboBox"), self, "textDidEndEditing:"_sel,
                          notification);
}

objc::ClassDefinition viewClass() {
    objc::ClassDefinition definition("RT_NSComboBox", "NSComboBox",
                                     objc::factoryFor<RT_NSComboBox>());
    windowing::AddGadgetViewMethods<RT_NSComboBox>(definition);
    definition.instanceMethod("becomeFirstResponder", &becomeFirstResponder)
        .instanceMethod("textDidEndEditing:", &textDidEndEditing);
    return definition;
}

appkit::NSComboBoxObject* comboBox(Functions* self) {
    return objc::liveCast<appkit::NSComboBoxObject>(self->Gadget != nullptr ? self->Gadget->view
                                                                            : nullptr);
}

std::uint32_t flagsOf(Functions* self) {
    return self->Gadget != nullptr ? self->Gadget->flags : 0;
}

void showText(Functions* self, const std::u16string& text) {
    if (appkit::NSComboBoxObject* combo = comboBox(self))
        combo->setStringValue(text);
}

id init(Functions* self, SEL) {
    self->Items.reserve(15);
    self->Values.reserve(15);
    self->SelectedIndex = -1;
    return self;
}

void freeGadget(Functions* self, SEL) {
    self->Items.clear();
    self->Values.clear();
}

NSInteger numberOfItemsInComboBox(Functions* self, SEL, id) {
    return static_cast<NSInteger>(self->Items.size());
}

// Each value the list asks for becomes the state, as the list asks for the picked one last.
id objectValueForItemAtIndex(Functions* self, SEL, id, NSInteger index) {
    if (!self->valid(index))
        return objc::autoreleasedNativeString(u"");
    self->SelectedIndex = static_cast<std::int32_t>(index);
    return objc::autoreleasedNativeString(self->Items[static_cast<std::size_t>(index)]);
}

void controlTextDidChange(Functions* self, SEL, id) {
    objc::send<void>(self, "SendEvent:"_sel, std::int64_t{GadgetChangeEvent});
}

std::int64_t getGadgetItemData(Functions* self, SEL, std::int32_t index) {
    return self->valid(index) ? self->Values[static_cast<std::size_t>(index)] : 0;
}

void setGadgetItemData(Functions* self, SEL, std::int32_t index, std::int64_t value) {
    if (self->valid(index))
        self->Values[static_cast<std::size_t>(index)] = value;
}

id getGadgetItemText(Functions* self, SEL, std::int32_t index, std::int32_t) {
    return objc::autoreleasedNativeString(
        self->valid(index) ? self->Items[static_cast<std::size_t>(index)] : std::u16string());
}

void setGadgetItemText(Functions* self, SEL, std::int32_t index, id text, std::int32_t) {
    if (self->valid(index))
        self->Items[static_cast<std::size_t>(index)] = detail::ComboItemText(text, flagsOf(self));
}

id getGadgetText(Functions* self, SEL) {
    appkit::NSComboBoxObject* combo = comboBox(self);
    return objc::autoreleasedNativeString(combo != nullptr ? combo->stringValue()
                                                           : std::u16string());
}

// Shows the text and selects the first item equal to it in the list (or none); the state
// stays as it was.
void setGadgetText(Functions* self, SEL, id text) {
    const std::u16string value = detail::ComboItemText(text, flagsOf(self));
    showText(self, value);
    appkit::NSComboBoxObject* combo = comboBox(self);
    if (combo == nullptr)
        return;
    const std::int32_t kept = self->SelectedIndex;
    const auto found = std::find(self->Items.begin(), self->Items.end(), value);
    if (found != self->Items.end()) {
        combo->selectItemAtIndex(found - self->Items.begin());
        showText(self, value);
    } else {
        combo->deselectItemAtIndex(combo->indexOfSelectedItem());
    }
    self->SelectedIndex = kept;
}

std::int64_t getGadgetState(Functions* self, SEL) {
    return self->SelectedIndex;
}

void setGadgetState(Functions* self, SEL, std::int64_t state) {
    if (state == -1) {
        self->SelectedIndex = -1;
        showText(self, u"");
    } else if (self->valid(state)) {
        self->SelectedIndex = static_cast<std::int32_t>(state);
        showText(self, self->Items[static_cast<std::size_t>(state)]);
    }
}

std::int32_t countGadgetItems(Functions* self, SEL) {
    return static_cast<std::int32_t>(self->Items.size());
}

void clearGadgetItems(Functions* self, SEL) {
    self->Items.clear();
    self->Values.clear();
}

void removeGadgetItem(Functions* self, SEL, std::int32_t index) {
    if (!self->valid(index))
        return;
    self->Items.erase(self->Items.begin() + index);
    self->Values.erase(self->Values.begin() + index);
}

std::int64_t addGadgetItem(Functions* self, SEL, std::int32_t position, id text, id, std::int32_t) {
    const auto count = static_cast<std::int32_t>(self->Items.size());
    if (position < 0 || position >= count)
        position = count;
    self->Items.insert(self->Items.begin() + position, detail::ComboItemText(text, flagsOf(self)));
    self->Values.insert(self->Values.begin() + position, 0);
    return 1;
}

const objc::ClassRegistration viewRegistration{viewClass()};
const objc::ClassRegistration functionsRegistration{
    objc::ClassDefinition("RTEditComboBoxGadgetFunctions", "RTGadgetFunctions",
                          objc::factoryFor<RTEditComboBoxGadgetFunctions>())
        .instanceMethod("GetGadgetItemData:", &getGadgetItemData)
        .instanceMethod("SetGadgetItemData:value:", &setGadgetItemData)
        .instanceMethod("GetGadgetItemText:column:", &getGadgetItemText)
        .instanceMethod("SetGadgetItemText:text:column:", &setGadgetItemText)
        .instanceMethod("GetGadgetText", &getGadgetText)
        .instanceMethod("SetGadgetText:", &setGadgetText)
        .instanceMethod("GetGadgetState", &getGadgetState)
        .instanceMethod("SetGadgetState:", &setGadgetState)
        .instanceMethod("CountGadgetItems", &countGadgetItems)
        .instanceMethod("ClearGadgetItems", &clearGadgetItems)
        .instanceMethod("RemoveGadgetItem:", &removeGadgetItem)
        .instanceMethod("AddGadgetItem:text:image:flags:", &addGadgetItem)
        .instanceMethod("controlTextDidChange:", &controlTextDidChange)
        .instanceMethod("numberOfItemsInComboBox:", &numberOfItemsInComboBox)
        .instanceMethod("comboBox:objectValueForItemAtIndex:", &objectValueForItemAtIndex)
        .instanceMethod("FreeGadget", &freeGadget)
        .instanceMethod("init", &init)};

} // namespace

namespace detail {

std::int64_t CreateEditComboBoxGadget(core::ObjectNumber gadget, objc::NSRect frame,
                                      std::uint32_t flags) {
    GadgetCreation creation;
    creation.number = gadget;
    creation.kind = ComboBoxGadgetKind;
    creation.flags = flags;
    creation.frame = frame;
    creation.viewClass = "RT_NSComboBox";
    creation.functionsClass = "RTEditComboBoxGadgetFunctions";
    creation.configure = [](appkit::NSViewObject* view, RTGadgetFunctionsObject* functions) {
        objc::send<void>(view, "setCompletes:"_sel, objc::NO);
        objc::send<void>(view, "setUsesDataSource:"_sel, objc::YES);
        objc::send<void>(view, "setDataSource:"_sel, static_cast<id>(functions));
        objc::send<void>(view, "setDelegate:"_sel, static_cast<id>(functions));
    };
    return CreateGadget(creation);
}

} // namespace detail
} // namespace sondrel::controls
