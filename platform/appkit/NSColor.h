#pragma once

// NSColor: a device RGB colour with alpha, or a pattern colour that tiles a picture (an
// NSImage, retained, drawn at its size in points).

#include <QBrush>
#include <QColor>

#include "platform/objc/Object.h"

namespace sondrel::appkit {

class NSColorObject : public objc::Object {
public:
    using Object::Object;
    ~NSColorObject() override;

    const QColor& color() const { return m_color; }
    void setColor(const QColor& color) { m_color = color; }
    // The NSImage of a pattern colour; null for a plain colour.
    objc::id patternImage() const { return m_patternImage; }
    void setPatternImage(objc::id image);
    // What to paint with: the colour, or the pattern tiled at the image's size in points.
    QBrush brush() const;

private:
    QColor m_color;
    objc::id m_patternImage = nullptr;
};

// The colour of a live NSColor, or an invalid QColor for anything else.
QColor colorOf(const void* color);

} // namespace sondrel::appkit
