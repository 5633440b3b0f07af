#pragma once

// NSFont: a font (family, point size, weight) as a Qt font. Fonts are immutable values; any
// thread may make or read one.

#include <QFont>

#include "platform/objc/Object.h"

namespace sondrel::appkit {

class NSFontObject : public objc::Object {
public:
    using Object::Object;

    const QFont& font() const { return m_font; }
    void setFont(const QFont& font) { m_font = font; }

private:
    QFont m_font;
};

// A new autoreleased NSFont holding `font`; null when the class is missing.
objc::id autoreleasedFont(const QFont& font);
// The font of a live NSFont, or none.
bool fontOf(const void* font, QFont& out);

} // namespace sondrel::appkit
