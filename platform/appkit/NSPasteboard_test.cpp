#include "platform/appkit/NSPasteboard.h"

#include <QBuffer>
#include <QImage>
#include <QMimeData>

#include <gtest/gtest.h>

#include "platform/appkit/NSApplication.h"

namespace sondrel::appkit {
namespace {

using Types = std::vector<std::u16string>;

Retained<NSPasteboardObject> Pasteboard() {
    NSApplicationObject::shared();
    return Retained<NSPasteboardObject>::adopt(newPasteboard());
}

TEST(NSPasteboard, TypesFollowTheMimeData) {
    auto pasteboard = Pasteboard();
    EXPECT_TRUE(pasteboard->types().empty());
    pasteboard->setString(u"words");
    EXPECT_EQ(pasteboard->types(), Types{NSStringPboardType});
    EXPECT_EQ(pasteboard->stringForType(NSStringPboardType), u"words");
    EXPECT_EQ(pasteboard->availableType({NSFilenamesPboardType}), u"");

    pasteboard->setFileNames({u"/a b/c.wav"});
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    pasteboard->setMimeBytes("image/png", std::vector<unsigned char>(png.begin(), png.end()));
    // The caller's order of preference decides.
    EXPECT_EQ(pasteboard->availableType({NSStringPboardType, NSTIFFPboardType}),
              NSStringPboardType);
    EXPECT_EQ(pasteboard->availableType({NSTIFFPboardType, NSFilenamesPboardType}),
              NSTIFFPboardType);
    EXPECT_EQ(pasteboard->types(),
              (Types{NSTIFFPboardType, NSFilenamesPboardType, NSStringPboardType}));
    EXPECT_EQ(pasteboard->fileNames(), Types{u"/a b/c.wav"});

    const std::vector<unsigned char> bytes = pasteboard->dataForType(NSTIFFPboardType);
    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(bytes.data(), static_cast<int>(bytes.size())));
    EXPECT_EQ(decoded.size(), QSize(2, 2));
}

TEST(NSPasteboard, OnlyLocalFilesAreFileNames) {
    auto pasteboard = Pasteboard();
    const std::string list =
        "# a comment\r\nhttp://example.org/x.wav\r\nfile:///tmp/%E2%82%AC.wav\r\n";
    pasteboard->setMimeBytes("text/uri-list", {list.begin(), list.end()});
    EXPECT_EQ(pasteboard->fileNames(), Types{u"/tmp/\u20ac.wav"});

    auto remote = Pasteboard();
    const std::string only = "http://example.org/x.wav\r\n";
    remote->setMimeBytes("text/uri-list", {only.begin(), only.end()});
    EXPECT_TRUE(remote->fileNames().empty());
    EXPECT_EQ(remote->availableType({NSFilenamesPboardType}), u"");
}

TEST(NSPasteboard, BorrowedDataIsReadUntilReleased) {
    auto pasteboard = Pasteboard();
    QMimeData data;
    data.setText(QStringLiteral("borrowed"));
    pasteboard->borrowMimeData(&data);
    EXPECT_EQ(pasteboard->stringForType(NSStringPboardType), u"borrowed");
    pasteboard->borrowMimeData(nullptr);
    EXPECT_TRUE(pasteboard->types().empty());
}

} // namespace
} // namespace sondrel::appkit
