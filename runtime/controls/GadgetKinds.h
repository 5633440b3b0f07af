#pragma once

// The gadget kinds: their kind numbers and creation flags, and the start-up and end of the kinds.
//
// Every kind is a native view class with the common gadget view behaviour (Gadget.h) and an
// operations class derived from RTGadgetFunctions that overrides the operations the kind
// supports. The creation operations are declared with their kinds (ButtonGadget.h,
// EditorGadget.h, ...); the text-carrying commands in GadgetTexts.h.
//
// Creation may be called on any thread that has a current gadget list (the window the gadget
// goes into is that thread's); the native work is carried out on the main thread. The result of
// every creation is, for AnyObjectNumber, the new dynamic object number; for a fixed number, the
// native view (the text view for an editor); 0 when the native view cannot be made.

#include <cstdint>

namespace sondrel::controls {

enum GadgetKind : std::int32_t {
    ButtonGadgetKind = 1,
    StringGadgetKind = 2,
    TextGadgetKind = 3,
    CheckBoxGadgetKind = 4,
    OptionGadgetKind = 5,
    FrameGadgetKind = 7,
    ComboBoxGadgetKind = 8,
    ImageGadgetKind = 9,
    EditorGadgetKind = 22,
};

enum ButtonGadgetFlags : std::uint32_t {
    ButtonRight = 1,
    ButtonLeft = 2,    // wins over ButtonRight
    ButtonToggle = 4,  // keeps its pressed state
    ButtonDefault = 8, // the Return key presses it (only at height 25)
};

enum StringGadgetFlags : std::uint32_t {
    StringPassword = 1,
    StringReadOnly = 2,
    StringUpperCase = 4,
    StringLowerCase = 8, // StringUpperCase wins
    StringNumeric = 16,  // wins over both cases
    StringBorderless = 32,
};

enum TextGadgetFlags : std::uint32_t {
    TextRight = 1,
    TextCenter = 2, // TextRight wins
    TextBorder = 4,
};

enum CheckBoxGadgetFlags : std::uint32_t {
    CheckBoxRight = 1,
    CheckBoxCenter = 2, // CheckBoxRight wins
    CheckBoxThreeState = 4,
};

enum ComboBoxGadgetFlags : std::uint32_t {
    ComboBoxEditable = 1,
    ComboBoxLowerCase = 2,
    ComboBoxUpperCase = 4, // ComboBoxLowerCase wins
    ComboBoxImages = 8,
};

enum ImageGadgetFlags : std::uint32_t {
    ImageBorder = 1,
};

enum EditorGadgetFlags : std::uint32_t {
    EditorReadOnly = 1,
    EditorWordWrap = 2,
};

// Gadget event subtypes the kinds raise.
enum GadgetEventSubtype : std::uint64_t {
    GadgetActionEvent = 0, // action, or left click of an image
    GadgetRightClickEvent = 1,
    GadgetLeftDoubleClickEvent = 2,
    GadgetRightDoubleClickEvent = 3,
    GadgetFocusEvent = 256,
    GadgetLostFocusEvent = 512,
    GadgetChangeEvent = 768,
    GadgetDragStartEvent = 2048,
};

// Start-up hook of the kinds: lets the gadget core end the current option group whenever a
// gadget of another kind is created. Calling it again does nothing harmful.
void InitGadgetKinds();
// End hook: frees every gadget (with its kind's own state) and forgets the option group.
void EndGadgetKinds();

} // namespace sondrel::controls
