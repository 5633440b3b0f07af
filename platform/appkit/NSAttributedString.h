#pragma once

// NSAttributedString: a text with character and paragraph styles (objc::AttributedText), made
// from a plain string, from RTF data or from a file. It is free of Qt objects, so any thread may
// make one; text views turn it into their document on the main thread
// (AttributedTextDocument.h).

#include "platform/objc/AttributedText.h"
#include "platform/objc/Object.h"

namespace sondrel::appkit {

class NSAttributedStringObject : public objc::Object {
public:
    using Object::Object;

    const objc::AttributedText& text() const { return m_text; }
    void setText(objc::AttributedText text) { m_text = std::move(text); }

private:
    objc::AttributedText m_text;
};

// The attributed text of a live NSAttributedString; null for anything else.
const objc::AttributedText* attributedTextOf(const void* string);

} // namespace sondrel::appkit
