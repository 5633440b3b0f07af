#include "platform/afconvert/RandomAccessFile.h"

#include <cstdint>

#include <fcntl.h>
#include <unistd.h>

namespace sondrel::afconvert {

RandomAccessFile::RandomAccessFile(const std::string& path)
    : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}

size_t RandomAccessFile::read(uint64_t offset, uint8_t* buffer, size_t size) const {
    size_t done = 0;
    while (done < size && offset + done <= uint64_t(INT64_MAX)) {
        const ssize_t got = ::pread(m_fd.get(), buffer + done, size - done, off_t(offset + done));
        if (got <= 0)
            break;
        done += size_t(got);
    }
    return done;
}

} // namespace sondrel::afconvert
