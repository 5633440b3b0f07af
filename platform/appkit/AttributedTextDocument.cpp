#include "platform/appkit/AttributedTextDocument.h"

#include <QFont>
#include <QList>
#include <QTextOption>

#include "platform/appkit/QtStrings.h"

namespace sondrel::appkit {

QTextCharFormat charFormatFor(const objc::CharacterStyle& style) {
    QTextCharFormat format;
    if (!style.fontFamily.empty()) {
        format.setFontFamilies({QString::fromStdString(style.fontFamily)});
    }
    format.setFontPointSize(style.pointSize);
    format.setFontWeight(style.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(style.italic);
    format.setFontUnderline(style.underline);
    format.setFontStrikeOut(style.strikethrough);
    if (style.color) {
        format.setForeground(QColor(style.color->red, style.color->green, style.color->blue));
    }
    if (!style.link.empty()) {
        format.setAnchor(true);
        format.setAnchorHref(QString::fromStdString(style.link));
    }
    return format;
}

QTextBlockFormat blockFormatFor(const objc::ParagraphStyle& style) {
    QTextBlockFormat format;
    switch (style.alignment) {
    case objc::TextAlignment::Left:
        format.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
        break;
    case objc::TextAlignment::Right:
        format.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
        break;
    case objc::TextAlignment::Center:
        format.setAlignment(Qt::AlignHCenter);
        break;
    case objc::TextAlignment::Justified:
        format.setAlignment(Qt::AlignJustify);
        break;
    case objc::TextAlignment::Natural:
        format.setAlignment(Qt::AlignLeading);
        break;
    }
    QList<QTextOption::Tab> tabs;
    for (double position : style.tabStops) {
        tabs.append(QTextOption::Tab(position, QTextOption::LeftTab));
    }
    format.setTabPositions(tabs);
    format.setLeftMargin(style.leftIndent);
    format.setRightMargin(style.rightIndent);
    format.setTextIndent(style.firstLineIndent);
    return format;
}

void insertAttributedText(QTextCursor& cursor, const objc::AttributedText& text) {
    const auto& paragraphs = text.paragraphs();
    std::size_t paragraph = 0;
    cursor.beginEditBlock();
    cursor.setBlockFormat(blockFormatFor(paragraphs.front()));
    for (const objc::StyleRun& run : text.runs()) {
        const QTextCharFormat format = charFormatFor(run.style);
        std::size_t start = run.start;
        const std::size_t end = run.start + run.length;
        while (start < end) {
            const std::size_t newline = text.text().find(u'\n', start);
            const std::size_t stop = std::min(newline, end);
            if (stop > start) {
                cursor.insertText(
                    toQString(std::u16string_view(text.text()).substr(start, stop - start)),
                    format);
            }
            if (stop < end) { // a paragraph break
                ++paragraph;
                cursor.insertBlock(blockFormatFor(paragraphs[paragraph]), format);
                start = stop + 1;
            } else {
                start = stop;
            }
        }
    }
    cursor.endEditBlock();
}

} // namespace sondrel::appkit
