#pragma once

#include "platform/afconvert/CodecEngine.h"

namespace sondrel::afconvert {

// The engine built into the tool itself: WAV and AIFF input, linear PCM,
// G.711, IMA4 and AAC output. It needs no codec library, so the common case of
// converting plain audio files starts in a few milliseconds.
class LeanEngine final : public CodecEngine {
public:
    Status openSource(const std::string& path, std::unique_ptr<AudioSource>& out) override;
    Status makeEncoder(const EncoderRequest& request, std::unique_ptr<PacketEncoder>& out) override;
    Status makeWriter(FileType type, int fd, std::unique_ptr<AudioWriter>& out) override;
};

} // namespace sondrel::afconvert
