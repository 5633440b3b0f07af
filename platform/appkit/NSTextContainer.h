#pragma once

// NSTextContainer: the area a text view lays its text out in. Its width decides the wrapping: the
// largest single-precision float (what Cocoa uses for "unlimited") means no wrapping, any other
// width wraps there, and a container that tracks its text view's width wraps at the view's
// visible width. The text view that owns the container is told of every change.

#include <functional>

#include "platform/appkit/AppKitTypes.h"

namespace sondrel::appkit {

// Cocoa's "unlimited" container size: FLT_MAX.
inline constexpr double kUnlimitedTextSize = 3.4028234663852886e38;

class NSTextContainerObject : public objc::Object {
public:
    using Object::Object;

    NSSize containerSize() const { return m_size; }
    void setContainerSize(NSSize size);
    bool widthTracksTextView() const { return m_widthTracks; }
    void setWidthTracksTextView(bool flag);
    bool heightTracksTextView() const { return m_heightTracks; }
    void setHeightTracksTextView(bool flag);
    double lineFragmentPadding() const { return m_padding; }
    void setLineFragmentPadding(double padding);

    // Called after every change (main thread); set by the owning text view.
    void setObserver(std::function<void()> observer) { m_observer = std::move(observer); }

private:
    void changed();

    NSSize m_size{kUnlimitedTextSize, kUnlimitedTextSize};
    bool m_widthTracks = true;
    bool m_heightTracks = false;
    double m_padding = 5.0;
    std::function<void()> m_observer;
};

} // namespace sondrel::appkit
