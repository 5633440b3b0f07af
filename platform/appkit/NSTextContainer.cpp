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
void setContainerSize(NSTextContainerObject* self, SEL, NSSize size) {
    self->setContainerSize(size);
}
BOOL widthTracksTextView(NSTextContainerObject* self, SEL) {
    return onMainThread([&] { return self->widthTracksTextView(); }) ? YES : NO;
}
void setWidthTracksTextView(NSTextContainerObject* self, SEL, BOOL flag) {
    self->setWidthTracksTextView(flag != NO);
}
BOOL heightTracksTextView(NSTextContainerObject* self, SEL) {
    return onMainThread([&] { return self->heightTracksTextView(); }) ? YES : NO;
}
void setHeightTracksTextView(NSTextContainerObject* self, SEL, BOOL flag) {
    self->setHeightTracksTextView(flag != NO);
}
double lineFragmentPadding(NSTextContainerObject* self, SEL) {
    return onMainThread([&] { return self->lineFragmentPadding(); });
}
void setLineFragmentPadding(NSTextContainerObject* self, SEL, double padding) {
    self->setLineFragmentPadding(padding);
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSTextContainer", "NSObject", objc::factoryFor<NSTextContainerObject>())
        .instanceMethod("containerSize", &containerSize)
        .instanceMethod("setContainerSize:", &setContainerSize)
        .instanceMethod("widthTracksTextView", &widthTracksTextView)
        .instanceMethod("setWidthTracksTextView:", &setWidthTracksTextView)
        .instanceMethod("heightTracksTextView", &heightTracksTextView)
        .instanceMethod("setHeightTracksTextView:", &setHeightTracksTextView)
        .instanceMethod("lineFragmentPadding", &lineFragmentPadding)
        .instanceMethod("setLineFragmentPadding:", &setLineFragmentPadding)};

} // namespace
} // namespace sondrel::appkit
