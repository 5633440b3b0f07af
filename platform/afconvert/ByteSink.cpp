#include "platform/afconvert/ByteSink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace sondrel::afconvert {

namespace {

constexpr size_t kFileBufferSize = 256 * 1024;

Status writeAll(int fd, const uint8_t* data, size_t length) {
    while (length > 0) {
        ssize_t n = ::write(fd, data, length);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Status::failure(describeErrno(errno));
        }
        data += n;
        length -= static_cast<size_t>(n);
    }
    return {};
}

Status pwriteAll(int fd, uint64_t offset, const uint8_t* data, size_t length) {
    while (length > 0) {
        ssize_t n = ::pwrite(fd, data, length, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Status::failure(describeErrno(errno));
        }
        data += n;
        offset += static_cast<uint64_t>(n);
        length -= static_cast<size_t>(n);
    }
    return {};
}

} // namespace

std::string describeErrno(int error) {
    switch (error) {
    case ENOSPC:
        return "disk full";
    case EFBIG:
        return "file too large (file size limit reached)";
    case EDQUOT:
        return "disk quota exceeded";
    default:
        return std::strerror(error);
    }
}

Status MemorySink::write(std::span<const uint8_t> bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return {};
}

Status MemorySink::patchAt(uint64_t offset, std::span<const uint8_t> bytes) {
    if (offset > m_bytes.size() || bytes.size() > m_bytes.size() - offset)
        return Status::failure("patch beyond the end of the written bytes");
    std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + static_cast<ptrdiff_t>(offset));
    return {};
}

Status FileSink::write(std::span<const uint8_t> bytes) {
    if (m_buffer.size() + bytes.size() > kFileBufferSize) {
        AFC_TRY(flush());
        if (bytes.size() >= kFileBufferSize) {
            AFC_TRY(writeAll(m_fd, bytes.data(), bytes.size()));
            m_written += bytes.size();
            return {};
        }
    }
    if (m_buffer.capacity() == 0)
        m_buffer.reserve(kFileBufferSize);
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
    return {};
}

Status FileSink::flush() {
    if (m_buffer.empty())
        return {};
    AFC_TRY(writeAll(m_fd, m_buffer.data(), m_buffer.size()));
    m_written += m_buffer.size();
    m_buffer.clear();
    return {};
}

Status FileSink::patchAt(uint64_t offset, std::span<const uint8_t> bytes) {
    if (offset + bytes.size() > size())
        return Status::failure("patch beyond the end of the written bytes");
    AFC_TRY(flush());
    return pwriteAll(m_fd, offset, bytes.data(), bytes.size());
}

FileScratch::~FileScratch() {
    m_sink.reset();
}

Status FileScratch::open(const std::string& folder) {
    const std::string where = folder.empty() ? std::string(".") : folder;
    m_fd.reset(::open(where.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (!m_fd) {
        // Some file systems have no unnamed files: make a named one and drop its name.
        std::string pattern = where + "/.afconvert-scratch-XXXXXX";
        m_fd.reset(::mkostemp(pattern.data(), O_CLOEXEC));
        if (!m_fd)
            return Status::failure(describeErrno(errno));
        ::unlink(pattern.c_str());
    }
    m_sink = std::make_unique<FileSink>(m_fd.get());
    return {};
}

Status FileScratch::write(std::span<const uint8_t> bytes) {
    if (!m_sink)
        return Status::failure("scratch file not open");
    return m_sink->write(bytes);
}

Status FileScratch::patchAt(uint64_t offset, std::span<const uint8_t> bytes) {
    if (!m_sink)
        return Status::failure("scratch file not open");
    return m_sink->patchAt(offset, bytes);
}

Status FileScratch::copyTo(ByteSink& sink) {
    if (!m_sink)
        return {};
    AFC_TRY(m_sink->flush());
    const uint64_t total = m_sink->size();
    // No larger than what it carries: a short file's few kilobytes would
    // otherwise zero (and fault in) the whole quarter megabyte.
    std::vector<uint8_t> chunk(static_cast<size_t>(std::min<uint64_t>(kFileBufferSize, total)));
    uint64_t offset = 0;
    while (offset < total) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(chunk.size(), total - offset));
        ssize_t n = ::pread(m_fd.get(), chunk.data(), want, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Status::failure(n < 0 ? describeErrno(errno) : "scratch file shrank");
        AFC_TRY(sink.write({chunk.data(), static_cast<size_t>(n)}));
        offset += static_cast<uint64_t>(n);
    }
    return {};
}

} // namespace sondrel::afconvert
