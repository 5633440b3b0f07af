#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/posix/UniqueFd.h"

namespace sondrel::afconvert {

// Reads `size` bytes at `offset` into `buffer`; returns how many it read
// (fewer at the end of the data or on an error).
using ReadAt = std::function<size_t(uint64_t offset, uint8_t* buffer, size_t size)>;

// A file open for reading at any offset, for the header readers that look
// for one record in a file FFmpeg is reading too.
class RandomAccessFile {
public:
    explicit RandomAccessFile(const std::string& path);
    RandomAccessFile(const RandomAccessFile&) = delete;
    RandomAccessFile& operator=(const RandomAccessFile&) = delete;

    bool isOpen() const { return m_fd.valid(); }
    size_t read(uint64_t offset, uint8_t* buffer, size_t size) const;
    // A ReadAt over this file, valid while the file lives.
    ReadAt reader() const {
        return [this](uint64_t offset, uint8_t* buffer, size_t size) {
            return read(offset, buffer, size);
        };
    }

private:
    posix::UniqueFd m_fd;
};

} // namespace sondrel::afconvert
