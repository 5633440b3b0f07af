#include "runtime/controls/EditorGadget.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/appkit/Foundation.h"
#include "platform/appkit/NSScrollView.h"
#include "platform/appkit/NSTextView.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
#include "runtime/controls/GadgetCreation.h"
#include "runtime/controls/GadgetKinds.h"
#include "runtime/controls/SharedGadgetMethods.h"
#include "runtime/controls/TextViewCommands.h"

namespace sondrel::controls {
namespace {

using appkit::NSTextStorageObject;
using appkit::NSTextViewObject;
using appkit::TextLines;
using objc::BOOL;
using objc::id;
using objc::SEL;
using windowing::RTGadgetFunctionsObject;

using RTEditorGadgetTextView = windowing::GadgetView<NSTextViewObject>;

BOOL becomeFirstResponder(RTEditorGadgetTextView* self, SEL) {
    RaiseViewEvent(self, self->RT_tag, GadgetFocusEvent);
    return objc::sendSuper<BOOL>("NSTextView"_class, self, "becomeFirstResponder"_sel);
}

BOOL resignFirstResponder(RTEditorGadgetTextView* self, SEL) {
    RaiseViewEvent(self, self->RT_tag, GadgetLostFocusEvent);
    return objc::sendSuper<BOOL>("NSTextView"_class, self, "resignFirstResponder"_sel);
}

objc::ClassDefinition viewClass() {
    objc::ClassDefinition definition =
        windowing::GadgetViewClass<RTEditorGadgetTextView>("RTEditorGadgetTextView", "NSTextView");
    definition.instanceMethod("becomeFirstResponder", &becomeFirstResponder)
        .instanceMethod("resignFirstResponder", &resignFirstResponder);
    return definition;
}

NSTextViewObject* textView(RTGadgetFunctionsObject* self) {
    return appkit::textViewOf(self->mainView());
}

NSTextStorageObject* storage(RTGadgetFunctionsObject* self) {
    NSTextViewObject* view = textView(self);
    return view != nullptr ? view->textStorage() : nullptr;
}

// The lines as the design splits them: every "\r" read as "\n".
std::vector<std::u16string> linesOf(const TextLines& lines) {
    std::vector<std::u16string> result;
    for (std::size_t i = 0; i < lines.lineCount(); ++i)
        result.emplace_back(lines.lineText(i));
    return result;
}

std::u16string joined(const std::vector<std::u16string>& lines) {
    std::u16string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += u'\n';
        text += lines[i];
    }
    return text;
}

// The whole text again from its lines. Only a text holding "\r" changes by it ("\r" becomes
// "\n"); any other text is its lines joined already, so it is left as it is.
void rebuild(NSTextStorageObject* text) {
    if (text->hasCarriageReturns())
        text->replaceCharacters(0, text->length(), joined(linesOf(text->lines())));
}

void redisplay(RTGadgetFunctionsObject* self) {
    if (NSTextViewObject* view = textView(self))
        view->setNeedsDisplay(true);
}

void textDidChange(RTGadgetFunctionsObject* self, SEL, id) {
    SendGadgetEvent(self, GadgetChangeEvent);
}

id getGadgetColor(RTGadgetFunctionsObject* self, SEL, std::int32_t type) {
    return TextOrBackgroundColor(textView(self), type);
}

void setGadgetColor(RTGadgetFunctionsObject* self, SEL, std::int32_t type, id color) {
    SetTextOrBackgroundColor(textView(self), type, color);
}

std::int64_t getGadgetAttribute(RTGadgetFunctionsObject* self, SEL, std::int32_t attribute) {
    NSTextViewObject* view = textView(self);
    if (view == nullptr)
        return 0;
    if (attribute == 1)
        return view->isEditable() ? 0 : 1;
    if (attribute == 2)
        return view->isHorizontallyResizable() ? 0 : 1;
    return 0;
}

void setGadgetAttribute(RTGadgetFunctionsObject* self, SEL, std::int32_t attribute,
                        std::int64_t value) {
    NSTextViewObject* view = textView(self);
    if (view == nullptr)
        return;
    if (attribute == 1) {
        view->setEditable(value == 0);
        view->setSelectable(true);
    } else if (attribute == 2) {
        SetTextViewWordWrap(view, value != 0 ? 1 : 0);
    }
}

id getGadgetItemText(RTGadgetFunctionsObject* self, SEL, std::int32_t index, std::int32_t) {
    NSTextStorageObject* text = storage(self);
    if (text == nullptr || index < 0 || static_cast<std::size_t>(index) >= text->lineCount())
        return objc::autoreleasedNativeString(u"");
    return objc::autoreleasedNativeString(text->lineText(static_cast<std::size_t>(index)));
}

void setGadgetItemText(RTGadgetFunctionsObject* self, SEL, std::int32_t index, id item,
                       std::int32_t) {
    NSTextStorageObject* text = storage(self);
    if (text == nullptr)
        return;
    if (index >= 0 && static_cast<std::size_t>(index) < text->lineCount()) {
        const TextLines::Range line = text->lines().line(static_cast<std::size_t>(index));
        text->replaceCharacters(line.start, line.length, objc::nativeStringText(item));
    }
    rebuild(text);
    redisplay(self);
}

id getGadgetText(RTGadgetFunctionsObject* self, SEL) {
    NSTextStorageObject* text = storage(self);
    return objc::autoreleasedNativeString(text != nullptr ? text->string() : std::u16string());
}

void setGadgetText(RTGadgetFunctionsObject* self, SEL, id text) {
    if (NSTextViewObject* view = textView(self)) {
        view->setString(objc::nativeStringText(text));
        redisplay(self);
    }
}

std::int32_t countGadgetItems(RTGadgetFunctionsObject* self, SEL) {
    NSTextStorageObject* text = storage(self);
    return text != nullptr ? static_cast<std::int32_t>(text->lineCount()) : 0;
}

void clearGadgetItems(RTGadgetFunctionsObject* self, SEL) {
    if (NSTextViewObject* view = textView(self)) {
        view->setString(u"");
        redisplay(self);
    }
}

// The line and the line end that separates it from its neighbour go.
void removeGadgetItem(RTGadgetFunctionsObject* self, SEL, std::int32_t index) {
    NSTextStorageObject* text = storage(self);
    if (text == nullptr)
        return;
    const std::size_t count = text->lineCount();
    if (index >= 0 && static_cast<std::size_t>(index) < count) {
        const TextLines::Range line = text->lines().line(static_cast<std::size_t>(index));
        if (count == 1)
            text->replaceCharacters(0, text->length(), u"");
        else if (static_cast<std::size_t>(index) + 1 < count)
            text->replaceCharacters(line.start, line.length + 1, u"");
        else
            text->replaceCharacters(line.start - 1, line.length + 1, u"");
    }
    rebuild(text);
    redisplay(self);
}

std::int64_t addGadgetItem(RTGadgetFunctionsObject* self, SEL, std::int32_t position, id item, id,
                           std::int32_t) {
    NSTextStorageObject* text = storage(self);
    if (text == nullptr)
        return 0;
    const std::u16string line = objc::nativeStringText(item);
    if (position < 0) {
        if (text->length() > 0)
            text->append(objc::AttributedText(u"\n"));
        text->append(objc::AttributedText(line));
    } else if (text->hasCarriageReturns()) {
        std::vector<std::u16string> lines = linesOf(text->lines());
        const auto at = std::min(static_cast<std::size_t>(position), lines.size());
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), line);
        text->replaceCharacters(0, text->length(), joined(lines));
    } else if (static_cast<std::size_t>(position) >= text->lineCount()) {
        text->replaceCharacters(text->length(), 0, text->length() > 0 ? u"\n" + line : line);
    } else {
        const TextLines::Range at = text->lines().line(static_cast<std::size_t>(position));
        text->replaceCharacters(at.start, 0, line + u"\n");
    }
    redisplay(self);
    return 0;
}

// The lines of a text as the editor counts them, as an array of strings.
id getLines(RTGadgetFunctionsObject*, SEL, id text) {
    TextLines lines;
    lines.assign(objc::nativeStringText(text));
    return appkit::autoreleasedStringArray(linesOf(lines));
}

id getGadgetFont(RTGadgetFunctionsObject* self, SEL) {
    NSTextViewObject* view = textView(self);
    return view != nullptr ? view->font() : nullptr;
}

void setGadgetFont(RTGadgetFunctionsObject* self, SEL, id font) {
    if (NSTextViewObject* view = textView(self); view != nullptr && font != nullptr)
        view->setFont(font);
}

const objc::ClassRegistration viewRegistration{viewClass()};
const objc::ClassRegistration functionsRegistration{
    objc::ClassDefinition("RTEditorGadgetFunctions", "RTGadgetFunctions")
        .instanceMethod("textDidChange:", &textDidChange)
        .instanceMethod("GetGadgetColor:", &getGadgetColor)
        .instanceMethod("SetGadgetColor:color:", &setGadgetColor)
        .instanceMethod("GetGadgetAttribute:", &getGadgetAttribute)
        .instanceMethod("SetGadgetAttribute:value:", &setGadgetAttribute)
        .instanceMethod("GetGadgetItemText:column:", &getGadgetItemText)
        .instanceMethod("SetGadgetItemText:text:column:", &setGadgetItemText)
        .instanceMethod("GetGadgetText", &getGadgetText)
        .instanceMethod("SetGadgetText:", &setGadgetText)
        .instanceMethod("CountGadgetItems", &countGadgetItems)
        .instanceMethod("ClearGadgetItems", &clearGadgetItems)
        .instanceMethod("RemoveGadgetItem:", &removeGadgetItem)
        .instanceMethod("AddGadgetItem:text:image:flags:", &addGadgetItem)
        .instanceMethod("GetLines:", &getLines)
        .instanceMethod("GetGadgetFont", &getGadgetFont)
        .instanceMethod("SetGadgetFont:", &setGadgetFont)};

} // namespace

std::int64_t CreateEditorGadget(core::ObjectNumber gadget, std::int32_t x, std::int32_t y,
                                std::int32_t width, std::int32_t height, std::uint32_t flags) {
    const objc::NSRect frame = GadgetFrame(x, y, width, height);
    GadgetCreation creation(gadget, EditorGadgetKind, flags, frame, "RTEditorGadgetTextView",
                            "RTEditorGadgetFunctions");
    creation.initialise = [&](id view) {
        return objc::send<id>(view, "initWithFrame:"_sel,
                              GadgetFrame(0, 0, std::max(width, 1), std::max(height, 1)));
    };
    creation.container = [&](appkit::NSViewObject*) -> appkit::NSViewObject* {
        const id scroll = objc::send<id>(objc::send<id>("NSScrollView"_class, "alloc"_sel),
                                         "initWithFrame:"_sel, frame);
        return objc::liveCast<appkit::NSViewObject>(objc::autorelease(scroll));
    };
    creation.configure = [&](appkit::NSViewObject* view, RTGadgetFunctionsObject* functions) {
        constexpr double kUnlimited = appkit::kUnlimitedTextSize;
        objc::send<void>(view, "setRichText:"_sel, objc::NO);
        objc::send<void>(view, "setAutomaticQuoteSubstitutionEnabled:"_sel, objc::NO);
        if (flags & EditorReadOnly) {
            objc::send<void>(view, "setEditable:"_sel, objc::NO);
            objc::send<void>(view, "setSelectable:"_sel, objc::YES);
        }
        objc::send<void>(view, "setHorizontallyResizable:"_sel, objc::YES);
        objc::send<void>(view, "setAutoresizingMask:"_sel, objc::NSUInteger{18});
        objc::send<void>(view, "setMaxSize:"_sel, objc::NSSize{kUnlimited, kUnlimited});
        const id container = objc::send<id>(view, "textContainer"_sel);
        objc::send<void>(container, "setContainerSize:"_sel, objc::NSSize{kUnlimited, kUnlimited});
        objc::send<void>(container, "setWidthTracksTextView:"_sel, objc::NO);
        windowing::RT_GadgetStructure* record = functions->Gadget;
        const id scroll = record != nullptr ? record->container : nullptr;
        objc::send<void>(scroll, "setDocumentView:"_sel, static_cast<id>(view));
        objc::send<void>(scroll, "setHasVerticalScroller:"_sel, objc::YES);
        objc::send<void>(scroll, "setHasHorizontalScroller:"_sel, objc::YES);
        objc::send<void>(scroll, "setAutohidesScrollers:"_sel, objc::YES);
        objc::send<void>(scroll, "setBorderType:"_sel, objc::NSUInteger{2});
        objc::send<void>(view, "setDelegate:"_sel, static_cast<id>(functions));
        if (flags & EditorWordWrap)
            objc::send<void>(functions, "SetGadgetAttribute:value:"_sel, std::int32_t{2},
                             std::int64_t{1});
    };
    return CreateGadget(creation);
}

} // namespace sondrel::controls
