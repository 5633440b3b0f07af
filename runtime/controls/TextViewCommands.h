#pragma once

// Commands on a native text view (NSTextView, for example the one GadgetHandle gives for an
// editor): word wrap, and replacing the whole content with formatted text. A receiver that is not
// a text view is left alone (the loads then give 0).

#include <cstddef>
#include <cstdint>

#include "runtime/core/Text.h"

namespace sondrel::controls {

// Non-zero wraps lines at the view's width (the text container then is the view's width less the
// inset's width and follows the view); zero stops wrapping (the container is unlimited and the
// view may grow sideways).
void SetTextViewWordWrap(const void* textView, std::uint8_t flag);

// 1 when the bytes were read as RTF and now are the whole content, 0 otherwise (the view is then
// unchanged). The bytes need only stay valid during the call.
int LoadTextViewRtf(const void* textView, const void* bytes, std::size_t length);
// The same for an HTML text; 0 for an empty one.
int LoadTextViewHtml(const void* textView, core::TextView html);
// The same for a file: RTF when it is RTF, else plain text (UTF-8, or Latin-1 when it is not).
int LoadTextViewFile(const void* textView, core::TextView path);

// Prints the whole text through the print dialog (see platform/appkit/TextViewPrinting.h).
void PrintTextView(const void* textView);

} // namespace sondrel::controls
