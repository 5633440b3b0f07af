#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/afconvert/DataFormat.h"
#include "platform/afconvert/Status.h"

namespace sondrel::afconvert {

enum class FileType { Caf, Wave, Aiff, Aifc, M4af, Mp4f, Adts, Next };

// Parses a -f value ("caff", "'WAVE'", "m4af"...); quotes are ignored.
Status parseFileType(std::string_view text, FileType& out);

// The four-character code of the type ("caff") and the extension its files get (".caf").
std::string_view fileTypeCode(FileType type);
std::string_view fileTypeExtension(FileType type);

// The type a file name's extension stands for, if any (".caf", ".wav", ".m4a"...).
std::optional<FileType> fileTypeForPath(std::string_view path);

// Whether files of the type can hold the data format; otherwise a message
// such as "a WAVE file cannot hold aac data".
Status checkFileCanHold(FileType type, const DataFormat& format);

// What -hf prints: every file type with its extensions and the data formats
// it can hold, linear PCM spelled out layout by layout.
std::string fileTypesText();

// The data format a type gets when -d is absent. sourcePcm describes the
// source's samples when they are linear PCM, so that the depth is kept.
DataFormat defaultDataFormat(FileType type, const std::optional<PcmFormat>& sourcePcm);

} // namespace sondrel::afconvert
