#include "runtime/controls/ComboBoxGadget.h"

#include "platform/appkit/NSMenu.h"
#include "platform/appkit/NSPopUpButton.h"
#include "platform/appkit/Retained.h"
#include "platform/appkit/TextCase.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "runtime/controls/GadgetCreation.h"
#include "runtime/controls/GadgetKinds.h"

namespace sondrel::controls {

namespace detail {

std::u16string ComboItemText(const void* text, std::uint32_t flags) {
    const std::u16string value = objc::nativeStringText(text);
    if (flags & ComboBoxLowerCase)
        return appkit::lowerCaseText(value);
    if (flags & ComboBoxUpperCase)
        return appkit::upperCaseText(value);
    return value;
}

} // namespace detail

namespace {

using appkit::NSMenuItemObject;
using appkit::NSPopUpButtonObject;
using objc::id;
using objc::SEL;
using windowing::RTGadgetFunctionsObject;

class RT_NSPopUpButton : public NSPopUpButtonObject, public windowing::GadgetViewFields {
public:
    using NSPopUpButtonObject::NSPopUpButtonObject;
};

objc::ClassDefinition viewClass() {
    objc::ClassDefinition definition("RT_NSPopUpButton", "NSPopUpButton",
                                     objc::factoryFor<RT_NSPopUpButton>());
    windowing::AddGadgetViewMethods<RT_NSPopUpButton>(definition);
    return definition;
}

NSPopUpButtonObject* popUp(RTGadgetFunctionsObject* self) {
    return objc::liveCast<NSPopUpButtonObject>(self->Gadget != nullptr ? self->Gadget->view
                                                                       : nullptr);
}

std::uint32_t flagsOf(RTGadgetFunctionsObject* self) {
    return self->Gadget != nullptr ? self->Gadget->flags : 0;
}

// The item at a valid index; null for any other.
NSMenuItemObject* itemAt(RTGadgetFunctionsObject* self, std::int64_t index) {
    NSPopUpButtonObject* button = popUp(self);
    return button != nullptr && index >= 0 && index < button->numberOfItems()
               ? button->itemAtIndex(index)
               : nullptr;
}

// The empty picture items of an image pop-up show when they have none; made once, kept.
id placeholderImage() {
    static const id image =
        objc::send<id>(objc::send<id>(objc::lookUpClass("NSImage"), "alloc"_sel),
                       "initWithSize:"_sel, objc::NSSize{16, 16});
    return image;
}

void eventHandler(RTGadgetFunctionsObject* self, SEL, id) {
    objc::send<void>(self, "SendEvent:"_sel, std::int64_t{GadgetChangeEvent});
}

void setGadgetItemImage(RTGadgetFunctionsObject* self, SEL, std::int32_t index, id image) {
    NSMenuItemObject* item = itemAt(self, index);
    if (item == nullptr || (flagsOf(self) & ComboBoxImages) == 0)
        return;
    item->setImage(image);
    popUp(self)->synchronizeTitle();
}

std::int64_t getGadgetItemData(RTGadgetFunctionsObject* self, SEL, std::int32_t index) {
    NSMenuItemObject* item = itemAt(self, index);
    return item != nullptr ? item->tag() : 0;
}

void setGadgetItemData(RTGadgetFunctionsObject* self, SEL, std::int32_t index, std::int64_t value) {
    if (NSMenuItemObject* item = itemAt(self, index))
        item->setTag(value);
}

id getGadgetItemText(RTGadgetFunctionsObject* self, SEL, std::int32_t index, std::int32_t) {
    NSMenuItemObject* item = itemAt(self, index);
    return objc::autoreleasedNativeString(item != nullptr ? item->title() : std::u16string());
}

void setGadgetItemText(RTGadgetFunctionsObject* self, SEL, std::int32_t index, id text,
                       std::int32_t) {
    if (NSMenuItemObject* item = itemAt(self, index)) {
        item->setTitle(detail::ComboItemText(text, flagsOf(self)));
        popUp(self)->synchronizeTitle();
    }
}

id getGadgetText(RTGadgetFunctionsObject* self, SEL) {
    NSPopUpButtonObject* button = popUp(self);
    return objc::autoreleasedNativeString(button != nullptr ? button->titleOfSelectedItem()
                                                            : std::u16string());
}

// Selects the item with that title, or none when no item has it.
void setGadgetText(RTGadgetFunctionsObject* self, SEL, id text) {
    if (NSPopUpButtonObject* button = popUp(self))
        button->selectItemAtIndex(
            button->indexOfItemWithTitle(detail::ComboItemText(text, flagsOf(self))));
}

std::int64_t getGadgetState(RTGadgetFunctionsObject* self, SEL) {
    NSPopUpButtonObject* button = popUp(self);
    return button != nullptr ? button->indexOfSelectedItem() : -1;
}

// -1 removes the selection; other indexes outside the items do nothing.
void setGadgetState(RTGadgetFunctionsObject* self, SEL, std::int64_t state) {
    NSPopUpButtonObject* button = popUp(self);
    if (button != nullptr && state >= -1 && state < button->numberOfItems())
        button->selectItemAtIndex(state);
}

std::int32_t countGadgetItems(RTGadgetFunctionsObject* self, SEL) {
    NSPopUpButtonObject* button = popUp(self);
    return button != nullptr ? static_cast<std::int32_t>(button->numberOfItems()) : 0;
}

void clearGadgetItems(RTGadgetFunctionsObject* self, SEL) {
    if (NSPopUpButtonObject* button = popUp(self))
        button->removeAllItems();
}

void removeGadgetItem(RTGadgetFunctionsObject* self, SEL, std::int32_t index) {
    if (itemAt(self, index) != nullptr)
        popUp(self)->removeItemAtIndex(index);
}

// Positions below 0 or past the items append. Adding never selects an item.
std::int64_t addGadgetItem(RTGadgetFunctionsObject* self, SEL, std::int32_t position, id text,
                           id image, std::int32_t) {
    NSPopUpButtonObject* button = popUp(self);
    if (button == nullptr)
        return 0;
    const std::uint32_t flags = flagsOf(self);
    const bool selected = button->indexOfSelectedItem() >= 0;
    appkit::Retained<NSMenuItemObject> item = appkit::Retained<NSMenuItemObject>::adopt(
        appkit::newMenuItem(detail::ComboItemText(text, flags), nullptr, u""));
    if (!item)
        return 0;
    item->setTag(0);
    if (flags & ComboBoxImages)
        item->setImage(image != nullptr ? image : placeholderImage());
    const objc::NSInteger count = button->numberOfItems();
    button->insertMenuItem(item.get(), position < 0 || position >= count ? count : position);
    if (!selected)
        button->selectItem(nullptr);
    return reinterpret_cast<std::int64_t>(item.get());
}

const objc::ClassRegistration viewRegistration{viewClass()};
const objc::ClassRegistration functionsRegistration{
    objc::ClassDefinition("RTComboBoxGadgetFunctions", "RTGadgetFunctions")
        .instanceMethod("EventHandler:", &eventHandler)
        .instanceMethod("SetGadgetItemImage:image:", &setGadgetItemImage)
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
        .instanceMethod("AddGadgetItem:text:image:flags:", &addGadgetItem)};

} // namespace

std::int64_t CreateComboBoxGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                                  std::int32_t width, std::int32_t height, std::uint32_t flags) {
    const objc::NSRect frame = GadgetFrame(x, y, width, height);
    if (flags & ComboBoxEditable)
        return detail::CreateEditComboBoxGadget(gadget, frame, flags);
    GadgetCreation creation;
    creation.number = gadget;
    creation.kind = ComboBoxGadgetKind;
    creation.flags = flags;
    creation.frame = frame;
    creation.viewClass = "RT_NSPopUpButton";
    creation.functionsClass = "RTComboBoxGadgetFunctions";
    creation.initialise = [&](id button) {
        return objc::send<id>(button, "initWithFrame:pullsDown:"_sel, frame, objc::NO);
    };
    return CreateGadget(creation);
}

} // namespace sondrel::controls
