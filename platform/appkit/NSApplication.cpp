#include "platform/appkit/NSApplication.h"

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QTimer>
#include <QWidget>

#include "platform/appkit/ApplicationLaunch.h"
#include "platform/appkit/Foundation.h"
#include "platform/appkit/KeyTranslation.h"
#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSEvent.h"
#include "platform/appkit/NSMenu.h"
#include "platform/appkit/NSWindow.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/Messaging.h"

namespace sondrel::appkit {
namespace {

NSApplicationObject* g_application = nullptr;

// Takes key presses aimed at the application's windows out of Qt's delivery and queues them as
// key-down events; NSApplication's sendEvent delivers them later.
class KeyCapture final : public QObject {
public:
    explicit KeyCapture(NSApplicationObject* app) : m_app(app) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto type = event->type();
        if (type == QEvent::MouseButtonPress)
            return userPressedMouse(watched);
        if ((type != QEvent::KeyPress && type != QEvent::ShortcutOverride) ||
            KeyCaptureBypass::active())
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        NSWindowObject* window =
            widget != nullptr ? NSWindowObject::windowOfWidget(widget) : nullptr;
        if (window == nullptr)
            return false;
        if (type == QEvent::ShortcutOverride) {
            // Claimed for the widget, so Qt's shortcut map never acts before the runtime has
            // seen the key press.
            event->accept();
            return true;
        }
        const auto& key = static_cast<const QKeyEvent&>(*event);
        Retained<NSEventObject> cocoa =
            Retained<NSEventObject>::adopt(newEvent(NSEventTypeKeyDown));
        if (!cocoa)
            return false;
        const CocoaKey translated = cocoaKeyFromQt(key);
        cocoa->characters = translated.characters;
        cocoa->charactersIgnoringModifiers = translated.charactersIgnoringModifiers;
        cocoa->modifierFlags = translated.modifierFlags;
        cocoa->keyCode = translated.keyCode;
        cocoa->isARepeat = key.isAutoRepeat();
        cocoa->windowNumber = window->windowNumber();
        cocoa->attachQtKeyEvent(key, widget);
        m_app->postEvent(cocoa.get(), false);
        return true;
    }

private:
    bool userPressedMouse(QObject* watched) {
        auto* widget = qobject_cast<QWidget*>(watched);
        NSWindowObject* window =
            widget != nullptr ? NSWindowObject::windowOfWidget(widget) : nullptr;
        if (window != nullptr && window->waitsForUserActivation()) {
            window->userPressedMouse();
            m_app->syncKeyWindowWithQt();
        }
        return false;
    }

    NSApplicationObject* m_app;
};

// The standard edit actions a Qt text widget performs itself, by slot name.
const char* qtEditSlot(SEL action) {
    static const char* const kActions[][2] = {{"cut:", "cut"},     {"copy:", "copy"},
                                              {"paste:", "paste"}, {"undo:", "undo"},
                                              {"redo:", "redo"},   {"selectAll:", "selectAll"}};
    const std::string& name = objc::selectorName(action);
    for (const auto& entry : kActions) {
        if (name == entry[0])
            return entry[1];
    }
    return nullptr;
}

bool performQtEditAction(SEL action) {
    const char* slot = qtEditSlot(action);
    QWidget* focus = QApplication::focusWidget();
    if (slot == nullptr || focus == nullptr)
        return false;
    const QByteArray signature = QByteArray(slot) + "()";
    if (focus->metaObject()->indexOfMethod(signature.constData()) < 0)
        return false;
    return QMetaObject::invokeMethod(focus, slot);
}

bool responds(const void* object, SEL action) {
    return object != nullptr && objc::findMethod(object, action) != nullptr;
}

} // namespace

struct NSApplicationObject::Native {
    std::unique_ptr<KeyCapture> capture;
    QAbstractEventDispatcher* dispatcher = nullptr; // the main thread's
    std::unique_ptr<QTimer> waitTimer;
};

NSApplicationObject::NSApplicationObject(Class cls)
    : NSResponderObject(cls), m_native(new Native) {}

NSApplicationObject::~NSApplicationObject() = default;

NSApplicationObject* NSApplicationObject::shared() {
    static NSApplicationObject* const application = [] {
        if (QApplication::instance() == nullptr) {
            // Qt keeps argc and argv for the life of the application object, which is the life
            // of the process: the application object, like Cocoa's, is never deallocated.
            static std::vector<std::string> arguments = [] {
                const std::u16string path = executablePath();
                std::vector<std::string> all{path.empty()
                                                 ? std::string("sondrel")
                                                 : QString::fromStdU16String(path).toStdString()};
                for (const std::string& argument : toolkitArguments())
                    all.push_back(argument);
                return all;
            }();
            static std::vector<char*> argv = [] {
                std::vector<char*> pointers;
                for (std::string& argument : arguments)
                    pointers.push_back(argument.data());
                pointers.push_back(nullptr);
                return pointers;
            }();
            static int argc = static_cast<int>(arguments.size());
            // The class of the windows (X11) comes from the application's name, and the desktop
            // entry matched to them (Wayland's application id) from the desktop file name.
            QCoreApplication::setApplicationName(QString::fromStdU16String(applicationName()));
            QGuiApplication::setDesktopFileName(QString::fromStdU16String(desktopEntryName()));
            new QApplication(argc, argv.data());
            QApplication::setQuitOnLastWindowClosed(false);
        }
        startMainThreadCourier();
        auto* app = static_cast<NSApplicationObject*>(objc::createInstance("NSApplication"_class));
        app->m_native->dispatcher = QCoreApplication::eventDispatcher();
        app->m_native->capture = std::make_unique<KeyCapture>(app);
        app->m_native->waitTimer = std::make_unique<QTimer>();
        app->m_native->waitTimer->setSingleShot(true);
        app->m_native->waitTimer->setTimerType(Qt::PreciseTimer);
        qApp->installEventFilter(app->m_native->capture.get());
        g_application = app;
        return app;
    }();
    return application;
}

NSApplicationObject* NSApplicationObject::existing() {
    return g_application;
}

void NSApplicationObject::finishLaunching() {
    if (m_launched)
        return;
    m_launched = true;
    const SEL didFinish = objc::registerSelector("applicationDidFinishLaunching:");
    if (responds(m_delegate, didFinish))
        objc::send<void>(m_delegate, didFinish,
                         static_cast<id>(notificationNamed(
                             u"NSApplicationDidFinishLaunchingNotification", this)));
}

bool NSApplicationObject::hasQueuedEvent() {
    std::lock_guard lock(m_queueMutex);
    return !m_queue.empty();
}

NSEventObject* NSApplicationObject::nextEvent(const NSDateObject* until, bool dequeue) {
    const auto takeQueued = [&]() -> NSEventObject* {
        std::lock_guard lock(m_queueMutex);
        if (m_queue.empty())
            return nullptr;
        Retained<NSEventObject> event = m_queue.front();
        if (dequeue)
            m_queue.pop_front();
        return static_cast<NSEventObject*>(objc::autorelease(event.release()));
    };
    if (!dequeue || until == nullptr || !isMainThread())
        return takeQueued();

    QAbstractEventDispatcher* dispatcher = m_native->dispatcher;
    QTimer& timer = *m_native->waitTimer;
    bool handledOnce = false;
    for (;;) {
        if (NSEventObject* event = takeQueued()) {
            timer.stop();
            return event;
        }
        const auto now = NSDateObject::Clock::now();
        if (handledOnce && now >= until->time) {
            timer.stop();
            return nullptr;
        }
        QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents;
        if (now < until->time) {
            flags |= QEventLoop::WaitForMoreEvents;
            if (!until->isDistantFuture()) {
                const auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(until->time - now).count();
                timer.start(static_cast<int>(std::min<long long>(left, 1 << 30)));
            }
        }
        dispatcher->processEvents(flags);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        handledOnce = true;
    }
}

void NSApplicationObject::postEvent(NSEventObject* event, bool atStart) {
    if (event == nullptr)
        return;
    {
        std::lock_guard lock(m_queueMutex);
        if (atStart)
            m_queue.push_front(Retained<NSEventObject>::retain(event));
        else
            m_queue.push_back(Retained<NSEventObject>::retain(event));
    }
    if (m_native->dispatcher != nullptr)
        m_native->dispatcher->wakeUp(); // thread-safe: ends a blocked wait of the main thread
}

void NSApplicationObject::sendEvent(NSEventObject* event) {
    if (event == nullptr || event->type != NSEventTypeKeyDown)
        return; // the other events Qt has dispatched already, or carry nothing to deliver
    Retained<NSEventObject> keepAlive = Retained<NSEventObject>::retain(event);
    if (m_mainMenu && m_mainMenu->performKeyEquivalent(*event))
        return;
    if (!event->deliverQtKeyEvent())
        deliverSyntheticKey(*event);
}

bool NSApplicationObject::deliverSyntheticKey(NSEventObject& event) {
    NSWindowObject* window = event.window() != nullptr ? event.window() : m_keyWindow;
    QWidget* widget = window != nullptr ? window->widget() : nullptr;
    if (widget == nullptr)
        return false;
    QWidget* target = widget->focusWidget() != nullptr ? widget->focusWidget() : widget;
    const QKeySequence sequence =
        qtKeySequence(event.charactersIgnoringModifiers, event.modifierFlags);
    if (sequence.isEmpty())
        return false;
    const QKeyCombination combination = sequence[0];
    QKeyEvent key(QEvent::KeyPress, combination.key(), combination.keyboardModifiers(),
                  QString::fromStdU16String(event.characters));
    const KeyCaptureBypass bypass;
    QCoreApplication::sendEvent(target, &key);
    return true;
}

id NSApplicationObject::targetForAction(SEL action) {
    if (m_keyWindow != nullptr) {
        QWidget* window = m_keyWindow->widget();
        for (NSViewObject* view = window != nullptr ? viewOfWidget(window->focusWidget()) : nullptr;
             view != nullptr; view = view->superview()) {
            if (responds(view, action))
                return view;
        }
        if (responds(m_keyWindow, action))
            return m_keyWindow;
        if (responds(m_keyWindow->delegate(), action))
            return m_keyWindow->delegate();
    }
    if (responds(this, action))
        return this;
    if (responds(m_delegate, action))
        return m_delegate;
    return nullptr;
}

bool NSApplicationObject::sendAction(SEL action, id target, id sender) {
    const id receiver = target != nullptr ? target : targetForAction(action);
    if (responds(receiver, action)) {
        objc::send<void>(receiver, action, sender);
        return true;
    }
    return target == nullptr && performQtEditAction(action);
}

void NSApplicationObject::updateWindows() {
    for (NSWindowObject* window : NSWindowObject::allWindows()) {
        if (window->isVisible())
            window->update();
    }
}

void NSApplicationObject::setMainMenu(NSMenuObject* menu) {
    m_mainMenu = Retained<NSMenuObject>::retain(menu);
}

void NSApplicationObject::setKeyWindow(NSWindowObject* window) {
    if (window == m_keyWindow)
        return;
    NSWindowObject* previous = std::exchange(m_keyWindow, window);
    if (previous != nullptr)
        previous->resignedKey();
    if (window != nullptr && m_keyWindow == window)
        window->becameKey();
}

void NSApplicationObject::reassertKeyWindow() {
    if (m_keyWindow == nullptr || !m_keyWindow->isVisible())
        return;
    QWidget* widget = m_keyWindow->widget();
    if (widget != nullptr && QApplication::activeWindow() != widget)
        widget->activateWindow();
}

void NSApplicationObject::syncKeyWindowWithQt() {
    if (m_ignoreQt > 0)
        return;
    NSWindowObject* active = NSWindowObject::windowOfWidget(QApplication::activeWindow());
    if (active != nullptr && !active->isClosed() && !active->waitsForUserActivation())
        setKeyWindow(active);
}

void NSApplicationObject::windowGone(NSWindowObject* window) {
    std::erase(m_hiddenWindows, window);
    if (window == m_keyWindow) {
        m_keyWindow = nullptr;
        if (!window->isClosed())
            window->resignedKey();
    }
}

void NSApplicationObject::hideWindows() {
    for (NSWindowObject* window : NSWindowObject::allWindows()) {
        if (window->isVisible() && !window->isMiniaturized()) {
            window->miniaturize();
            m_hiddenWindows.push_back(window);
        }
    }
}

void NSApplicationObject::unhideWindows() {
    for (NSWindowObject* window : std::exchange(m_hiddenWindows, {}))
        window->deminiaturize();
}

void NSApplicationObject::activate() {
    unhideWindows();
    NSWindowObject* front = m_keyWindow;
    for (NSWindowObject* window : NSWindowObject::allWindows()) {
        if (front == nullptr && !window->isClosed() &&
            (window->isVisible() || window->isMiniaturized()))
            front = window;
    }
    if (front == nullptr)
        return;
    if (front->isMiniaturized())
        front->deminiaturize();
    front->makeKeyAndOrderFront();
    if (QWidget* widget = front->widget()) {
        widget->raise();
        widget->activateWindow();
    }
}

} // namespace sondrel::appkit
