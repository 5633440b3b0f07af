#include "platform/appkit/NSFont.h"

#include <QFontDatabase>
#include <QFontInfo>

#include "platform/appkit/QtStrings.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"

namespace sondrel::appkit {

using objc::Class;
using objc::id;
using objc::SEL;

id autoreleasedFont(const QFont& font) {
    auto* native = static_cast<NSFontObject*>(objc::createInstance("NSFont"_class));
    if (native == nullptr)
        return nullptr;
    native->setFont(font);
    return objc::autorelease(native);
}

bool fontOf(const void* font, QFont& out) {
    auto* native = objc::liveCast<NSFontObject>(font);
    if (native == nullptr)
        return false;
    out = native->font();
    return true;
}

namespace {

// Sizes of 0 or less mean the system's standard size, as they do for Cocoa's font methods.
QFont systemFont(double size, bool bold) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (size > 0)
        font.setPointSizeF(size);
    font.setBold(bold);
    return font;
}

id systemFontOfSize(Class, SEL, double size) {
    return autoreleasedFont(systemFont(size, false));
}

id boldSystemFontOfSize(Class, SEL, double size) {
    return autoreleasedFont(systemFont(size, true));
}

id userFixedPitchFontOfSize(Class, SEL, double size) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (size > 0)
        font.setPointSizeF(size);
    return autoreleasedFont(font);
}

// Any family name is accepted: Qt substitutes the closest installed family, as the platform's
// font matching would. A nil name gives nil.
id fontWithNameSize(Class, SEL, id name, double size) {
    const QString family = qStringFromNative(name);
    if (family.isEmpty())
        return nullptr;
    QFont font(family);
    font.setPointSizeF(size > 0 ? size : systemFont(0, false).pointSizeF());
    return autoreleasedFont(font);
}

double systemFontSize(Class, SEL) {
    return systemFont(0, false).pointSizeF();
}

double pointSize(NSFontObject* self, SEL) {
    return self->font().pointSizeF();
}

id familyName(NSFontObject* self, SEL) {
    return autoreleasedNativeString(QFontInfo(self->font()).family());
}

id fontName(NSFontObject* self, SEL) {
    QString name = QFontInfo(self->font()).family();
    if (self->font().bold())
        name += QStringLiteral("-Bold");
    return autoreleasedNativeString(name);
}

objc::BOOL isEqual(NSFontObject* self, SEL, id other) {
    QFont font;
    return fontOf(other, font) && font == self->font() ? objc::YES : objc::NO;
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSFont", "NSObject", objc::factoryFor<NSFontObject>())
        .classMethod("systemFontOfSize:", &systemFontOfSize)
        .classMethod("boldSystemFontOfSize:", &boldSystemFontOfSize)
        .classMethod("userFixedPitchFontOfSize:", &userFixedPitchFontOfSize)
        .classMethod("fontWithName:size:", &fontWithNameSize)
        .classMethod("systemFontSize", &systemFontSize)
        .instanceMethod("pointSize", &pointSize)
        .instanceMethod("familyName", &familyName)
        .instanceMethod("fontName", &fontName)
        .instanceMethod("isEqual:", &isEqual)};

} // namespace
} // namespace sondrel::appkit
