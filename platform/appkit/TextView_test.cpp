// Text views in scroll views, and the modal alert and panels with answers given by
// ModalAnswers.

#include <filesystem>
#include <fstream>

#include <QElapsedTimer>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <gtest/gtest.h>

#include "platform/appkit/ModalAnswers.h"
#include "platform/appkit/NSAlert.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSSavePanel.h"
#include "platform/appkit/NSScrollView.h"
#include "platform/appkit/NSTextView.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {
namespace {

using objc::send;

int g_textChanges = 0;
int g_focusTaken = 0;
void textDidChange(objc::Object*, SEL, id) {
    ++g_textChanges;
}
BOOL takeFocus(NSTextViewObject* self, SEL) {
    ++g_focusTaken;
    return objc::sendSuper<BOOL>(objc::lookUpClass("NSTextView"), self, "becomeFirstResponder"_sel);
}

const objc::ClassRegistration delegateRegistration{
    objc::ClassDefinition("TextViewTestDelegate", "NSObject")
        .instanceMethod("textDidChange:", &textDidChange)};
const objc::ClassRegistration viewRegistration{
    objc::ClassDefinition("TextViewTestView", "NSTextView")
        .instanceMethod("becomeFirstResponder", &takeFocus)};

class TextViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        NSApplicationObject::shared();
        clearModalAnswers();
        g_textChanges = 0;
        g_focusTaken = 0;
        m_scroll = Retained<NSScrollViewObject>::adopt(objc::liveCast<NSScrollViewObject>(
            send<id>(send<id>(objc::lookUpClass("NSScrollView"), "alloc"_sel), "initWithFrame:"_sel,
                     NSRect{{0, 0}, {300, 200}})));
        m_view = Retained<NSTextViewObject>::adopt(
            textViewOf(send<id>(send<id>(objc::lookUpClass("TextViewTestView"), "alloc"_sel),
                                "initWithFrame:"_sel, NSRect{{0, 0}, {300, 200}})));
        ASSERT_TRUE(m_scroll && m_view);
        m_scroll->setDocumentView(m_view.get());
        m_scroll->widget()->show();
    }

    Retained<NSScrollViewObject> m_scroll;
    Retained<NSTextViewObject> m_view;
};

TEST_F(TextViewTest, ScrollViewFitsItsTextViewAndDecoratesIt) {
    send<void>(m_scroll.get(), "setHasVerticalScroller:"_sel, YES);
    send<void>(m_scroll.get(), "setAutohidesScrollers:"_sel, YES);
    send<void>(m_scroll.get(), "setBorderType:"_sel, NSUInteger{2});
    QTextEdit* edit = m_view->editor();
    EXPECT_EQ(edit->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    EXPECT_EQ(edit->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(edit->frameShape(), QFrame::StyledPanel);
    EXPECT_EQ(m_scroll->contentSize(), (NSSize{296, 196}));
    send<void>(m_scroll.get(), "setFrame:"_sel, NSRect{{5, 5}, {250, 120}});
    EXPECT_EQ(m_view->frame(), (NSRect{{0, 0}, {250, 120}}));
    EXPECT_EQ(edit->geometry(), QRect(0, 0, 250, 120));
    EXPECT_EQ(m_view->textContainer()->containerSize().width, 250) << "the container follows";
    EXPECT_EQ(send<id>(m_scroll.get(), "documentView"_sel), m_view.get());
}

TEST_F(TextViewTest, StylesForTheWholeTextAndTheDelegate) {
    auto delegate = Retained<objc::Object>::adopt(
        objc::createInstance(objc::lookUpClass("TextViewTestDelegate")));
    m_view->setDelegate(delegate.get());
    m_view->setString(u"first\nsecond");
    EXPECT_EQ(g_textChanges, 0);
    const id font = send<id>(objc::lookUpClass("NSFont"), "systemFontOfSize:"_sel, 21.0);
    m_view->setFont(font);
    QTextDocument* document = m_view->textStorage()->document();
    EXPECT_EQ(document->lastBlock().begin().fragment().charFormat().font().pointSizeF(), 21.0);
    EXPECT_EQ(send<double>(m_view->font(), "pointSize"_sel), 21.0);
    const id red = send<id>(objc::lookUpClass("NSColor"),
                            "colorWithDeviceRed:green:blue:alpha:"_sel, 1.0, 0.0, 0.0, 1.0);
    m_view->setTextColor(red);
    EXPECT_EQ(m_view->editor()->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_EQ(m_view->textColor(), red);
    m_view->setDrawsBackground(false);
    EXPECT_EQ(m_view->editor()->palette().color(QPalette::Base).alpha(), 0);
    EXPECT_EQ(g_textChanges, 0) << "styles set by the program are no edits";

    m_scroll->widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_scroll->widget()));
    m_view->editor()->setFocus();
    EXPECT_EQ(g_focusTaken, 1) << "focus reaches the view class's becomeFirstResponder";
    QTest::keyClicks(m_view->editor(), "x");
    EXPECT_EQ(g_textChanges, 1);
    m_view->setDelegate(nullptr);
}

TEST_F(TextViewTest, ContainerWidthDecidesTheWrapping) {
    NSTextContainerObject* container = m_view->textContainer();
    EXPECT_EQ(container->containerSize().width, 300) << "a new view wraps at its width";
    EXPECT_EQ(m_view->editor()->lineWrapMode(), QTextEdit::WidgetWidth);
    container->setWidthTracksTextView(false);
    container->setContainerSize({120, kUnlimitedTextSize});
    EXPECT_EQ(m_view->editor()->lineWrapMode(), QTextEdit::FixedPixelWidth);
    EXPECT_EQ(m_view->wrapWidth(), 120);
    container->setContainerSize({kUnlimitedTextSize, kUnlimitedTextSize});
    EXPECT_EQ(m_view->wrapWidth(), 0);
}

// Counts the paints a widget gets.
class PaintCounter final : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

TEST_F(TextViewTest, ChangesInQuickSuccessionArePaintedTogether) {
    QTextEdit* edit = m_view->editor();
    PaintCounter counter;
    edit->viewport()->installEventFilter(&counter);
    QTest::qWait(100);
    counter.paints = 0;
    m_view->setString(u"alone");
    QCoreApplication::processEvents();
    EXPECT_GE(counter.paints, 1) << "a change after a quiet spell is painted at once";

    QTest::qWait(100);
    counter.paints = 0;
    QElapsedTimer clock;
    clock.start();
    int changes = 0;
    while (clock.elapsed() < 300) { // as a batch changes its log: a line, a scroll, again
        NSTextStorageObject* storage = m_view->textStorage();
        storage->append(objc::AttributedText(u"\na line of the log"));
        m_view->scrollRangeToVisible({storage->length(), 0});
        ++changes;
        QCoreApplication::processEvents();
    }
    const qint64 elapsed = clock.elapsed();
    QTest::qWait(100);
    EXPECT_GT(changes, 100);
    EXPECT_LE(counter.paints, elapsed / 16 + 4) << changes << " changes";
    EXPECT_TRUE(edit->updatesEnabled()) << "nothing is held once the changes stop";
    EXPECT_EQ(edit->verticalScrollBar()->value(), edit->verticalScrollBar()->maximum());
    edit->viewport()->removeEventFilter(&counter);
}

TEST_F(TextViewTest, AlertButtonsAndTheirReturnValues) {
    auto alert = Retained<NSAlertObject>::adopt(
        static_cast<NSAlertObject*>(objc::createInstance(objc::lookUpClass("NSAlert"))));
    answerNextModal({ModalAnswer::Action::Press, u"OK", {}, {}});
    EXPECT_EQ(alert->runModal(), NSAlertFirstButtonReturn) << "an alert without buttons has OK";

    auto choice = Retained<NSAlertObject>::adopt(
        static_cast<NSAlertObject*>(objc::createInstance(objc::lookUpClass("NSAlert"))));
    send<void>(
        send<id>(choice.get(), "addButtonWithTitle:"_sel, objc::autoreleasedNativeString(u"Save")),
        "setTag:"_sel, NSInteger{42});
    send<id>(choice.get(), "addButtonWithTitle:"_sel, objc::autoreleasedNativeString(u"Cancel"));
    send<id>(choice.get(), "addButtonWithTitle:"_sel, objc::autoreleasedNativeString(u"Discard"));
    answerNextModal({ModalAnswer::Action::Press, u"Save", {}, {}});
    EXPECT_EQ(send<NSInteger>(choice.get(), "runModal"_sel), 42);
    answerNextModal({ModalAnswer::Action::Cancel, {}, {}, {}});
    EXPECT_EQ(choice->runModal(), NSAlertFirstButtonReturn + 1) << "Escape presses Cancel";
    answerNextModal({ModalAnswer::Action::Press, u"Discard", {}, {}});
    EXPECT_EQ(choice->runModal(), NSAlertFirstButtonReturn + 2);
}

TEST_F(TextViewTest, SavingOverAFileTheAnswerConfirms) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("sondrel-panel-" + std::to_string(::getpid()) + ".caf");
    std::ofstream(file) << "old";
    NSSavePanelObject* panel = sharedSavePanel();
    panel->title = u"Save";
    panel->directory = file.parent_path().u16string();
    panel->nameFieldValue = u"proposed.caf";
    answerNextModal({ModalAnswer::Action::Accept, {}, {file.u16string()}, {}});
    ASSERT_EQ(panel->runModal(), NSModalResponseOK);
    EXPECT_EQ(panel->filenames(), (std::vector<std::u16string>{file.u16string()}));
    EXPECT_EQ(modalRecords().back().name, u"proposed.caf");
    EXPECT_EQ(modalRecords().back().directory, file.parent_path().u16string());
    std::filesystem::remove(file);
    EXPECT_EQ(
        objc::nativeStringText(send<id>(send<id>(objc::lookUpClass("NSURL"), "fileURLWithPath:"_sel,
                                                 objc::autoreleasedNativeString(u"/tmp/x y")),
                                        "path"_sel)),
        u"/tmp/x y");
}

} // namespace
} // namespace sondrel::appkit
