#pragma once

#include <optional>
#include <string>

#include "platform/afconvert/RandomAccessFile.h"
#include "platform/afconvert/StatedLength.h"

namespace sondrel::afconvert {

// The length a CAF file's packet table records: the priming frames to drop
// and the valid frames after them. Nothing when the file is not CAF, has no
// packet table, or its table's counts cannot be right.
std::optional<StatedLength> readCafStatedLength(const ReadAt& read);
std::optional<StatedLength> readCafStatedLength(const std::string& path);

} // namespace sondrel::afconvert
