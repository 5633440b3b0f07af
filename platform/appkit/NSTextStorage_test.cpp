#include "platform/appkit/NSTextStorage.h"

#include <QApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <gtest/gtest.h>

#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSTextView.h"
#include "platform/appkit/Retained.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/RtfReader.h"

namespace sondrel::appkit {
namespace {

class TextStorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        NSApplicationObject::shared(); // Qt and the main thread
        m_view = Retained<NSTextViewObject>::adopt(
            textViewOf(objc::createInstance(objc::lookUpClass("NSTextView"))));
        ASSERT_TRUE(m_view);
        m_view->setFrame(NSRect{{0, 0}, {300, 200}});
        m_storage = m_view->textStorage();
    }
    // Every "\r" and "\n" is one paragraph of the document: positions agree one to one.
    void ExpectDocumentMatches() const {
        const QTextDocument* document = m_storage->document();
        ASSERT_EQ(static_cast<std::size_t>(document->characterCount() - 1), m_storage->length());
        if (m_storage->length() > 0) {
            EXPECT_EQ(static_cast<std::size_t>(document->blockCount()), m_storage->lineCount());
        }
    }

    Retained<NSTextViewObject> m_view;
    NSTextStorageObject* m_storage = nullptr;
};

TEST_F(TextStorageTest, PlainTextKeepsCarriageReturnsAndTheDocumentFollows) {
    m_storage->replaceCharacters(0, 0, u"a\r\nb\rc");
    EXPECT_EQ(m_storage->string(), u"a\r\nb\rc");
    EXPECT_EQ(m_storage->lineCount(), 4u);
    EXPECT_TRUE(m_storage->hasCarriageReturns());
    ExpectDocumentMatches();
    m_storage->append(objc::AttributedText(u"\nlast"));
    EXPECT_EQ(m_storage->lineText(4), u"last");
    ExpectDocumentMatches();
    m_storage->replaceCharacters(m_storage->lines().line(4).start, 4, u"LAST\n");
    EXPECT_EQ(m_storage->string(), u"a\r\nb\rc\nLAST\n");
    ExpectDocumentMatches();
    EXPECT_EQ(m_storage->document()->findBlockByNumber(4).text(), QStringLiteral("LAST"));
}

TEST_F(TextStorageTest, TypingByTheUserUpdatesTheLinesAndTellsTheView) {
    int edits = 0;
    m_storage->setEditObserver(this, [&] { ++edits; });
    m_storage->replaceCharacters(0, 0, u"x\ry");
    EXPECT_EQ(edits, 0) << "text set by the program is not an edit";
    QTextEdit* edit = m_view->editor();
    QTextCursor end(m_storage->document());
    end.movePosition(QTextCursor::End);
    edit->setTextCursor(end);
    QTest::keyClicks(edit, "z");
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClicks(edit, "w");
    EXPECT_EQ(m_storage->string(), u"x\ryz\nw") << "the user's edits keep the earlier \"\\r\"";
    EXPECT_EQ(m_storage->lineCount(), 3u);
    EXPECT_EQ(edits, 3);
    ExpectDocumentMatches();
    m_view->setAlignment(2); // styles only: not an edit, no text change
    EXPECT_EQ(edits, 3);
    EXPECT_EQ(m_storage->string(), u"x\ryz\nw");
    m_storage->removeEditObserver(this);
}

TEST_F(TextStorageTest, AttributedTextKeepsItsStylesAndTheParagraphItContinues) {
    m_storage->replaceCharacters(0, 0, u"centred");
    m_view->setAlignment(2);
    objc::AttributedText bold;
    objc::CharacterStyle style;
    style.bold = true;
    bold.append(u" more", style);
    m_storage->append(bold);
    const QTextBlock block = m_storage->document()->firstBlock();
    EXPECT_EQ(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(block.text(), QStringLiteral("centred more"));
    const auto rtf = objc::readRtf("{\\rtf1 one\\par two}", 19);
    ASSERT_TRUE(rtf.has_value());
    m_storage->setAttributedText(*rtf);
    EXPECT_EQ(m_storage->string(), u"one\ntwo");
    ExpectDocumentMatches();
    m_storage->setHtml(u"<table><tr><td>cell</td></tr></table><p>after</p>");
    ExpectDocumentMatches();
}

} // namespace
} // namespace sondrel::appkit
