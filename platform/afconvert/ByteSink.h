#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/afconvert/Status.h"
#include "platform/posix/UniqueFd.h"

namespace sondrel::afconvert {

// Where a writer puts its bytes. Writes append at the end; patchAt rewrites
// bytes already written (sizes and counts known only at the end).
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual Status write(std::span<const uint8_t> bytes) = 0;
    virtual Status patchAt(uint64_t offset, std::span<const uint8_t> bytes) = 0;
    virtual uint64_t size() const = 0;
};

// Bytes put aside while writing and copied into the real output later (the
// audio of a file whose packet table must precede it). Appending never reads.
class ScratchStore : public ByteSink {
public:
    // Appends everything stored so far to the sink, in order.
    virtual Status copyTo(ByteSink& sink) = 0;
};

// A sink in memory, for tests and for small chunks assembled before writing.
class MemorySink final : public ScratchStore {
public:
    Status write(std::span<const uint8_t> bytes) override;
    Status patchAt(uint64_t offset, std::span<const uint8_t> bytes) override;
    uint64_t size() const override { return m_bytes.size(); }
    Status copyTo(ByteSink& sink) override { return sink.write(m_bytes); }

    const std::vector<uint8_t>& bytes() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

// A sink over an open file descriptor, borrowed (the caller closes it). Small
// writes are gathered in a buffer; flush() pushes them to the file.
// Failures name the cause the way users know it ("disk full", "file too
// large").
class FileSink final : public ByteSink {
public:
    explicit FileSink(int fd) : m_fd(fd) {}
    ~FileSink() override = default;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    Status write(std::span<const uint8_t> bytes) override;
    Status patchAt(uint64_t offset, std::span<const uint8_t> bytes) override;
    uint64_t size() const override { return m_written + m_buffer.size(); }
    Status flush();

private:
    int m_fd;
    uint64_t m_written = 0;
    std::vector<uint8_t> m_buffer;
};

// A scratch store in an unnamed temporary file in the given folder (the output
// folder, so that running out of room there is reported like any other write
// failure). The file vanishes when the store is destroyed.
class FileScratch final : public ScratchStore {
public:
    FileScratch() = default;
    ~FileScratch() override;
    FileScratch(const FileScratch&) = delete;
    FileScratch& operator=(const FileScratch&) = delete;

    Status open(const std::string& folder);
    Status write(std::span<const uint8_t> bytes) override;
    Status patchAt(uint64_t offset, std::span<const uint8_t> bytes) override;
    uint64_t size() const override { return m_sink ? m_sink->size() : 0; }
    Status copyTo(ByteSink& sink) override;

private:
    posix::UniqueFd m_fd;
    std::unique_ptr<FileSink> m_sink; // borrows m_fd
};

// Describes errno for users: ENOSPC and EFBIG in plain words, others by strerror.
std::string describeErrno(int error);

} // namespace sondrel::afconvert
