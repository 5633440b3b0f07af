#pragma once

#include "platform/afconvert/AudioWriter.h"
#include "platform/afconvert/FileType.h"

struct AVFormatContext;
struct AVIOContext;
struct AVPacket;

namespace sondrel::afconvert {

// Writes the file types other than CAF (WAVE, AIFF, AIFC, MPEG-4, ADTS,
// NeXT) with libavformat's muxers, into a borrowed file descriptor.
class LavWriter final : public AudioWriter {
public:
    LavWriter(FileType type, int fd) : m_type(type), m_fd(fd) {}
    ~LavWriter() override;
    LavWriter(const LavWriter&) = delete;
    LavWriter& operator=(const LavWriter&) = delete;

    Status begin(const EncodedStream& stream) override;
    Status writePacket(std::span<const uint8_t> packet, uint32_t frames) override;
    Status finish(int64_t validFrames) override;

private:
    Status checkIo(const char* what);

    FileType m_type;
    int m_fd;
    AVFormatContext* m_format = nullptr;
    AVIOContext* m_io = nullptr;
    AVPacket* m_packet = nullptr;
    int64_t m_pts = 0;
    int m_writeError = 0; // errno of the first failed write
};

} // namespace sondrel::afconvert
