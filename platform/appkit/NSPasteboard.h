#pragma once

// NSPasteboard over Qt's MIME data, and the dragging info a drop target is handed.
//
// Types map to MIME data as follows: NSFilenamesPboardType is text/uri-list, read as local file
// paths (percent-decoding applied; other URLs are skipped, and a list without local files does
// not offer the type); NSStringPboardType is plain text; NSTIFFPboardType is any image the data
// holds. Image bytes handed out for NSTIFFPboardType are the image as its source encoded it
// (TIFF, PNG, ...) or, for an image given only as pixels, PNG: NSImage reads them all alike.

#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/AppKitTypes.h"
#include "platform/appkit/Retained.h"

class QMimeData;

namespace sondrel::appkit {

class NSWindowObject;

class NSPasteboardObject : public objc::Object {
public:
    explicit NSPasteboardObject(Class cls);
    ~NSPasteboardObject() override;

    // Reads `data` from now on without owning it (a drag's data while the drop is handled).
    void borrowMimeData(const QMimeData* data);
    const QMimeData* mimeData() const;

    std::vector<std::u16string> types() const;
    // The first of `preferred` that the pasteboard offers, or empty.
    std::u16string availableType(const std::vector<std::u16string>& preferred) const;
    std::vector<unsigned char> dataForType(const std::u16string& type) const;
    std::u16string stringForType(const std::u16string& type) const;
    // The local files of the URI list; names that are not UTF-8 keep their
    // bytes as FileNameUrls.h describes.
    std::vector<std::u16string> fileNames() const;

    // Writing replaces what this pasteboard owns (and stops borrowing).
    void setString(const std::u16string& text);
    void setFileNames(const std::vector<std::u16string>& paths);
    void setImageData(const std::vector<unsigned char>& encodedImage);
    // Any MIME type, as a drag source from another program would offer it.
    void setMimeBytes(const std::string& mimeType, const std::vector<unsigned char>& bytes);

private:
    QMimeData* ownedMimeData();

    std::unique_ptr<QMimeData> m_owned;
    const QMimeData* m_borrowed = nullptr;
};

// A new empty pasteboard, owned by the caller.
NSPasteboardObject* newPasteboard();

class NSDraggingInfoObject : public objc::Object {
public:
    using Object::Object;
    Retained<NSPasteboardObject> pasteboard;
    NSUInteger sourceOperationMask = 0;
    NSPoint location;                            // window base coordinates
    NSWindowObject* destinationWindow = nullptr; // borrowed
};

} // namespace sondrel::appkit
