#include "platform/afconvert/CafStatedLength.h"

#include <array>
#include <cstring>

#include "platform/afconvert/BigEndian.h"

namespace sondrel::afconvert {

namespace {

constexpr size_t kFileHeaderBytes = 8;
constexpr size_t kChunkHeaderBytes = 12;
constexpr size_t kPacketTableHeaderBytes = 24;
// A file with more chunks than this before its packet table is not one to trust.
constexpr int kMostChunks = 4096;

std::optional<StatedLength> fromPacketTable(const uint8_t* table) {
    const auto valid = static_cast<int64_t>(readBigEndian64(table + 8));
    const auto priming = static_cast<int32_t>(readBigEndian32(table + 16));
    const auto remainder = static_cast<int32_t>(readBigEndian32(table + 20));
    // Some writers leave the counts at zero; that states nothing.
    if (valid <= 0 || priming < 0 || remainder < 0)
        return std::nullopt;
    return StatedLength{priming, valid};
}

} // namespace

std::optional<StatedLength> readCafStatedLength(const ReadAt& read) {
    std::array<uint8_t, kChunkHeaderBytes> header{};
    if (read(0, header.data(), kFileHeaderBytes) != kFileHeaderBytes ||
        std::memcmp(header.data(), "caff", 4) != 0)
        return std::nullopt;
    uint64_t at = kFileHeaderBytes;
    for (int chunk = 0; chunk < kMostChunks; ++chunk) {
        if (read(at, header.data(), header.size()) != header.size())
            return std::nullopt;
        const auto size = static_cast<int64_t>(readBigEndian64(header.data() + 4));
        const uint64_t body = at + kChunkHeaderBytes;
        if (std::memcmp(header.data(), "pakt", 4) == 0) {
            std::array<uint8_t, kPacketTableHeaderBytes> table{};
            if (size < int64_t(table.size()) ||
                read(body, table.data(), table.size()) != table.size())
                return std::nullopt;
            return fromPacketTable(table.data());
        }
        // Only 'data' may run to the end of the file (size -1), and so be last.
        if (size < 0 || uint64_t(size) > UINT64_MAX - body)
            return std::nullopt;
        at = body + uint64_t(size);
    }
    return std::nullopt;
}

std::optional<StatedLength> readCafStatedLength(const std::string& path) {
    const RandomAccessFile file(path);
    if (!file.isOpen())
        return std::nullopt;
    return readCafStatedLength(file.reader());
}

} // namespace sondrel::afconvert
