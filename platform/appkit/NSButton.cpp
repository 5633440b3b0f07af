#include "platform/appkit/NSButton.h"

#include <algorithm>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>

#include "platform/appkit/KeyTranslation.h"
#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSWindow.h"
#include "platform/appkit/QtStrings.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {
namespace {

// A Qt button whose clicks leave the state to the NSButton (Cocoa's cycle, not Qt's).
template <class Base> class CocoaButton final : public Base {
public:
    explicit CocoaButton(NSButtonObject* owner) : m_owner(owner) {
        QObject::connect(this, &QAbstractButton::clicked, this,
                         [this] { m_owner->widgetClicked(); });
    }

protected:
    void nextCheckState() override {}

private:
    NSButtonObject* m_owner; // the button owns this widget
};

QAbstractButton* makeWidget(NSButtonObject* owner, NSUInteger type) {
    switch (type) {
    case NSButtonTypeSwitch: {
        auto* box = new CocoaButton<QCheckBox>(owner);
        box->setTristate(true);
        return box;
    }
    case NSButtonTypeRadio: {
        auto* radio = new CocoaButton<QRadioButton>(owner);
        radio->setAutoExclusive(false);
        return radio;
    }
    default: {
        auto* push = new CocoaButton<QPushButton>(owner);
        push->setCheckable(type == NSButtonTypePushOnPushOff || type == NSButtonTypeToggle ||
                           type == NSButtonTypeOnOff);
        return push;
    }
    }
}

bool isMomentary(NSUInteger type) {
    return type == NSButtonTypeMomentaryLight || type == NSButtonTypeMomentaryChange ||
           type == NSButtonTypeMomentaryPushIn;
}

// Buttons whose key equivalent is Return, oldest first, and the filter that presses them.
class ReturnKeyButtons final : public QObject {
public:
    static ReturnKeyButtons& instance() {
        static auto* buttons = new ReturnKeyButtons; // lives as long as the application
        return *buttons;
    }

    void add(NSButtonObject* button) {
        if (std::find(m_buttons.begin(), m_buttons.end(), button) == m_buttons.end())
            m_buttons.push_back(button);
        if (!m_installed && qApp != nullptr) {
            qApp->installEventFilter(this);
            m_installed = true;
        }
    }
    void remove(NSButtonObject* button) { std::erase(m_buttons, button); }

    // Only key presses the application delivers after its own key handling are looked at, and
    // only once they have reached the window itself (no widget inside took them).
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !KeyCaptureBypass::active())
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (widget == nullptr || !widget->isWindow() ||
            (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        NSWindowObject* window = NSWindowObject::windowOfWidget(widget);
        for (NSButtonObject* button : m_buttons) {
            QAbstractButton* qt = button->button();
            if (window != nullptr && qt != nullptr && button->window() == window &&
                qt->isVisibleTo(widget) && qt->isEnabled()) {
                button->performClick();
                return true;
            }
        }
        return false;
    }

private:
    std::vector<NSButtonObject*> m_buttons; // borrowed: each removes itself when it goes
    bool m_installed = false;
};

} // namespace

NSButtonObject::NSButtonObject(Class cls) : NSControlObject(cls) {
    adoptWidget(makeWidget(this, m_type));
    applyToWidget();
}

NSButtonObject::~NSButtonObject() {
    ReturnKeyButtons::instance().remove(this);
}

QAbstractButton* NSButtonObject::button() const {
    return qobject_cast<QAbstractButton*>(widget());
}

void NSButtonObject::applyToWidget() {
    QAbstractButton* qt = button();
    if (qt == nullptr)
        return;
    qt->setText(toQString(m_title).replace(QLatin1Char('&'), QLatin1String("&&")));
    if (auto* box = qobject_cast<QCheckBox*>(qt)) {
        box->setCheckState(m_state == NSControlStateValueMixed ? Qt::PartiallyChecked
                           : m_state != 0                      ? Qt::Checked
                                                               : Qt::Unchecked);
    } else {
        qt->setChecked(m_state != 0);
    }
    if (auto* push = qobject_cast<QPushButton*>(qt)) {
        push->setFlat(!m_bordered);
        push->setDefault(m_keyEquivalent == u"\r");
    }
}

void NSButtonObject::setButtonType(NSUInteger type) {
    if (type == m_type)
        return;
    QAbstractButton* old = button();
    QAbstractButton* fresh = makeWidget(this, type);
    if (old != nullptr) {
        fresh->setEnabled(old->isEnabled());
        fresh->setFont(old->font());
        fresh->setToolTip(old->toolTip());
    }
    m_type = type;
    if (isMomentary(type))
        m_state = NSControlStateValueOff;
    adoptWidget(fresh);
    applyToWidget();
}

void NSButtonObject::setTitle(const std::u16string& title) {
    m_title = title;
    applyToWidget();
}

NSInteger NSButtonObject::normalisedState(NSInteger state) const {
    if (state == NSControlStateValueMixed && m_allowsMixedState)
        return NSControlStateValueMixed;
    return state != 0 ? NSControlStateValueOn : NSControlStateValueOff;
}

void NSButtonObject::setState(NSInteger state) {
    m_state = normalisedState(state);
    applyToWidget();
}

void NSButtonObject::setAllowsMixedState(bool flag) {
    m_allowsMixedState = flag;
    if (!flag && m_state == NSControlStateValueMixed)
        m_state = NSControlStateValueOn;
    applyToWidget();
}

void NSButtonObject::setBordered(bool flag) {
    m_bordered = flag;
    applyToWidget();
}

void NSButtonObject::setKeyEquivalent(const std::u16string& key) {
    m_keyEquivalent = key;
    if (key == u"\r")
        ReturnKeyButtons::instance().add(this);
    else
        ReturnKeyButtons::instance().remove(this);
    applyToWidget();
}

NSInteger NSButtonObject::nextState() const {
    if (isMomentary(m_type))
        return NSControlStateValueOff;
    if (m_allowsMixedState) {
        if (m_state == NSControlStateValueOn)
            return NSControlStateValueOff;
        if (m_state == NSControlStateValueOff)
            return NSControlStateValueMixed;
        return NSControlStateValueOn;
    }
    return m_state != 0 ? NSControlStateValueOff : NSControlStateValueOn;
}

void NSButtonObject::widgetClicked() {
    Retained<NSButtonObject> keepAlive = Retained<NSButtonObject>::retain(this);
    m_state = nextState();
    applyToWidget();
    sendAction();
}

void NSButtonObject::performClick() {
    if (QAbstractButton* qt = button(); qt != nullptr && qt->isEnabled())
        qt->click(); // through the widget, as a user's click goes
}

std::u16string NSButtonObject::stringValue() const {
    const std::string digits = std::to_string(m_state);
    return std::u16string(digits.begin(), digits.end());
}

void NSButtonObject::setStringValue(const std::u16string& value) {
    setState(leadingInteger(value));
}

namespace {

// Every message reaches the widget or the state it shows: all run on the main thread.
const objc::ClassRegistration registration{
    objc::ClassDefinition("NSButton", "NSControl", objc::factoryFor<NSButtonObject, OnMainThread>())
        .instanceMethod<&NSButtonObject::setButtonType, OnMainThread>("setButtonType:")
        .instanceMethod<&NSButtonObject::title, OnMainThread>("title")
        .instanceMethod<&NSButtonObject::setTitle, OnMainThread>("setTitle:")
        .instanceMethod<&NSButtonObject::state, OnMainThread>("state")
        .instanceMethod<&NSButtonObject::setState, OnMainThread>("setState:")
        .instanceMethod<&NSButtonObject::setAllowsMixedState, OnMainThread>("setAllowsMixedState:")
        .instanceMethod<&NSButtonObject::allowsMixedState, OnMainThread>("allowsMixedState")
        .instanceMethod<&NSButtonObject::setBezelStyle, OnMainThread>("setBezelStyle:")
        .instanceMethod<&NSButtonObject::bezelStyle, OnMainThread>("bezelStyle")
        .instanceMethod<&NSButtonObject::setBordered, OnMainThread>("setBordered:")
        .instanceMethod<&NSButtonObject::isBordered, OnMainThread>("isBordered")
        .instanceMethod<&NSButtonObject::setKeyEquivalent, OnMainThread>("setKeyEquivalent:")
        .instanceMethod<&NSButtonObject::keyEquivalent, OnMainThread>("keyEquivalent")
        .instanceMethod<objc::ignoringSender<&NSButtonObject::performClick>, OnMainThread>(
            "performClick:")};

} // namespace
} // namespace sondrel::appkit
