#include "platform/appkit/NSPasteboard.h"

#include <QBuffer>
#include <QImage>
#include <QMimeData>

#include "platform/appkit/FileNameUrls.h"
#include "platform/appkit/Foundation.h"
#include "platform/appkit/NSWindow.h"
#include "platform/objc/ClassName.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/NSData.h"
#include "platform/objc/NSString.h"

namespace sondrel::appkit {
namespace {

const std::u16string kStringType = NSStringPboardType;
const std::u16string kFilenamesType = NSFilenamesPboardType;
const std::u16string kTiffType = NSTIFFPboardType;

// The MIME type of encoded image bytes in the data, preferring TIFF, or empty.
QString encodedImageFormat(const QMimeData& data) {
    for (const char* format : {"image/tiff", "image/png", "image/jpeg", "image/bmp", "image/gif"}) {
        if (data.hasFormat(QString::fromLatin1(format)))
            return QString::fromLatin1(format);
    }
    return {};
}

bool hasImage(const QMimeData& data) {
    return data.hasImage() || !encodedImageFormat(data).isEmpty();
}

QByteArray imageBytes(const QMimeData& data) {
    if (const QString format = encodedImageFormat(data); !format.isEmpty())
        return data.data(format);
    const QImage image = qvariant_cast<QImage>(data.imageData());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG"))
        return {};
    return bytes;
}

} // namespace

NSPasteboardObject::NSPasteboardObject(Class cls) : objc::Object(cls) {}
NSPasteboardObject::~NSPasteboardObject() = default;

void NSPasteboardObject::borrowMimeData(const QMimeData* data) {
    m_borrowed = data;
    m_owned.reset();
}

const QMimeData* NSPasteboardObject::mimeData() const {
    return m_borrowed != nullptr ? m_borrowed : m_owned.get();
}

QMimeData* NSPasteboardObject::ownedMimeData() {
    if (m_owned == nullptr || m_borrowed != nullptr) {
        m_owned = std::make_unique<QMimeData>();
        m_borrowed = nullptr;
    }
    return m_owned.get();
}

std::vector<std::u16string> NSPasteboardObject::types() const {
    std::vector<std::u16string> types;
    const QMimeData* data = mimeData();
    if (data == nullptr)
        return types;
    if (hasImage(*data))
        types.push_back(kTiffType);
    if (!fileNames().empty())
        types.push_back(kFilenamesType);
    if (data->hasText())
        types.push_back(kStringType);
    return types;
}

std::u16string
NSPasteboardObject::availableType(const std::vector<std::u16string>& preferred) const {
    const std::vector<std::u16string> offered = types();
    for (const std::u16string& type : preferred) {
        if (std::find(offered.begin(), offered.end(), type) != offered.end())
            return type;
    }
    return {};
}

std::vector<unsigned char> NSPasteboardObject::dataForType(const std::u16string& type) const {
    const QMimeData* data = mimeData();
    QByteArray bytes;
    if (data != nullptr && type == kTiffType)
        bytes = imageBytes(*data);
    else if (data != nullptr && type == kStringType)
        bytes = data->text().toUtf8();
    else if (data != nullptr && type == kFilenamesType)
        bytes = data->data(QStringLiteral("text/uri-list"));
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

std::u16string NSPasteboardObject::stringForType(const std::u16string& type) const {
    const QMimeData* data = mimeData();
    if (data == nullptr || type != kStringType || !data->hasText())
        return {};
    return data->text().toStdU16String();
}

std::vector<std::u16string> NSPasteboardObject::fileNames() const {
    const QMimeData* data = mimeData();
    if (data == nullptr || !data->hasUrls())
        return {};
    return LocalFileNames(data->data(QStringLiteral("text/uri-list")));
}

void NSPasteboardObject::setString(const std::u16string& text) {
    ownedMimeData()->setText(QString::fromStdU16String(text));
}

void NSPasteboardObject::setFileNames(const std::vector<std::u16string>& paths) {
    // As a file manager offers them: each name's bytes percent-encoded.
    ownedMimeData()->setData(QStringLiteral("text/uri-list"), UriList(paths));
}

void NSPasteboardObject::setImageData(const std::vector<unsigned char>& encodedImage) {
    QImage image;
    image.loadFromData(encodedImage.data(), static_cast<int>(encodedImage.size()));
    ownedMimeData()->setImageData(image);
}

void NSPasteboardObject::setMimeBytes(const std::string& mimeType,
                                      const std::vector<unsigned char>& bytes) {
    ownedMimeData()->setData(QString::fromStdString(mimeType),
                             QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                        static_cast<qsizetype>(bytes.size())));
}

NSPasteboardObject* newPasteboard() {
    return static_cast<NSPasteboardObject*>(objc::createInstance("NSPasteboard"_class));
}

namespace {

id types(NSPasteboardObject* self, SEL) {
    return autoreleasedStringArray(self->types());
}

id availableTypeFromArray(NSPasteboardObject* self, SEL, id preferred) {
    const std::u16string type = self->availableType(stringArrayTexts(preferred));
    return type.empty() ? nullptr : objc::autoreleasedNativeString(type);
}

id dataForType(NSPasteboardObject* self, SEL, id type) {
    const std::u16string name = objc::nativeStringText(type);
    if (self->availableType({name}).empty())
        return nullptr;
    const std::vector<unsigned char> bytes = self->dataForType(name);
    auto* data = static_cast<objc::NSDataObject*>(objc::createInstance("NSData"_class));
    if (data == nullptr)
        return nullptr;
    data->copyBytes(bytes.data(), bytes.size());
    return objc::autorelease(data);
}

id stringForType(NSPasteboardObject* self, SEL, id type) {
    const std::u16string name = objc::nativeStringText(type);
    if (self->availableType({name}).empty())
        return nullptr;
    return objc::autoreleasedNativeString(self->stringForType(name));
}

id propertyListForType(NSPasteboardObject* self, SEL, id type) {
    if (objc::nativeStringText(type) != kFilenamesType || self->fileNames().empty())
        return nullptr;
    return autoreleasedStringArray(self->fileNames());
}

BOOL setStringForType(NSPasteboardObject* self, SEL, id string, id type) {
    if (objc::nativeStringText(type) != kStringType)
        return NO;
    self->setString(objc::nativeStringText(string));
    return YES;
}

BOOL setPropertyListForType(NSPasteboardObject* self, SEL, id list, id type) {
    if (objc::nativeStringText(type) != kFilenamesType)
        return NO;
    self->setFileNames(stringArrayTexts(list));
    return YES;
}

BOOL setDataForType(NSPasteboardObject* self, SEL, id data, id type) {
    auto* bytes = objc::liveCast<objc::NSDataObject>(data);
    if (bytes == nullptr || objc::nativeStringText(type) != kTiffType)
        return NO;
    const auto* begin = static_cast<const unsigned char*>(bytes->bytes());
    self->setImageData(std::vector<unsigned char>(begin, begin + bytes->length()));
    return YES;
}

id pasteboardWithUniqueName(Class, SEL) {
    return objc::autorelease(newPasteboard());
}

const objc::ClassRegistration pasteboardRegistration{
    objc::ClassDefinition("NSPasteboard", "NSObject", objc::factoryFor<NSPasteboardObject>())
        .instanceMethod("types", &types)
        .instanceMethod("availableTypeFromArray:", &availableTypeFromArray)
        .instanceMethod("dataForType:", &dataForType)
        .instanceMethod("stringForType:", &stringForType)
        .instanceMethod("propertyListForType:", &propertyListForType)
        .instanceMethod("setString:forType:", &setStringForType)
        .instanceMethod("setPropertyList:forType:", &setPropertyListForType)
        .instanceMethod("setData:forType:", &setDataForType)
        .classMethod("pasteboardWithUniqueName", &pasteboardWithUniqueName)};

id draggingPasteboard(NSDraggingInfoObject* self, SEL) {
    return self->pasteboard.get();
}

// Cocoa hands drop targets an object that answers the dragging-info messages; this is it.
const objc::ClassRegistration draggingInfoRegistration{
    objc::ClassDefinition("NSDraggingInfo", "NSObject", objc::factoryFor<NSDraggingInfoObject>())
        .instanceMethod("draggingPasteboard", &draggingPasteboard)
        .instanceMethod<&NSDraggingInfoObject::sourceOperationMask>("draggingSourceOperationMask")
        .instanceMethod<&NSDraggingInfoObject::location>("draggingLocation")
        .instanceMethod<&NSDraggingInfoObject::destinationWindow>("draggingDestinationWindow")};

} // namespace
} // namespace sondrel::appkit
