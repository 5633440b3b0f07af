#pragma once

// Test support: the real application started in-process under a scratch home
// folder, driven the way a user drives it (real clicks, key presses, drops
// and close buttons through Qt's input path; the requesters answered through
// the modal-answer hook), with the event loop turned by the test.

#include <chrono>
#include <functional>
#include <optional>

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "app/AppNumbers.h"
#include "app/Application.h"
#include "app/testing/TestFiles.h"
#include "platform/appkit/EventSynthesis.h"
#include "platform/appkit/InstanceChannel.h"
#include "platform/appkit/ModalAnswers.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSMenu.h"
#include "platform/appkit/NSPasteboard.h"
#include "platform/appkit/NSWindow.h"
#include "runtime/controls/GadgetTexts.h"
#include "runtime/core/TextFileName.h"
#include "runtime/windowing/EventQueue.h"
#include "runtime/windowing/Gadget.h"
#include "runtime/windowing/RunLoop.h"
#include "runtime/windowing/Windows.h"

namespace sondrel::app::testing {

class AppDriver : public ::testing::Test {
protected:
    void SetUp() override {
        appkit::clearModalAnswers();
        prepareHome();
        app.emplace(options());
        ASSERT_TRUE(app->startUp());
        pump(50);
    }
    void TearDown() override {
        if (app) {
            app->shutDown();
        }
        appkit::clearModalAnswers();
    }
    // Runs before start-up: a test may put a settings file in place.
    virtual void prepareHome() {}
    // What the application starts with: the scratch home folder, which also
    // holds its configuration folder and its single-instance socket.
    virtual ApplicationOptions options() {
        ApplicationOptions options;
        options.home = home.folderText();
        return options;
    }

    std::string supportFile(const std::string& name) const {
        return home.file(".config/Sondrel/" + name);
    }

    // Turns the event loop for about `milliseconds`.
    void pump(int milliseconds = 30) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        do {
            step(5);
        } while (std::chrono::steady_clock::now() < end && !app->quitRequested());
    }
    // Turns the event loop until `done` holds; false after `milliseconds`.
    bool pumpUntil(const std::function<bool()>& done, int milliseconds = 20000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            step(10);
        }
        return true;
    }
    void step(int timeout) {
        const std::int32_t kind = windowing::WaitEvent(timeout);
        if (kind > 0) {
            app->handleEvent(kind);
        }
    }
    bool waitForBatchEnd() {
        return pumpUntil([this] { return app->state().batchRunning == 0; }) && (pump(50), true);
    }

    // User input.
    static QWidget* widgetOf(core::ObjectNumber gadget) {
        appkit::NSViewObject* view = windowing::GadgetHandle(gadget);
        return view != nullptr ? view->widget() : nullptr;
    }
    void click(core::ObjectNumber gadget) {
        // In the middle of the gadget, to the child widget under that point if any.
        QWidget* widget = widgetOf(gadget);
        ASSERT_NE(widget, nullptr);
        QPoint point = widget->rect().center();
        if (QWidget* child = widget->childAt(point)) {
            point = child->mapFrom(widget, point);
            widget = child;
        }
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, point);
        pump();
    }
    void pressKeys(core::ObjectNumber window, const char* keys) {
        appkit::testing::pressKeys(windowing::WindowHandle(window), keys);
        pump();
    }
    void pressCloseButton(core::ObjectNumber window) {
        appkit::testing::pressCloseButton(windowing::WindowHandle(window));
        pump();
    }
    void chooseMenuItem(std::int32_t item) {
        windowing::QueueEvent(windowing::MenuEvent, item, MainWindow, 0);
        pump();
    }
    // Drops file names on the log, as a file manager would.
    bool drop(const std::vector<std::string>& paths) {
        std::vector<std::u16string> names;
        for (const std::string& path : paths) {
            names.push_back(core::FileNameToText(path));
        }
        appkit::NSPasteboardObject* pasteboard = appkit::newPasteboard();
        pasteboard->setFileNames(names);
        const bool accepted =
            appkit::testing::dropOnView(windowing::GadgetHandle(LogEditor), pasteboard, 30, 30);
        objc::release(pasteboard);
        pump();
        return accepted;
    }
    // Chooses the output folder through the Browse button and the requester.
    void chooseOutputFolder(const std::string& folder) {
        appkit::ModalAnswer answer;
        answer.action = appkit::ModalAnswer::Action::Accept;
        answer.paths = {core::Utf8ToText(folder)};
        appkit::answerNextModal(answer);
        click(BrowseButton);
    }
    static void answerOk() {
        appkit::ModalAnswer answer;
        answer.action = appkit::ModalAnswer::Action::Press;
        answer.button = u"OK";
        appkit::answerNextModal(answer);
    }
    static void answerCancel() { appkit::answerNextModal(appkit::ModalAnswer{}); }

    static core::Text logText() { return controls::GetGadgetText(LogEditor); }
    static std::string logUtf8() { return core::TextToUtf8(logText()); }
    // How many times `what` stands in the log.
    static std::size_t countInLog(core::TextView what) {
        const core::Text text = logText();
        std::size_t count = 0;
        for (std::size_t at = text.find(what); at != core::Text::npos;
             at = text.find(what, at + 1)) {
            ++count;
        }
        return count;
    }
    static bool hidden(core::ObjectNumber gadget) {
        QWidget* widget = widgetOf(gadget);
        return widget == nullptr || widget->isHidden();
    }
    // Enabled as the user sees it: the gadget's widget and the widgets in it
    // (an option's radio button sits inside its matrix).
    static bool enabled(core::ObjectNumber gadget) {
        QWidget* widget = widgetOf(gadget);
        if (widget == nullptr || !widget->isEnabled()) {
            return false;
        }
        for (const QWidget* child : widget->findChildren<QWidget*>()) {
            if (!child->isEnabled()) {
                return false;
            }
        }
        return true;
    }

    ScratchFolder home;
    ScratchFolder input;
    ScratchFolder output;
    std::optional<Application> app;
};

} // namespace sondrel::app::testing
