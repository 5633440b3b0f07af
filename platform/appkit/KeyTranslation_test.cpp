#include "platform/appkit/KeyTranslation.h"

#include <QKeyEvent>

#include <gtest/gtest.h>

namespace sondrel::appkit {
namespace {

TEST(KeyTranslation, QtKeyPressesBecomeCocoaCharactersAndFlags) {
    const CocoaKey ctrlQ = cocoaKeyFromQt(
        QKeyEvent(QEvent::KeyPress, Qt::Key_Q, Qt::ControlModifier, QStringLiteral("\x11")));
    EXPECT_EQ(ctrlQ.charactersIgnoringModifiers, u"q");
    EXPECT_EQ(ctrlQ.modifierFlags, NSEventModifierFlagCommand); // Ctrl is Command

    const CocoaKey shiftA =
        cocoaKeyFromQt(QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, "A"));
    EXPECT_EQ(shiftA.charactersIgnoringModifiers, u"A");
    EXPECT_EQ(shiftA.characters, u"A");

    const CocoaKey f1 = cocoaKeyFromQt(QKeyEvent(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier));
    EXPECT_EQ(f1.charactersIgnoringModifiers, std::u16string(1, NSF1FunctionKey));
    EXPECT_EQ(f1.modifierFlags, NSEventModifierFlagFunction);

    const CocoaKey metaAltEnter = cocoaKeyFromQt(QKeyEvent(
        QEvent::KeyPress, Qt::Key_Enter, Qt::MetaModifier | Qt::AltModifier | Qt::KeypadModifier));
    EXPECT_EQ(metaAltEnter.charactersIgnoringModifiers, std::u16string(1, char16_t{3}));
    EXPECT_EQ(metaAltEnter.modifierFlags, NSEventModifierFlagControl | NSEventModifierFlagOption |
                                              NSEventModifierFlagNumericPad);

    const CocoaKey section =
        cocoaKeyFromQt(QKeyEvent(QEvent::KeyPress, 0xA7, Qt::ShiftModifier, "\u00a7"));
    EXPECT_EQ(section.charactersIgnoringModifiers, std::u16string(1, char16_t{0xA7}));
}

TEST(KeyTranslation, KeyEquivalentsShowAsQtShortcuts) {
    EXPECT_EQ(qtKeySequence(u"q", NSEventModifierFlagCommand), QKeySequence("Ctrl+Q"));
    EXPECT_EQ(qtKeySequence(std::u16string(1, NSF1FunctionKey), NSEventModifierFlagFunction),
              QKeySequence("F1"));
    EXPECT_EQ(qtKeySequence(u"Z", NSEventModifierFlagCommand), QKeySequence("Ctrl+Shift+Z"));
    EXPECT_EQ(qtKeySequence(u"h", NSEventModifierFlagCommand | NSEventModifierFlagOption),
              QKeySequence("Ctrl+Alt+H"));
    EXPECT_EQ(qtKeySequence(u"q", NSEventModifierFlagControl), QKeySequence("Meta+Q"));
    EXPECT_TRUE(qtKeySequence(u"", NSEventModifierFlagCommand).isEmpty());
}

} // namespace
} // namespace sondrel::appkit
