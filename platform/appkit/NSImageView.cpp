#include "platform/appkit/NSImageView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <qdrawutil.h>

#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSImage.h"
#include "platform/objc/ClassDefinition.h"

namespace sondrel::appkit {
namespace {

void paintImageView(const NSImageViewObject& view, QPainter& painter, const QRect& bounds,
                    const QPalette& palette);

class ImageWidget final : public QWidget {
public:
    explicit ImageWidget(NSImageViewObject* view) : m_view(view) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        paintImageView(*m_view, painter, rect(), palette());
    }
    // Clicks belong to the image view: taken here, they do not go on to the window below.
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }
    void mouseMoveEvent(QMouseEvent* event) override { event->accept(); }

private:
    NSImageViewObject* m_view; // the view owns this widget
};

// Where a picture of `size` goes inside `area` for an image alignment.
QPoint placed(const QRect& area, const QSize& size, NSUInteger alignment) {
    int x = area.left() + (area.width() - size.width()) / 2;
    int y = area.top() + (area.height() - size.height()) / 2;
    switch (alignment) {
    case NSImageAlignTopLeft:
    case NSImageAlignLeft:
    case NSImageAlignBottomLeft:
        x = area.left();
        break;
    case NSImageAlignTopRight:
    case NSImageAlignRight:
    case NSImageAlignBottomRight:
        x = area.right() + 1 - size.width();
        break;
    default:
        break;
    }
    switch (alignment) {
    case NSImageAlignTop:
    case NSImageAlignTopLeft:
    case NSImageAlignTopRight:
        y = area.top();
        break;
    case NSImageAlignBottom:
    case NSImageAlignBottomLeft:
    case NSImageAlignBottomRight:
        y = area.bottom() + 1 - size.height();
        break;
    default:
        break;
    }
    return QPoint(x, y);
}

} // namespace

NSImageViewObject::NSImageViewObject(Class cls) : NSControlObject(cls) {
    adoptWidget(new ImageWidget(this));
}

void NSImageViewObject::redisplay() {
    if (QWidget* widget = this->widget())
        widget->update();
}

void NSImageViewObject::setImage(id image) {
    m_image = Retained<objc::Object>::retain(objc::liveCast<NSImageObject>(image));
    redisplay();
}

void NSImageViewObject::setImageFrameStyle(NSUInteger style) {
    m_frameStyle = style;
    redisplay();
}

void NSImageViewObject::setImageScaling(NSUInteger scaling) {
    m_scaling = scaling;
    redisplay();
}

void NSImageViewObject::setImageAlignment(NSUInteger alignment) {
    m_alignment = alignment;
    redisplay();
}

namespace {

void paintImageView(const NSImageViewObject& view, QPainter& painter, const QRect& bounds,
                    const QPalette& palette) {
    QRect area = bounds;
    if (view.imageFrameStyle() != NSImageFrameNone) {
        qDrawShadePanel(&painter, bounds, palette, true, kImageViewBezel);
        area =
            bounds.adjusted(kImageViewBezel, kImageViewBezel, -kImageViewBezel, -kImageViewBezel);
    }
    const auto* image = objc::liveCast<NSImageObject>(view.image());
    if (image == nullptr || image->image().isNull())
        return;
    QImage picture = image->imageAtSize();
    switch (view.imageScaling()) {
    case NSImageScaleNone:
        break;
    case NSImageScaleAxesIndependently:
        picture = picture.scaled(area.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        break;
    case NSImageScaleProportionallyUpOrDown:
        picture = picture.scaled(area.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        break;
    default: // proportionally down: only pictures larger than the area shrink
        if (picture.width() > area.width() || picture.height() > area.height())
            picture = picture.scaled(area.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        break;
    }
    painter.save();
    painter.setClipRect(area);
    painter.drawImage(placed(area, picture.size(), view.imageAlignment()), picture);
    painter.restore();
}

} // namespace

namespace {

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSImageView", "NSControl",
                          objc::factoryFor<NSImageViewObject, OnMainThread>())
        .instanceMethod<&NSImageViewObject::setImage, OnMainThread>("setImage:")
        .instanceMethod<&NSImageViewObject::image, OnMainThread>("image")
        .instanceMethod<&NSImageViewObject::setImageFrameStyle, OnMainThread>("setImageFrameStyle:")
        .instanceMethod<&NSImageViewObject::imageFrameStyle, OnMainThread>("imageFrameStyle")
        .instanceMethod<&NSImageViewObject::setImageScaling, OnMainThread>("setImageScaling:")
        .instanceMethod<&NSImageViewObject::imageScaling, OnMainThread>("imageScaling")
        .instanceMethod<&NSImageViewObject::setImageAlignment, OnMainThread>("setImageAlignment:")
        .instanceMethod<&NSImageViewObject::imageAlignment, OnMainThread>("imageAlignment")
        .instanceMethod<&NSImageViewObject::setEditable, OnMainThread>("setEditable:")
        .instanceMethod<&NSImageViewObject::isEditable, OnMainThread>("isEditable")
        .instanceMethod<&NSImageViewObject::setAnimates, OnMainThread>("setAnimates:")
        .instanceMethod<&NSImageViewObject::animates, OnMainThread>("animates")
        .instanceMethod<&NSImageViewObject::setAllowsCutCopyPaste, OnMainThread>(
            "setAllowsCutCopyPaste:")
        .instanceMethod<&NSImageViewObject::allowsCutCopyPaste, OnMainThread>(
            "allowsCutCopyPaste")};

} // namespace
} // namespace sondrel::appkit
