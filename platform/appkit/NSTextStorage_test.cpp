#include "platform/appkit/NSTextStorage.h"

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include <QApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <gtest/gtest.h>

#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSTextView.h"
#include "platform/appkit/Retained.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"
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

TEST_F(TextStorageTest, EditsByMessageClampToTheText) {
    using objc::NSRange;
    const auto string = [](std::u16string_view text) {
        return objc::autoreleasedNativeString(std::u16string(text));
    };
    objc::send<void>(m_storage, "replaceCharactersInRange:withString:"_sel, NSRange{0, 0},
                     string(u"line one\nline two"));
    objc::send<void>(m_storage, "replaceCharactersInRange:withString:"_sel, NSRange{5, 100},
                     string(u"1")); // a range past the end ends at the end
    EXPECT_EQ(m_storage->string(), u"line 1");
    objc::send<void>(m_storage, "replaceCharactersInRange:withString:"_sel, NSRange{99, 3},
                     string(u"!")); // a place past the end is the end
    EXPECT_EQ(m_storage->string(), u"line 1!");
    objc::send<void>(m_storage, "deleteCharactersInRange:"_sel, NSRange{4, 1});
    objc::send<void>(m_storage, "deleteCharactersInRange:"_sel, NSRange{50, 1});
    EXPECT_EQ(objc::nativeStringText(objc::send<id>(m_storage, "string"_sel)), u"line1!");
    EXPECT_EQ(objc::send<objc::NSUInteger>(m_storage, "length"_sel), 6u);
    ExpectDocumentMatches();

    // Another storage gives its plain text; an attributed string its styles as well.
    const id other = objc::send<id>(objc::send<id>(objc::lookUpClass("NSTextStorage"), "alloc"_sel),
                                    "initWithString:"_sel, string(u"\r\nmore"));
    objc::send<void>(m_storage, "appendAttributedString:"_sel, other);
    EXPECT_EQ(m_storage->string(), u"line1!\r\nmore");
    EXPECT_EQ(m_storage->lineCount(), 3u);
    objc::release(other);
    objc::AttributedText bold;
    objc::CharacterStyle style;
    style.bold = true;
    bold.append(u"B", style);
    const id attributed =
        objc::send<id>(objc::send<id>(objc::lookUpClass("NSAttributedString"), "alloc"_sel),
                       "initWithString:"_sel, string(u"x"));
    objc::send<void>(m_storage, "setAttributedString:"_sel, attributed);
    EXPECT_EQ(m_storage->string(), u"x");
    objc::release(attributed);
    ExpectDocumentMatches();
}

// Text put in by the program takes the style of the text it replaces, or of what it follows.
TEST_F(TextStorageTest, ReplacedTextTakesTheStyleOfItsPlace) {
    objc::AttributedText text;
    objc::CharacterStyle bold;
    bold.bold = true;
    text.append(u"BOLD", bold);
    text.append(u"plain", objc::CharacterStyle{});
    m_storage->setAttributedText(text);
    const auto boldAt = [&](int position) {
        QTextCursor cursor(m_storage->document());
        cursor.setPosition(position + 1); // the format of the character before the cursor
        return cursor.charFormat().fontWeight() >= QFont::Bold;
    };
    m_storage->replaceCharacters(4, 0, u"++"); // after "BOLD": its style
    m_storage->replaceCharacters(6, 2, u"PL"); // over "pl": plain
    m_storage->replaceCharacters(0, 1, u"b");  // over "B": bold
    EXPECT_EQ(m_storage->string(), u"bOLD++PLain");
    EXPECT_TRUE(boldAt(0));
    EXPECT_TRUE(boldAt(4));
    EXPECT_TRUE(boldAt(5));
    EXPECT_FALSE(boldAt(6));
    EXPECT_FALSE(boldAt(7));
    ExpectDocumentMatches();
}

// Any sequence of edits, with line ends of every kind, leaves the text, its lines and the
// document in step with a plain model of the text.
TEST_F(TextStorageTest, RandomEditsKeepTheTextItsLinesAndTheDocumentInStep) {
    std::mt19937 random(7);
    const std::u16string pieces[] = {u"a",    u"log line",      u"\n", u"\r", u"\r\n",
                                     u"\n\n", u"\u00e9t\u00e9", u""};
    std::u16string model;
    for (int step = 0; step < 300; ++step) {
        std::u16string inserted;
        for (int i = static_cast<int>(random() % 4); i > 0; --i)
            inserted += pieces[random() % std::size(pieces)];
        const std::size_t position = random() % (model.size() + 3); // sometimes past the end
        const std::size_t length = random() % 6;
        switch (random() % 3) {
        case 0:
            m_storage->append(objc::AttributedText(inserted));
            model += inserted;
            break;
        case 1: {
            m_storage->replaceCharacters(position, length, inserted);
            const std::size_t at = std::min(position, model.size());
            model.replace(at, std::min(length, model.size() - at), inserted);
            break;
        }
        default:
            if (random() % 20 == 0) {
                m_storage->setAttributedText(objc::AttributedText(inserted));
                model = inserted;
            }
            break;
        }
        ASSERT_EQ(m_storage->string(), model) << "step " << step;
        TextLines expected;
        expected.assign(model);
        ASSERT_EQ(m_storage->lineCount(), expected.lineCount()) << "step " << step;
        for (std::size_t line = 0; line < expected.lineCount(); ++line)
            ASSERT_EQ(m_storage->lineText(line), expected.lineText(line)) << "step " << step;
        ASSERT_EQ(m_storage->hasCarriageReturns(), model.find(u'\r') != std::u16string::npos);
        ExpectDocumentMatches();
    }
}

// The batch worker appends to the log from its own thread while the main thread runs its loop.
TEST_F(TextStorageTest, AppendsFromAnotherThreadArriveWholeAndInOrder) {
    constexpr int kLines = 200;
    std::atomic<bool> done = false;
    std::thread worker([&] {
        for (int i = 0; i < kLines; ++i) {
            const std::u16string line = (i == 0 ? u"" : u"\n") + std::u16string(u"file ") +
                                        static_cast<char16_t>(u'0' + i % 10) + u" - Done!";
            objc::AutoreleasePool pool;
            const id text =
                objc::send<id>(objc::send<id>(objc::lookUpClass("NSAttributedString"), "alloc"_sel),
                               "initWithString:"_sel, objc::autoreleasedNativeString(line));
            objc::send<void>(m_storage, "appendAttributedString:"_sel, text);
            objc::release(text);
        }
        done = true;
    });
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done && std::chrono::steady_clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    worker.join();
    ASSERT_EQ(m_storage->lineCount(), static_cast<std::size_t>(kLines));
    for (int i = 0; i < kLines; ++i) {
        const std::u16string expected =
            u"file " + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) + u" - Done!";
        ASSERT_EQ(m_storage->lineText(static_cast<std::size_t>(i)), expected) << i;
    }
    ExpectDocumentMatches();
}

// An answer the main thread makes for a message from another thread lives in the sender's pool:
// it outlasts the main thread's own pools and goes when the sender's pool does.
TEST_F(TextStorageTest, AnswersMadeOnTheMainThreadLiveInTheSendersPool) {
    m_storage->append(objc::AttributedText(u"log"));
    const SEL length = objc::registerSelector("length");
    std::atomic<int> step = 0;
    std::u16string seen;
    bool liveAfterMainDrained = false;
    bool goneWithThePool = false;
    std::thread worker([&] {
        id answer = nullptr;
        {
            objc::AutoreleasePool pool;
            answer = objc::send<id>(m_storage, "string"_sel);
            step = 1;
            while (step != 2)
                std::this_thread::yield();
            liveAfterMainDrained = objc::findMethod(answer, length) != nullptr;
            seen = objc::nativeStringText(answer);
        }
        goneWithThePool = objc::findMethod(answer, length) == nullptr;
        step = 3;
    });
    {
        objc::AutoreleasePool mainPool; // drained once the call has run here
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (step != 1 && std::chrono::steady_clock::now() < end)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    step = 2;
    worker.join();
    EXPECT_TRUE(liveAfterMainDrained);
    EXPECT_EQ(seen, u"log");
    EXPECT_TRUE(goneWithThePool);
}

TEST_F(TextStorageTest, OnlyTheObserversOwnerRemovesIt) {
    int first = 0;
    int second = 0;
    int owner = 0;
    int other = 0;
    m_storage->setEditObserver(&owner, [&] { ++first; });
    m_storage->setEditObserver(&owner, [&] { ++second; }); // one observer: the later one
    m_storage->removeEditObserver(&other);
    QTextEdit* edit = m_view->editor();
    QTest::keyClicks(edit, "ab");
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 2);
    m_storage->removeEditObserver(&owner);
    QTest::keyClicks(edit, "c");
    EXPECT_EQ(second, 2);
    EXPECT_EQ(m_storage->string(), u"abc") << "the text follows without an observer too";
}

} // namespace
} // namespace sondrel::appkit
