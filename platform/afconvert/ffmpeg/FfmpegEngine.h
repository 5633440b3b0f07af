#pragma once

#include "platform/afconvert/CodecEngine.h"

namespace sondrel::afconvert {

// The engine over FFmpeg's libraries: every input they decode, AAC and ALAC
// encoding, and the file types other than CAF.
class FfmpegEngine final : public CodecEngine {
public:
    FfmpegEngine();
    Status openSource(const std::string& path, std::unique_ptr<AudioSource>& out) override;
    Status makeEncoder(const EncoderRequest& request, std::unique_ptr<PacketEncoder>& out) override;
    Status makeWriter(FileType type, int fd, std::unique_ptr<AudioWriter>& out) override;
};

} // namespace sondrel::afconvert
