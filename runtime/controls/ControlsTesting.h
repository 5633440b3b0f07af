#pragma once

// Test support for the gadget kinds: a shown window 0 to create gadgets in (the calling thread's
// current gadget list), the gadget events the run loop gives, and real user input on gadget
// widgets.

#include <cstdint>
#include <vector>

#include <QAbstractButton>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/appkit/ModalAnswers.h"
#include "platform/appkit/NSView.h"
#include "platform/appkit/NSWindow.h"
#include "runtime/controls/GadgetKinds.h"
#include "runtime/windowing/WindowingTesting.h"

namespace sondrel::controls::testing {

using windowing::testing::SeenEvent;

class ControlsTest : public windowing::testing::WindowingTest {
protected:
    void SetUp() override {
        WindowingTest::SetUp();
        InitGadgetKinds();
        appkit::clearModalAnswers();
        ASSERT_NE(
            windowing::CreateWindow(0, 40, 40, 420, 400, u"Gadgets", windowing::WindowCloseButton),
            0);
        Pump(20);
    }
    void TearDown() override {
        EndGadgetKinds();
        WindowingTest::TearDown();
    }

    // The gadget events among what the loop gives in about `milliseconds`.
    static std::vector<SeenEvent> GadgetEvents(int milliseconds = 30) {
        std::vector<SeenEvent> events;
        for (const SeenEvent& event : Pump(milliseconds)) {
            if (event.kind == windowing::GadgetEvent)
                events.push_back(event);
        }
        return events;
    }
    static SeenEvent GadgetEventOf(std::int64_t gadget, std::uint64_t subtype) {
        return SeenEvent{windowing::GadgetEvent, gadget, 0, subtype};
    }

    static QWidget* WidgetOf(std::int64_t gadget) {
        appkit::NSViewObject* view = windowing::GadgetHandle(gadget);
        return view != nullptr ? view->widget() : nullptr;
    }
    // A click in the middle of the gadget's widget, as the user gives it: to the child widget
    // under that point, if any.
    static void Click(QWidget* widget, Qt::MouseButton button = Qt::LeftButton) {
        ASSERT_NE(widget, nullptr);
        QPoint point = widget->rect().center();
        if (QWidget* child = widget->childAt(point)) {
            point = child->mapFrom(widget, point);
            widget = child;
        }
        QTest::mouseClick(widget, button, Qt::NoModifier, point);
    }
};

} // namespace sondrel::controls::testing
