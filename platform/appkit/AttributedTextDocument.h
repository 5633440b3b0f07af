#pragma once

// Attributed text into Qt's text documents: fonts, sizes, bold, italic, underline,
// strike-through and colours as character formats, links as anchors, alignment, indents and
// tab stops as block formats. For the main thread (text documents belong to the GUI).

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>

#include "platform/objc/AttributedText.h"

namespace sondrel::appkit {

QTextCharFormat charFormatFor(const objc::CharacterStyle& style);
QTextBlockFormat blockFormatFor(const objc::ParagraphStyle& style);

// Inserts the text at the cursor. Its first paragraph continues the cursor's block and gives
// it its block format; every further paragraph starts a new block.
void insertAttributedText(QTextCursor& cursor, const objc::AttributedText& text);

} // namespace sondrel::appkit
