#pragma once

// The item operations of the two forms of the combo box gadget (ComboBoxGadget.h), written once:
// the index checks, the case flags, positions that append and the native strings. A form gives
// only its item store, a class `Items` with static members over its operations object of type
// `Items::Functions`:
//
//   count(self)                          the number of items
//   text(self, i), setText(self, i, t)   an item's text (t already in the gadget's case)
//   data(self, i), setData(self, i, v)   an item's data value
//   remove(self, i), clear(self)
//   insert(self, i, t, image)            a new item at i (0 to count); answers what
//                                        AddGadgetItem:text:image:flags: gives
//
// The operations hand the store only indexes of existing items; any other index does nothing
// (getters give the empty text or 0).

#include <cstdint>
#include <string>

#include "platform/objc/ClassDefinition.h"
#include "platform/objc/NSString.h"
#include "runtime/controls/ComboBoxGadget.h"

namespace sondrel::controls {

namespace combo_items {

template <class Items> bool valid(typename Items::Functions* self, std::int64_t index) {
    return index >= 0 && index < Items::count(self);
}

template <class Items>
std::int64_t getItemData(typename Items::Functions* self, objc::SEL, std::int32_t index) {
    return valid<Items>(self, index) ? Items::data(self, index) : 0;
}

template <class Items>
void setItemData(typename Items::Functions* self, objc::SEL, std::int32_t index,
                 std::int64_t value) {
    if (valid<Items>(self, index))
        Items::setData(self, index, value);
}

template <class Items>
objc::id getItemText(typename Items::Functions* self, objc::SEL, std::int32_t index, std::int32_t) {
    return objc::autoreleasedNativeString(valid<Items>(self, index) ? Items::text(self, index)
                                                                    : std::u16string());
}

template <class Items>
void setItemText(typename Items::Functions* self, objc::SEL, std::int32_t index, objc::id text,
                 std::int32_t) {
    if (valid<Items>(self, index))
        Items::setText(self, index, detail::ComboItemText(text, self->flags()));
}

template <class Items> std::int32_t countItems(typename Items::Functions* self, objc::SEL) {
    return static_cast<std::int32_t>(Items::count(self));
}

template <class Items> void clearItems(typename Items::Functions* self, objc::SEL) {
    Items::clear(self);
}

template <class Items>
void removeItem(typename Items::Functions* self, objc::SEL, std::int32_t index) {
    if (valid<Items>(self, index))
        Items::remove(self, index);
}

// Positions below 0 or past the items append.
template <class Items>
std::int64_t addItem(typename Items::Functions* self, objc::SEL, std::int32_t position,
                     objc::id text, objc::id image, std::int32_t) {
    const std::int64_t count = Items::count(self);
    const std::int64_t at = position < 0 || position >= count ? count : position;
    return Items::insert(self, at, detail::ComboItemText(text, self->flags()), image);
}

} // namespace combo_items

template <class Items>
objc::ClassDefinition& AddComboItemMethods(objc::ClassDefinition& definition) {
    using namespace combo_items;
    return definition.instanceMethod("GetGadgetItemData:", &getItemData<Items>)
        .instanceMethod("SetGadgetItemData:value:", &setItemData<Items>)
        .instanceMethod("GetGadgetItemText:column:", &getItemText<Items>)
        .instanceMethod("SetGadgetItemText:text:column:", &setItemText<Items>)
        .instanceMethod("CountGadgetItems", &countItems<Items>)
        .instanceMethod("ClearGadgetItems", &clearItems<Items>)
        .instanceMethod("RemoveGadgetItem:", &removeItem<Items>)
        .instanceMethod("AddGadgetItem:text:image:flags:", &addItem<Items>);
}

} // namespace sondrel::controls
