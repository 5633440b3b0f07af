#include "platform/appkit/FileNameUrls.h"

#include <optional>

#include <QString>
#include <QUrl>

namespace sondrel::appkit {
namespace {

// The length of the well-formed UTF-8 sequence at bytes[at], or 0.
qsizetype SequenceAt(const QByteArray& bytes, qsizetype at) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    qsizetype length = 0;
    char32_t point = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
    } else {
        return 0;
    }
    if (length > bytes.size() - at)
        return 0;
    for (qsizetype i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[at + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        point = (point << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 3 && point < 0x800) || (length == 4 && point < 0x10000);
    if (overlong || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF)
        return 0;
    return length;
}

std::u16string BytesToText(const QByteArray& bytes) {
    std::u16string text;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype length = SequenceAt(bytes, at);
        if (length == 0) {
            text.push_back(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[at])));
            ++at;
            continue;
        }
        text += QString::fromUtf8(bytes.constData() + at, length).toStdU16String();
        at += length;
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
        const QString run = QString::fromStdU16String(text.substr(start, i - start));
        const QByteArray utf8 = run.toUtf8();
        if (QString::fromUtf8(utf8) != run)
            return std::nullopt;
        bytes += utf8;
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
