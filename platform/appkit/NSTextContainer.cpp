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
    performOnMainThread([&] {
        m_size = size;
        changed();
    });
}

void NSTextContainerObject::setWidthTracksTextView(bool flag) {
    performOnMainThread([&] {
        m_widthTracks = flag;
        changed();
    });
}

void NSTextContainerObject::setHeightTracksTextView(bool flag) {
    performOnMainThread([&] {
        m_heightTracks = flag;
        changed();
    });
}

void NSTextContainerObject::setLineFragmentPadding(double padding) {
    performOnMainThread([&] {
        m_padding = padding;
        changed();
    });
}

namespace {

NSSize containerSize(NSTextContainerObject* self, SEL) {
    return onMainThread([&] { return self->containerSize(); });
}
BOOL widthTracksTextView(NSTextContainerObject* self, SEL) {
    return onMainThread([&] { return self->widthTracksTextView(); }) ? YES : NO;
}
BOOL heightTracksTextView(NSTextContainerObject* self, SEL) {
    return onMainThread([&] { return self->heightTracksTextView(); }) ? YES : NO;
}
double lineFragmentPadding(NSTextContainerObject* self, SEL) {
    return onMainThread([&] { return self->lineFragmentPadding(); });
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSTextContainer", "NSObject", objc::factoryFor<NSTextContainerObject>())
        .instanceMethod("containerSize", &containerSize)
        .instanceMethod<&NSTextContainerObject::setContainerSize>("setContainerSize:")
        .instanceMethod("widthTracksTextView", &widthTracksTextView)
        .instanceMethod<&NSTextContainerObject::setWidthTracksTextView>("setWidthTracksTextView:")
        .instanceMethod("heightTracksTextView", &heightTracksTextView)
        .instanceMethod<&NSTextContainerObject::setHeightTracksTextView>("setHeightTracksTextView:")
        .instanceMethod("lineFragmentPadding", &lineFragmentPadding)
        .instanceMethod<&NSTextContainerObject::setLineFragmentPadding>("setLineFragmentPadding:")};

} // namespace
} // namespace sondrel::appkit
