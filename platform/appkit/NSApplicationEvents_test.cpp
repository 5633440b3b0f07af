// The application's native event queue as the runtime's event loop uses it: posted events and
// their order, waits that a post from another thread ends, key presses taken from Qt before any
// widget sees them and delivered later (first as key equivalents of the main menu), and the
// standard edit actions that reach the focused text widget.

#include <atomic>
#include <thread>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/appkit/Foundation.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSEvent.h"
#include "platform/appkit/NSMenu.h"
#include "platform/appkit/NSTextField.h"
#include "platform/appkit/NSWindow.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"

namespace sondrel::appkit {
namespace {

class Quitter : public objc::Object {
public:
    using Object::Object;
    int quits = 0;
};

const objc::ClassRegistration quitterRegistration{
    objc::ClassDefinition("EventsTestQuitter", "NSObject", objc::factoryFor<Quitter>())
        .instanceMethod(
            "terminate:", +[](Quitter* self, SEL, id) { ++self->quits; })};

class NSApplicationEventsTest : public ::testing::Test {
protected:
    void SetUp() override {
        app = NSApplicationObject::shared();
        while (app->nextEvent(dateNow(), true) != nullptr) {
        } // nothing left over from earlier tests
    }

    static Retained<NSEventObject> Posted(NSInteger data) {
        auto event = Retained<NSEventObject>::adopt(newEvent(NSEventTypeApplicationDefined));
        event->data1 = data;
        return event;
    }
    NSEventObject* Next(NSDateObject* until) { return app->nextEvent(until, true); }

    NSApplicationObject* app = nullptr;
    objc::AutoreleasePool pool;
};

TEST_F(NSApplicationEventsTest, PostedEventsComeInOrderAndTheFrontOnesFirst) {
    app->postEvent(Posted(1).get(), false);
    app->postEvent(Posted(2).get(), false);
    app->postEvent(Posted(0).get(), true);
    EXPECT_TRUE(app->hasQueuedEvent());
    NSEventObject* peeked = app->nextEvent(nullptr, false);
    ASSERT_NE(peeked, nullptr);
    EXPECT_EQ(peeked->data1, 0);
    EXPECT_EQ(app->nextEvent(dateDistantFuture(), false), peeked) << "a look takes nothing";
    for (NSInteger expected : {0, 1, 2}) {
        NSEventObject* event = Next(dateNow());
        ASSERT_NE(event, nullptr);
        EXPECT_EQ(event->data1, expected);
    }
    EXPECT_FALSE(app->hasQueuedEvent());
    EXPECT_EQ(Next(dateNow()), nullptr) << "a date passed gives nothing once Qt had its turn";
}

// The worker thread posts to wake the main loop: a wait without end must end with that event.
TEST_F(NSApplicationEventsTest, APostFromAnotherThreadEndsAWaitWithoutEnd) {
    std::thread poster([] {
        objc::AutoreleasePool pool;
        auto event = Retained<NSEventObject>::adopt(newEvent(NSEventTypeApplicationDefined));
        event->data1 = 42;
        NSApplicationObject::shared()->postEvent(event.get(), false);
    });
    NSEventObject* event = Next(dateDistantFuture());
    poster.join();
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->data1, 42);
}

class KeyCaptureTest : public NSApplicationEventsTest {
protected:
    void SetUp() override {
        NSApplicationEventsTest::SetUp();
        window = Retained<NSWindowObject>::adopt(
            static_cast<NSWindowObject*>(objc::createInstance(objc::lookUpClass("NSWindow"))));
        ASSERT_TRUE(window->initWithContentRect(NSRect{{100, 300}, {300, 120}}, 7));
        window->setReleasedWhenClosed(false);
        content = Retained<NSViewObject>::adopt(
            static_cast<NSViewObject*>(objc::createInstance(objc::lookUpClass("NSView"))));
        window->setContentView(content.get());
        for (Retained<NSTextFieldObject>* field : {&first, &second}) {
            *field =
                Retained<NSTextFieldObject>::adopt(objc::liveCast<NSTextFieldObject>(objc::send<id>(
                    objc::send<id>(objc::lookUpClass("NSTextField"), "alloc"_sel),
                    "initWithFrame:"_sel, NSRect{{10, field == &first ? 10. : 50.}, {200, 24}})));
            content->addSubview(field->get());
        }
        window->makeKeyAndOrderFront();
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        first->lineEdit()->setFocus();
    }
    void TearDown() override {
        app->setMainMenu(nullptr);
        window->close();
    }

    // Delivers every queued key press as the runtime's loop does.
    void DeliverQueued() {
        while (NSEventObject* event = Next(dateNow()))
            app->sendEvent(event);
    }

    Retained<NSWindowObject> window;
    Retained<NSViewObject> content;
    Retained<NSTextFieldObject> first;
    Retained<NSTextFieldObject> second;
};

TEST_F(KeyCaptureTest, KeyPressesWaitInTheQueueUntilTheLoopDeliversThem) {
    QLineEdit* edit = first->lineEdit();
    QTest::keyClicks(edit, "ok");
    EXPECT_EQ(edit->text(), QString()) << "taken before the field saw it";
    ASSERT_TRUE(app->hasQueuedEvent());
    NSEventObject* event = Next(dateNow());
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->type, NSEventTypeKeyDown);
    EXPECT_EQ(event->characters, u"o");
    EXPECT_EQ(event->windowNumber, window->windowNumber());
    EXPECT_EQ(event->window(), window.get());
    app->sendEvent(event);
    DeliverQueued();
    EXPECT_EQ(edit->text(), QStringLiteral("ok"));
    EXPECT_EQ(first->stringValue(), u"ok");
}

TEST_F(KeyCaptureTest, AKeyEquivalentOfTheMainMenuGoesFirstAndNoFurther) {
    Retained<Quitter> quitter = Retained<Quitter>::adopt(
        static_cast<Quitter*>(objc::createInstance(objc::lookUpClass("EventsTestQuitter"))));
    auto menu = Retained<NSMenuObject>::adopt(newMenu(u""));
    auto appItem = Retained<NSMenuItemObject>::adopt(newMenuItem(u"Sondrel", nullptr, u""));
    auto appMenu = Retained<NSMenuObject>::adopt(newMenu(u"Sondrel"));
    auto quit = Retained<NSMenuItemObject>::adopt(
        newMenuItem(u"Quit", objc::registerSelector("terminate:"), u"q"));
    quit->setTarget(quitter.get());
    appMenu->addItem(quit.get());
    appItem->setSubmenu(appMenu.get());
    menu->addItem(appItem.get());
    app->setMainMenu(menu.get());

    QLineEdit* edit = first->lineEdit();
    QTest::keyClick(edit, Qt::Key_Q, Qt::ControlModifier); // Command-Q (after Control alone)
    NSEventObject* commandQ = nullptr;
    while (NSEventObject* event = Next(dateNow())) {
        if (event->charactersIgnoringModifiers == u"q")
            commandQ = event;
        app->sendEvent(event);
    }
    ASSERT_NE(commandQ, nullptr);
    EXPECT_EQ(commandQ->modifierFlags & NSEventModifierFlagCommand, NSEventModifierFlagCommand);
    EXPECT_EQ(quitter->quits, 1);
    EXPECT_EQ(edit->text(), QString()) << "the menu took the key";
    QTest::keyClick(edit, Qt::Key_Q); // a plain q is text
    DeliverQueued();
    EXPECT_EQ(quitter->quits, 1);
    EXPECT_EQ(edit->text(), QStringLiteral("q"));

    // A disabled item lets its key go on to the field, where Command-A selects the text.
    auto select = Retained<NSMenuItemObject>::adopt(
        newMenuItem(u"Select", objc::registerSelector("nothingAnswersThis:"), u"a"));
    appMenu->addItem(select.get());
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    DeliverQueued();
    EXPECT_EQ(edit->selectedText(), QStringLiteral("q"));
}

TEST_F(KeyCaptureTest, StandardEditActionsReachTheFocusedField) {
    first->setStringValue(u"copied text");
    first->lineEdit()->setFocus();
    EXPECT_TRUE(app->sendAction(objc::registerSelector("selectAll:"), nullptr, nullptr));
    EXPECT_EQ(first->lineEdit()->selectedText(), QStringLiteral("copied text"));
    EXPECT_TRUE(app->sendAction(objc::registerSelector("copy:"), nullptr, nullptr));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("copied text"));
    second->lineEdit()->setFocus();
    EXPECT_TRUE(app->sendAction(objc::registerSelector("paste:"), nullptr, nullptr));
    EXPECT_EQ(second->stringValue(), u"copied text");
    EXPECT_FALSE(app->sendAction(objc::registerSelector("noSuchAction:"), nullptr, nullptr));
}

} // namespace
} // namespace sondrel::appkit
