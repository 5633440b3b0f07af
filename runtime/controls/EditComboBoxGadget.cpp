// The editable form of the combo box gadget: an NSComboBox whose list comes from the operations
// object as its data source.

#include <algorithm>
#include <string>
#include <vector>

#include "platform/appkit/NSComboBox.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "runtime/controls/ComboBoxGadget.h"
#include "runtime/controls/ComboItems.h"
#include "runtime/controls/GadgetCreation.h"
#include "runtime/controls/GadgetKinds.h"
#include "runtime/controls/SharedGadgetMethods.h"

namespace sondrel::controls {
namespace {

using objc::BOOL;
using objc::id;
using objc::NSInteger;
using objc::SEL;
using windowing::RTGadgetFunctionsObject;

using RT_NSComboBox = windowing::GadgetView<appkit::NSComboBoxObject>;

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
    return objc::sendSuper<BOOL>("NSComboBox"_class, self, "becomeFirstResponder"_sel);
}

void textDidEndEditing(RT_NSComboBox* self, SEL, id notification) {
    if (!self->endedByReturn())
        RaiseViewEvent(self, self->RT_tag, GadgetLostFocusEvent);
    objc::sendSuper<void>("NSComboBox"_class, self, "textDidEndEditing:"_sel, notification);
}

objc::ClassDefinition viewClass() {
    objc::ClassDefinition definition =
        windowing::GadgetViewClass<RT_NSComboBox>("RT_NSComboBox", "NSComboBox");
    definition.instanceMethod("becomeFirstResponder", &becomeFirstResponder)
        .instanceMethod("textDidEndEditing:", &textDidEndEditing);
    return definition;
}

appkit::NSComboBoxObject* comboBox(Functions* self) {
    return objc::liveCast<appkit::NSComboBoxObject>(self->mainView());
}

void showText(Functions* self, const std::u16string& text) {
    if (appkit::NSComboBoxObject* combo = comboBox(self))
        combo->setStringValue(text);
}

// The items are the operations object's own lists.
struct EditItems {
    using Functions = RTEditComboBoxGadgetFunctions;

    static std::int64_t count(Functions* self) {
        return static_cast<std::int64_t>(self->Items.size());
    }
    static std::u16string text(Functions* self, std::int64_t index) {
        return self->Items[static_cast<std::size_t>(index)];
    }
    static void setText(Functions* self, std::int64_t index, const std::u16string& text) {
        self->Items[static_cast<std::size_t>(index)] = text;
    }
    static std::int64_t data(Functions* self, std::int64_t index) {
        return self->Values[static_cast<std::size_t>(index)];
    }
    static void setData(Functions* self, std::int64_t index, std::int64_t value) {
        self->Values[static_cast<std::size_t>(index)] = value;
    }
    static void remove(Functions* self, std::int64_t index) {
        self->Items.erase(self->Items.begin() + index);
        self->Values.erase(self->Values.begin() + index);
    }
    static void clear(Functions* self) {
        self->Items.clear();
        self->Values.clear();
    }
    static std::int64_t insert(Functions* self, std::int64_t at, const std::u16string& text, id) {
        self->Items.insert(self->Items.begin() + at, text);
        self->Values.insert(self->Values.begin() + at, 0);
        return 1;
    }
};

id init(Functions* self, SEL) {
    self->Items.reserve(15);
    self->Values.reserve(15);
    self->SelectedIndex = -1;
    return self;
}

void freeGadget(Functions* self, SEL) {
    EditItems::clear(self);
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
    SendGadgetEvent(self, GadgetChangeEvent);
}

id getGadgetText(Functions* self, SEL) {
    appkit::NSComboBoxObject* combo = comboBox(self);
    return objc::autoreleasedNativeString(combo != nullptr ? combo->stringValue()
                                                           : std::u16string());
}

// Shows the text and selects the first item equal to it in the list (or none); the state
// stays as it was.
void setGadgetText(Functions* self, SEL, id text) {
    const std::u16string value = detail::ComboItemText(text, self->flags());
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

objc::ClassDefinition functionsClass() {
    objc::ClassDefinition definition("RTEditComboBoxGadgetFunctions", "RTGadgetFunctions",
                                     objc::factoryFor<RTEditComboBoxGadgetFunctions>());
    AddComboItemMethods<EditItems>(definition)
        .instanceMethod("GetGadgetText", &getGadgetText)
        .instanceMethod("SetGadgetText:", &setGadgetText)
        .instanceMethod("GetGadgetState", &getGadgetState)
        .instanceMethod("SetGadgetState:", &setGadgetState)
        .instanceMethod("controlTextDidChange:", &controlTextDidChange)
        .instanceMethod("numberOfItemsInComboBox:", &numberOfItemsInComboBox)
        .instanceMethod("comboBox:objectValueForItemAtIndex:", &objectValueForItemAtIndex)
        .instanceMethod("FreeGadget", &freeGadget)
        .instanceMethod("init", &init);
    return definition;
}

const objc::ClassRegistration viewRegistration{viewClass()};
const objc::ClassRegistration functionsRegistration{functionsClass()};

} // namespace

namespace detail {

std::int64_t CreateEditComboBoxGadget(core::ObjectNumber gadget, objc::NSRect frame,
                                      std::uint32_t flags) {
    GadgetCreation creation(gadget, ComboBoxGadgetKind, flags, frame, "RT_NSComboBox",
                            "RTEditComboBoxGadgetFunctions");
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
