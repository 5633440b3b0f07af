#pragma once

#include <memory>
#include <string>

#include "platform/afconvert/AudioSource.h"
#include "platform/afconvert/AudioWriter.h"
#include "platform/afconvert/FileType.h"
#include "platform/afconvert/PacketEncoder.h"
#include "platform/afconvert/Status.h"

namespace sondrel::afconvert {

// A provider of decoders, encoders and file writers. Each call either makes
// the object, fails with a reason, or leaves the result empty with success
// when the engine has no such thing (another engine may then be asked).
class CodecEngine {
public:
    virtual ~CodecEngine() = default;
    virtual Status openSource(const std::string& path, std::unique_ptr<AudioSource>& out) = 0;
    virtual Status makeEncoder(const EncoderRequest& request,
                               std::unique_ptr<PacketEncoder>& out) = 0;
    // A writer for a file type other than CAF, writing to the open file
    // descriptor (borrowed; the caller closes it).
    virtual Status makeWriter(FileType type, int fd, std::unique_ptr<AudioWriter>& out) = 0;
};

} // namespace sondrel::afconvert
