#include "platform/appkit/FileNameUrls.h"

#include <optional>
#include <string_view>

#include <QString>
#include <QUrl>

#include "platform/objc/StringEncoding.h"

namespace sondrel::appkit {
namespace {

std::u16string BytesToText(const QByteArray& bytes) {
    const std::string_view view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    std::u16string text;
    std::size_t at = 0;
    while (at < view.size()) {
        char32_t point = 0;
        if (const std::size_t length = objc::decodeUtf8Sequence(view, at, point)) {
            objc::appendUtf16(text, point);
            at += length;
        } else {
            text.push_back(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(view[at])));
            ++at;
        }
    }
    return text;
}

// A unit U+DC80 to U+DCFF that is not the second half of a surrogate pair.
bool IsEscapedByteAt(const std::u16string& text, std::size_t at) {
    const char16_t unit = text[at];
    const bool paired = at > 0 && text[at - 1] >= 0xD800 && text[at - 1] <= 0xDBFF;
    return unit >= 0xDC80 && unit <= 0xDCFF && !paired;
}

std::optional<QByteArray> TextToBytes(const std::u16string& text) {
    QByteArray bytes;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !IsEscapedByteAt(text, i))
            continue;
        // A run with a lone surrogate of another kind does not come back whole.
        const std::u16string_view run = std::u16string_view(text).substr(start, i - start);
        const std::string utf8 = objc::encodeUtf8(run);
        std::u16string back;
        if (!objc::decodeUtf8(utf8, back) || back != run)
            return std::nullopt;
        bytes.append(utf8.data(), static_cast<qsizetype>(utf8.size()));
        if (i < text.size())
            bytes.push_back(static_cast<char>(text[i] - 0xDC00));
        start = i + 1;
    }
    return bytes;
}

} // namespace

std::vector<std::u16string> LocalFileNames(const QByteArray& uriList) {
    std::vector<std::u16string> paths;
    for (QByteArray line : uriList.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QUrl url = QUrl::fromEncoded(line);
        if (!url.isValid() || !url.isLocalFile())
            continue;
        const QString host = url.host();
        if (!host.isEmpty() && host != QStringLiteral("localhost"))
            continue;
        const QByteArray bytes =
            QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (!bytes.isEmpty())
            paths.push_back(BytesToText(bytes));
    }
    return paths;
}

QByteArray UriList(const std::vector<std::u16string>& paths) {
    QByteArray list;
    for (const std::u16string& path : paths) {
        const std::optional<QByteArray> bytes = TextToBytes(path);
        if (!bytes || bytes->isEmpty())
            continue;
        list += "file://" + bytes->toPercentEncoding("/") + "\r\n";
    }
    return list;
}

std::optional<QByteArray> FileNameBytes(const std::u16string& path) {
    return TextToBytes(path);
}

} // namespace sondrel::appkit
