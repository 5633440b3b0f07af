#include "runtime/controls/TextViewCommands.h"

#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSTextContainer.h"
#include "platform/appkit/NSTextView.h"
#include "platform/appkit/TextViewPrinting.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Geometry.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"

namespace sondrel::controls {
namespace {

using objc::id;

// The content of the text view becomes the attributed string (which the caller releases).
int replaceContent(const void* textView, id attributed) {
    if (attributed == nullptr)
        return 0;
    objc::send<void>(objc::send<id>(textView, "textStorage"_sel), "setAttributedString:"_sel,
                     attributed);
    objc::release(attributed);
    return 1;
}

id newAttributedString() {
    return objc::send<id>("NSAttributedString"_class, "alloc"_sel);
}

} // namespace

void SetTextViewWordWrap(const void* textView, std::uint8_t flag) {
    if (appkit::textViewOf(textView) == nullptr)
        return;
    objc::send<void>(textView, "setHorizontallyResizable:"_sel, flag == 0 ? objc::YES : objc::NO);
    const id container = objc::send<id>(textView, "textContainer"_sel);
    objc::NSSize size = objc::send<objc::NSSize>(container, "containerSize"_sel);
    if (flag != 0) {
        const objc::NSRect frame = objc::send<objc::NSRect>(textView, "frame"_sel);
        const objc::NSSize inset = objc::send<objc::NSSize>(textView, "textContainerInset"_sel);
        size.width = frame.size.width - inset.width;
    } else {
        size.width = appkit::kUnlimitedTextSize;
    }
    objc::send<void>(container, "setContainerSize:"_sel, size);
    objc::send<void>(container, "setWidthTracksTextView:"_sel, flag != 0 ? objc::YES : objc::NO);
}

int LoadTextViewRtf(const void* textView, const void* bytes, std::size_t length) {
    if (appkit::textViewOf(textView) == nullptr)
        return 0;
    objc::AutoreleasePool pool;
    const id data = objc::send<id>("NSData"_class, "dataWithBytesNoCopy:length:freeWhenDone:"_sel,
                                   const_cast<void*>(bytes), objc::NSUInteger{length}, objc::NO);
    if (data == nullptr)
        return 0;
    return replaceContent(textView, objc::send<id>(newAttributedString(),
                                                   "initWithRTF:documentAttributes:"_sel, data,
                                                   static_cast<id*>(nullptr)));
}

int LoadTextViewHtml(const void* textView, core::TextView html) {
    return appkit::onMainThread([&] {
        appkit::NSTextViewObject* view = appkit::textViewOf(textView);
        if (view == nullptr || view->textStorage() == nullptr || html.empty())
            return 0;
        view->textStorage()->setHtml(html);
        return 1;
    });
}

int LoadTextViewFile(const void* textView, core::TextView path) {
    if (appkit::textViewOf(textView) == nullptr)
        return 0;
    objc::AutoreleasePool pool;
    return replaceContent(textView, objc::send<id>(newAttributedString(),
                                                   "initWithPath:documentAttributes:"_sel,
                                                   objc::autoreleasedNativeString(core::Text(path)),
                                                   static_cast<id*>(nullptr)));
}

void PrintTextView(const void* textView) {
    appkit::performOnMainThread([&] {
        if (appkit::NSTextViewObject* view = appkit::textViewOf(textView))
            appkit::printTextView(view);
    });
}

} // namespace sondrel::controls
