#pragma once

// File names in `text/uri-list` data, the form file managers drop them in.
// A file name is bytes, percent-encoded in its URL, and need not be UTF-8.
// Read as Qt reads it, a name that is not UTF-8 would lose its odd bytes and
// name nothing; here every byte survives: the well-formed UTF-8 parts become
// their characters and each byte of an ill-formed sequence (0x80 to 0xFF)
// the lone surrogate U+DC80 to U+DCFF, the same mapping the runtime uses when
// it hands such a text back to the system as a file name.

#include <optional>
#include <string>
#include <vector>

#include <QByteArray>

namespace sondrel::appkit {

// The local file names of a URI list, in order: comment lines, empty lines
// and URLs of other schemes or other hosts are left out.
std::vector<std::u16string> LocalFileNames(const QByteArray& uriList);

// The URI list of `paths` (texts as LocalFileNames gives them), lines ending
// in CR LF. A path holding a surrogate other than the escaped bytes is left
// out.
QByteArray UriList(const std::vector<std::u16string>& paths);

// The bytes of a file name given as such a text; nothing for a text holding a
// surrogate other than the escaped bytes.
std::optional<QByteArray> FileNameBytes(const std::u16string& path);

} // namespace sondrel::appkit
