#pragma once

// NSImageView: shows an NSImage (retained) at its size in points, placed by the image alignment
// (centre by default) and, with image scaling 2, never scaled. Frame style 0 draws no frame; the
// others draw a bezel two points wide, inside the view's bounds.
//
// The view takes its own mouse clicks (they do not reach the view below), so mouseDown:,
// mouseUp:, rightMouseDown:, rightMouseUp: and mouseDragged: reach this view's class, where
// subclasses override them.

#include "platform/appkit/NSControl.h"
#include "platform/appkit/Retained.h"

namespace sondrel::appkit {

enum NSImageFrameStyle : NSUInteger {
    NSImageFrameNone = 0,
    NSImageFramePhoto = 1,
    NSImageFrameGrayBezel = 2,
    NSImageFrameGroove = 3,
    NSImageFrameButton = 4,
};

enum NSImageScaling : NSUInteger {
    NSImageScaleProportionallyDown = 0,
    NSImageScaleAxesIndependently = 1,
    NSImageScaleNone = 2,
    NSImageScaleProportionallyUpOrDown = 3,
};

enum NSImageAlignment : NSUInteger {
    NSImageAlignCenter = 0,
    NSImageAlignTop = 1,
    NSImageAlignTopLeft = 2,
    NSImageAlignTopRight = 3,
    NSImageAlignLeft = 4,
    NSImageAlignBottom = 5,
    NSImageAlignBottomLeft = 6,
    NSImageAlignBottomRight = 7,
    NSImageAlignRight = 8,
};

class NSImageViewObject : public NSControlObject {
public:
    explicit NSImageViewObject(Class cls);

    void setImage(id image);
    id image() const { return m_image.get(); }
    void setImageFrameStyle(NSUInteger style);
    NSUInteger imageFrameStyle() const { return m_frameStyle; }
    void setImageScaling(NSUInteger scaling);
    NSUInteger imageScaling() const { return m_scaling; }
    void setImageAlignment(NSUInteger alignment);
    NSUInteger imageAlignment() const { return m_alignment; }
    void setEditable(bool flag) { m_editable = flag; }
    bool isEditable() const { return m_editable; }
    void setAnimates(bool flag) { m_animates = flag; }
    bool animates() const { return m_animates; }
    void setAllowsCutCopyPaste(bool flag) { m_allowsCutCopyPaste = flag; }
    bool allowsCutCopyPaste() const { return m_allowsCutCopyPaste; }

private:
    void redisplay();

    Retained<objc::Object> m_image;
    NSUInteger m_frameStyle = NSImageFrameNone;
    NSUInteger m_scaling = NSImageScaleProportionallyDown;
    NSUInteger m_alignment = NSImageAlignCenter;
    bool m_editable = false;
    bool m_animates = true;
    bool m_allowsCutCopyPaste = true;
};

// Width of the bezel a framed image view draws on each side, in points.
inline constexpr int kImageViewBezel = 2;

} // namespace sondrel::appkit
