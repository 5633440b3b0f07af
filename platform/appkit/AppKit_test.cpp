// The Cocoa-shaped classes as messages reach them, and attributed text in Qt documents.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <QBuffer>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include "platform/appkit/AttributedTextDocument.h"
#include "platform/appkit/NSApplication.h"
#include "platform/appkit/NSAttributedString.h"
#include "platform/appkit/NSColor.h"
#include "platform/appkit/NSImage.h"
#include "platform/appkit/QtStrings.h"
#include "platform/objc/AutoreleasePool.h"
#include "platform/objc/Geometry.h"
#include "platform/objc/Messaging.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {
namespace {

using objc::CGSize;
using objc::id;
using objc::send;

// The application object makes Qt's and keeps it for the whole process, as the program does:
// a Qt application destroyed by a static destructor would outlive the toolkit's own state.
class AppKit : public ::testing::Test {
protected:
    void SetUp() override { NSApplicationObject::shared(); }
    objc::AutoreleasePool pool;
};

std::string helpDocument() {
    std::ifstream file(SONDREL_SOURCE_DIR "/resources/help.rtf", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

id dataOf(const std::string& bytes) {
    return send<id>(objc::lookUpClass("NSData"), "dataWithBytes:length:"_sel,
                    static_cast<const void*>(bytes.data()), objc::NSUInteger{bytes.size()});
}

std::vector<std::string> chainOf(const char* name) {
    std::vector<std::string> names;
    for (objc::Class cls : objc::classChain(objc::lookUpClass(name))) {
        names.push_back(cls->name());
    }
    return names;
}

TEST_F(AppKit, ClassesAreRegisteredUnderTheirCocoaNames) {
    for (const char* name :
         {"NSAttributedString", "NSColor", "NSImage", "NSString", "NSData", "NSAutoreleasePool"}) {
        EXPECT_EQ(chainOf(name), (std::vector<std::string>{name, "NSObject"}));
    }
}

TEST_F(AppKit, ImagesKeepASizeInPoints) {
    QImage picture(8, 4, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(picture.save(&buffer, "PNG"));
    id image = send<id>(send<id>(objc::lookUpClass("NSImage"), "alloc"_sel), "initWithData:"_sel,
                        dataOf(png.toStdString()));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(send<CGSize>(image, "size"_sel), (CGSize{8, 4}));
    send(image, "setSize:"_sel, CGSize{32, 16});
    EXPECT_EQ(send<CGSize>(image, "size"_sel), (CGSize{32, 16}));
    EXPECT_EQ(objc::liveCast<NSImageObject>(image)->imageAtSize().size(), QSize(32, 16));
    objc::release(image);

    id blank = send<id>(send<id>(objc::lookUpClass("NSImage"), "alloc"_sel), "initWithSize:"_sel,
                        CGSize{3, 2});
    EXPECT_EQ(objc::liveCast<NSImageObject>(blank)->image().size(), QSize(3, 2));
    objc::release(blank);
    // Bytes that are no picture make no image, and the allocated receiver is freed.
    id receiver = send<id>(objc::lookUpClass("NSImage"), "alloc"_sel);
    EXPECT_EQ(send<id>(receiver, "initWithData:"_sel, dataOf("not a picture")), nullptr);
    EXPECT_FALSE(objc::isLiveObject(receiver));
}

TEST_F(AppKit, ColorsAreDeviceRgbOrPatterns) {
    objc::Class colorClass = objc::lookUpClass("NSColor");
    id red = send<id>(colorClass, "colorWithDeviceRed:green:blue:alpha:"_sel, 1.0, 0.5, 0.0, 0.25);
    EXPECT_EQ(colorOf(red).red(), 255);
    EXPECT_NEAR(send<double>(red, "greenComponent"_sel), 0.5, 0.01);
    EXPECT_NEAR(send<double>(red, "alphaComponent"_sel), 0.25, 0.01);
    EXPECT_EQ(colorOf(send<id>(colorClass, "colorWithDeviceRed:green:blue:alpha:"_sel, 2.0, -1.0,
                               0.0, 1.0)),
              QColor(255, 0, 0));

    QImage tile(2, 2, QImage::Format_ARGB32);
    tile.fill(Qt::blue);
    id image = newNativeImage(tile);
    send(image, "setSize:"_sel, CGSize{4, 4});
    id pattern = send<id>(colorClass, "colorWithPatternImage:"_sel, image);
    ASSERT_NE(pattern, nullptr);
    objc::release(image); // the colour keeps the picture alive
    ASSERT_TRUE(objc::isLiveObject(image));
    EXPECT_EQ(send<id>(pattern, "patternImage"_sel), image);
    const QBrush brush = objc::liveCast<NSColorObject>(pattern)->brush();
    EXPECT_EQ(brush.textureImage().size(), QSize(4, 4));
    // Widgets paint a textured background from the brush's pixmap: the picture at its size.
    EXPECT_EQ(brush.texture().size(), QSize(4, 4));
    EXPECT_EQ(brush.texture().toImage().pixelColor(3, 3), QColor(Qt::blue));
    EXPECT_EQ(send<id>(colorClass, "colorWithPatternImage:"_sel, red), nullptr);
}

TEST_F(AppKit, AttributedStringsComeFromStringsAndRtf) {
    objc::Class cls = objc::lookUpClass("NSAttributedString");
    id plain = send<id>(send<id>(cls, "alloc"_sel), "initWithString:"_sel,
                        objc::autoreleasedNativeString(u"log line"));
    EXPECT_EQ(objc::nativeStringText(send<id>(plain, "string"_sel)), u"log line");
    EXPECT_EQ(send<objc::NSUInteger>(plain, "length"_sel), 8u);
    objc::release(plain);
    id empty =
        send<id>(send<id>(cls, "alloc"_sel), "initWithString:"_sel, static_cast<id>(nullptr));
    EXPECT_EQ(send<objc::NSUInteger>(empty, "length"_sel), 0u);
    objc::release(empty);

    id receiver = send<id>(cls, "alloc"_sel);
    id attributes = reinterpret_cast<id>(1);
    EXPECT_EQ(send<id>(receiver, "initWithRTF:documentAttributes:"_sel, dataOf("plain words"),
                       &attributes),
              nullptr);
    EXPECT_EQ(attributes, nullptr);
    EXPECT_FALSE(objc::isLiveObject(receiver));

    id help = send<id>(send<id>(cls, "alloc"_sel), "initWithRTF:documentAttributes:"_sel,
                       dataOf(helpDocument()), static_cast<id*>(nullptr));
    ASSERT_NE(help, nullptr);
    QTextDocument document;
    QTextCursor cursor(&document);
    insertAttributedText(cursor, *attributedTextOf(help));
    objc::release(help);

    // The document keeps the bold headings, the Helvetica 14 pt text and the link.
    QStringList bold;
    QString link;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().fontWeight() == QFont::Bold) {
                bold << fragment.text();
            }
            if (fragment.charFormat().isAnchor()) {
                link = fragment.charFormat().anchorHref() + " " + fragment.text();
            }
        }
    }
    EXPECT_EQ(bold, (QStringList{"Bitrate Allocation Strategy", "Bitrate", "Data Format",
                                 "Output Folder", "Sticky Window", "Transparent Window"}));
    EXPECT_EQ(link, "https://quillfern.example/forum/ https://quillfern.example/forum/");
    const QTextCharFormat first = document.begin().begin().fragment().charFormat();
    EXPECT_EQ(first.fontFamilies().toStringList(), QStringList{"Helvetica"});
    EXPECT_EQ(first.fontPointSize(), 14.0);
    EXPECT_TRUE(document.toPlainText().startsWith("   Sondrel converts audio files"));
    EXPECT_EQ(document.begin().blockFormat().tabPositions().size(), 12);
}

TEST_F(AppKit, AttributedStringsReadFiles) {
    const auto path = std::filesystem::temp_directory_path() / "sondrel-appkit-text.txt";
    std::ofstream(path, std::ios::binary) << "caf\xe9 line";
    objc::Class cls = objc::lookUpClass("NSAttributedString");
    id text = send<id>(send<id>(cls, "alloc"_sel), "initWithPath:documentAttributes:"_sel,
                       objc::autoreleasedNativeString(path.u16string()), static_cast<id*>(nullptr));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(qStringFromNative(send<id>(text, "string"_sel)), QString::fromUtf8("café line"));
    objc::release(text);
    std::filesystem::remove(path);
    EXPECT_EQ(send<id>(send<id>(cls, "alloc"_sel), "initWithPath:documentAttributes:"_sel,
                       objc::autoreleasedNativeString(path.u16string()), static_cast<id*>(nullptr)),
              nullptr);
}

} // namespace
} // namespace sondrel::appkit
