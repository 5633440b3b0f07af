#include "platform/appkit/FileNameUrls.h"

#include <optional>
#include <string_view>

#include <QString>
#include <QUrl>

#include "platform/objc/FileNameText.h"

namespace sondrel::appkit {
namespace {

std::u16string BytesToText(const QByteArray& bytes) {
    return objc::fileNameToText(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

std::optional<QByteArray> TextToBytes(const std::u16string& text) {
    const std::optional<std::string> bytes = objc::textToFileName(text);
    if (!bytes)
        return std::nullopt;
    return QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size()));
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
