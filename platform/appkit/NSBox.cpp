#include "platform/appkit/NSBox.h"

#include <QFont>
#include <QGroupBox>

#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSFont.h"
#include "platform/appkit/QtStrings.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {

NSBoxObject::NSBoxObject(Class cls) : NSViewObject(cls) {
    adoptWidget(new QGroupBox);
    apply();
}

void NSBoxObject::apply() {
    if (auto* group = qobject_cast<QGroupBox*>(widget())) {
        group->setTitle(m_position == NSNoTitle
                            ? QString()
                            : toQString(m_title).replace(QLatin1Char('&'), QLatin1String("&&")));
        group->setAlignment(Qt::AlignLeft);
    }
}

void NSBoxObject::setTitle(const std::u16string& title) {
    m_title = title;
    apply();
}

std::u16string NSBoxObject::title() const {
    return m_title;
}

void NSBoxObject::setTitlePosition(NSUInteger position) {
    m_position = position;
    apply();
}

NSUInteger NSBoxObject::titlePosition() const {
    return m_position;
}

void NSBoxObject::setTitleFont(id font) {
    QFont qt;
    if (!fontOf(font, qt))
        return;
    if (QWidget* group = widget())
        group->setFont(qt);
}

id NSBoxObject::titleFont() const {
    const QWidget* group = widget();
    return autoreleasedFont(group != nullptr ? group->font() : QFont());
}

std::u16string NSBoxObject::shownTitle() const {
    const auto* group = qobject_cast<const QGroupBox*>(widget());
    return group != nullptr
               ? group->title().replace(QLatin1String("&&"), QLatin1String("&")).toStdU16String()
               : std::u16string();
}

namespace {

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSBox", "NSView", objc::factoryFor<NSBoxObject, OnMainThread>())
        .instanceMethod<&NSBoxObject::title, OnMainThread>("title")
        .instanceMethod<&NSBoxObject::setTitle, OnMainThread>("setTitle:")
        .instanceMethod<&NSBoxObject::titlePosition, OnMainThread>("titlePosition")
        .instanceMethod<&NSBoxObject::setTitlePosition, OnMainThread>("setTitlePosition:")
        .instanceMethod<&NSBoxObject::titleFont, OnMainThread>("titleFont")
        .instanceMethod<&NSBoxObject::setTitleFont, OnMainThread>("setTitleFont:")};

} // namespace
} // namespace sondrel::appkit
