// The messages of NSTextView.

#include "platform/appkit/Autoresizing.h"
#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSTextContainer.h"
#include "platform/appkit/NSTextView.h"
#include "platform/appkit/TextViewPrinting.h"
#include "platform/objc/ClassDefinition.h"

namespace sondrel::appkit {
namespace {

id initWithFrame(NSTextViewObject* self, SEL, NSRect frame) {
    self->setFrame(frame);
    if (NSTextContainerObject* container = self->textContainer())
        container->setContainerSize(NSSize{frame.size.width, kUnlimitedTextSize});
    return self;
}
void setFrame(NSTextViewObject* self, SEL, NSRect frame) {
    self->setFrame(frame);
    self->frameChanged();
}
// Quotes are never replaced as the user types here; the setting is accepted.
void setQuoteSubstitution(NSTextViewObject*, SEL, BOOL) {}
BOOL quoteSubstitution(NSTextViewObject*, SEL) {
    return NO;
}
BOOL isFlipped(NSTextViewObject*, SEL) {
    return YES;
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSTextView", "NSView",
                          objc::factoryFor<NSTextViewObject, OnMainThread>())
        .instanceMethod<&initWithFrame, OnMainThread>("initWithFrame:")
        .instanceMethod<&setFrame, OnMainThread>("setFrame:")
        .instanceMethod<&NSTextViewObject::textStorage, OnMainThread>("textStorage")
        .instanceMethod<&NSTextViewObject::textContainer, OnMainThread>("textContainer")
        .instanceMethod<&NSTextViewObject::setEditable, OnMainThread>("setEditable:")
        .instanceMethod<&NSTextViewObject::isEditable, OnMainThread>("isEditable")
        .instanceMethod<&NSTextViewObject::setSelectable, OnMainThread>("setSelectable:")
        .instanceMethod<&NSTextViewObject::isSelectable, OnMainThread>("isSelectable")
        .instanceMethod<&NSTextViewObject::setRichText, OnMainThread>("setRichText:")
        .instanceMethod<&NSTextViewObject::isRichText, OnMainThread>("isRichText")
        .instanceMethod("setAutomaticQuoteSubstitutionEnabled:", &setQuoteSubstitution)
        .instanceMethod("isAutomaticQuoteSubstitutionEnabled", &quoteSubstitution)
        .instanceMethod<&NSTextViewObject::setFont, OnMainThread>("setFont:")
        .instanceMethod<&NSTextViewObject::font, OnMainThread>("font")
        .instanceMethod<&NSTextViewObject::setTextColor, OnMainThread>("setTextColor:")
        .instanceMethod<&NSTextViewObject::textColor, OnMainThread>("textColor")
        .instanceMethod<&NSTextViewObject::setBackgroundColor, OnMainThread>("setBackgroundColor:")
        .instanceMethod<&NSTextViewObject::backgroundColor, OnMainThread>("backgroundColor")
        .instanceMethod<&NSTextViewObject::setDrawsBackground, OnMainThread>("setDrawsBackground:")
        .instanceMethod<&NSTextViewObject::drawsBackground, OnMainThread>("drawsBackground")
        .instanceMethod<&NSTextViewObject::setAlignment, OnMainThread>("setAlignment:")
        .instanceMethod<&NSTextViewObject::alignment, OnMainThread>("alignment")
        .instanceMethod<&NSTextViewObject::setString, OnMainThread>("setString:")
        .instanceMethod<&NSTextViewObject::string, OnMainThread>("string")
        .instanceMethod<&NSTextViewObject::scrollRangeToVisible, OnMainThread>(
            "scrollRangeToVisible:")
        .instanceMethod<&NSTextViewObject::setHorizontallyResizable, OnMainThread>(
            "setHorizontallyResizable:")
        .instanceMethod<&NSTextViewObject::isHorizontallyResizable, OnMainThread>(
            "isHorizontallyResizable")
        .instanceMethod<&NSTextViewObject::setVerticallyResizable, OnMainThread>(
            "setVerticallyResizable:")
        .instanceMethod<&NSTextViewObject::isVerticallyResizable, OnMainThread>(
            "isVerticallyResizable")
        .instanceMethod<&NSTextViewObject::setMaxSize, OnMainThread>("setMaxSize:")
        .instanceMethod<&NSTextViewObject::maxSize, OnMainThread>("maxSize")
        .instanceMethod<&NSTextViewObject::setMinSize, OnMainThread>("setMinSize:")
        .instanceMethod<&NSTextViewObject::minSize, OnMainThread>("minSize")
        .instanceMethod<&NSTextViewObject::textContainerInset, OnMainThread>("textContainerInset")
        .instanceMethod<&NSTextViewObject::setTextContainerInset, OnMainThread>(
            "setTextContainerInset:")
        .instanceMethod<&NSTextViewObject::setDelegate, OnMainThread>("setDelegate:")
        .instanceMethod<&NSTextViewObject::delegate, OnMainThread>("delegate")
        .instanceMethod<&setAutoresizingMask, OnMainThread>("setAutoresizingMask:")
        .instanceMethod<&autoresizingMask, OnMainThread>("autoresizingMask")
        .instanceMethod<objc::ignoringSender<&printTextView>, OnMainThread>("print:")
        .instanceMethod<&NSTextViewObject::isSelectable, OnMainThread>("acceptsFirstResponder")
        .instanceMethod("isFlipped", &isFlipped)};

} // namespace
} // namespace sondrel::appkit
