#pragma once

// NSBox: a frame with an optional title, over a QGroupBox. Title positions follow Cocoa: 0 no
// title, 2 at the top (the other positions show it at the top as well). The title keeps its text
// while hidden, and its own font.

#include <string>

#include "platform/appkit/NSView.h"

namespace sondrel::appkit {

enum NSTitlePosition : NSUInteger {
    NSNoTitle = 0,
    NSAboveTop = 1,
    NSAtTop = 2,
    NSBelowTop = 3,
    NSAboveBottom = 4,
    NSAtBottom = 5,
    NSBelowBottom = 6,
};

class NSBoxObject : public NSViewObject {
public:
    explicit NSBoxObject(Class cls);

    void setTitle(const std::u16string& title);
    std::u16string title() const;
    void setTitlePosition(NSUInteger position);
    NSUInteger titlePosition() const;
    // An NSFont (anything else is ignored); titleFont gives a new autoreleased NSFont.
    void setTitleFont(id font);
    id titleFont() const;
    // The text the frame shows now (empty while the title position is NSNoTitle).
    std::u16string shownTitle() const;

private:
    void apply();

    std::u16string m_title;
    NSUInteger m_position = NSAtTop;
};

} // namespace sondrel::appkit
