#include "platform/appkit/NSTextContainer.h"

#include "platform/appkit/MainThread.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Geometry.h"

namespace sondrel::appkit {

void NSTextContainerObject::changed() {
    if (m_observer)
        m_observer();
}

void NSTextContainerObject::setContainerSize(NSSize size) {
    m_size = size;
    changed();
}

void NSTextContainerObject::setWidthTracksTextView(bool flag) {
    m_widthTracks = flag;
    changed();
}

void NSTextContainerObject::setHeightTracksTextView(bool flag) {
    m_heightTracks = flag;
    changed();
}

void NSTextContainerObject::setLineFragmentPadding(double padding) {
    m_padding = padding;
    changed();
}

namespace {

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSTextContainer", "NSObject", objc::factoryFor<NSTextContainerObject>())
        .instanceMethod<&NSTextContainerObject::containerSize, OnMainThread>("containerSize")
        .instanceMethod<&NSTextContainerObject::setContainerSize, OnMainThread>("setContainerSize:")
        .instanceMethod<&NSTextContainerObject::widthTracksTextView, OnMainThread>(
            "widthTracksTextView")
        .instanceMethod<&NSTextContainerObject::setWidthTracksTextView, OnMainThread>(
            "setWidthTracksTextView:")
        .instanceMethod<&NSTextContainerObject::heightTracksTextView, OnMainThread>(
            "heightTracksTextView")
        .instanceMethod<&NSTextContainerObject::setHeightTracksTextView, OnMainThread>(
            "setHeightTracksTextView:")
        .instanceMethod<&NSTextContainerObject::lineFragmentPadding, OnMainThread>(
            "lineFragmentPadding")
        .instanceMethod<&NSTextContainerObject::setLineFragmentPadding, OnMainThread>(
            "setLineFragmentPadding:")};

} // namespace
} // namespace sondrel::appkit
