#include "runtime/controls/ComboBoxGadget.h"

#include "platform/appkit/NSMenu.h"
#include "platform/appkit/NSPopUpButton.h"
#include "platform/appkit/Retained.h"
#include "platform/appkit/TextCase.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "runtime/controls/ComboItems.h"
#include "runtime/controls/GadgetCreation.h"
#include "runtime/controls/GadgetKinds.h"
#include "runtime/controls/SharedGadgetMethods.h"

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

using RT_NSPopUpButton = windowing::GadgetView<NSPopUpButtonObject>;

NSPopUpButtonObject* popUp(RTGadgetFunctionsObject* self) {
    return objc::liveCast<NSPopUpButtonObject>(self->mainView());
}

// The empty picture items of an image pop-up show when they have none; made once, kept.
id placeholderImage() {
    static const id image = objc::send<id>(objc::send<id>("NSImage"_class, "alloc"_sel),
                                           "initWithSize:"_sel, objc::NSSize{16, 16});
    return image;
}

// The items are the pop-up's menu items; an item's data is its tag.
struct PopUpItems {
    using Functions = RTGadgetFunctionsObject;

    static NSMenuItemObject* item(Functions* self, std::int64_t index) {
        return popUp(self)->itemAtIndex(index);
    }
    static std::int64_t count(Functions* self) {
        NSPopUpButtonObject* button = popUp(self);
        return button != nullptr ? button->numberOfItems() : 0;
    }
    static std::u16string text(Functions* self, std::int64_t index) {
        return item(self, index)->title();
    }
    static void setText(Functions* self, std::int64_t index, const std::u16string& text) {
        item(self, index)->setTitle(text);
        popUp(self)->synchronizeTitle();
    }
    static std::int64_t data(Functions* self, std::int64_t index) {
        return item(self, index)->tag();
    }
    static void setData(Functions* self, std::int64_t index, std::int64_t value) {
        item(self, index)->setTag(value);
    }
    static void remove(Functions* self, std::int64_t index) {
        popUp(self)->removeItemAtIndex(index);
    }
    static void clear(Functions* self) {
        if (NSPopUpButtonObject* button = popUp(self))
            button->removeAllItems();
    }
    // Adding never selects an item; the result is the new menu item.
    static std::int64_t insert(Functions* self, std::int64_t at, const std::u16string& text,
                               id image) {
        NSPopUpButtonObject* button = popUp(self);
        if (button == nullptr)
            return 0;
        const bool selected = button->indexOfSelectedItem() >= 0;
        appkit::Retained<NSMenuItemObject> item =
            appkit::Retained<NSMenuItemObject>::adopt(appkit::newMenuItem(text, nullptr, u""));
        if (!item)
            return 0;
        item->setTag(0);
        if (self->flags() & ComboBoxImages)
            item->setImage(image != nullptr ? image : placeholderImage());
        button->insertMenuItem(item.get(), at);
        if (!selected)
            button->selectItem(nullptr);
        return reinterpret_cast<std::int64_t>(item.get());
    }
};

void eventHandler(RTGadgetFunctionsObject* self, SEL, id) {
    SendGadgetEvent(self, GadgetChangeEvent);
}

void setGadgetItemImage(RTGadgetFunctionsObject* self, SEL, std::int32_t index, id image) {
    if (!combo_items::valid<PopUpItems>(self, index) || (self->flags() & ComboBoxImages) == 0)
        return;
    PopUpItems::item(self, index)->setImage(image);
    popUp(self)->synchronizeTitle();
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
            button->indexOfItemWithTitle(detail::ComboItemText(text, self->flags())));
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

objc::ClassDefinition functionsClass() {
    objc::ClassDefinition definition("RTComboBoxGadgetFunctions", "RTGadgetFunctions");
    AddComboItemMethods<PopUpItems>(definition)
        .instanceMethod("EventHandler:", &eventHandler)
        .instanceMethod("SetGadgetItemImage:image:", &setGadgetItemImage)
        .instanceMethod("GetGadgetText", &getGadgetText)
        .instanceMethod("SetGadgetText:", &setGadgetText)
        .instanceMethod("GetGadgetState", &getGadgetState)
        .instanceMethod("SetGadgetState:", &setGadgetState);
    return definition;
}

const objc::ClassRegistration viewRegistration{
    windowing::GadgetViewClass<RT_NSPopUpButton>("RT_NSPopUpButton", "NSPopUpButton")};
const objc::ClassRegistration functionsRegistration{functionsClass()};

} // namespace

std::int64_t CreateComboBoxGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                                  std::int32_t width, std::int32_t height, std::uint32_t flags) {
    const objc::NSRect frame = GadgetFrame(x, y, width, height);
    if (flags & ComboBoxEditable)
        return detail::CreateEditComboBoxGadget(gadget, frame, flags);
    GadgetCreation creation(gadget, ComboBoxGadgetKind, flags, frame, "RT_NSPopUpButton",
                            "RTComboBoxGadgetFunctions");
    creation.initialise = [&](id button) {
        return objc::send<id>(button, "initWithFrame:pullsDown:"_sel, frame, objc::NO);
    };
    return CreateGadget(creation);
}

} // namespace sondrel::controls
